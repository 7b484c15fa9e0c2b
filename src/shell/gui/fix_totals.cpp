#include "shell/gui/fix_totals.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/desktop_services.h"
#include "common/gui/text_codec.h"
#include "common/safe_file.h"
#include "report/core/report_files.h"
#include "shell/gui/main_window.h"

namespace quorvex {

namespace {

constexpr char kTitle[] = "Fix Totals";

// The changes of the log in the program folder; none when it cannot be read.
std::vector<FixChange> ChangesIn(const std::filesystem::path& folder) {
    try {
        if (const auto log = LogReader::OpenIn(folder); log && !log->RunInProgress()) return LogChanges(*log);
    } catch (const std::exception&) {
    }
    return {};
}

}  // namespace

FixTotals::FixTotals(MainWindow& window, DesktopServices& desktop, QMenu* menu)
    : QObject(&window), host_(window), desktop_(desktop) {
    action_ = menu->addAction(tr("&Fix Totals\xE2\x80\xA6"));
    action_->setObjectName(QStringLiteral("mnuVFixTotals"));
    action_->setEnabled(false);
    connect(action_, &QAction::triggered, this, &FixTotals::Open);
    connect(&window, &MainWindow::runStarted, action_, [this] { action_->setEnabled(false); });
    connect(this, &FixTotals::testCopy, &window, [&window](const QString& file) { window.TestFile(file.toStdString()); });
}

QPushButton* FixTotals::MakeButton(QWidget* parent) {
    auto* button = new QPushButton(action_->text(), parent);
    button->setObjectName(QStringLiteral("cmdFixTotals"));
    button->setEnabled(false);
    connect(button, &QPushButton::clicked, action_, &QAction::trigger);
    connect(action_, &QAction::changed, button, [button, this] { button->setEnabled(action_->isEnabled()); });
    return button;
}

void FixTotals::Follow(ResultsEvent event) {
    switch (event) {
    case ResultsEvent::ErrorsViewShown:
    case ResultsEvent::LastResultsShown:
        changes_ = ChangesIn(host_.ProgramFolder());
        action_->setEnabled(Replacing(changes_) > 0);
        break;
    case ResultsEvent::NothingToShow:
    case ResultsEvent::NoLastResults:
    case ResultsEvent::LastResultsUnreadable:
    case ResultsEvent::LastResultsClean:
        changes_.clear();
        action_->setEnabled(false);
        break;
    default:
        break;
    }
}

void FixTotals::Open() {
    changes_ = ChangesIn(host_.ProgramFolder());
    if (!dialog_) {
        dialog_ = new QDialog(host_.ResultsArea()->window());
        dialog_->setObjectName(QStringLiteral("frmFixTotals"));
        dialog_->setWindowTitle(QString::fromLatin1(kTitle));
        auto* layout = new QVBoxLayout(dialog_);
        table_ = new QTableWidget(0, 5, dialog_);
        table_->setHorizontalHeaderLabels({tr("Record"), tr("Type"), tr("Field"), tr("Reported"), tr("New")});
        table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table_->horizontalHeader()->setStretchLastSection(true);
        layout->addWidget(table_);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog_);
        save_ = buttons->addButton(tr("&Save Corrected Copy\xE2\x80\xA6"), QDialogButtonBox::ActionRole);
        save_->setObjectName(QStringLiteral("cmdSaveFixed"));
        connect(save_, &QPushButton::clicked, this, &FixTotals::Save);
        connect(buttons, &QDialogButtonBox::rejected, dialog_, &QDialog::close);
        layout->addWidget(buttons);
        dialog_->resize(900, 360);
    }
    table_->setRowCount(static_cast<int>(changes_.size()));
    for (int i = 0; i < table_->rowCount(); ++i) {
        const FixChange& c = changes_[static_cast<std::size_t>(i)];
        const QString cells[] = {QString::number(c.recNum), FromCp1252(c.id), FromCp1252(c.reference),
                                 FromCp1252(c.fix.reported),
                                 FromCp1252(c.fix.text.empty() ? c.fix.description : c.fix.text)};
        for (int col = 0; col < 5; ++col) table_->setItem(i, col, new QTableWidgetItem(cells[col]));
    }
    table_->resizeColumnsToContents();
    save_->setEnabled(Replacing(changes_) > 0);
    dialog_->show();
    dialog_->raise();
}

void FixTotals::Save() {
    DialogServices& services = host_.Services();
    try {
        const auto log = LogReader::OpenIn(host_.ProgramFolder());
        if (!log) return;
        std::vector<std::filesystem::path> inputs;
        for (const MiscRow& m : log->Misc()) inputs.emplace_back(m.pathUtf8);
        const auto written = WriteFixedCopies(*log, changes_, [&](const std::filesystem::path& file) {
            for (;;) {
                const std::optional<std::string> name =
                    desktop_.SaveFile("Save Corrected Copy", file.parent_path().string(),
                                      "ASCII Text Files (*.txt)|*.txt|All Files (*.*)|*.*|");
                if (!name || name->empty()) return std::filesystem::path();
                const std::string clash = OutputClash(*name, host_.ProgramFolder(), inputs);
                if (clash.empty()) return std::filesystem::path(*name);
                services.MessageUtf8("The corrected copy cannot be saved as " + *name + ": " + clash +
                                         ". Please choose another name.",
                                     kTitle, MsgIcon::Exclamation, MsgButtons::Ok);
            }
        });
        if (written.size() != 1) return;
        const std::string copy = written.front().copy.string();
        if (services.MessageUtf8("The corrected copy was saved as " + copy + ".\r\nTest it now?", kTitle,
                                 MsgIcon::Question, MsgButtons::YesNo) == MsgAnswer::Yes) {
            if (dialog_) dialog_->close();
            emit testCopy(QString::fromStdString(copy));
        }
    } catch (const std::exception& failure) {
        services.MessageUtf8(failure.what(), kTitle, MsgIcon::Critical, MsgButtons::Ok);
    }
}

}  // namespace quorvex
