#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "reader/record_cutter.h"

namespace quorvex {

// The records of a run's files read again from the disk, numbered as the run numbered them:
// one after the other through the files; an end-of-file mark (Ctrl-Z or NUL after the run's
// first record) takes a number too, and ends its file.

// Whether `record`, which follows `recNum` records of the run, is an end-of-file mark.
inline bool EndOfFileMark(std::int64_t recNum, const std::string& record) {
    return recNum > 0 && !record.empty() && (record[0] == '\x1a' || record[0] == '\0');
}

// Cuts the file `name` into records as a run does, handing each to `onRecord(cutter,
// record)` until it returns false; false when the file cannot be opened.
template <class OnRecord>
bool CutFile(const std::filesystem::path& name, OnRecord&& onRecord) {
    std::ifstream in(name, std::ios::binary);
    if (!in) return false;
    RecordCutter cutter;
    auto each = [&](const std::string& record) { return onRecord(static_cast<const RecordCutter&>(cutter), record); };
    std::vector<char> buffer(1 << 16);
    bool going = true;
    while (going && in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        going = cutter.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(in.gcount())), each);
    }
    if (going) cutter.Finish(each);
    return true;
}

}  // namespace quorvex
