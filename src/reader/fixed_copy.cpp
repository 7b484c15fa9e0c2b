#include "reader/fixed_copy.h"

#include <cctype>
#include <fstream>

#include "common/safe_file.h"
#include "reader/file_records.h"
#include "validation/fixable_fields.h"

namespace quorvex {

namespace {

// A change at its place in a file: the byte its field begins at.
struct Patch {
    std::uint64_t at = 0;
    const FixChange* change = nullptr;
};

std::string Upper(std::string_view text) {
    std::string up(text);
    for (char& c : up) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return up;
}

// The patches of record `recNum`, which begins at byte `start` of `file`: the changes from
// `next` on that concern it (`next` is moved past them).
void PatchRecord(std::int64_t recNum, std::string_view record, std::uint64_t start, const std::filesystem::path& file,
                 std::vector<FixChange>::const_iterator& next, std::vector<FixChange>::const_iterator end,
                 std::vector<Patch>& patches) {
    while (next != end && next->recNum < recNum) ++next;
    for (; next != end && next->recNum == recNum; ++next) {
        if (next->fix.text.empty()) continue;
        // The file must still hold what the run read there.
        const auto from = static_cast<std::size_t>(next->fix.first - 1);
        if (from > record.size() || Upper(record.substr(from, next->fix.reported.size())) != next->fix.reported)
            throw FileWriteError(file.string() + " has changed since it was tested");
        patches.push_back({start + from, &*next});
    }
}

// Where the fields of `changes` (in record order) lie in the files the run read, the records
// numbered as the run numbered them (an end-of-file mark after the first record takes a
// number, and ends its file).
std::vector<std::vector<Patch>> Place(const std::vector<std::filesystem::path>& files,
                                      const std::vector<FixChange>& changes) {
    std::vector<std::vector<Patch>> patches(files.size());
    std::int64_t recNum = 0;
    auto next = changes.begin();
    for (std::size_t f = 0; f < files.size() && next != changes.end(); ++f) {
        auto onRecord = [&](const RecordCutter& cutter, const std::string& record) {
            const bool mark = EndOfFileMark(recNum, record);
            ++recNum;
            if (mark) return false;
            PatchRecord(recNum, record, cutter.StartOffset(), files[f], next, changes.end(), patches[f]);
            return next != changes.end();
        };
        if (!CutFile(files[f], onRecord)) throw FileWriteError("Could not read " + files[f].string() + " again");
    }
    return patches;
}

// Copies `file` to `out` with the fields of `patches` replaced.
void CopyPatched(const std::filesystem::path& file, const std::vector<Patch>& patches, SafeFile& out) {
    std::ifstream in(file, std::ios::binary);
    std::vector<char> buffer(1 << 16);
    std::uint64_t base = 0;
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto n = static_cast<std::uint64_t>(in.gcount());
        for (const Patch& p : patches) {
            const std::string& text = p.change->fix.text;
            for (std::uint64_t i = 0; i < text.size(); ++i)
                if (p.at + i >= base && p.at + i < base + n) buffer[p.at + i - base] = text[i];
        }
        out.Append(std::string_view(buffer.data(), n));
        base += n;
    }
    if (in.bad()) throw FileWriteError("Could not read " + file.string() + " again");
}

}  // namespace

std::vector<FixChange> LogChanges(const LogReader& log) {
    std::vector<FixChange> changes;
    LogFixes fixes(log);
    log.ForEachReportRow([&](const ReportRow& row) {
        if (std::optional<FieldFix> fix = FixOf(fixes, row.error, row.record))
            changes.push_back({row.error.recNum, row.record.id, row.error.reference, std::move(*fix)});
        return true;
    });
    return changes;
}

std::size_t Replacing(const std::vector<FixChange>& changes) {
    std::size_t n = 0;
    for (const FixChange& c : changes) n += c.fix.text.empty() ? 0 : 1;
    return n;
}

std::vector<FixedCopy> WriteFixedCopies(const LogReader& log, const std::vector<FixChange>& changes,
                                        const std::function<std::filesystem::path(const std::filesystem::path&)>& target) {
    std::vector<std::filesystem::path> files;
    for (const MiscRow& m : log.Misc()) files.emplace_back(m.pathUtf8);
    const auto patches = Place(files, changes);
    std::vector<FixedCopy> written;
    for (std::size_t f = 0; f < files.size(); ++f) {
        if (patches[f].empty()) continue;
        const std::filesystem::path copy = target(files[f]);
        if (copy.empty()) continue;  // none wanted
        SafeFile out(copy);
        CopyPatched(files[f], patches[f], out);
        out.Commit();
        written.push_back({files[f], copy});
    }
    return written;
}

}  // namespace quorvex
