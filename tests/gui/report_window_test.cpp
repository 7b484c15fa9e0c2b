#include <cstdio>
#include <regex>

#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QRadioButton>
#include <QTest>

#include "common/text_1252.h"
#include "gui/gui_test_support.h"
#include "report/core/browser.h"
#include "report/core/print_dialog.h"
#include "report/core/text_report.h"
#include "report/gui/report_commands.h"
#include "report/report_logs.h"
#include "shell/gui/text_codec.h"

namespace quorvex::test {
namespace {

// The report's own dialogs, scripted: report types from a queue, the print dialog's answer,
// and printing and previews into PDF files in `folder`.
class ScriptedReportDialogs : public ReportDialogs {
public:
    struct PrintAnswer {
        bool ok = true;
        std::optional<PageRange> range;  // nullopt: all pages
        int copies = 1;
    };
    std::deque<std::optional<int>> types;
    std::vector<int> preselected;
    std::deque<PrintAnswer> printAnswers;
    std::vector<int> printDialogPages;  // Max of each print dialog
    std::filesystem::path folder;

    std::optional<int> ChooseReportType(QWidget*, int reportType) override {
        preselected.push_back(reportType);
        if (types.empty()) {
            ADD_FAILURE() << "unexpected report option dialog";
            return std::nullopt;
        }
        auto answer = types.front();
        types.pop_front();
        return answer;
    }
    bool ShowPrinter(QWidget*, clsPrintDialog& dialog, QPrinter& printer) override {
        printDialogPages.push_back(dialog.Max());
        if (printAnswers.empty()) {
            ADD_FAILURE() << "unexpected print dialog";
            return false;
        }
        const PrintAnswer answer = printAnswers.front();
        printAnswers.pop_front();
        if (!answer.ok) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString((folder / "printed.pdf").string()));
        const PageRange range = answer.range.value_or(PageRange{dialog.FromPage(), dialog.ToPage()});
        dialog.Accept(range.from, range.to, answer.copies, dialog.Flags() | (answer.range ? kPdPageNums : 0));
        return true;
    }
    // The preview's pages, then pages 2 to 3 printed from it.
    void Preview(QWidget*, QPrinter& printer, const std::function<void(QPrinter*)>& paint) override {
        for (bool printed : {false, true}) {
            QPrinter pages(QPrinter::HighResolution);
            pages.setPageLayout(printer.pageLayout());
            pages.setOutputFormat(QPrinter::PdfFormat);
            pages.setOutputFileName(
                QString::fromStdString((folder / (printed ? "printed from preview.pdf" : "preview.pdf")).string()));
            if (printed) {
                pages.setPrintRange(QPrinter::PageRange);
                pages.setFromTo(2, 3);
            }
            paint(&pages);
        }
    }
};

// The pages of a PDF file as text (pdftotext of poppler-utils).
std::vector<std::string> PdfPages(const std::filesystem::path& pdf) {
    std::string text;
    if (FILE* p = popen(("pdftotext -layout '" + pdf.string() + "' - 2>/dev/null").c_str(), "r")) {
        char buf[4096];
        while (std::size_t n = fread(buf, 1, sizeof buf, p)) text.append(buf, n);
        pclose(p);
    }
    std::vector<std::string> pages;
    for (std::size_t start = 0, ff; (ff = text.find('\f', start)) != std::string::npos; start = ff + 1)
        pages.push_back(text.substr(start, ff - start));
    return pages;
}

// The footer at the bottom of each page.
std::vector<std::string> Footers(const std::vector<std::string>& pages) {
    std::vector<std::string> footers;
    static const std::regex footer(R"(Page: \d+\s*$)");
    for (const auto& page : pages) {
        std::smatch m;
        footers.push_back(std::regex_search(page, m, footer) ? std::regex_replace(m.str(), std::regex(R"(\s+$)"), "")
                                                               : "(none)");
    }
    return footers;
}

bool HavePdfToText() { return std::system("pdftotext -v >/dev/null 2>&1") == 0; }

struct Fixture {
    Fixture() {
        dialogs.folder = dir.path();
        commands.SetScreenWidth(1024);
        // The same pages on every machine.
        commands.Printer().setPageSize(QPageSize(QPageSize::Letter));
        commands.Printer().setPageMargins(QMarginsF(0.5, 0.5, 0.5, 0.5), QPageLayout::Inch);
        QObject::connect(&commands, &ReportCommands::commandsEnabled, [this](bool on) { enabled.push_back(on); });
    }
    QApplication& app = App();  // before the widgets
    TempDir dir;
    ScriptedServices script;
    ScriptedReportDialogs dialogs;
    QWidget owner;
    ReportCommands commands{dir.path(), script, &owner, &dialogs};
    std::vector<bool> enabled;  // what the commands were told, in order
};

TEST(ReportOptionTest, PreselectsTheReportTypeAndGivesTheChoice) {
    App();
    for (int type : {kTextReport, kHtmlReport}) {
        frmReportOption dialog(type);
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Report Option"));
        auto* text = dialog.findChild<QRadioButton*>(QStringLiteral("optReport0"));
        auto* html = dialog.findChild<QRadioButton*>(QStringLiteral("optReport1"));
        EXPECT_EQ(html->isChecked(), type == kHtmlReport);
        QTest::mouseClick(type == kHtmlReport ? text : html, Qt::LeftButton);
        EXPECT_EQ(dialog.ReportType(), type == kHtmlReport ? kTextReport : kHtmlReport);
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("OKButton")), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
}

// The choice is remembered for the next command; a failed browser hand-off the user answers
// with OK gives the text report and makes text the choice again.
TEST(ReportCommandsTest, RemembersTheReportTypeAndFallsBackToText) {
    Fixture f;
    SeveralLog(f.dir.path());
    f.dialogs.types = {kHtmlReport, std::nullopt, kHtmlReport, kTextReport};
    f.script.browser = "/opt/web/browser";

    f.commands.cmdErrors_Click();  // HTML in the browser
    ASSERT_EQ(f.script.started.size(), 1u);
    EXPECT_EQ(f.script.started[0], "/opt/web/browser " + PathToUrl(f.dir / "temphtm.HTM"));
    EXPECT_EQ(f.commands.Window(), nullptr);
    f.commands.cmdPrint_Click();  // cancelled
    EXPECT_FALSE(f.commands.PrintFlag());
    f.script.browser.reset();
    f.script.answers = {MsgAnswer::Ok};  // "HTML Report": make a text report
    f.commands.cmdErrors_Click();
    ASSERT_NE(f.commands.Window(), nullptr);
    EXPECT_TRUE(f.commands.Window()->isVisible());
    EXPECT_EQ(f.script.Titles(), std::vector<std::string>{"HTML Report"});
    f.commands.cmdErrors_Click();

    EXPECT_EQ(f.dialogs.preselected, (std::vector<int>{kTextReport, kHtmlReport, kHtmlReport, kTextReport}));
    // Off while each report was made, on again after; nothing for the cancelled one.
    EXPECT_EQ(f.enabled, (std::vector<bool>{false, true, false, true, false, true}));
}

TEST(ReportCommandsTest, TheGuardAndAFailingLogShowAMessage) {
    struct Case {
        const char* name;
        std::function<void(const std::filesystem::path&)> make;
        std::string message;
    };
    const Case cases[] = {
        {"no log", [](const auto&) {}, "Results: No errors found in the submission!"},
        {"no error", [](const auto& d) { ErrorLog::CreateMDB(d).CloseDatabase(); },
         "Results: No errors found in the submission!"},
        {"damaged log", [](const auto& d) { WriteFile(d / "Errorlog.mdb", std::string(4096, 'x')); }, "Error Report: "},
    };
    for (const auto& c : cases) {
        Fixture f;
        c.make(f.dir.path());
        f.script.answers = {MsgAnswer::Ok};
        f.commands.cmdPrint_Click();
        ASSERT_EQ(f.script.messages.size(), 1u) << c.name;
        EXPECT_TRUE((f.script.messages[0].title + ": " + f.script.messages[0].text).starts_with(c.message)) << c.name;
        EXPECT_TRUE(f.dialogs.preselected.empty());
        EXPECT_FALSE(f.commands.PrintFlag());
    }
}

TEST(ReportWindowTest, PreviewFontAndSave) {
    Fixture f;
    SeveralLog(f.dir.path());
    f.dialogs.types = {kTextReport};
    f.commands.cmdErrors_Click();
    frmReport* window = f.commands.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Report"));
    const std::string report = FormatTextReport(LogReader(ErrorLog::PathIn(f.dir.path())), f.script, f.dir.path()).text;
    EXPECT_EQ(window->PreviewBox()->toPlainText(), MessageText(report));
    EXPECT_TRUE(window->PreviewBox()->isReadOnly());  // what is saved is the report
    EXPECT_TRUE(window->PreviewBox()->font().fixedPitch() || QFontInfo(window->PreviewBox()->font()).fixedPitch());

    // A 30-point font is printed in 20 points; Cancel keeps the font.
    f.script.fonts = {FontChoice{"DejaVu Sans Mono", 30}, std::nullopt};
    window->findChild<QPushButton*>(QStringLiteral("cmdFont"))->click();
    window->cmdFont_Click();
    EXPECT_EQ(window->PrintFont().name, "DejaVu Sans Mono");
    EXPECT_EQ(window->PrintFont().size, 20);
    EXPECT_EQ(window->PreviewBox()->font().pointSize(), 20);

    // Save As replaces an existing file with the report, in UTF-8.
    WriteFile(f.dir / "saved.txt", "an older and longer text than the report could be ... " + std::string(9000, '.'));
    f.script.saveFiles = {(f.dir / "saved.txt").string(), std::nullopt};
    window->findChild<QPushButton*>(QStringLiteral("cmdSave"))->click();
    window->cmdSave_Click();
    EXPECT_EQ(ReadFile(f.dir / "saved.txt"), Cp1252ToUtf8(report));
    EXPECT_EQ(f.script.saveTitles, (std::vector<std::string>{"Please Enter File Name", "Please Enter File Name"}));

    // A file that cannot be written is told, and the window stays.
    f.script.saveFiles = {(f.dir / "no folder/saved.txt").string()};
    f.script.answers = {MsgAnswer::Ok};
    window->cmdSave_Click();
    EXPECT_EQ(f.script.Titles(), std::vector<std::string>{"Error Report"});
    window->findChild<QPushButton*>(QStringLiteral("cmdClose"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(f.commands.Window(), nullptr);
}

// Pages 2 to 3 of a five-page report printed, the whole report saved as PDF, and the preview:
// the same pages with the same footers.
TEST(ReportWindowTest, PrintedPagesSavedPdfAndPreview) {
    if (!HavePdfToText()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    Fixture f;
    LongLog(f.dir.path(), 30, 60);
    f.dialogs.types = {kTextReport, kTextReport};
    f.dialogs.printAnswers = {{true, PageRange{2, 3}}};
    f.commands.cmdPrint_Click();
    ASSERT_EQ(f.dialogs.printDialogPages, std::vector<int>{5});
    EXPECT_EQ(f.commands.Window(), nullptr);
    const std::vector<std::string> printed = PdfPages(f.dir / "printed.pdf");
    EXPECT_EQ(Footers(printed), (std::vector<std::string>{"Page: 2", "Page: 3"}));
    for (const auto& page : printed) EXPECT_EQ(page.find("QUORVEX"), std::string::npos);

    f.commands.cmdErrors_Click();
    frmReport* window = f.commands.Window();
    ASSERT_NE(window, nullptr);
    f.script.saveFiles = {(f.dir / "report.pdf").string()};
    window->findChild<QPushButton*>(QStringLiteral("cmdPdf"))->click();
    window->findChild<QPushButton*>(QStringLiteral("cmdPreview"))->click();
    EXPECT_EQ(Footers(PdfPages(f.dir / "printed from preview.pdf")), (std::vector<std::string>{"Page: 2", "Page: 3"}));
    const std::vector<std::string> all = {"Page: 1", "Page: 2", "Page: 3", "Page: 4", "Page: 5"};
    for (const char* file : {"report.pdf", "preview.pdf"}) {
        const std::vector<std::string> pages = PdfPages(f.dir / file);
        EXPECT_EQ(Footers(pages), all) << file;
        ASSERT_FALSE(pages.empty());
        EXPECT_NE(pages[0].find("QUORVEX TAX YEAR 2008 ERROR REPORT"), std::string::npos);
        EXPECT_EQ(pages[1], printed[0]) << file;
    }

    // A PDF file that cannot be made is told.
    f.script.saveFiles = {(f.dir / "no folder/report.pdf").string()};
    f.script.answers = {MsgAnswer::Ok};
    window->cmdPdf_Click();
    EXPECT_EQ(f.script.Titles(), std::vector<std::string>{"Error Report"});

    // Each copy is a job of its own.
    f.dialogs.printAnswers = {{true, std::nullopt, 2}};
    EXPECT_EQ(window->PrintReport(&f.owner), 2);
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
    EXPECT_TRUE(box.testOption(QAbstractPrintDialog::PrintPageRange));
    EXPECT_FALSE(box.testOption(QAbstractPrintDialog::PrintSelection));
    EXPECT_FALSE(box.testOption(QAbstractPrintDialog::PrintToFile));
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
