#include <cstdio>
#include <regex>

#include <QPrintDialog>
#include <QRadioButton>
#include <QTest>

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

// The page footers ("Page: n") of a PDF file, through pdftotext.
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
struct ReportGui : Gui {
    ReportGui() {
        Test({Lines({ValidRecord("RA"), ValidRecord("RE"), Record("RW"), Record("RW"), MakeRT(2, {}), ValidRecord("RF", 2)})});
        reports.print = [this](clsPrintDialog& d, QPrinter& p) {
            pages = d.Max();
            if (!range) return false;
            ToPdf(p, "printed.pdf");
            d.Accept(range->from, range->to, copies, d.Flags() | kPdPageNums);
            return true;
        };
        reports.preview = [this](QPrinter& p, const std::function<void(QPrinter*)>& paint) {
            QPrinter pages(QPrinter::HighResolution);
            pages.setPageLayout(p.pageLayout());
            ToPdf(pages, "preview.pdf");
            pages.setPrintRange(QPrinter::PageRange);
            pages.setFromTo(2, 3);
            paint(&pages);
        };
    }
    void ToPdf(QPrinter& p, const char* name) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(QString::fromStdString((dir / name).string()));
    }
    frmReport* Window() { return window->findChild<frmReport*>(); }
    std::optional<PageRange> range;
    int copies = 1, pages = 0;
};

TEST(ReportOptionTest, PreselectsTheReportTypeAndGivesTheChoice) {
    App();
    for (int type : {kTextReport, kHtmlReport}) {
        frmReportOption dialog(type);
        dialog.show();
        auto* html = dialog.findChild<QRadioButton*>(QStringLiteral("optReport1"));
        EXPECT_EQ(html->isChecked(), type == kHtmlReport);
        QTest::mouseClick(dialog.findChild<QRadioButton*>(type == kHtmlReport ? QStringLiteral("optReport0") : QStringLiteral("optReport1")), Qt::LeftButton);
        EXPECT_EQ(dialog.ReportType(), type == kHtmlReport ? kTextReport : kHtmlReport);
    }
}

// The HTML report handed to the browser, or the text report when there is none or it fails
// and the user says OK; the choice is the preselected type of the next report.
TEST(ReportCommandsTest, BrowserHandOff) {
    struct Case {
        const char* name;
        bool browser, starts, print;
        std::vector<MsgAnswer> answers;
        std::size_t started, printed;
        bool window;
        int next;
    };
    const Case cases[] = {
        {"browser", true, true, false, {}, 1, 0, false, kHtmlReport},
        {"browser prints", true, true, true, {}, 0, 1, false, kHtmlReport},
        {"no browser, text", false, true, false, {MsgAnswer::Ok}, 0, 0, true, kTextReport},
        {"no browser, cancel", false, true, false, {MsgAnswer::Cancel}, 0, 0, false, kHtmlReport},
        {"browser fails, text", true, false, false, {MsgAnswer::Ok}, 1, 0, true, kTextReport},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReportGui g;
        if (c.browser) g.script.browser = "/opt/web/browser";
        g.script.startWorks = c.starts;
        g.script.answers = {c.answers.begin(), c.answers.end()};
        g.reports.types = {kHtmlReport, std::nullopt};
        g.Click(c.print ? "cmdPrint" : "cmdErrors");
        EXPECT_EQ(g.Window() != nullptr, c.window);
        g.Click("cmdErrors");
        EXPECT_EQ(g.script.started.size(), c.started);
        if (c.started) EXPECT_EQ(g.script.started[0], "/opt/web/browser " + PathToUrl(g.dir / "temphtm.HTM"));
        EXPECT_EQ(g.script.printed.size(), c.printed);
        EXPECT_EQ(g.reports.preselected, (std::vector<int>{kTextReport, c.next}));
    }
}

// Without errors to report, or with a log that cannot be read, the commands say so.
TEST(ReportCommandsTest, GuardAndFailingLog) {
    const std::pair<std::function<void(const std::filesystem::path&)>, const char*> cases[] = {
        {[](const auto&) {}, "Results"},
        {[](const auto& d) { ErrorLog::CreateMDB(d).CloseDatabase(); }, "Results"},
        {[](const auto& d) { WriteFile(d / "Errorlog.mdb", std::string(4096, 'x')); }, "Error Report"},
    };
    for (const auto& [make, title] : cases) {
        Gui g;
        make(g.dir.path());
        g.script.answers = {MsgAnswer::Ok};
        ReportCommands commands(g.dir.path(), g.script, g.window.get(), &g.reports);
        commands.cmdPrint_Click();
        EXPECT_EQ(g.script.Titles(), title);
        EXPECT_TRUE(g.reports.preselected.empty());
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

    const std::tuple<std::optional<FontChoice>, const char*, int> fonts[] = {
        {FontChoice{"DejaVu Sans Mono", 30}, "DejaVu Sans Mono", 20}, {FontChoice{"", 5}, "DejaVu Sans Mono", 8},
        {std::nullopt, "DejaVu Sans Mono", 8}};
    for (const auto& [answer, name, size] : fonts) {
        g.script.fonts = {answer};
        w->cmdFont_Click();
        EXPECT_EQ(w->PrintFont().name, name);
        EXPECT_EQ(std::tuple(w->PrintFont().size, w->PreviewBox()->font().pointSize()), std::tuple(size, size));
    }

    WriteFile(g.dir / "saved.txt", std::string(9000, '.'));
    g.script.saveFiles = {(g.dir / "saved.txt").string(), std::nullopt, (g.dir / "no folder/saved.txt").string(),
                          (g.dir / "report.pdf").string(), (g.dir / "no folder/report.pdf").string()};
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
    EXPECT_EQ(Footers(g.dir / "printed.pdf"), "2 3 ");
    EXPECT_EQ(Footers(g.dir / "preview.pdf"), "2 3 ");
    w->findChild<QPushButton*>(QStringLiteral("cmdClose"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(g.Window(), nullptr);
}

// The print dialog opens on the report's pages without selection or print-to-file, and gives
// back the range and copies chosen.
TEST(ReportWindowTest, PrintDialogPagesRangeAndCopies) {
    App();
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog box(&printer);
    clsPrintDialog dialog = PrintDialogFor(5);
    SetUpPrintDialog(box, dialog, printer);
    EXPECT_EQ(std::tuple(box.minPage(), box.maxPage(), printer.fromPage(), printer.toPage()), std::tuple(1, 5, 1, 5));
    EXPECT_FALSE(box.testOption(QAbstractPrintDialog::PrintSelection) || box.testOption(QAbstractPrintDialog::PrintToFile));
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(2, 3);
    printer.setCopyCount(2);
    TakePrintDialog(dialog, printer);
    EXPECT_EQ(std::tuple(PrintRange(dialog, 5).from, PrintRange(dialog, 5).to, dialog.Copies()), std::tuple(2, 3, 2));
    printer.setPrintRange(QPrinter::AllPages);
    TakePrintDialog(dialog, printer);
    EXPECT_EQ(PrintRange(dialog, 5).to, 15);
}

}  // namespace
}  // namespace quorvex::test
