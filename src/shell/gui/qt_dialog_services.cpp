#include "shell/gui/qt_dialog_services.h"

#include <cstdio>

#include <QDate>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QUrl>

#include "shell/gui/text_codec.h"

namespace quorvex {

namespace {

QMessageBox::Icon ToQtIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::None: return QMessageBox::NoIcon;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

const char* IconName(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::None: return "no icon";
    case MsgIcon::Information: return "information";
    case MsgIcon::Exclamation: return "exclamation";
    case MsgIcon::Critical: return "critical";
    case MsgIcon::Question: return "question";
    }
    return "";
}

MsgAnswer FirstButton(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::Ok:
    case MsgButtons::OkCancel: return MsgAnswer::Ok;
    case MsgButtons::YesNo: return MsgAnswer::Yes;
    }
    return MsgAnswer::Ok;
}

}  // namespace

QtDialogServices::QtDialogServices(QWidget* parent) : parent_(parent) {}

bool QtDialogServices::Unattended() {
    return qEnvironmentVariableIntValue("QUORVEX_UNATTENDED") != 0;
}

std::optional<std::string> QtDialogServices::OpenFile(std::string_view title, std::string_view filter) {
    if (Unattended()) {
        std::fprintf(stderr, "quorvex: file dialog \"%s\" cancelled (unattended)\n",
                     std::string(title).c_str());
        return std::nullopt;
    }
    QFileDialog dialog(parent_, FromCp1252(title), InitialFolder());
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    const QStringList filters = NameFilters(filter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty()) dialog.selectNameFilter(filters.front());
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    lastFolder_ = QFileInfo(files.front()).absolutePath();
    // The core opens the name as given: hand it over in the file system's encoding.
    return QFile::encodeName(files.front()).toStdString();
}

MsgAnswer QtDialogServices::Message(std::string_view text, std::string_view title, MsgIcon icon,
                                    MsgButtons buttons) {
    if (Unattended()) {
        const QString line = QStringLiteral("quorvex: message [%1] (%2): %3\n")
                                 .arg(MessageText(title), QString::fromLatin1(IconName(icon)),
                                      MessageText(text));
        std::fputs(line.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        return FirstButton(buttons);
    }
    QMessageBox box(ToQtIcon(icon), MessageText(title), MessageText(text), QMessageBox::NoButton,
                    parent_);
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel: return MsgAnswer::Cancel;
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    case QMessageBox::Ok: return MsgAnswer::Ok;
    default:
        // Closing the box with Escape or the window button: the safe answer.
        return buttons == MsgButtons::YesNo ? MsgAnswer::No
               : buttons == MsgButtons::OkCancel ? MsgAnswer::Cancel
                                                 : MsgAnswer::Ok;
    }
}

QString QtDialogServices::InitialFolder() const {
    if (!lastFolder_.isEmpty() && QDir(lastFolder_).exists()) return lastFolder_;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

Date QtDialogServices::Today() {
    const QDate today = QDate::currentDate();
    return Date{today.year(), today.month(), today.day()};
}

void QtDialogServices::OpenFilingPage() {
    if (Unattended()) return;
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kFilingPageUrl)));
}

}  // namespace quorvex
