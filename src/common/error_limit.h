#pragma once

#include <filesystem>
#include <string>

namespace quorvex {

inline constexpr int kDefaultErrorLimit = 500;
inline constexpr int kMaxErrorLimit = 25000;
inline constexpr const char* kErrorLimitFile = "ErrSetLog.ini";

// GetErrorLimit: reads "[Maximum Error Count]:<limit>" from ErrSetLog.ini in `folder`.
// A missing or unreadable file, a first line without a number after its ":", or a
// number outside 1 to 25,000 (only possible by editing the file by hand) is replaced by
// the default line and gives 500. When the file cannot be written the limit is still 500.
// Something in its place that is not a regular file (a FIFO, a folder) counts as unreadable
// and is neither waited on nor written to.
int GetErrorLimit(const std::filesystem::path& folder);

// SaveErrorLimit: writes the single line "[Maximum Error Count]:<limit>" CR LF into a new
// file that replaces the old one, so a symbolic link named ErrSetLog.ini is replaced and the
// file it points to left alone. Returns false when the file could not be written, and
// without writing when the name is taken by something other than a regular file or a link,
// or by a file marked read-only.
bool SaveErrorLimit(const std::filesystem::path& folder, int limit);

// The dialog's validation of an entry: the limit, or 0 when the entry is blank, zero or
// greater than 25,000 (any number of digits).
int ParseErrorLimitEntry(const std::string& entry);

inline constexpr const char* kErrorLimitMessage =
    "The error limit can not be zero or blank or greater than 25,000.";

}  // namespace quorvex
