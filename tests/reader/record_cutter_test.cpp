#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reader/record_cutter.h"

using quorvex::RecordCutter;

namespace {

std::string Rec(char c, std::size_t n = 512) { return std::string(n, c); }

// "<length><first character>@<line>:<column>" of each record of `stream` fed in pieces of
// `piece` characters.
std::string Cut(const std::string& stream, std::size_t piece) {
    std::string out;
    RecordCutter c;
    auto take = [&](std::string& r) {
        out += std::to_string(r.size()) + r.substr(0, 1) + "@" + std::to_string(c.StartLine()) + ":" +
               std::to_string(c.StartColumn()) + " ";
        return true;
    };
    for (std::size_t i = 0; i < stream.size(); i += piece) c.Feed(std::string_view(stream).substr(i, piece), take);
    c.Finish(take);
    return out;
}

}  // namespace

// Lines count line feeds; a record cut at 512 characters leaves the next on the same line.
TEST(RecordCutter, SameRecordsAndStartsForEveryPieceSize) {
    const std::string a = Rec('A'), b = Rec('B'), c = Rec('C');
    const std::vector<std::pair<std::string, std::string>> cases = {
        {a + "\r\n" + b + "\r\n" + c + "\r\n", "512A@1:1 512B@2:1 512C@3:1 "},
        {a + "\n" + b + "\n" + c, "512A@1:1 512B@2:1 512C@3:1 "},
        {a + "\r" + b + "\r" + c + "\r", "512A@1:1 512B@1:514 512C@1:1027 "},
        {a + b + Rec('C', 10), "512A@1:1 512B@1:513 10C@1:1025 "},
        {"\r\n\n" + a + "\r\n\r\n\n\r" + b + "\r\n", "512A@3:1 512B@6:2 "},
        {Rec('L', 600) + "\r\n" + b, "512L@1:1 88L@1:513 512B@2:1 "},
        {a + std::string("\0\x1a\x1a", 3), "512A@1:1 3" + std::string(1, '\0') + "@1:513 "},
        {"\r\n\r\n\n\n\r\r", ""},
        {"", ""},
    };
    for (const auto& [stream, expected] : cases) {
        for (std::size_t piece : {1u, 7u, 511u, 512u, 513u, 65000u}) {
            EXPECT_EQ(Cut(stream, piece), expected) << "piece size " << piece;
        }
    }
}
