#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reader/record_cutter.h"

using quorvex::RecordCutter;

namespace {

// The records of `stream` fed in pieces of `piece` characters; `starts` gets "line:column"
// of each.
std::vector<std::string> Cut(const std::string& stream, std::size_t piece, std::vector<std::string>* starts = nullptr) {
    std::vector<std::string> out;
    RecordCutter c;
    auto take = [&](std::string& r) {
        out.push_back(r);
        if (starts) starts->push_back(std::to_string(c.StartLine()) + ":" + std::to_string(c.StartColumn()));
        return true;
    };
    for (std::size_t i = 0; i < stream.size(); i += piece) c.Feed(std::string_view(stream).substr(i, piece), take);
    c.Finish(take);
    return out;
}

std::string Rec(char c, std::size_t n = 512) { return std::string(n, c); }

// "<length><first character>" per record: short enough to read in a failure.
std::vector<std::string> Describe(const std::vector<std::string>& records) {
    std::vector<std::string> d;
    for (const auto& r : records) d.push_back(std::to_string(r.size()) + (r.empty() ? std::string() : r.substr(0, 1)));
    return d;
}

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

}  // namespace

TEST(RecordCutter, SameRecordsForEveryPieceSize) {
    const std::string a = Rec('A'), b = Rec('B'), c = Rec('C');
    struct Case {
        const char* name;
        std::string stream;
        std::vector<std::string> records;
    };
    // A 300-character line whose CR is the last character of the first 65,000 and whose LF
    // the first of the next: 125 records, 449 blank lines, then the line.
    const std::string boundary = Repeat(a + "\r\n", 125) + std::string(449, '\n') + Rec('Q', 300) + "\r\n" + b;
    std::vector<std::string> boundaryRecords(125, a);
    boundaryRecords.push_back(Rec('Q', 300));
    boundaryRecords.push_back(b);
    const std::vector<Case> cases = {
        {"CR LF", a + "\r\n" + b + "\r\n" + c + "\r\n", {a, b, c}},
        {"LF only", a + "\n" + b + "\n" + c, {a, b, c}},
        {"CR only", a + "\r" + b + "\r" + c + "\r", {a, b, c}},
        {"no separators", a + b + c, {a, b, c}},
        {"blank lines skipped", "\r\n\r\n" + a + "\r\n\r\n\n\r" + b + "\r\n", {a, b}},
        {"600-character line", Rec('L', 600) + "\r\n" + b, {Rec('L'), Rec('L', 88), b}},
        {"short last record", a + Rec('S', 10), {a, Rec('S', 10)}},
        {"NUL and Ctrl-Z are characters", a + std::string("\0\x1a\x1a", 3), {a, std::string("\0\x1a\x1a", 3)}},
        {"only blank lines", "\r\n\r\n\n\n\r\r", {}},
        {"empty", "", {}},
        {"CR LF on a 65,000 boundary", boundary, boundaryRecords},
    };
    for (const auto& tc : cases) {
        for (std::size_t piece : {1u, 7u, 511u, 512u, 513u, 65000u}) {
            auto got = Cut(tc.stream, piece);
            EXPECT_EQ(Describe(got), Describe(tc.records)) << tc.name << ", piece size " << piece;
            EXPECT_TRUE(got == tc.records) << tc.name << ", piece size " << piece;
        }
    }
}

TEST(RecordCutter, StoppingDropsTheRestOfThePiece) {
    RecordCutter c;
    int seen = 0;
    bool go = c.Feed(Rec('A') + Rec('B') + Rec('C'), [&](std::string&) { return ++seen < 2; });
    EXPECT_FALSE(go);
    EXPECT_EQ(seen, 2);
}

// Lines are counted by line feeds; a record cut at 512 characters leaves the next one on the
// same line.
TEST(RecordCutter, KnowsTheLineAndColumnEachRecordBeganOn) {
    const std::string a = Rec('A'), b = Rec('B');
    struct Case {
        const char* name;
        std::string stream;
        std::vector<std::string> starts;
    };
    const Case cases[] = {
        {"CR LF", a + "\r\n" + b + "\r\n", {"1:1", "2:1"}},
        {"blank lines", "\r\n\n" + a + "\r\n\r\n" + b, {"3:1", "5:1"}},
        {"one line", a + b + Rec('C', 10), {"1:1", "1:513", "1:1025"}},
        {"600-character line", Rec('L', 600) + "\n" + b, {"1:1", "1:513", "2:1"}},
        {"CR only", a + "\r" + b, {"1:1", "1:514"}},
    };
    for (const auto& tc : cases) {
        for (std::size_t piece : {1u, 7u, 512u, 513u, 65000u}) {
            std::vector<std::string> starts;
            Cut(tc.stream, piece, &starts);
            EXPECT_EQ(starts, tc.starts) << tc.name << ", piece size " << piece;
        }
    }
}
