#include "report/gui/report_context.h"

#include <algorithm>

#include <optional>

#include <QCoreApplication>
#include <QFile>
#include <QPaintEngine>
#include <QProgressDialog>

#include "common/safe_file.h"
#include "common/text_1252.h"
#include "errorlog/log_failure.h"
#include "report/core/report_files.h"
#include "report/gui/qt_print_surface.h"

namespace quorvex {

void ShowReportFailure(DialogServices& services, const std::exception& failure) {
    std::string text;
    if (const auto* log = dynamic_cast<const LogFailure*>(&failure)) {
        text = "Error Number: " + std::to_string(log->number) + "\r\nError Description: " + log->description;
    } else {
        text = Utf8ToCp1252(failure.what());
    }
    services.Message(text, "Error Report", MsgIcon::Critical, MsgButtons::Ok);
}

bool PaintThroughSafeFile(QPrinter& printer, const std::function<bool()>& paint) {
    const QString target = printer.outputFileName();
    const QPaintEngine* engine = printer.paintEngine();
    if (target.isEmpty() || (engine && engine->type() == QPaintEngine::Picture)) return paint();
    const std::string name = QFile::encodeName(target).toStdString();
    std::optional<SafeFile> file;
    try {
        file.emplace(name);
    } catch (const FileWriteError&) {
        throw ReportFileError("Could not write " + name);
    }
    // The printer writes the new file; it keeps the name it was given for what follows.
    printer.setOutputFileName(QFile::decodeName(QByteArray::fromStdString(file->WriterPath().string())));
    struct Restore {
        QPrinter& printer;
        const QString& target;
        ~Restore() { printer.setOutputFileName(target); }
    } restore{printer, target};
    if (!paint()) return false;
    try {
        file->Commit();
    } catch (const FileWriteError&) {
        throw ReportFileError("Could not write " + name);
    }
    return true;
}

bool PrintPages(QPrinter& printer, const FontChoice& printFont, const LogReader& log, PageRange range,
                const PrintProgress& progress) {
    KeepMargins(printer);
    const std::string file = QFile::encodeName(printer.outputFileName()).toStdString();
    return PaintThroughSafeFile(printer, [&] {
        QtPrintSurface surface(printer, printFont);
        if (!surface.Begin()) {
            throw ReportFileError(printer.outputFormat() == QPrinter::PdfFormat
                                      ? "Could not write " + file
                                      : "The printer " + printer.printerName().toStdString() + " could not print.");
        }
        if (PrintReportPages(log, surface, range, progress)) return true;
        surface.Abort();
        return false;
    });
}

ReportProgress::ReportProgress(QWidget* owner, const QString& label, std::int64_t errors)
    : dialog_(std::make_unique<QProgressDialog>(label, QObject::tr("Cancel"), 0,
                                                static_cast<int>(std::min<std::int64_t>(errors, 1 << 30)), owner)) {
    dialog_->setWindowTitle(QObject::tr("Error Report"));
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->setMinimumDuration(400);
    dialog_->setAutoReset(false);
    dialog_->setAutoClose(false);
    dialog_->setValue(0);
}

ReportProgress::~ReportProgress() = default;

bool ReportProgress::operator()(std::int64_t errorsDone) {
    // A few hundred steps for the whole report: each lets the windows repaint.
    const std::int64_t step = std::max<std::int64_t>(dialog_->maximum() / 400, 1);
    if (errorsDone % step == 0) {
        dialog_->setValue(static_cast<int>(std::min<std::int64_t>(errorsDone, dialog_->maximum())));
        QCoreApplication::processEvents();
    }
    return !dialog_->wasCanceled();
}

}  // namespace quorvex
