#include <QAbstractButton>
#include <QAccessible>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProgressBar>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "gui/gui_test_support.h"
#include "history/gui/compare_window.h"
#include "history/gui/run_history_window.h"
#include "report/core/format_report.h"
#include "report/gui/print_font_dialog.h"
#include "report/gui/print_preview.h"
#include "report/gui/report_option_dialog.h"
#include "report/gui/report_window.h"
#include "results/gui/result_grid.h"
#include "results/gui/results_view.h"
#include "shell/gui/about_dialog.h"
#include "shell/gui/help_window.h"
#include "shell/gui/run_progress.h"
#include "shell/gui/set_errors_dialog.h"

namespace quorvex::test {
namespace {

// Opens the text report of the log in its window.
frmReport* OpenReport(Gui& g) {
    g.reports.types = {kTextReport};
    g.Click("cmdErrors");
    return g.window->findChild<frmReport*>();
}

// Where the window, its frame included, or one of its buttons is not whole on the screen.
std::string NotWhole(QWidget& w) {
    QApplication::processEvents();
    const QRect available = w.screen()->availableGeometry();
    std::string out;
    if (!available.contains(w.frameGeometry())) out += " frame";
    for (QAbstractButton* b : w.findChildren<QAbstractButton*>())
        if (b->isVisible() && b->window() == &w && !w.rect().contains(QRect(b->mapTo(&w, QPoint()), b->size())))
            out += " " + b->objectName().toStdString();
    return out.empty() ? out : w.objectName().toStdString() + ":" + out + "; ";
}

// On a 1024x768 screen every window opens whole and lays out its controls inside it, the
// main window too after it was used larger on a bigger screen.
TEST(WindowsTest, EveryWindowOpensWholeAt1024x768) {
    Gui g;
    ASSERT_EQ(g.window->screen()->geometry().size(), QSize(1024, 768));
    g.window->setGeometry(40, 160, 1200, 980);
    g.Reopen();
    RunWithAnError(g);
    RunWithAnError(g);
    std::vector<QWidget*> windows = {g.window.get(), OpenReport(g)};
    g.Click("mnuHContents");
    g.Click("mnuTSet");
    g.window->ShowAbout();
    for (const char* item : {"mnuVCompare", "mnuVHistory"})
        g.window->findChild<QAction*>(QString::fromLatin1(item))->trigger();
    for (QWidget* w :
         std::initializer_list<QWidget*>{g.window->findChild<HelpWindow*>(), g.window->findChild<SetErrorsDialog*>(),
                                         g.window->findChild<AboutDialog*>(), g.window->findChild<CompareWindow*>(),
                                         g.window->findChild<RunHistoryWindow*>()})
        windows.push_back(w);
    frmReportOption option(kTextReport, g.window.get());
    PrintFontDialog font(FontChoice{"Courier", 10}, 8, 20, g.window.get());
    windows.push_back(&option);
    windows.push_back(&font);
    std::string notWhole;
    for (QWidget* w : windows) {
        ASSERT_TRUE(w);
        w->show();
        notWhole += NotWhole(*w);
    }
    EXPECT_EQ(notWhole, "");
    EXPECT_EQ(g.window->size().boundedTo(QSize(1024, 768)), g.window->size());
}

// The report window: a frame named by its title on the accessibility bus, its text box
// named, Tab from the text through the buttons left to right; the report too large for the
// preview, with its save dialog cancelled, can still be saved whole.
TEST(WindowsTest, ReportWindowForReadersAndTheKeyboard) {
    Gui g;
    RunWithAnError(g);
    frmReport* report = OpenReport(g);
    ASSERT_TRUE(report);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(report);
    EXPECT_EQ(std::tuple(a->role(), Accessible(report), Accessible(Child(report, "Text1"))),
              std::tuple(QAccessible::Window, std::string("Report"), std::string("Error Report")));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(g.window->findChild<QMenu*>())->role(), QAccessible::PopupMenu);
    report->activateWindow();
    QApplication::setActiveWindow(report);
    Child(report, "Text1")->setFocus();
    std::string order;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order += QApplication::focusWidget()->objectName().toStdString() + " ";
    }
    EXPECT_EQ(order, "cmdPdf cmdPreview cmdPrint cmdFont cmdSave cmdClose ");
    // Under the buttons a margin, no more.
    const QRect close = report->findChild<QPushButton*>(QStringLiteral("cmdClose"))->geometry();
    EXPECT_LE(report->height() - close.bottom(), 12);

    TextPreview tooLarge;
    tooLarge.text = kTooLargeSentence;
    tooLarge.saveWhole = true;
    report->ShowPreview(tooLarge);
    auto* save = report->findChild<QPushButton*>(QStringLiteral("cmdSave"));
    EXPECT_TRUE(save->isEnabled());
    g.script.saveFiles = {(g.dir / "whole.txt").string()};
    save->click();
    const std::string whole = ReadFile(g.dir / "whole.txt");
    EXPECT_TRUE(whole.find("Err Num:") != std::string::npos && whole.find("12345678X") != std::string::npos) << whole;
}

// The print preview opens large and whole on its screen; Tab reaches every control, each
// named; Print, the pages and the zoom have their keys; Escape closes it.
TEST(WindowsTest, PrintPreviewForTheKeyboardAndReaders) {
    App();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    PrintPreview preview(printer, [](QPrinter* p) {
        QPainter painter(p);
        p->newPage();
        p->newPage();
    });
    int printed = 0;
    QObject::connect(&preview, &PrintPreview::printAsked, [&] { ++printed; });
    preview.show();
    QApplication::setActiveWindow(&preview);
    EXPECT_EQ(NotWhole(preview), "");
    EXPECT_GT(preview.width() * 100, preview.screen()->availableGeometry().width() * 85);
    preview.findChild<QWidget*>(QStringLiteral("cmdPrint"))->setFocus();
    std::string stops;
    do {
        stops += Accessible(QApplication::focusWidget()) + "|";
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    } while (QApplication::focusWidget()->objectName() != QLatin1String("cmdPrint") && stops.size() < 400);
    // (The zoom box is named by its choice and its label, "Zoom:".)
    EXPECT_EQ(stops, "Print...|Previous Page|Next Page|Page|Zoom Out|Zoom In|Fit Width|Close|Pages of the report|");
    // A key → the page shown, the zoom grown (+1) or shrunk (-1), the prints asked.
    const double fit = preview.Zoom();
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, int, int, int> keys[] = {
        {Qt::Key_PageDown, Qt::NoModifier, 2, 0, 0}, {Qt::Key_PageDown, Qt::NoModifier, 3, 0, 0},
        {Qt::Key_PageDown, Qt::NoModifier, 3, 0, 0}, {Qt::Key_PageUp, Qt::NoModifier, 2, 0, 0},
        {Qt::Key_Plus, Qt::ControlModifier, 2, 1, 0}, {Qt::Key_Minus, Qt::ControlModifier, 2, -1, 0},
        {Qt::Key_P, Qt::ControlModifier, 2, -1, 1},
    };
    for (const auto& [key, modifiers, page, zoom, prints] : keys) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        const int zoomed = preview.Zoom() > fit + 0.01 ? 1 : preview.Zoom() < fit - 0.01 ? -1 : 0;
        EXPECT_EQ(std::tuple(preview.CurrentPage(), zoomed, printed), std::tuple(page, zoom, prints)) << key;
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(preview.isVisible());
}

// The cells of a grid are focused for a reader only while the grid has the focus.
TEST(WindowsTest, GridCellsAreFocusedOnlyWithTheGrid) {
    Gui g;
    RunWithAnError(g);
    ResultsView& r = *g.window->Results();
    QApplication::setActiveWindow(g.window.get());
    const auto focusedCells = [&] {
        QApplication::processEvents();
        std::string out;
        for (ResultGrid* grid : {r.DBGrid1(), r.DBGrid2()}) {
            QAccessibleInterface* cell = QAccessible::queryAccessibleInterface(grid)->tableInterface()->cellAt(0, 0);
            if (cell && cell->state().focused) out += grid->objectName().toStdString();
        }
        return out;
    };
    r.DBGrid1()->setFocus();
    EXPECT_EQ(focusedCells(), "DBGrid1");
    g.window->findChild<QPushButton*>(QStringLiteral("cmdStart"))->setFocus();
    EXPECT_EQ(focusedCells(), "");
    // Back in the grid, the row it left is the current one again.
    r.DBGrid1()->setFocus();
    EXPECT_EQ(focusedCells(), "DBGrid1");
}

// The help page is a read-only document to a reader, its text readable through it; the
// arrow keys move a caret; Tab goes from link to link and past the last one to the buttons.
TEST(WindowsTest, HelpIsADocumentWithLinksByTab) {
    Gui g;
    g.Click("mnuHContents");
    auto* help = g.window->findChild<HelpWindow*>();
    ASSERT_TRUE(help);
    QAccessibleInterface* page = QAccessible::queryAccessibleInterface(help->Browser());
    ASSERT_TRUE(page->textInterface());
    const QString start = help->Browser()->toPlainText().left(20);
    EXPECT_EQ(std::tuple(page->role(), page->state().readOnly, page->textInterface()->text(0, 20)),
              std::tuple(QAccessible::Document, true, start));
    QApplication::setActiveWindow(help);
    help->Browser()->setFocus();
    QTest::keyClick(help->Browser(), Qt::Key_Down);
    EXPECT_GT(page->textInterface()->cursorPosition(), 0);
    std::string stops;
    for (int i = 0; i < 30 && QApplication::focusWidget() == help->Browser(); ++i) {
        QTest::keyClick(help->Browser(), Qt::Key_Tab);
        stops += help->Browser()->textCursor().hasSelection() ? "link " : "";
    }
    EXPECT_EQ(stops.substr(0, 10), "link link ");
    EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), "cmdHome");  // Back and Forward are off
}

// The prompt of the error limit and the picture of About have names.
TEST(WindowsTest, PromptAndPictureHaveNames) {
    Gui g;
    g.Click("mnuTSet");
    g.window->ShowAbout();
    auto* about = g.window->findChild<AboutDialog*>();
    ASSERT_TRUE(about);
    EXPECT_EQ(Accessible(g.window->findChild<QPlainTextEdit*>(QStringLiteral("txtMessage"))) + "|" +
                  Accessible(about->findChild<QWidget*>(QStringLiteral("imgLogo"))),
              "Set Error Limit|Orvanta logo");
}

// The bar shows how far the file is read, and a busy indicator while its length is not
// known or when the run has waited for a while without a record.
TEST(RunProgressTest, BusyWhileTheTotalIsUnknownOrNothingMoves) {
    App();
    QWidget central;
    RunProgress progress(&central, new QVBoxLayout(&central));
    std::string seen;
    const auto draw = [&](int times) {
        for (int i = 0; i < times; ++i) progress.Draw();
        seen += Child<QProgressBar>(&central, "lblPrgrss1")->maximum() == 0 ? "busy " : "share ";
    };
    progress.Keep(3, 3, 0);  // a pipe
    draw(1);
    progress.Keep(4, 4, 512 * 100);
    draw(1);
    draw(RunProgress::kStillDraws - 1);
    draw(1);
    progress.Keep(5, 5, 512 * 100);
    draw(1);
    progress.Hide();
    draw(0);
    EXPECT_EQ(seen, "busy share share busy share share ");
}

}  // namespace
}  // namespace quorvex::test
