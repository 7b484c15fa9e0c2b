#include <cstdio>
#include <regex>

#include <QPlainTextEdit>

#include "common/text_1252.h"
#include "errorlog/error_log.h"
#include "gui/gui_test_support.h"
#include "report/core/browser.h"
#include "report/core/print_dialog.h"
#include "report/core/text_report.h"
#include "report/gui/report_commands.h"
#include "report/gui/report_option_dialog.h"
#include "report/gui/report_window.h"
#include "shell/gui/text_codec.h"

namespace quorvex::test {
namespace {

// The page numbers in the footers of a PDF file, through pdftotext.
std::string Footers(const std::filesystem::path& pdf) {
    std::string text, out;
    if (FILE* p = popen(("pdftotext -layout '" + pdf.string() + "' - 2>/dev/null").c_str(), "r")) {
        char buf[4096];
        while (std::size_t n = fread(buf, 1, sizeof buf, p)) text.append(buf, n);
        pclose(p);
    }
    static const std::regex footer(R"(Page: (\d+)\s*\f)");
    for (std::sregex_iterator m(text.begin(), text.end(), footer), end; m != end; ++m) out += (*m)[1].str() + " ";
    return out;
}

// A window after a run whose blank RW records drew many errors: a report of several pages.
// The print dialog prints `range` into printed.pdf; the preview pages 2 to 3 into preview.pdf.
struct ReportGui : Gui {
    ReportGui() {
        Test({Submission(2, true, Record("RW"))});
        reports.print = [this](clsPrintDialog& d, QPrinter& p) {
            pages = d.Max();
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(QString::fromStdString((dir / "printed.pdf").string()));
            if (range) d.Accept(range->from, range->to, copies, d.Flags() | kPdPageNums);
            return range.has_value();
        };
        reports.preview = [this](QPrinter& p, const std::function<void(QPrinter*)>& paint) {
            QPrinter pages(QPrinter::HighResolution);
            pages.setPageLayout(p.pageLayout());
            pages.setOutputFormat(QPrinter::PdfFormat);
            pages.setOutputFileName(QString::fromStdString((dir / "preview.pdf").string()));
            pages.setPrintRange(QPrinter::PageRange);
            pages.setFromTo(2, 3);
            paint(&pages);
        };
    }
    frmReport* Window() { return window->findChild<frmReport*>(); }
    std::optional<PageRange> range;
    int copies = 1, pages = 0;
};

// The HTML report goes to the browser, or becomes the text report when there is none or it
// fails and the user says OK; the type used is preselected for the next report.
TEST(ReportCommandsTest, BrowserHandOff) {
    // browser, it starts, command, answers → browser started, page printed, text window, next preselected
    const std::tuple<bool, bool, const char*, std::vector<MsgAnswer>, std::size_t, std::size_t, bool, int> cases[] = {
        {true, true, "cmdErrors", {}, 1, 0, false, kHtmlReport},
        {true, true, "cmdPrint", {}, 0, 1, false, kHtmlReport},
        {false, true, "cmdErrors", {MsgAnswer::Ok}, 0, 0, true, kTextReport},
        {false, true, "cmdErrors", {MsgAnswer::Cancel}, 0, 0, false, kHtmlReport},
        {true, false, "cmdErrors", {MsgAnswer::Ok}, 1, 0, true, kTextReport},
    };
    for (const auto& [browser, starts, command, answers, started, printed, window, next] : cases) {
        ReportGui g;
        if (browser) g.script.browser = "/opt/web/browser";
        g.script.startWorks = starts;
        g.script.answers = {answers.begin(), answers.end()};
        g.reports.types = {kHtmlReport, std::nullopt};
        g.Click(command);
        EXPECT_EQ(g.Window() != nullptr, window);
        g.Click("cmdErrors");
        EXPECT_EQ(std::pair(g.script.started, g.script.printed.size()),
                  std::pair(std::vector<std::string>(started, "/opt/web/browser " + PathToUrl(g.dir / "temphtm.HTM")), printed));
        EXPECT_EQ(g.reports.preselected, (std::vector<int>{kTextReport, next}));
    }
}

// Without errors to report, or with a log that cannot be read, the commands say so.
TEST(ReportCommandsTest, GuardAndFailingLog) {
    for (const char* log : {"", "empty", "damaged"}) {
        Gui g;
        if (*log == 'e') ErrorLog::CreateMDB(g.dir.path()).CloseDatabase();
        if (*log == 'd') WriteFile(g.dir / "Errorlog.mdb", std::string(4096, 'x'));
        g.script.answers = {MsgAnswer::Ok};
        ReportCommands commands(g.dir.path(), g.script, g.window.get(), &g.reports);
        commands.cmdPrint_Click();
        EXPECT_EQ(g.script.Titles(), *log == 'd' ? "Error Report" : "Results");
        EXPECT_FALSE(commands.PrintFlag());
    }
}

// The text report window: the preview, the print font, Save As, Save as PDF, printing a
// range of pages and copies, and the preview's pages.
TEST(ReportWindowTest, FontSavePrintAndPreview) {
    ReportGui g;
    g.reports.types = {kTextReport};
    g.Click("cmdErrors");
    frmReport* w = g.Window();
    ASSERT_NE(w, nullptr);
    const std::string report = FormatTextReport(*LogReader::OpenIn(g.dir.path()), g.script, g.dir.path()).text;
    EXPECT_EQ(w->PreviewBox()->toPlainText(), MessageText(report));
    const std::tuple<std::optional<FontChoice>, int> fonts[] = {
        {FontChoice{"DejaVu Sans Mono", 30}, 20}, {FontChoice{"", 5}, 8}, {std::nullopt, 8}};
    for (const auto& [answer, size] : fonts) {
        g.script.fonts = {answer};
        w->cmdFont_Click();
        EXPECT_EQ(std::tuple(w->PrintFont().name, w->PrintFont().size, w->PreviewBox()->font().pointSize()),
                  std::tuple(std::string("DejaVu Sans Mono"), size, size));
    }
    WriteFile(g.dir / "saved.txt", std::string(9000, '.'));
    g.script.saveFiles = {(g.dir / "saved.txt").string(), std::nullopt, (g.dir / "no/saved.txt").string(),
                          (g.dir / "report.pdf").string(), (g.dir / "no/report.pdf").string()};
    g.script.answers = {MsgAnswer::Ok, MsgAnswer::Ok};
    for (int i = 0; i < 3; ++i) w->cmdSave_Click();
    EXPECT_EQ(ReadFile(g.dir / "saved.txt"), Cp1252ToUtf8(report));
    for (int i = 0; i < 2; ++i) w->cmdPdf_Click();
    EXPECT_EQ(g.script.Titles(), "Error Report|Error Report");

    g.range = PageRange{2, 3};
    g.copies = 2;
    EXPECT_EQ(w->PrintReport(w), 2);
    g.range.reset();
    EXPECT_EQ(w->PrintReport(w), 0);
    w->cmdPreview_Click();
    ASSERT_GE(g.pages, 3);
    std::string all;
    for (int page = 1; page <= g.pages; ++page) all += std::to_string(page) + " ";
    EXPECT_EQ(Footers(g.dir / "report.pdf"), all);
    EXPECT_EQ(Footers(g.dir / "printed.pdf") + Footers(g.dir / "preview.pdf"), "2 3 2 3 ");
    w->findChild<QPushButton*>("cmdClose")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(g.Window(), nullptr);
}

}  // namespace
}  // namespace quorvex::test
