#include "shell/gui/qt_dialog_services.h"

#include <QApplication>
#include <QDate>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QThread>
#include <QUrl>

#include "report/core/html_report.h"
#include "report/gui/qt_print_surface.h"
#include "report/gui/report_context.h"
#include "shell/gui/desktop_browser.h"
#include "common/gui/text_codec.h"

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

}  // namespace

QtDialogServices::QtDialogServices(QWidget* parent) : parent_(parent) {}

QWidget* QtDialogServices::DialogOwner() const {
    if (QWidget* active = QApplication::activeWindow()) return active;
    return parent_;
}

QString FilterSuffix(const QString& nameFilter) {
    static const QRegularExpression pattern(QStringLiteral(R"(\(\*\.([A-Za-z0-9]+)[ ;)])"));
    const QRegularExpressionMatch match = pattern.match(nameFilter);
    return match.hasMatch() ? match.captured(1) : QString();
}

std::optional<std::string> QtDialogServices::OpenFile(FileAsked which) {
    QFileDialog dialog(DialogOwner(), FromCp1252(FileDialogTitle(which)), InitialFolder());
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    const QStringList filters = NameFilters(kSubmissionFileFilter);
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
    return ShowMessage(MessageText(text), title, icon, buttons);
}

MsgAnswer QtDialogServices::MessageUtf8(std::string_view text, std::string_view title, MsgIcon icon,
                                        MsgButtons buttons) {
    return ShowMessage(Utf8MessageText(text), title, icon, buttons);
}

MsgAnswer QtDialogServices::ShowMessage(const QString& text, std::string_view title, MsgIcon icon,
                                        MsgButtons buttons) {
    QMessageBox box(ToQtIcon(icon), MessageText(title), text, QMessageBox::NoButton,
                    DialogOwner());
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

std::optional<std::string> QtDialogServices::SaveFile(std::string_view title, std::string_view folder,
                                                      std::string_view filter) {
    QFileDialog dialog(DialogOwner(), FromCp1252(title),
                       QFile::decodeName(QByteArray(folder.data(), qsizetype(folder.size()))));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    const QStringList filters = NameFilters(filter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty()) {
        dialog.selectNameFilter(filters.front());
        // A name typed without an extension takes the chosen filter's (before the question
        // about overwriting, which then asks about the file really written).
        dialog.setDefaultSuffix(FilterSuffix(filters.front()));
    }
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& chosen) { dialog.setDefaultSuffix(FilterSuffix(chosen)); });
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
    return QFile::encodeName(files.front()).toStdString();
}

std::optional<std::string> QtDialogServices::AssociatedProgram(std::string_view /*document*/) {
    // The page is always an HTML page of ours: the desktop's application for HTML opens it.
    const DesktopBrowser browser = FindDesktopBrowser();
    switch (browser.lookup) {
    case BrowserLookup::Found: return JoinCommand(browser.command).toStdString();
    case BrowserLookup::NoTool: return std::string(kDesktopBrowser);
    case BrowserLookup::None: break;
    }
    return std::nullopt;
}

void LoadPrintedPage(QTextDocument& page, const std::string& html) {
    // Lines break between words only: a column squeezed by its wider neighbours keeps its
    // words whole ("Err Num"), rather than one letter under the other.
    QTextOption option = page.defaultTextOption();
    option.setWrapMode(QTextOption::WordWrap);
    page.setDefaultTextOption(option);
    page.setHtml(QString::fromStdString(PageForRendering(html)));
}

bool QtDialogServices::PrintDocument(std::string_view document) {
    QFile file(QFile::decodeName(QByteArray(document.data(), qsizetype(document.size()))));
    if (file.size() > kLargestPrintedPage || !file.open(QIODevice::ReadOnly)) return false;
    QTextDocument page;
    LoadPrintedPage(page, file.readAll().toStdString());
    QPrinter printer(QPrinter::HighResolution);
    if (!PrinterInstalled()) {
        // As the text report: the pages can go to a PDF file instead.
        if (Message(kNoPrinterText, kNoPrinterTitle, MsgIcon::Exclamation, MsgButtons::OkCancel) != MsgAnswer::Ok)
            return true;
        const std::optional<std::string> pdf =
            SaveFile("Save Report as PDF", QFileInfo(file).absolutePath().toStdString(),
                     "PDF Files (*.pdf)|*.pdf|All Files (*.*)|*.*|");
        if (!pdf || pdf->empty()) return true;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QFile::decodeName(QByteArray::fromStdString(*pdf)));
    } else {
        QPrintDialog dialog(&printer, DialogOwner());
        dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
        if (dialog.exec() != QDialog::Accepted) return true;
    }
    KeepMargins(printer);
    PaintThroughSafeFile(printer, [&] {
        page.print(&printer);
        return true;
    });
    return true;
}

bool QtDialogServices::StartProgram(std::string_view program, std::string_view argument) {
    const QString address = QString::fromUtf8(argument.data(), qsizetype(argument.size()));
    if (program == kDesktopBrowser) return QDesktopServices::openUrl(QUrl(address));
    QStringList command = SplitCommand(QString::fromUtf8(program.data(), qsizetype(program.size())));
    if (command.isEmpty()) return false;
    if (!address.isEmpty()) command << address;
    return StartWatched(command, kStartWatch);
}

bool StartWatched(const QStringList& command, std::chrono::milliseconds watch) {
    // The program runs under a shell of its own, which outlives this program and writes the
    // program's exit status into a private folder of ours. The folder is gone once the watch
    // is over: a status that comes later is written nowhere.
    const QTemporaryDir folder;
    if (!folder.isValid() || command.isEmpty()) return false;
    const QString status = folder.filePath(QStringLiteral("status"));
    QStringList arguments = {QStringLiteral("-c"),
                             QStringLiteral("status=$1; shift; \"$@\"; echo $? 2>/dev/null > \"$status\""),
                             QStringLiteral("sh"), status};
    arguments << command;
    if (!QProcess::startDetached(QStringLiteral("/bin/sh"), arguments)) return false;
    QDeadlineTimer deadline(watch);
    QFile file(status);
    while (!deadline.hasExpired()) {
        if (file.exists() && file.size() > 0 && file.open(QIODevice::ReadOnly)) {
            const QByteArray code = file.readAll().trimmed();
            // Written but not yet whole: read again.
            if (!code.isEmpty()) return code == "0";
            file.close();
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(20);
    }
    // Still running: the program has started.
    return true;
}

}  // namespace quorvex
