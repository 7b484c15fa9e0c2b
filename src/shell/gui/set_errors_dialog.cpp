#include "shell/gui/set_errors_dialog.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QVBoxLayout>

#include "common/error_limit.h"
#include "shell/gui/main_window.h"

namespace quorvex {

bool DigitKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Backspace) return false;
    // Shortcuts such as copy and select-all type nothing; paste is refused by the validator.
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    const QString text = key->text();
    if (text.isEmpty()) return false;
    for (const QChar ch : text) {
        if (ch == u'\r' || ch == u'\n' || ch == u'\t' || ch == u'\x1b') return false;
        if (ch < u'0' || ch > u'9') return true;
    }
    return false;
}

SetErrorsDialog::SetErrorsDialog(MainWindow& window) : QDialog(&window), window_(window) {
    setObjectName(QStringLiteral("frmSetErrors"));
    setWindowTitle(tr("Set Error Limit"));
    setModal(false);
    setWindowModality(Qt::NonModal);

    auto* layout = new QVBoxLayout(this);
    message_ = new QPlainTextEdit(this);
    message_->setObjectName(QStringLiteral("txtMessage"));
    message_->setReadOnly(true);
    message_->setFocusPolicy(Qt::NoFocus);
    message_->setPlainText(
        QStringLiteral("Set the number of error(s) allowed from\n1 through 25,000 before testing is stopped"));
    message_->setAccessibleName(windowTitle());
    message_->setFixedHeight(message_->fontMetrics().lineSpacing() * 3 + 12);
    message_->setMinimumWidth(message_->fontMetrics().horizontalAdvance(
                                  QStringLiteral("1 through 25,000 before testing is stopped")) + 40);
    layout->addWidget(message_);

    entry_ = new QLineEdit(this);
    entry_->setObjectName(QStringLiteral("txtErrorCount"));
    entry_->setAccessibleName(message_->toPlainText().simplified());
    entry_->installEventFilter(new DigitKeyFilter(entry_));
    entry_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), entry_));
    layout->addWidget(entry_);

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    ok_->setObjectName(QStringLiteral("cmdOK"));
    cancel_ = buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    cancel_->setObjectName(QStringLiteral("cmdCancel"));
    // Enter means OK, even after Cancel had the focus at the last opening.
    cancel_->setAutoDefault(false);
    layout->addWidget(buttons);
    connect(ok_, &QPushButton::clicked, this, &SetErrorsDialog::Accept);
    connect(cancel_, &QPushButton::clicked, this, &SetErrorsDialog::reject);
    // OK starts a test: while one runs, OK is off (the dialog may have been open before).
    connect(&window, &MainWindow::runStarted, ok_, [this] { ok_->setEnabled(false); });
    connect(&window, &MainWindow::runFinished, ok_, [this] { ok_->setEnabled(true); });
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void SetErrorsDialog::Open() {
    ok_->setEnabled(!window_.Running());
    ok_->setDefault(true);
    entry_->setText(QString::number(window_.ErrorLimit()));
    entry_->selectAll();
    adjustSize();
    if (QScreen* screen = window_.screen() ? window_.screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
    raise();
    activateWindow();
    entry_->setFocus();
}

void SetErrorsDialog::Accept() {
    if (window_.Running()) return;
    const int limit = ParseErrorLimitEntry(entry_->text().trimmed().toStdString());
    if (limit == 0) {
        // The warning belongs to the dialog, which gets the focus back for the next entry.
        window_.MessageOver(this, kErrorLimitMessage, "Error Limit", MsgIcon::Exclamation, MsgButtons::Ok);
        activateWindow();
        entry_->setFocus();
        entry_->selectAll();
        return;
    }
    window_.SetErrorLimit(limit);
    if (!SaveErrorLimit(window_.ProgramFolder(), limit)) {
        window_.MessageOver(this,
                            "The error limit could not be saved in ErrSetLog.ini. It is used until the program ends.",
                            "Error Limit", MsgIcon::Exclamation, MsgButtons::Ok);
    }
    hide();
    window_.StartTesting();
}

}  // namespace quorvex
