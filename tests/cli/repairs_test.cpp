// Fixes of the totals the file itself decides, through every output: the JSON fix field,
// SARIF fixes applied as a consumer applies them, and the corrected copy of --fix-out, which
// tested again keeps only the findings that had no fix.
#include <regex>
#include <set>
#include <sstream>

#include "cli/check_in_process.h"
#include "support/records.h"
#include "support/test_support.h"

namespace quorvex::test {
namespace {

namespace fs = std::filesystem;

// The submissions: each with the fixes its findings get, as "record:reference=new".
struct Row {
    const char* name;
    std::vector<std::string> records;
    std::set<std::string> fixes;
    const char* listed;  // a line the --fix-out listing holds
};

std::vector<Row> Rows() {
    const std::string ra = BaselineRA(), re = MakeRE();
    std::vector<std::string> wide{ra, re};
    for (int i = 0; i < 10001; ++i) wide.push_back(MakeRW("123456780", Rw({{1, 99999999999}})));
    wide.push_back(MakeRT(10001, {}));
    wide.push_back(MakeRF(10001));
    return {
        {"count off", {ra, re, MakeRW(), MakeRW(), MakeRT(3, {}), MakeRF(2)},
         {"5:Number of RW Records [Position 3 - 9]=0000002"},
         "Record 5 (RT) Number of RW Records [Position 3 - 9]: [0000003] -> 0000002"},
        {"wages off", {ra, re, MakeRW("123456780", Rw({{1, 150000}})), MakeRT(1, Rw({{1, 150001}})), MakeRF(1)},
         {"4:Wages, Tips and Other Compensation [Position 10 - 24]=000000000150000"}, "[000000000150001] -> "},
        {"tax off", {ra, re, MakeRW("123456780", Rw({{2, 1234}})), MakeRT(1, {}), MakeRF(1)},
         {"4:Federal Income Tax Withheld [Position 25 - 39]=000000000001234"}, "-> 000000000001234"},
        {"RU count and total off",
         {ra, re, MakeRW(), MakeRO(Ro({{2, 500}})), MakeRT(1, {}), MakeRU(2, Ro({{2, 400}})), MakeRF(1)},
         {"6:Number of RO Records [Position 3 - 9]=0000001",
          "6:Uncollected Employee Tax on Tips [Position 25 - 39]=000000000000500"},
         "Record 6 (RU) Number of RO Records"},
        {"RF off", {ra, re, MakeRW(), MakeRT(1, {}), MakeRF(5)},
         {"5:Number of RW Records [Position 8 - 16]=000000001"}, "[000000005] -> 000000001"},
        {"blank total", {ra, re, MakeRW(), With(MakeRT(1, {}), 10, std::string(15, ' ')), MakeRF(1)},
         {"4:Wages, Tips and Other Compensation [Position 10 - 24]=000000000000000"}, "-> 000000000000000"},
        {"non-numeric count", {ra, re, MakeRW(), With(MakeRT(1, {}), 3, "00A0001"), MakeRF(1)},
         {"4:Number of RW Records [Position 3 - 9]=0000001"}, "[00A0001] -> 0000001"},
        {"unreliable sum",
         {ra, re, With(MakeRW(), RwPos(2), "0000000012A"), With(MakeRT(1, {}), RtPos(2), std::string(15, ' ')),
          MakeRF(1)},
         {}, "Nothing to fix"},
        {"two blocks",
         {ra, re, MakeRW("123456780", Rw({{1, 100}})), MakeRT(1, Rw({{1, 100}})), re, MakeRW("123456780", Rw({{1, 200}})),
          MakeRW("123456781", Rw({{1, 300}})), MakeRT(2, Rw({{1, 400}})), MakeRF(3)},
         {"8:Wages, Tips and Other Compensation [Position 10 - 24]=000000000000500"}, "Record 8 (RT)"},
        {"sum too wide", wide, {}, "No fix: 1000099999989999, the sum of the RW Wages"},
    };
}

// The findings of a JSON document, as "record:reference:message"; with `fixes`, those with a
// fix, as "record:reference=new".
std::set<std::string> Findings(const std::string& json, bool fixes = false) {
    static const std::regex finding(R"re("record":(\d+),.*"reference":"([^"]*)".*"error":"([^"]*)")re"),
        fix(R"re("record":(\d+),.*"reference":"([^"]*)".*"fix":"(\d+)")re");
    std::set<std::string> out;
    std::istringstream in(json);
    for (std::string line; std::getline(in, line);)
        if (std::smatch m; std::regex_search(line, m, fixes ? fix : finding))
            out.insert(m[1].str() + ':' + m[2].str() + (fixes ? '=' : ':') + m[3].str());
    return out;
}

// The file with every SARIF fix applied as a consumer applies it: each replacement's region
// (endColumn the column after it) replaced by its text.
std::string ApplySarif(std::string file, const std::string& sarif) {
    static const std::regex change(
        R"re("deletedRegion":\{"startLine":(\d+),"startColumn":(\d+),"endLine":\d+,"endColumn":(\d+)\},"insertedContent":\{"text":"(\d*)"\})re");
    std::vector<std::size_t> lineStarts{0};
    for (std::size_t i = 0; i < file.size(); ++i)
        if (file[i] == '\n') lineStarts.push_back(i + 1);
    for (auto it = std::sregex_iterator(sarif.begin(), sarif.end(), change); it != std::sregex_iterator(); ++it) {
        const auto& m = *it;
        const std::size_t at = lineStarts[std::stoul(m[1].str()) - 1] + std::stoul(m[2].str()) - 1;
        file.replace(at, std::stoul(m[3].str()) - std::stoul(m[2].str()), m[4].str());
    }
    return file;
}

TEST(Repairs, EachTotalTheFileDecidesIsFixedAndNothingElse) {
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const fs::path in = dir / "s.txt", copy = dir / "fixed.txt";
        WriteFile(in, Lines(row.records));
        const std::vector<std::string> q{"--data-dir", (dir / "data").string(), "--today", "2009-01-15", "--quiet"};
        auto run = [&](std::vector<std::string> args) {
            args.insert(args.begin(), q.begin(), q.end());
            return CheckInProcess(args);
        };
        run({"--findings", "json", "--findings-file", (dir / "f.json").string(), in.string()});
        const std::string json = ReadFile(dir / "f.json");
        EXPECT_EQ(Findings(json, true), row.fixes);
        run({"--findings", "sarif", "--findings-file", (dir / "f.sarif").string(), in.string()});
        const CliResult fixed = run({"--fix-out", copy.string(), in.string()});
        EXPECT_EQ(fixed.status, 1);
        EXPECT_NE(fixed.out.find(row.listed), std::string::npos) << fixed.out;
        if (row.fixes.empty()) {
            EXPECT_FALSE(fs::exists(copy));
            continue;
        }
        // The copy is the SARIF fixes applied, private, and tested again it keeps exactly the
        // findings that had no fix.
        EXPECT_EQ(ReadFile(copy), ApplySarif(ReadFile(in), ReadFile(dir / "f.sarif")));
        EXPECT_EQ(fs::status(copy).permissions(), kPrivateFile);
        run({"--findings", "json", "--findings-file", (dir / "g.json").string(), copy.string()});
        std::set<std::string> left = Findings(json);
        for (const std::string& f : row.fixes) {
            const std::string at = f.substr(0, f.find('='));
            std::erase_if(left, [&](const std::string& g) { return g.starts_with(at + ':'); });
        }
        EXPECT_EQ(Findings(ReadFile(dir / "g.json")), left);
    }
}

TEST(Repairs, TheCopyNeverTakesTheInputsPlace) {
    TempDir dir;
    const std::string file = Lines({BaselineRA(), MakeRE(), MakeRW(), MakeRT(2, {}), MakeRF(1)});
    WriteFile(dir / "s.txt", file);
    const CliResult r = CheckInProcess({"--data-dir", (dir / "data").string(), "--today", "2009-01-15", "--quiet",
                                        "--fix-out", (dir / "s.txt").string(), (dir / "s.txt").string()});
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(ReadFile(dir / "s.txt"), file);
}

}  // namespace
}  // namespace quorvex::test
