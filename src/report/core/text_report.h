#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "common/desktop_services.h"
#include "common/dialog_services.h"
#include "report/core/format_report.h"
#include "report/core/report_text.h"

namespace quorvex {

// Called after each error block with the report text built so far: it may hand the text
// elsewhere and empty it, or return false to end the report at once.
using AfterBlock = std::function<bool(ReportText& text)>;

// The text report (mode 2): TAB-indented heading and date, CR LF line ends, the error
// blocks' values in column 25 with tab stops every 8 columns.
class TextReportSink final : public ReportSink {
public:
    explicit TextReportSink(AfterBlock afterBlock = {}) : afterBlock_(std::move(afterBlock)) {}

    // The report text not yet handed over.
    ReportText& Text() { return text_; }

    void Heading(std::string_view heading) override;
    void SourceFiles(std::string_view generatedFrom) override;
    void ReportDate(std::string_view date) override;
    void StopNotice(std::string_view head, std::string_view body) override;
    void Summary(const ReportCounts& counts) override;
    void RecordHeader(const RecordHeading& heading) override;
    bool ErrorBlock(const ErrorRow& error) override;
    void End() override {}

private:
    ReportText text_;
    AfterBlock afterBlock_;
};

// What the report window shows after a text report.
struct TextPreview {
    std::string text;          // the preview box's text (UTF-8, the file names as they are)
    bool saveEnabled = true;   // false once the report passed the limit, unless saveWhole
    bool saveWhole = false;    // Save As... writes the whole report from the log, not the preview
    std::string saveFileName;  // the file a long report went to; empty otherwise
};

// FormatReport(2) for the report window. A report longer than 64,000 characters is not
// kept: the user is asked ("Report Too Large") whether to save it; on Yes it is written in
// pieces to the file chosen in the save dialog (opening in `folder`) and the preview shows
// only "This report is too large to fit into the text preview.", as it does on No or when
// the dialog is cancelled. Cancelled, the whole report can still be saved (saveWhole).
// Throws LogFailure, ReportFileError.
TextPreview FormatTextReport(const LogReader& log, DialogServices& services, DesktopServices& desktop,
                             const std::filesystem::path& folder);

// The save dialog opening in `folder`; on OK the whole text report of `log`, however long,
// goes piece by piece into the chosen file, which takes its name's place when the report is
// whole. The chosen name, nullopt when cancelled. Throws LogFailure, ReportFileError.
std::optional<std::string> SaveTextReportAs(const LogReader& log, DesktopServices& desktop,
                                            const std::filesystem::path& folder);

}  // namespace quorvex
