#include "report/core/text_report.h"

#include <memory>

#include "common/safe_file.h"
#include "report/core/report_files.h"

namespace quorvex {

void TextReportSink::Heading(std::string_view heading) {
    text_.clear();
    text_ += "\t";
    text_ += heading;
}

void TextReportSink::SourceFiles(std::string_view generatedFrom) {
    text_ += "\r\n\r\n";
    text_.AppendUtf8(generatedFrom);
    text_ += "\r\n\r\n";
}

void TextReportSink::ReportDate(std::string_view date) {
    text_ += "\r\n\t";
    text_ += date;
    text_ += "\r\n\r\n";
}

void TextReportSink::StopNotice(std::string_view head, std::string_view body) {
    text_ += head;
    text_ += body;
    text_ += "\r\n";
}

void TextReportSink::Summary(const ReportCounts& counts) {
    text_ += SummaryField(counts.recordsTested) + " Record(s) tested\r\n";
    text_ += SummaryField(counts.recordsWithErrors) + " Record(s) with Error(s)\r\n";
    text_ += SummaryField(counts.errorsFound) + " Error(s) found\r\n\r\n";
}

void TextReportSink::RecordHeader(const RecordHeading& heading) {
    text_ += "\r\n\tRecord number: " + std::to_string(heading.recNum) + "    Code: ";
    text_ += heading.id;
    text_ += "    " + heading.label + "\r\n\r\n";
}

bool TextReportSink::ErrorBlock(const ErrorRow& error) {
    text_ += "Err Num: \t\t" + std::to_string(error.errNum) + "\r\n";
    text_ += "Reference: \t\t" + error.reference + "\r\n";
    text_ += "User Entry: \t\t" + error.userEntry + "\r\n";
    text_ += "Error Description: \t" + error.error + "\r\n\r\n";
    return !afterBlock_ || afterBlock_(text_);
}

namespace {

// A report written piece by piece into a new file, which takes its name's place only when
// the report is whole. Throws ReportFileError.
class ReportFile {
public:
    explicit ReportFile(std::string name) : name_(std::move(name)) {
        try {
            file_ = std::make_unique<SafeFile>(name_);
        } catch (const FileWriteError&) {
            throw Failed();
        }
    }
    void Append(const ReportText& text) {
        try {
            file_->Append(text.Utf8());
        } catch (const FileWriteError&) {
            throw Failed();
        }
    }
    void Commit() {
        try {
            file_->Commit();
        } catch (const FileWriteError&) {
            throw Failed();
        }
    }

private:
    ReportFileError Failed() const { return ReportFileError("Could not write " + name_); }

    std::string name_;
    std::unique_ptr<SafeFile> file_;
};

}  // namespace

TextPreview FormatTextReport(const LogReader& log, DialogServices& services, DesktopServices& desktop,
                             const std::filesystem::path& folder) {
    BusyPointer busy(services);
    TextPreview preview;
    // A report too large for the preview goes to a file piece by piece.
    std::unique_ptr<ReportFile> saveFile;
    TextReportSink sink([&](ReportText& text) {
        if (text.size() <= kReportTextLimit) return true;
        preview.saveEnabled = false;
        if (!saveFile) {
            const MsgAnswer answer = services.Message(
                "This report is too large to fit into the text preview.  Do you want to save it as a text file?",
                "Report Too Large", MsgIcon::Exclamation, MsgButtons::YesNo);
            if (answer != MsgAnswer::Yes) return false;
            std::optional<std::string> name = AskReportFileName(desktop, folder);
            if (!name) {
                // The user wants the file but not yet: Save As... writes the whole report.
                preview.saveEnabled = preview.saveWhole = true;
                return false;
            }
            preview.saveFileName = std::move(*name);
            saveFile = std::make_unique<ReportFile>(preview.saveFileName);
        }
        saveFile->Append(text);
        text.clear();
        return true;
    });
    if (!FormatReport(log, sink)) {
        preview.text = kTooLargeSentence;
    } else if (saveFile) {
        saveFile->Append(sink.Text());
        saveFile->Commit();
        preview.text = kTooLargeSentence;
    } else {
        preview.text = sink.Text().Utf8();
    }
    return preview;
}

std::optional<std::string> SaveTextReportAs(const LogReader& log, DesktopServices& desktop,
                                            const std::filesystem::path& folder) {
    std::optional<std::string> name = AskReportFileName(desktop, folder);
    if (!name) return name;
    ReportFile file(*name);
    TextReportSink sink([&](ReportText& text) {
        if (text.size() > kReportTextLimit) {
            file.Append(text);
            text.clear();
        }
        return true;
    });
    FormatReport(log, sink);
    file.Append(sink.Text());
    file.Commit();
    return name;
}

}  // namespace quorvex
