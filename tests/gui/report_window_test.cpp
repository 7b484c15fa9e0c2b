#include <cstdio>
#include <regex>

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPrintPreviewWidget>
#include <QProgressDialog>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include "common/text_1252.h"
#include "errorlog/error_log.h"
#include "gui/gui_test_support.h"
#include "report/core/browser.h"
#include "report/core/html_report.h"
#include "report/core/print_dialog.h"
#include "report/core/text_report.h"
#include "report/gui/report_commands.h"
#include "report/gui/report_context.h"
#include "report/gui/report_option_dialog.h"
#include "report/gui/report_window.h"
#include "common/gui/text_codec.h"

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
// The print dialog prints `range` into printed.pdf; the preview pages 2 to 3 into preview.pdf,
// and with printFromPreview uses its Print... too.
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
        reports.preview = [this](QPrinter& p, const std::function<void(QPrinter*)>& paint,
                                 const std::function<void(QWidget*)>& print) {
            QPrinter preview(QPrinter::HighResolution);
            preview.setPageLayout(p.pageLayout());
            preview.setOutputFormat(QPrinter::PdfFormat);
            preview.setOutputFileName(QString::fromStdString((dir / "preview.pdf").string()));
            preview.setPrintRange(QPrinter::PageRange);
            preview.setFromTo(2, 3);
            paint(&preview);
            if (printFromPreview) print(nullptr);
        };
    }
    frmReport* Window() { return window->findChild<frmReport*>(); }
    std::optional<PageRange> range;
    int copies = 1, pages = 0;
    bool printFromPreview = false;
};

// The HTML report goes to the browser, or becomes the text report when there is none or it
// fails and the user says OK; the type used is preselected for the next report.
TEST(ReportCommandsTest, BrowserHandOff) {
    // browser, it starts, command, answers → browser started, page printed, text window, next preselected
    const std::tuple<bool, bool, const char*, std::vector<MsgAnswer>, std::size_t, std::size_t, bool, ReportFormat>
        cases[] = {
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
                  std::pair(std::vector<std::string>(started, "/opt/web/browser " + PathToUrl(g.dir / "temphtm.HTM")),
                            printed));
        EXPECT_EQ(g.reports.preselected, (std::vector<ReportFormat>{kTextReport, next}));
    }
}

// Without errors to report, or with a log that cannot be read, the commands say so.
TEST(ReportCommandsTest, GuardAndFailingLog) {
    for (const char* log : {"", "empty", "damaged"}) {
        Gui g;
        if (*log == 'e') ErrorLog::CreateMDB(g.dir.path()).CloseDatabase();
        if (*log == 'd') WriteFile(g.dir / "Errorlog.mdb", std::string(4096, 'x'));
        g.script.answers = {MsgAnswer::Ok};
        ReportCommands commands(g.dir.path(), g.script, g.script, g.window.get(), &g.reports);
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
    const std::string report =
        FormatTextReport(*LogReader::OpenIn(g.dir.path()), g.script, g.script, g.dir.path()).text;
    EXPECT_EQ(Child<QPlainTextEdit>(w, "Text1")->toPlainText(), Utf8MessageText(report));
    const std::tuple<std::optional<FontChoice>, int> fonts[] = {
        {FontChoice{"DejaVu Sans Mono", 30}, 20}, {FontChoice{"", 5}, 8}, {std::nullopt, 8}};
    for (const auto& [answer, size] : fonts) {
        g.reports.fonts = {answer};
        w->cmdFont_Click();
        EXPECT_EQ(std::tuple(w->PrintFont().name, w->PrintFont().size, Child(w, "Text1")->font().pointSize()),
                  std::tuple(std::string("DejaVu Sans Mono"), size, size));
    }
    WriteFile(g.dir / "saved.txt", std::string(9000, '.'));
    g.script.saveFiles = {(g.dir / "saved.txt").string(), std::nullopt, (g.dir / "no/saved.txt").string(),
                          (g.dir / "report.pdf").string(), (g.dir / "no/report.pdf").string()};
    g.script.answers = {MsgAnswer::Ok, MsgAnswer::Ok};
    for (int i = 0; i < 3; ++i) w->cmdSave_Click();
    EXPECT_EQ(ReadFile(g.dir / "saved.txt"), report);
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
    // Print... of the preview is the window's: its print dialog, with the report's pages.
    g.pages = 0;
    g.printFromPreview = true;
    w->cmdPreview_Click();
    EXPECT_EQ(g.pages, int(all.size() / 2));
    w->findChild<QPushButton*>(QStringLiteral("cmdClose"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(g.Window(), nullptr);
}

// The text pdftotext reads from a PDF file, with `options`.
std::string PdfText(const std::filesystem::path& pdf, const std::string& options = "") {
    std::string text;
    if (FILE* p = popen(("pdftotext " + options + " '" + pdf.string() + "' - 2>/dev/null").c_str(), "r")) {
        char buf[4096];
        while (std::size_t n = fread(buf, 1, sizeof buf, p)) text.append(buf, n);
        pclose(p);
    }
    return text;
}

// "Hide SSNs": the preview, the report saved as PDF and the HTML page show the SSN as its last four digits; the
// choice is preselected for the next report.
TEST(ReportCommandsTest, HideSsns) {
    Gui g;
    g.Test({Submission(1, true, MakeRW("987651234"))});
    g.reports.types = {ReportChoice{kTextReport, true}, ReportChoice{kHtmlReport, true}};
    g.script.browser = "/opt/web/browser";
    g.Click("cmdErrors");
    frmReport* w = g.window->findChild<frmReport*>();
    ASSERT_NE(w, nullptr);
    g.script.saveFiles = {(g.dir / "report.pdf").string()};
    w->cmdPdf_Click();
    const std::string preview = Child<QPlainTextEdit>(w, "Text1")->toPlainText().toStdString();
    g.Click("cmdErrors");
    for (const std::string& shown : {preview, PdfText(g.dir / "report.pdf"), ReadFile(g.dir / "temphtm.HTM")})
        EXPECT_EQ(std::pair(shown.find("*****1234") != std::string::npos, shown.find("987651234")),
                  std::pair(true, std::string::npos))
            << shown;
}

// A report window left open is closed when a new run starts (its report is no longer the
// log's); Escape closes it too.
TEST(ReportWindowTest, ClosedByANewRunAndByEscape) {
    ReportGui g;
    g.reports.types = {kTextReport, kTextReport};
    g.Click("cmdErrors");
    ASSERT_NE(g.Window(), nullptr);
    QTest::keyClick(Child(g.Window(), "Text1"), Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(g.Window(), nullptr);
    g.Click("cmdErrors");
    ASSERT_NE(g.Window(), nullptr);
    g.Test({Submission(1)});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(g.Window(), nullptr);
}

// In a 20-point font every line fits the page within its half-inch margins: a long user
// entry is cut where the line ends, the record header wrapped in its frame. The PDF goes
// through a new private file; Cancel in its progress leaves the old file as it was.
TEST(ReportWindowTest, PdfLinesFitThePageAndCancel) {
    App();
    TempDir dir;
    const std::string entry = "[" + std::string(40, 'Q') + "0123456789" + std::string(63, 'Z') + "]";  // 115
    {
        ErrorLog log = ErrorLog::CreateMDB(dir.path());
        log.AddMisc("/home/pay/Lohn J\u00e4nner \u03a9.txt", "12/10/2008");
        log.AddRecord("RW", Record("RW")), log.SetRecReference("363862345");
        log.LogError("Employee Name [Position 42 - 56]", entry, "Invalid character.");
        log.CloseDatabase();
    }
    ScriptedServices script;
    ScriptedReportDialogs reports;
    QPrinter printer(QPrinter::HighResolution);
    frmReport w(ReportContext{dir.path(), &script, &script, &reports, &printer},
                LogReader(LogFile::PathIn(dir.path())));
    reports.fonts = {FontChoice{"DejaVu Sans Mono", 20}};
    w.cmdFont_Click();
    script.saveFiles = {(dir / "big.pdf").string(), (dir / "cancelled.pdf").string()};
    // A link in the file's place is replaced, not written through; the file is private.
    WriteFile(dir / "linked.txt", "kept");
    std::filesystem::create_symlink(dir / "linked.txt", dir / "big.pdf");
    WriteFile(dir / "cancelled.pdf", "old");
    w.cmdPdf_Click();
    EXPECT_EQ(std::tuple(ReadFile(dir / "linked.txt"), std::filesystem::is_symlink(dir / "big.pdf"),
                         std::filesystem::status(dir / "big.pdf").permissions() & std::filesystem::perms::all),
              std::tuple(std::string("kept"), false,
                         std::filesystem::perms::owner_read | std::filesystem::perms::owner_write));
    std::string flat = PdfText(dir / "big.pdf", "-layout");
    std::erase_if(flat, [](char c) { return std::isspace(static_cast<unsigned char>(c)); });
    EXPECT_NE(flat.find(entry), std::string::npos) << flat;
    EXPECT_NE(flat.find("SSN:363862345"), std::string::npos) << flat;
    EXPECT_NE(flat.find("Generatedfrom:/home/pay/LohnJ\u00e4nner\u03a9.txt"), std::string::npos) << flat;
    const std::string boxes = PdfText(dir / "big.pdf", "-bbox");
    static const std::regex page(R"re(<page width="([\d.]+)")re"),
        word(R"re(xMin="([\d.]+)" yMin="[\d.]+" xMax="([\d.]+)")re");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(boxes, m, page));
    const double width = std::stod(m[1]);
    double left = width, right = 0;
    for (std::sregex_iterator i(boxes.begin(), boxes.end(), word), end; i != end; ++i)
        left = std::min(left, std::stod((*i)[1])), right = std::max(right, std::stod((*i)[2]));
    EXPECT_GE(left, 36 - 0.5);
    EXPECT_LE(right, width - 36 + 0.5);

    QTimer::singleShot(0, [] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* progress = qobject_cast<QProgressDialog*>(top)) progress->cancel();
    });
    w.cmdPdf_Click();
    // A cancelled PDF leaves the old file as it was, and nothing beside it.
    EXPECT_EQ(ReadFile(dir / "cancelled.pdf"), "old");
    for (const auto& file : std::filesystem::directory_iterator(dir.path()))
        EXPECT_FALSE(file.path().extension() == ".new") << file.path();
    // A print preview only paints: the file its printer names stays as it was.
    QPrinter named(QPrinter::HighResolution);
    named.setOutputFormat(QPrinter::PdfFormat);
    named.setOutputFileName(QString::fromStdString((dir / "cancelled.pdf").string()));
    QPrintPreviewWidget preview(&named);
    const LogReader log(LogFile::PathIn(dir.path()));
    QObject::connect(&preview, &QPrintPreviewWidget::paintRequested,
                     [&](QPrinter* p) { PrintPages(*p, w.PrintFont(), log, kAllPages); });
    preview.updatePreview();
    EXPECT_EQ(std::pair(preview.pageCount(), ReadFile(dir / "cancelled.pdf")), std::pair(1, std::string("old")));
}

// Without a printer Print... is off and printing offers Save as PDF instead.
TEST(ReportWindowTest, NoPrinterOffersPdf) {
    ReportGui g;
    g.reports.printer = false;
    g.reports.types = {kTextReport};
    g.Click("cmdErrors");
    frmReport* w = g.Window();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->findChild<QPushButton*>(QStringLiteral("cmdPrint"))->isEnabled());
    g.script.answers = {MsgAnswer::Cancel, MsgAnswer::Ok};
    g.script.saveFiles = {(g.dir / "paper.pdf").string()};
    EXPECT_EQ(w->PrintReport(w) + w->PrintReport(w), 0);
    EXPECT_EQ(g.script.Titles(), "Print|Print");
    EXPECT_EQ(g.script.messages.back().text, kNoPrinterText);
    EXPECT_EQ(Footers(g.dir / "paper.pdf").substr(0, 4), "1 2 ");
}

// What the program renders of the HTML page reads as a browser shows it; the option dialog
// is wide enough for its title and its box's.
TEST(ReportWindowTest, RenderedHeaderAndOptionDialogWidth) {
    App();
    HtmlReportSink sink(100);
    sink.RecordHeader({3, "RW", "SSN: 1"});
    QTextDocument page;
    page.setHtml(QString::fromStdString(PageForRendering("<table>" + sink.Text().Cp1252() + "</table>")));
    EXPECT_EQ(page.toPlainText().trimmed(), QStringLiteral("Record number: 3    Code: RW    SSN: 1"));
    frmReportOption options(kTextReport);
    options.show();
    auto* box = options.findChild<QGroupBox*>();
    EXPECT_GE(box->width(), box->fontMetrics().horizontalAdvance(box->title()) + 10);
    EXPECT_GT(options.width(), options.fontMetrics().horizontalAdvance(options.windowTitle()) + 100);
}

}  // namespace
}  // namespace quorvex::test
