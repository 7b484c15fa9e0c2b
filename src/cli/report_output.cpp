#include "cli/report_output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/stop_signals.h"
#include "common/fingerprint_key.h"
#include "common/safe_file.h"
#include "common/terminal_text.h"
#include "report/core/browser.h"
#include "report/core/page_background.h"
#include "report/core/report_files.h"

namespace quorvex {

namespace {

constexpr int kExitNotWritten = 5;

// The default name of the report file.
std::filesystem::path DefaultReportFile(const std::filesystem::path& folder, ReportFormat format) {
    return folder / (format == ReportFormat::Text ? std::string("ErrorReport.txt") : std::string(kTempHtmlName));
}

// Writes through `write` to `file` ("-" or empty: standard output), never over one of the
// command's inputs or the program folder's own files. False after telling what went wrong.
bool WriteTo(const std::string& file, const ReportRequest& request, const std::filesystem::path& programFolder,
             const std::function<void(std::ostream&)>& write) {
    try {
        if (file.empty() || file == "-") {
            std::fflush(stdout);
            write(std::cout);
            return true;
        }
        if (const std::string clash = OutputClash(file, programFolder, request.inputs); !clash.empty()) {
            std::string text = "Could not write ";
            text += file;
            text += ": " + clash + "; choose another file";
            throw ReportFileError(text);
        }
        // What was printed comes first when the file is standard output under another name.
        std::fflush(stdout);
        // A FIFO without a reader is waited on until a signal asks the program to stop.
        SafeFile out(file, [] { return StopSignals::Received() == 0; });
        try {
            write(out.Stream());
        } catch (const ReportFileError&) {
            // The file's own failure names it and its cause (a full disk).
            out.Commit();
            throw;
        }
        out.Commit();
        return true;
    } catch (const std::exception& failure) {
        Print(stderr, "quorvex-check: " + TerminalValue(failure.what()) + "\n");
        return false;
    }
}

// `write`, or, for standard output that is a terminal, `write` with its text escaped on the
// way: no control character of a record or a file name drives the terminal.
std::function<void(std::ostream&)> ForTerminal(bool terminal, const std::string& file,
                                               std::function<void(std::ostream&)> write) {
    if (!terminal || !(file.empty() || IsStandardOutput(file))) return write;
    return [write = std::move(write)](std::ostream& out) {
        TerminalStreamBuf escaped(out);
        std::ostream to(&escaped);
        write(to);
    };
}

// The HTML report names its background image: it goes beside a page written to a file, as
// the window's goes beside its page (never a device or a pipe's folder). A file of that
// name the user keeps there is left as it is.
void BesideThePage(const std::string& page, const std::filesystem::path& programFolder) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(page, ec)) return;
    const std::filesystem::path folder = std::filesystem::absolute(page, ec).parent_path();
    WritePageBackground(folder, !std::filesystem::equivalent(folder, programFolder, ec));
}

}  // namespace

bool IsStandardOutput(const std::string& file) {
    if (file == "-") return true;
    struct stat out {};
    struct stat named {};
    return ::fstat(STDOUT_FILENO, &out) == 0 && ::stat(file.c_str(), &named) == 0 && out.st_dev == named.st_dev &&
           out.st_ino == named.st_ino;
}

FindingsContext ContextOf(const ReportRequest& request, bool compared, const std::filesystem::path& programFolder) {
    FindingsContext context{compared, request.sarifRoot, {}, {}, {}};
    if (request.findings != FindingsFormat::Sarif) return context;
    if (request.fingerprintKey) {
        context.fingerprintKey = *request.fingerprintKey;
        return context;
    }
    FingerprintKey key = FolderFingerprintKey(programFolder);
    if (!key.problem.empty())
        Print(stderr, "quorvex-check: warning: the key of the SARIF fingerprints could not be kept in " +
                          TerminalValue(programFolder.string()) + " (" + TerminalValue(key.problem) +
                          "): these fingerprints match those of no other run; set QUORVEX_FINGERPRINT_KEY\n");
    context.fingerprintKey = std::move(key.key);
    return context;
}

int WriteFindingsOutput(const ReportRequest& request, const std::filesystem::path& programFolder,
                        const std::function<void(std::ostream&)>& write) {
    const std::string& file = request.findingsFile;
    return WriteTo(file, request, programFolder, ForTerminal(request.terminal, file, write)) ? 0 : kExitNotWritten;
}

namespace {

// The error report of `log` asked for, or the message that there is none to write (told
// only of a run that finished); false after telling why it could not be written.
bool WriteReportAsked(const ReportRequest& request, const LogReader& log, const std::filesystem::path& programFolder,
                      DialogServices& services, bool tell, bool interrupted) {
    if (log.ErrorCount() == 0) {
        if (!interrupted)
            services.Message("No errors found in the submission!", "Results", MsgIcon::Information, MsgButtons::Ok);
        return true;
    }
    const std::string reportPath =
        request.reportFile.empty() ? DefaultReportFile(programFolder, *request.report).string() : request.reportFile;
    const bool written = WriteTo(
        reportPath, request, programFolder,
        ForTerminal(request.terminal, reportPath, [&](std::ostream& out) { WriteReport(log, *request.report, out); }));
    // The page names its background image: it goes beside the page, as the window's does.
    if (written && *request.report == ReportFormat::Html && reportPath != "-") BesideThePage(reportPath, programFolder);
    if (written && tell && reportPath != "-")
        Print(stdout, "Error report:              " + TerminalValue(reportPath) + "\n");
    return written;
}

// The findings of `log` asked for; false after telling why they could not be written.
bool WriteFindingsAsked(const ReportRequest& request, const LogReader& log, const std::filesystem::path& programFolder,
                        const RecordOrigins* origins, std::string_view file, std::optional<int> exitCode) {
    const std::string& to = request.findingsFile;
    return WriteTo(to, request, programFolder, ForTerminal(request.terminal, to, [&](std::ostream& out) {
                       const OriginOf originOf = [origins](std::int64_t recNum) {
                           return origins ? origins->Find(recNum) : std::nullopt;
                       };
                       FindingsContext context = ContextOf(request, false, programFolder);
                       context.exitCode = exitCode;
                       if (request.findings == FindingsFormat::Sarif && log.RunInProgress())
                           context.unfinishedAt = log.LastRecNum();
                       WriteFindings(log, *request.findings, out, originOf, context, file);
                   }));
}

}  // namespace

int WriteRequested(const ReportRequest& request, const LogReader& logKept, const std::filesystem::path& programFolder,
                   const RecordOrigins* origins, DialogServices& services, bool tell, bool interrupted,
                   std::string_view file, std::optional<int> exitCode) {
    const LogReader log = request.hideSsns ? logKept.WithSsnsHidden() : logKept;
    bool written = true;
    if (request.report) written = WriteReportAsked(request, log, programFolder, services, tell, interrupted);
    if (request.findings) written = WriteFindingsAsked(request, log, programFolder, origins, file, exitCode) && written;
    return written ? 0 : kExitNotWritten;
}

}  // namespace quorvex
