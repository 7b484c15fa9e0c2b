#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace quorvex {

inline constexpr std::size_t kRecordLength = 512;

// Cuts a stream of characters into records of at most 512 characters. CR and LF end a
// record (and are dropped); while no record is being assembled they are skipped, so blank
// lines give no record. A record also ends when it reaches 512 characters. The result does
// not depend on how the stream is split into pieces. It also keeps the line (counted by line
// feeds) and column on which the record being delivered began.
class RecordCutter {
public:
    // Feeds one piece. `onRecord(std::string&)` is called for every record completed; it
    // returns false to stop cutting (the rest of the piece is dropped). Returns false when
    // stopped.
    template <class OnRecord>
    bool Feed(std::string_view piece, OnRecord&& onRecord) {
        const char* p = piece.data();
        const std::size_t n = piece.size();
        std::size_t i = 0;
        while (i < n) {
            if (buf_.empty()) {
                i = StartRecord(p, i, n);
                if (i == n) break;
            }
            const std::size_t limit = std::min(n, i + (kRecordLength - buf_.size()));
            const std::size_t j = FindLineEnd(p, i, limit);
            buf_.append(p + i, j - i);
            i = j;
            const bool byTerminator = j < limit;
            if (byTerminator) {
                if (p[i] == '\n') LineFeed(i);
                ++i;
            }
            if (byTerminator || buf_.size() == kRecordLength) {
                bool go = onRecord(buf_);
                buf_.clear();
                if (!go) return false;
            }
        }
        offset_ += n;
        return true;
    }

    // The end of the stream: a record still being assembled is the last (short) record.
    template <class OnRecord>
    bool Finish(OnRecord&& onRecord) {
        if (buf_.empty()) return true;
        bool go = onRecord(buf_);
        buf_.clear();
        return go;
    }

    // Where the record being delivered began: its line (1-based) and the column of its
    // first character on that line (1-based).
    std::int64_t StartLine() const { return startLine_; }
    std::uint64_t StartColumn() const { return startColumn_; }
    // The offset of that character in the stream (0-based).
    std::uint64_t StartOffset() const { return startOffset_; }

    // Index of the first CR or LF in p[i, limit), or limit.
    static std::size_t FindLineEnd(const char* p, std::size_t i, std::size_t limit) {
        // The library's searches run many characters at a time; the line feed is sought only
        // before the carriage return.
        if (const void* cr = std::memchr(p + i, '\r', limit - i)) limit = static_cast<const char*>(cr) - p;
        if (const void* lf = std::memchr(p + i, '\n', limit - i)) limit = static_cast<const char*>(lf) - p;
        return limit;
    }

private:
    // Skips the CR and LF before a record (blank lines give none) from index `i` of the
    // piece being fed, of `n` characters, and notes where the record begins: the index of
    // its first character, or `n` when the piece holds none.
    std::size_t StartRecord(const char* p, std::size_t i, std::size_t n) {
        for (; i < n && (p[i] == '\r' || p[i] == '\n'); ++i)
            if (p[i] == '\n') LineFeed(i);
        if (i == n) return n;
        startLine_ = line_;
        startOffset_ = offset_ + i;
        startColumn_ = startOffset_ - lineStart_ + 1;
        return i;
    }

    // A line feed at index `i` of the piece being fed.
    void LineFeed(std::size_t i) {
        ++line_;
        lineStart_ = offset_ + i + 1;
    }

    std::string buf_;
    std::uint64_t offset_ = 0;     // characters of the pieces before the current one
    std::int64_t line_ = 1;        // line of the next character
    std::uint64_t lineStart_ = 0;  // offset of that line's first character
    std::int64_t startLine_ = 1;
    std::uint64_t startColumn_ = 1;
    std::uint64_t startOffset_ = 0;
};

}  // namespace quorvex
