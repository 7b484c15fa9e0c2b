#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/desktop_services.h"
#include "common/dialog_services.h"

namespace quorvex {

// A report file that could not be written (disk full, no permission, a folder in the way).
class ReportFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes code page 1252 `text` as the whole of `file`, in UTF-8, through a SafeFile.
// Throws ReportFileError.
void WriteUtf8(const std::filesystem::path& file, std::string_view text);

// SaveText: writes the report `text` (UTF-8) to the file `name` (as the file system writes
// it), replacing an existing file. An empty name writes nothing.
void SaveText(const std::string& name, std::string_view text);

// Why the output file `target` may not be written by a command that reads `inputs` and keeps
// its log and settings in `programFolder`: it is one of the inputs, or one of the program
// folder's own files (the error log in any case of its name and its journal, the error limit
// file, the folder lock). The reason, as "it is ..."; empty when it may be written.
std::string OutputClash(const std::filesystem::path& target, const std::filesystem::path& programFolder,
                        const std::vector<std::filesystem::path>& inputs);

// The save dialog of a text report, opening in `folder`: the chosen name, nullopt when the
// user cancelled (or gave no name).
std::optional<std::string> AskReportFileName(DesktopServices& desktop, const std::filesystem::path& folder);

// SaveReportAs: the save dialog opening in `folder`; on OK writes `text` (UTF-8) to the chosen file
// (replacing it) and returns its name; nullopt when the user cancelled (or gave no name).
std::optional<std::string> SaveReportAs(DesktopServices& desktop, const std::filesystem::path& folder,
                                        std::string_view text);

// The hourglass pointer while a report is built, restored however the build ends.
class BusyPointer {
public:
    explicit BusyPointer(DialogServices& services) : services_(services) { services_.SetBusy(true); }
    ~BusyPointer() { services_.SetBusy(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    DialogServices& services_;
};

}  // namespace quorvex
