#include <algorithm>
#include <cstdio>
#include <regex>
#include <sstream>

#include "common/text_1252.h"
#include "report/core/browser.h"
#include "report/core/html_report.h"
#include "report/core/page_background.h"
#include "report/core/print_dialog.h"
#include "report/core/report_text.h"
#include "report/core/text_report.h"
#include "report/report_logs.h"
#include "support/scripted_services.h"

namespace quorvex::test {
namespace {

constexpr PageRange kAll{1, 1000};


// The command line's writer and the report window's builders give the same reports.
TEST(ErrorReport, GoldenReports) {
    for (auto [make, golden] : {std::pair{&CriticalLog, "critical.txt"}, {&SeveralLog, "several.htm"}}) {
        TempDir dir;
        make(dir.path());
        const LogReader log(LogFile::PathIn(dir.path()));
        const std::string text = Written(dir.path(), ReportFormat::Text),
                          html = Written(dir.path(), ReportFormat::Html);
        ExpectGolden(golden, std::string(golden).ends_with(".txt") ? text : html);
        ScriptedServices services;
        const TextPreview preview = FormatTextReport(log, services, services, dir.path());
        EXPECT_EQ(std::tuple(preview.text, preview.saveEnabled), std::tuple(text, true));
        services.browser = "/usr/bin/firefox";
        EXPECT_TRUE(FormatHtmlReport(log, services, services, dir.path(), 1280, false) && services.messages.empty());
        EXPECT_EQ(ReadFile(dir / "temphtm.HTM"), html);
    }
    EXPECT_EQ(SummaryField(7) + SummaryField(98765432109), "         78765432109");
}

TEST(ErrorReport, UserEntriesCutForTheScreenAndEscaped) {
    for (auto [pixels, width] : {std::pair{1024, 57}, {1280, 83}, {1285, 84}, {1275, 82}, {1286, 84}})
        EXPECT_EQ(BreakWidth(pixels), width) << pixels;  // halves to even
    const std::string x(120, 'x');
    EXPECT_EQ(BreakPre(x, 57), x.substr(0, 56) + "</pre><pre>" + x.substr(56, 57) + "</pre><pre>" + x.substr(113));
    EXPECT_EQ(BreakPre("abc", 0), "abc");  // a screen too narrow for any break
    EXPECT_EQ(BreakPreEscaped("a<&\xE9'\"", 2), "a</pre><pre>&lt;&amp;</pre><pre>&#233;&#39;</pre><pre>&quot;");
    EXPECT_EQ(HtmlEscape("\x80<"), "&#8364;&lt;");
    EXPECT_EQ(BreakPreEscaped("a\x1B\n\x81\t", 3), "a\\x1B</pre><pre>\\x0A\\u0081\\x09");
    // What the program renders itself has "&nbsp;" wherever the page writes "&nbsp".
    EXPECT_EQ(PageForRendering("a&nbsp&nbsp;b&nbsp") + PageForRendering("&nbspx &amp;"),
              "a&nbsp;&nbsp;b&nbsp;&nbsp;x &amp;");
}

// No raw control character reaches the terminal or the page, and both escape it alike: a
// message keeps its line ends and tabs, a value (a user entry, a file name) nothing.
TEST(ErrorReport, TerminalAndPageEscapeControlsAlike) {
    const struct {
        std::string cp1252, message, value;
    } rows[] = {
        {"a\x1B[2Jb", "a\\x1B[2Jb", "a\\x1B[2Jb"},
        {std::string("n\0l\x07\x7F", 5), "n\\x00l\\x07\\x7F", "n\\x00l\\x07\\x7F"},
        {"l1\nl2\tx", "l1\nl2\tx", "l1\\x0Al2\\x09x"},
        {"a\r\nb\rc\r", "a\r\nb\\x0Dc\\x0D", "a\\x0D\\x0Ab\\x0Dc\\x0D"},  // a lone CR would overwrite the line
        {"\x81 \x9D\x1F", "\\u0081 \\u009D\\x1F", "\\u0081 \\u009D\\x1F"},
    };
    for (const auto& r : rows) {
        const std::string utf8 = Cp1252ToUtf8(r.cp1252);
        EXPECT_EQ(TerminalText(utf8), r.message) << r.message;
        EXPECT_EQ(TerminalValue(utf8), r.value) << r.value;
        EXPECT_EQ(HtmlEscape(r.cp1252), r.message) << r.message;
        EXPECT_EQ(HtmlEscape(r.cp1252, EscapeStrength::Value), r.value) << r.value;
        EXPECT_EQ(HtmlEscapeUtf8(utf8), r.message) << r.message;
    }
}

// JSON and CSV keep the exact text, with where each finding stands when that is known; gnu
// lines escape it, and the file name, so that one finding stays one line.
TEST(Findings, JsonCsvAndGnu) {
    TempDir dir;
    {
        ErrorLog log = ErrorLog::CreateMDB(dir.path());
        log.AddRecord("RA", Record("RA")), log.AddRecord("RW", Record("RW"));
        log.LogError("Employee Name, First [Position 42 - 56]", "[\"Jos\xE9\"\\\t\x1B]", "Line one\r\nline two.");
        log.LogCritError("Record Length", "", "Must be 512 bytes.");
        log.CloseDatabase();
    }
    EXPECT_EQ(
        Written(dir.path(), FindingsFormat::Json),
        "[\n"
        R"({"err_num":1,"record":2,"id":"RW","critical":false,"reference":"Employee Name, First [Position 42 - 56]",)"
        R"("user_entry":"[\"Jos)"
        "\xC3\xA9"
        R"(\"\\\t\u001b]","error":"Line one\r\nline two.","fix":null,"file":null,"line":null,"column":null,)"
        R"("end_column":null},)"
        "\n"
        R"({"err_num":2,"record":2,"id":"RW","critical":true,"reference":"Record Length","user_entry":"",)"
        R"("error":"Must be 512 bytes.","fix":null,"file":null,"line":null,"column":null,"end_column":null})"
        "\n]\n");
    EXPECT_EQ(Written(dir.path(), FindingsFormat::Csv),
              "err_num,record,id,critical,reference,user_entry,error,file,line,column,end_column,fix\r\n"
              "1,2,RW,false,\"Employee Name, First [Position 42 - 56]\",\"[\"\"Jos\xC3\xA9\"\"\\\t\x1B]\","
              "\"Line one\r\nline two.\",,,,,\r\n2,2,RW,true,Record Length,,Must be 512 bytes.,,,,,\r\n");
    // Placed: the field's first and last column on the record's line (the record's first
    // column for a reference without positions).
    const LogReader log(LogFile::PathIn(dir.path()));
    auto placed = [&](FindingsFormat format, const char* file) {
        std::ostringstream out;
        WriteFindings(log, format, out, [file](std::int64_t) { return FindingOrigin{file, 3, 513}; });
        return out.str();
    };
    EXPECT_NE(
        placed(FindingsFormat::Json, "a b.txt").find(R"("file":"a b.txt","line":3,"column":554,"end_column":568})"),
        std::string::npos);
    EXPECT_NE(placed(FindingsFormat::Csv, "w2,1.txt").find(",\"w2,1.txt\",3,513,513,\r\n"), std::string::npos);
    EXPECT_EQ(placed(FindingsFormat::Gnu, "w2\n1.txt:9:9: error: forged"),
              "w2\\x0A1.txt:9:9: error: forged:3:554: error: Employee Name, First [Position 42 - 56]: "
              "Line one\\x0D\\x0Aline two. [\"Jos\xC3\xA9\"\\\\x09\\x1B]\n"
              "w2\\x0A1.txt:9:9: error: forged:3:513: fatal error: Record Length: Must be 512 bytes.\n");
    EXPECT_EQ(placed(FindingsFormat::Gnu, "-").substr(0, 20), "<stdin>:3:554: error");
    // GitHub's workflow commands, read back by the runner's rules: "::error PROPERTIES::DATA", properties split at
    // "," and "=", then %25 %0D %0A (and %3A %2C in properties) undone.
    std::istringstream github(placed(FindingsFormat::Github, "a:b,c%0A.txt"));
    auto unescape = [](std::string s) {
        for (const auto& [from, to] : {std::pair{"%0D", "\r"}, {"%0A", "\n"}, {"%3A", ":"}, {"%2C", ","}, {"%25", "%"}})
            s = std::regex_replace(s, std::regex(from), to);
        return s;
    };
    std::string read;
    for (std::string line; std::getline(github, line);) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, std::regex("::error (.*?)::(.*)"))) << line;
        std::istringstream properties(m[1].str());
        for (std::string p; std::getline(properties, p, ',');) read += unescape(p) + "|";
        read += unescape(m[2].str()) + "\n";
    }
    EXPECT_EQ(read,
              "file=a:b,c%0A.txt|line=3|col=554|endColumn=568|title=Employee Name, First [Position 42 - 56]|"
              "Line one\r\nline two. [\"Jos\xC3\xA9\"\\\\x09\\x1B]\n"
              "file=a:b,c%0A.txt|line=3|col=513|endColumn=513|title=Record Length|Must be 512 bytes.\n");
}

// The runs' dates in ISO 8601 with the offset of their day (summer time too); what the history does not know of a
// file (a pipe) is null in JSON, an empty cell in CSV; every object has every key.
TEST(Findings, RunListsDatedWithTheirOffset) {
    ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    ::tzset();
    const std::vector<HistoryRun> runs = {{1, "2009-01-15 10:12:09", "finished", 3, 1, 2, {{"p", -1, ""}}},
                                          {2, "2009-07-15 10:12:09", "stopped", 3, 1, 2, {{"a", 5, "ab"}, {"c", 7, "", true}}}};
    std::ostringstream json, csv;
    WriteRunList(runs, FindingsFormat::Json, json), WriteRunList(runs, FindingsFormat::Csv, csv);
    ::unsetenv("TZ");
    ::tzset();
    EXPECT_EQ(json.str(),
              "[\n"
              R"({"run":1,"date":"2009-01-15T10:12:09+01:00","outcome":"finished","records":3,"records_with_errors":1,)"
              R"("errors":2,"files":[{"name":"p","size":null,"sha256":null,"changed_while_tested":null}]},)"
              "\n"
              R"({"run":2,"date":"2009-07-15T10:12:09+02:00","outcome":"stopped","records":3,"records_with_errors":1,)"
              R"("errors":2,"files":[{"name":"a","size":5,"sha256":"ab","changed_while_tested":false},)"
              R"({"name":"c","size":7,"sha256":null,"changed_while_tested":true}]})"
              "\n]\n");
    EXPECT_EQ(csv.str(),
              "run,date,outcome,records,records_with_errors,errors,file,size,sha256,changed_while_tested\r\n"
              "1,2009-01-15T10:12:09+01:00,finished,3,1,2,p,,,\r\n2,2009-07-15T10:12:09+02:00,stopped,3,1,2,a,5,ab,false\r\n"
              "2,2009-07-15T10:12:09+02:00,stopped,3,1,2,c,7,,true\r\n");
}

// A text cell a spreadsheet would take for a formula gets a leading ', in every text column; JSON keeps it exact.
TEST(Findings, CsvCellsThatStartAFormulaAreDefused) {
    const std::pair<std::string, std::string> cells[] = {
        {"=1", "'=1"}, {"+1", "'+1"}, {"-123", "'-123"}, {"@SUM(A1)", "'@SUM(A1)"}, {"\tx", "'\tx"},
        {"\rx", "\"'\rx\""}, {"=a,b", "\"'=a,b\""}, {"a=1", "a=1"}, {"'=1", "'=1"}, {"\x7F\x81", "\x7F\xC2\x81"},
    };
    TempDir dir;
    {
        ErrorLog log = ErrorLog::CreateMDB(dir.path());
        log.AddRecord("=1", Record("RA"));
        for (const auto& [text, cell] : cells) log.LogError(text, text, text);
        log.CloseDatabase();
    }
    std::string csv = "err_num,record,id,critical,reference,user_entry,error,file,line,column,end_column,fix\r\n";
    int n = 0;
    for (const auto& [text, cell] : cells)
        csv += std::to_string(++n) + ",1,'=1,false," + cell + ',' + cell + ',' + cell + ",,,,,\r\n";
    EXPECT_EQ(Written(dir.path(), FindingsFormat::Csv), csv);
    const std::string json = Written(dir.path(), FindingsFormat::Json);
    EXPECT_NE(json.find(R"("id":"=1","critical":false,"reference":"-123","user_entry":"-123","error":"-123")"),
              std::string::npos) << json;
    EXPECT_NE(json.find(R"("error":"\u007f\u0081")"), std::string::npos) << json;  // exact, and no control raw
}

// A text report of more than 64,000 characters is saved whole to the file chosen (Yes), else not at all.
TEST(ReportLimit, TextSavedInPiecesOrNotAtAll) {
    TempDir dir;
    const int fits = static_cast<int>(kReportTextLimit) - [] {
        TempDir empty;
        LongLog(empty.path(), 1, 0);
        return static_cast<int>(Written(empty.path(), ReportFormat::Text).size());
    }();
    const std::string file = (dir / "report.txt").string();
    const std::tuple<int, int, MsgAnswer, std::optional<std::string>> cases[] = {
        {1, fits, MsgAnswer::Yes, file},
        {1, fits + 1, MsgAnswer::No, std::nullopt},
        {400, 400, MsgAnswer::Yes, file},
        {400, 400, MsgAnswer::No, std::nullopt},
        {400, 400, MsgAnswer::Yes, std::nullopt}};
    for (const auto& [errors, length, answer, saveAs] : cases) {
        SCOPED_TRACE(std::to_string(errors) + " " + std::to_string(length));
        TempDir logDir;
        LongLog(logDir.path(), errors, length);
        const std::string full = Written(logDir.path(), ReportFormat::Text);
        const bool tooLarge = full.size() > kReportTextLimit;
        WriteFile(file, "an older report");
        ScriptedServices services;
        services.answers = {answer};
        services.saveFiles = {saveAs};
        const TextPreview preview =
            FormatTextReport(LogReader(LogFile::PathIn(logDir.path())), services, services, logDir.path());
        EXPECT_EQ(std::tuple(preview.text, preview.saveEnabled, preview.saveFileName),
                  std::tuple(tooLarge ? std::string(kTooLargeSentence) : full, !tooLarge || preview.saveWhole,
                             tooLarge ? saveAs.value_or("") : ""));
        EXPECT_EQ(preview.saveWhole, tooLarge && answer == MsgAnswer::Yes && !saveAs);
        EXPECT_EQ(ReadFile(file), tooLarge && saveAs ? full : "an older report");
        // Asked once, however many pieces follow.
        EXPECT_EQ(services.messages.size() == 1 ? services.messages[0].title : std::to_string(services.messages.size()),
                  tooLarge ? "Report Too Large" : "0");
        EXPECT_EQ(std::tuple(services.saveDialogs.size(), services.busy),
                  std::tuple(tooLarge && answer == MsgAnswer::Yes, false));
        // The save dialog cancelled: Save As... still saves the whole report.
        if (preview.saveWhole) {
            services.saveFiles = {file};
            EXPECT_EQ(SaveTextReportAs(LogReader(LogFile::PathIn(logDir.path())), services, logDir.path()), file);
            EXPECT_EQ(ReadFile(file), full);
        }
    }
}

TEST(ReportLimit, HtmlPageWrittenInPiecesReplacesTheOldPage) {
    TempDir dir;
    LongLog(dir.path(), 400);
    // A link in the page's place is replaced, never written through.
    WriteFile(dir / "elsewhere", "an older page");
    std::filesystem::create_symlink(dir / "elsewhere", dir / "temphtm.HTM");
    ScriptedServices services;
    services.browser = "firefox";
    EXPECT_TRUE(FormatHtmlReport(LogReader(LogFile::PathIn(dir.path())), services, services, dir.path(), 1280, false));
    EXPECT_EQ(ReadFile(dir / "temphtm.HTM"), Written(dir.path(), ReportFormat::Html));  // over 2 x 64,000 characters
    EXPECT_EQ(ReadFile(dir / "elsewhere"), "an older page");
    // The background image the page names is beside it, a GIF file.
    EXPECT_NE(ReadFile(dir / "temphtm.HTM").find("background=\"orvantahalf.gif\""), std::string::npos);
    EXPECT_EQ(ReadFile(dir / "orvantahalf.gif"), PageBackgroundGif());
    EXPECT_TRUE(PageBackgroundGif().starts_with("GIF89a"));
}

// The HTML report printed, else opened; with no browser or one that fails, a text report is offered.
TEST(BrowserHandOff, ReportFallbacks) {
    const std::string b = "/opt/web/browser",
                      failing = "Your default browser could not be opened: \r\n" + b + "\r\n\r\n";
    // printing, a browser, printing works, starting works, the answer, result, message, printed, started
    const std::tuple<bool, bool, bool, bool, MsgAnswer, bool, std::string, int, int> cases[] = {
        {false, true, true, true, MsgAnswer::Ok, true, "", 0, 1},
        {true, true, true, true, MsgAnswer::Ok, true, "", 1, 0},
        {true, true, false, true, MsgAnswer::Ok, true, "", 1, 1},  // printing failed: opened instead
        {false, false, true, true, MsgAnswer::Ok, false,
         "Could not find a default Web Browser. \r\nWould you like to view", 0, 0},
        {true, false, true, true, MsgAnswer::Cancel, true,
         "Could not find a default Web Browser. \r\nWould you like to print", 0, 0},
        {false, true, true, false, MsgAnswer::Ok, false, failing + "Would you like to view", 0, 1},
        {true, true, false, false, MsgAnswer::Cancel, true, failing + "Would you like to print", 1, 1},
    };
    for (const auto& [printing, hasBrowser, printWorks, startWorks, answer, result, message, printed, started] :
         cases) {
        TempDir dir;
        ScriptedServices services;
        if (hasBrowser) services.browser = b;
        services.printWorks = printWorks, services.startWorks = startWorks, services.answers = {answer, MsgAnswer::Yes};
        services.saveFiles = {(dir / "kept.htm").string()};
        const std::string page = (dir / "temphtm.HTM").string();
        EXPECT_EQ(OpenInBrowser(services, services, dir.path(), "<HTML>report</HTML>", printing), result) << message;
        EXPECT_EQ(ReadFile(page), "<HTML>report</HTML>");
        EXPECT_EQ(std::tuple(services.printed, services.started),
                  std::tuple(std::vector<std::string>(printed, page),
                             std::vector<std::string>(started, b + " file://" + page)));
        EXPECT_EQ(services.messages.empty() ? "" : services.messages[0].text.substr(0, message.size()), message);
        // A browser that failed and a text report declined: the page is offered for saving (Yes).
        const bool kept = hasBrowser && !startWorks && answer == MsgAnswer::Cancel;
        EXPECT_EQ(services.messages.size(), message.empty() ? 0u : kept ? 2u : 1u);
        EXPECT_EQ(ReadFile(dir / "kept.htm"), kept ? "<HTML>report</HTML>" : "");
    }
    EXPECT_EQ(PathToUrl("/tmp/a b/r\xC3\xA9sum\xC3\xA9 #1.htm"), "file:///tmp/a%20b/r%C3%A9sum%C3%A9%20%231.htm");
}

// After an error-free run from 12/8/2008 to 12/1/2009 the filing page is offered ("?": Yes or No).
TEST(SubmissionPrompt, FilingPage) {
    // today, a browser, starting works, the placeholder page can be written, the messages' titles
    const std::tuple<Date, bool, bool, bool, std::vector<std::string>> cases[] = {
        {{2008, 12, 7}, true, true, true, {"Results"}},
        {{2008, 12, 8}, true, true, true, {"Results?"}},
        {{2009, 12, 1}, true, true, true, {"Results?"}},
        {{2009, 12, 2}, true, true, true, {"Results"}},
        {{2009, 1, 20}, false, true, true, {"Results?", "Browser Not Found"}},
        {{2009, 1, 20}, true, false, true, {"Results?", "Connect to Plexora"}},
        {{2009, 1, 20}, true, true, false, {"Results?"}},
    };
    for (const auto& [today, hasBrowser, startWorks, folder, titles] : cases) {
        TempDir dir;
        ScriptedServices services;
        services.today = today, services.startWorks = startWorks;
        for (const std::string& t : titles)
            services.answers.push_back(t.ends_with('?') ? MsgAnswer::Yes : MsgAnswer::Ok);
        if (hasBrowser) services.browser = "/opt/web/browser";
        SubmissionPrompt(services, services, folder ? dir.path() : dir / "gone");
        std::vector<std::string> shown;
        for (const auto& m : services.messages) shown.push_back(m.title + (m.buttons == MsgButtons::YesNo ? "?" : ""));
        EXPECT_EQ(shown, titles) << today.Format();
        const bool offered = titles[0] == "Results?";
        EXPECT_EQ(services.started,
                  std::vector<std::string>(offered && hasBrowser, "/opt/web/browser " + std::string(kFilingPageUrl)));
        EXPECT_EQ(ReadFile(dir / "temphtm.HTM"), offered && folder ? "<HTML> </HTML>" : "");
    }
}


// A page of 8 x 3 inches, 8 characters and 4 lines to the inch; what is drawn as "page:x,y[B|B+] text".
struct FixedPitchSurface : PrintSurface {
    double PageWidth() const override { return width; }
    double PageHeight() const override { return 3.0; }
    void SetFont(bool bold, int extraPoints) override { font = bold ? (extraPoints ? "B+" : "B") : ""; }
    double TextWidth(std::string_view text) const override { return 0.125 * static_cast<double>(Characters(text)); }
    static std::size_t Characters(std::string_view utf8) {
        return static_cast<std::size_t>(
            std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
    }
    double TextHeight(std::string_view) const override { return 0.25; }
    void DrawText(double x, double y, std::string_view text) override {
        drawn += Place(x, y) + font + " " + std::string(text) + "\n";
    }
    void DrawRect(double l, double t, double r, double b) override {
        drawn += Place(l, t) + " rect to " + Place(r, b) + "\n";
    }
    void NewPage() override { ++page; }
    void EndDoc() override { drawn += "end\n"; }
    std::string Place(double x, double y) const {
        char buf[48];
        return std::string(buf, static_cast<std::size_t>(std::snprintf(buf, sizeof buf, "%d:%.3f,%.3f", page, x, y)));
    }
    std::string drawn, font;
    int page = 1;
    double width = 8.0;
};

TEST(PrintedReport, WrapText) {
    FixedPitchSurface surface;
    const std::string column = "Error Description:  ";  // 2.5 inches: lines below 4.3 inches
    const std::string fox = "The quick brown fox jumps over the lazy dog and runs away";
    const std::tuple<std::string, std::string, std::vector<std::string>> cases[] = {
        {"short", column, {"short "}},
        {fox, column, {"The quick brown fox jumps over the", "lazy dog and runs away "}},
        {fox, "", {"The quick brown fox jumps over the lazy dog and runs", "away "}},
        {std::string(50, 'x'), column, {std::string(43, 'x'), "xxxxxxx "}},
        {std::string(34, 'x'), column, {std::string(34, 'x')}},  // the blank after the last word ends it
        {"one\r\n\r\ntwo\r\n", "", {"one ", "", "two ", ""}},
    };
    for (const auto& [text, label, lines] : cases) EXPECT_EQ(WrapText(surface, text, label), lines) << text;
    // User entries are cut at any character, blanks kept.
    const std::tuple<std::string, double, std::vector<std::string>> cuts[] = {
        {"abcd efghij", 0.5, {"abc", "d e", "fgh", "ij"}},
        {"ab", 0.5, {"ab"}},
        {"", 0.5, {""}},
        {"abc", 0.1, {"a", "b", "c"}}};
    for (const auto& [text, width, pieces] : cuts) EXPECT_EQ(CutToWidth(surface, text, width), pieces) << text;
}

// On a page too narrow for them, every line is wrapped and the record header framed whole;
// a header stays on the page of its block's first lines; Cancel ends the work.
TEST(PrintedReport, NarrowPagesHeadersAndCancel) {
    TempDir dir, longer;
    SeveralLog(dir.path());
    FixedPitchSurface narrow;
    narrow.width = 4.0;
    ASSERT_TRUE(PrintReportPages(LogReader(LogFile::PathIn(dir.path())), narrow, kAll));
    std::istringstream drawn(narrow.drawn);
    std::string entry, headers;
    int twoLineFrames = 0;
    for (std::string line; std::getline(drawn, line);) {
        double x = 0, y = 0, right = 0, bottom = 0;
        int page = 0, pageTo = 0;
        if (std::sscanf(line.c_str(), "%d:%lf,%lf rect to %d:%lf,%lf", &page, &x, &y, &pageTo, &right, &bottom) == 6) {
            EXPECT_TRUE(x > 0 && right <= 4.0) << line;
            twoLineFrames += bottom - y > 0.5;
            continue;
        }
        if (std::sscanf(line.c_str(), "%d:%lf,%lf", &page, &x, &y) != 3) continue;
        const std::string text = line.substr(line.find(' ') + 1);
        EXPECT_LE(x + 0.125 * static_cast<double>(FixedPitchSurface::Characters(text)), 4.0) << line;
        if (x == 2.5 && (entry.size() || text.starts_with("[<b>"))) entry += text + "|";
        if (line.find("B Record number") != std::string::npos || line.find("B SSN") != std::string::npos)
            headers += text + "|";
    }
    EXPECT_TRUE(entry.starts_with("[<b>&\"Tom's|\"</b> \xC3\xA9]|")) << entry;
    EXPECT_EQ(twoLineFrames, 3);  // RA, RE, RW: the RF header fits one line
    EXPECT_NE(headers.find("Record number: 3    Code: RW|SSN: 987654321|"), std::string::npos) << headers;

    LongLog(longer.path(), 9, 10);
    FixedPitchSurface page;
    PrintReportPages(LogReader(LogFile::PathIn(longer.path())), page, kAll);
    std::istringstream lines(page.drawn);
    std::string header;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("B Record number") != std::string::npos) header = line;
        if (line.find("Err Num") != std::string::npos) {
            EXPECT_EQ(line.substr(0, line.find(':')), header.substr(0, header.find(':'))) << header;
        }
    }
    int stoppedAt = 0;
    FixedPitchSurface stopped;
    EXPECT_FALSE(PrintReportPages(LogReader(LogFile::PathIn(longer.path())), stopped, kAll,
                                  [&](std::int64_t done) { return (stoppedAt = static_cast<int>(done)) < 2; }));
    EXPECT_EQ(std::pair(stoppedAt, stopped.drawn.find("end")), std::pair(2, std::string::npos));
    EXPECT_EQ(CountPages(LogReader(LogFile::PathIn(longer.path())), stopped, [](std::int64_t) { return false; }), 0);
}

// Pages of a range: those before it laid out unprinted, the job ended after the footer of its last page.
// A tested file named outside code page 1252 shows as it is in every report; the
// 64,000-character limit still counts its characters.
TEST(ErrorReport, NamesOutsideTheCodePage) {
    const std::tuple<std::string, std::string, std::string, std::size_t> texts[] = {
        // code page 1252, then UTF-8 → code page 1252 kept, UTF-8, characters
        {"a\xE9 ", "J\xC3\xA4 \xCE\xA9", "a\xE9 J\xE4 ?", 7}, {"", "\xCE", "?", 1}, {"x", "", "x", 1}};
    for (const auto& [cp1252, utf8, kept, characters] : texts) {
        ReportText text;
        text += cp1252;
        text.AppendUtf8(utf8);
        text += "\xE9";
        EXPECT_EQ(std::tuple(text.Cp1252(), text.Utf8(), text.size()),
                  std::tuple(kept + "\xE9", Cp1252ToUtf8(cp1252) + utf8 + "\xC3\xA9", characters + 1));
    }
    TempDir dir;
    {
        ErrorLog log = ErrorLog::CreateMDB(dir.path());
        log.AddMisc("/home/pay/Lohn J\xC3\xA4nner \xCE\xA9.txt", "12/10/2008");
        log.AddRecord("RW", Record("RW")), log.SetRecReference("123456789");
        log.LogError("Employee Name [Position 42 - 56]", "Ren\xE9", "Invalid character.");
        log.CloseDatabase();
    }
    const std::string line = "Generated from: /home/pay/Lohn J\xC3\xA4nner \xCE\xA9.txt";
    const std::string text = Written(dir.path(), ReportFormat::Text);
    EXPECT_NE(text.find("\r\n\r\n" + line + "\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("User Entry: \t\tRen\xC3\xA9\r\n"), std::string::npos) << text;
    EXPECT_NE(
        Written(dir.path(), ReportFormat::Html).find("<P>Generated from: /home/pay/Lohn J&#228;nner &#937;.txt<P>"),
        std::string::npos);
    FixedPitchSurface surface;
    PrintReportPages(LogReader(LogFile::PathIn(dir.path())), surface, kAll);
    char centred[32];  // the line's 43 characters centred on the page
    std::snprintf(centred, sizeof centred, "1:%.3f,0.500 ", (8 - 0.125 * 43) / 2);
    EXPECT_NE(surface.drawn.find(centred + line + "\n"), std::string::npos) << surface.drawn;
}

TEST(PrintedReport, PagesOfARange) {
    TempDir dir, longer;
    CriticalLog(dir.path());
    FixedPitchSurface first, second, range;
    PrintReportPages(LogReader(LogFile::PathIn(dir.path())), first, {1, 1});
    EXPECT_TRUE(first.drawn.starts_with("1:1.875,0.000B+ QUORVEX TAX YEAR 2008 ERROR REPORT\n1:0.000,0.250  \n"));
    EXPECT_TRUE(first.drawn.ends_with("1:0.000,2.500B \n1:3.562,2.750 Page: 1\nend\n"));
    PrintReportPages(LogReader(LogFile::PathIn(dir.path())), second, {2, 2});
    ExpectGolden("critical.print", second.drawn);
    LongLog(longer.path(), 5, 10);  // the summary's page, then one error block a page (11 lines)
    EXPECT_EQ(CountPages(LogReader(LogFile::PathIn(longer.path())), range), 6);
    EXPECT_EQ(range.drawn, "");
    PrintReportPages(LogReader(LogFile::PathIn(longer.path())), range, {2, 3});
    EXPECT_TRUE(range.drawn.starts_with("1:0.000,0.000  \n"));  // the blank line after the summary
    EXPECT_NE(range.drawn.find("1:3.562,2.750 Page: 2\n2:"), std::string::npos);
    EXPECT_TRUE(range.drawn.ends_with("\n2:3.562,2.750 Page: 3\nend\n"));
}

TEST(PrintDialog, PageNumbersStayOrdered) {
    using Set = void (clsPrintDialog::*)(int);
    const std::tuple<Set, int, std::tuple<int, int, int, int>> cases[] = {  // Min, FromPage, ToPage, Max after
        {&clsPrintDialog::SetMin, 5, {5, 5, 5, 6}},      {&clsPrintDialog::SetMin, 7, {7, 7, 7, 7}},
        {&clsPrintDialog::SetMin, -3, {0, 3, 4, 6}},     {&clsPrintDialog::SetFromPage, 1, {1, 1, 4, 6}},
        {&clsPrintDialog::SetFromPage, 5, {2, 5, 5, 6}}, {&clsPrintDialog::SetFromPage, 8, {2, 8, 8, 8}},
        {&clsPrintDialog::SetToPage, 1, {1, 1, 1, 6}},   {&clsPrintDialog::SetToPage, 0, {0, 0, 0, 6}},
        {&clsPrintDialog::SetToPage, 7, {2, 3, 7, 7}},   {&clsPrintDialog::SetMax, 3, {2, 3, 3, 3}},
        {&clsPrintDialog::SetMax, 1, {1, 1, 1, 1}},      {&clsPrintDialog::SetMax, -1, {0, 0, 0, 0}},
    };
    for (const auto& [set, value, after] : cases) {
        clsPrintDialog d;
        d.SetMax(6), d.SetToPage(4), d.SetFromPage(3), d.SetMin(2);
        (d.*set)(value);
        EXPECT_EQ(std::tuple(d.Min(), d.FromPage(), d.ToPage(), d.Max()), after) << value;
    }
    clsPrintDialog d = PrintDialogFor(5);
    EXPECT_EQ(std::tuple(d.Min(), d.FromPage(), d.ToPage(), d.Max(), d.Flags()), std::tuple(1, 1, 5, 5, 0x100004u));
    d.Accept(2, 3, 2, d.Flags());
    EXPECT_EQ(PrintRange(d, 5).to, 15);  // no range chosen: 1 to the counted pages + 10
    d.Accept(2, 3, 2, d.Flags() | kPdPageNums);
    EXPECT_EQ(std::tuple(PrintRange(d, 5).from, PrintRange(d, 5).to), std::tuple(2, 3));
}

}  // namespace
}  // namespace quorvex::test
