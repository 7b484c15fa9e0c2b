#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "common/dialog_services.h"

namespace quorvex {

// A report file that could not be written (disk full, no permission, a folder in the way).
class ReportFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Appends code page 1252 `text` to `file` in UTF-8, creating the file; with `replace`, an
// existing file is emptied first. Throws ReportFileError.
void AppendUtf8(const std::filesystem::path& file, std::string_view text, bool replace);

// SaveText: writes the report `text` to the file `name` (as the file system writes it),
// replacing an existing file unless `append`. An empty name writes nothing.
void SaveText(const std::string& name, std::string_view text, bool append);

// SaveReportAs: the save dialog opening in `folder`; on OK writes `text` to the chosen file
// (replacing it) and returns its name; nullopt when the user cancelled (or gave no name).
std::optional<std::string> SaveReportAs(DialogServices& services, const std::filesystem::path& folder,
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
