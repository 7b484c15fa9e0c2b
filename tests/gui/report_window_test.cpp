#include <cstdio>
#include <regex>

#include <QPlainTextEdit>
#include <QPrintPreviewWidget>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>

#include "common/text_1252.h"
#include "errorlog/error_log.h"
#include "gui/gui_test_support.h"
#include "report/core/browser.h"
#include "report/core/print_dialog.h"
#include "report/core/text_report.h"
#include "report/gui/report_commands.h"
#include "report/gui/report_context.h"
#include "common/gui/text_codec.h"

namespace quorvex::test {
namespace {

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

// The page numbers in the footers of a PDF file.
std::string Footers(const std::filesystem::path& pdf) {
    const std::string text = PdfText(pdf, "-layout");
    std::string out;
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

// The HTML report goes to the browser, or becomes the text report when there is none (or it
// fails: the same answer of the hand-off) and the user says OK; the type used is preselected
// for the next report.
TEST(ReportCommandsTest, BrowserHandOff) {
    // browser, command, answers → browser started, page printed, text window, next preselected
    const std::tuple<bool, const char*, std::vector<MsgAnswer>, std::size_t, std::size_t, bool, ReportFormat> cases[] = {
        {true, "cmdErrors", {}, 1, 0, false, kHtmlReport},
        {true, "cmdPrint", {}, 0, 1, false, kHtmlReport},
        {false, "cmdErrors", {MsgAnswer::Ok}, 0, 0, true, kTextReport},
        {false, "cmdErrors", {MsgAnswer::Cancel}, 0, 0, false, kHtmlReport},
    };
    for (const auto& [browser, command, answers, started, printed, window, next] : cases) {
        ReportGui g;
        if (browser) g.script.browser = "/opt/web/browser";
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
// range of pages and copies, and the preview's pages. Close, Escape and a new run close it
// (its report is no longer the log's). Without a printer Print... is off and printing offers
// Save as PDF instead. "Hide SSNs": the text report window (whose one log makes its preview,
// PDF and prints) and the HTML page show the SSN as its last four digits.
TEST(ReportWindowTest, FontSavePrintPreviewAndClose) {
    ReportGui g;
    frmReport* w = g.OpenReport();
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
    const auto closed = [&g] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return g.Window() == nullptr;
    };
    w->findChild<QPushButton*>(QStringLiteral("cmdClose"))->click();
    EXPECT_TRUE(closed());

    g.reports.printer = false;
    w = g.OpenReport();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->findChild<QPushButton*>(QStringLiteral("cmdPrint"))->isEnabled());
    g.script.messages.clear();
    g.script.answers = {MsgAnswer::Cancel, MsgAnswer::Ok};
    g.script.saveFiles = {(g.dir / "paper.pdf").string()};
    EXPECT_EQ(w->PrintReport(w) + w->PrintReport(w), 0);
    EXPECT_EQ(g.script.Titles(), "Print|Print");
    EXPECT_EQ(g.script.messages.back().text, kNoPrinterText);
    EXPECT_EQ(Footers(g.dir / "paper.pdf").substr(0, 4), "1 2 ");
    QTest::keyClick(Child(w, "Text1"), Qt::Key_Escape);
    EXPECT_TRUE(closed());
    ASSERT_NE(g.OpenReport(), nullptr);
    g.Test({Submission(1, true, MakeRW("987651234"))});
    EXPECT_TRUE(closed());

    g.script.browser = "/opt/web/browser";
    w = g.OpenReport(ReportChoice{kTextReport, true});
    ASSERT_NE(w, nullptr);
    const std::string preview = Child<QPlainTextEdit>(w, "Text1")->toPlainText().toStdString();
    g.OpenReport(ReportChoice{kHtmlReport, true});
    for (const std::string& shown : {preview, ReadFile(g.dir / "temphtm.HTM")})
        EXPECT_EQ(std::pair(shown.find("*****1234") != std::string::npos, shown.find("987651234")),
                  std::pair(true, std::string::npos))
            << shown;
}

// In a 20-point font every line fits the page within its half-inch margins: a long user
// entry is cut where the line ends, the record header wrapped in its frame. The PDF goes
// through a new file (the safe file, tested with the core); Cancel in its progress leaves
// the old file as it was.
TEST(ReportWindowTest, PdfLinesFitThePageAndCancel) {
    Gui g;
    const std::string entry = "[" + std::string(40, 'Q') + "0123456789" + std::string(63, 'Z') + "]";  // 115
    {
        ErrorLog log = ErrorLog::CreateMDB(g.dir.path());
        log.AddMisc("/home/pay/Lohn J\u00e4nner \u03a9.txt", "12/10/2008");
        log.AddRecord("RW", Record("RW")), log.SetRecReference("363862345");
        log.LogError("Employee Name [Position 42 - 56]", entry, "Invalid character.");
        log.CloseDatabase();
    }
    QPrinter printer(QPrinter::HighResolution);
    frmReport w(ReportContext{g.dir.path(), &g.script, &g.script, &g.reports, &printer},
                LogReader(LogFile::PathIn(g.dir.path())));
    g.reports.fonts = {FontChoice{"DejaVu Sans Mono", 20}};
    w.cmdFont_Click();
    g.script.saveFiles = {(g.dir / "big.pdf").string(), (g.dir / "cancelled.pdf").string()};
    WriteFile(g.dir / "cancelled.pdf", "old");
    w.cmdPdf_Click();
    std::string flat = PdfText(g.dir / "big.pdf", "-layout");
    std::erase_if(flat, [](char c) { return std::isspace(static_cast<unsigned char>(c)); });
    const std::string parts[] = {entry, "SSN:363862345", "Generatedfrom:/home/pay/LohnJ\u00e4nner\u03a9.txt"};
    for (const std::string& part : parts) EXPECT_NE(flat.find(part), std::string::npos) << part << " in " << flat;
    const std::string boxes = PdfText(g.dir / "big.pdf", "-bbox");
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
    EXPECT_EQ(ReadFile(g.dir / "cancelled.pdf"), "old");
    for (const auto& file : std::filesystem::directory_iterator(g.dir.path()))
        EXPECT_FALSE(file.path().extension() == ".new") << file.path();
    // A print preview only paints: the file its printer names stays as it was.
    QPrinter named(QPrinter::HighResolution);
    named.setOutputFormat(QPrinter::PdfFormat);
    named.setOutputFileName(QString::fromStdString((g.dir / "cancelled.pdf").string()));
    QPrintPreviewWidget preview(&named);
    const LogReader log(LogFile::PathIn(g.dir.path()));
    QObject::connect(&preview, &QPrintPreviewWidget::paintRequested,
                     [&](QPrinter* p) { PrintPages(*p, w.PrintFont(), log, kAllPages); });
    preview.updatePreview();
    EXPECT_EQ(std::pair(preview.pageCount(), ReadFile(g.dir / "cancelled.pdf")), std::pair(1, std::string("old")));
}

}  // namespace
}  // namespace quorvex::test
