#include <map>
#include <regex>

#include <QAbstractButton>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
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
#include "results/gui/record_viewer.h"
#include "results/gui/result_grid.h"
#include "results/gui/results_view.h"
#include "shell/gui/about_dialog.h"
#include "shell/gui/help_window.h"
#include "shell/gui/run_progress.h"
#include "shell/gui/set_errors_dialog.h"
#include "validation/layouts.h"

namespace quorvex::test {
namespace {

// Where the window, its frame included, or one of its buttons is not whole on the screen.
std::string NotWhole(QWidget& w) {
    QApplication::processEvents();
    const QRect available = w.screen()->availableGeometry();
    std::string out;
    if (!available.contains(w.frameGeometry())) out += " frame";
    for (QAbstractButton* b : w.findChildren<QAbstractButton*>())
        if (b->isVisible() && b->window() == &w && !w.rect().contains(QRect(b->mapTo(&w, QPoint()), b->size())))
            out.append(" ").append(b->objectName().toStdString());
    return out.empty() ? out : w.objectName().toStdString() + ":" + out + "; ";
}

// The controls of `w` shown that take the focus but have no name for a screen reader (one that
// hands its focus to another, as a spin box's editor does to the box, is read as that one).
std::string Unnamed(const QWidget& w) {
    QApplication::processEvents();
    std::string out;
    for (QWidget* c : w.findChildren<QWidget*>()) {
        if (c->focusPolicy() == Qt::NoFocus || !c->isVisible() || c->focusProxy()) continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
        if (!a || a->text(QAccessible::Name).trimmed().isEmpty()) out += c->objectName().toStdString() + " ";
    }
    return out;
}

// Captions whose access key ("&" before it, "&&" is an ampersand) an earlier caption of the
// same scope has: the menu bar with the buttons of a window, and the items of each menu.
std::string DuplicateAccessKeys(QWidget& window) {
    std::vector<QStringList> scopes(1);
    if (auto* bar = window.findChild<QMenuBar*>())
        for (QAction* a : bar->actions()) scopes[0] << a->text();
    for (auto* button : window.findChildren<QAbstractButton*>())
        if (button->window() == &window) scopes[0] << button->text();
    for (auto* menu : window.findChildren<QMenu*>()) {
        scopes.emplace_back();
        for (QAction* a : menu->actions()) scopes.back() << a->text();
    }
    std::string out;
    for (const QStringList& scope : scopes) {
        std::map<QKeySequence, QString> seen;
        for (const QString& caption : scope) {
            const QKeySequence key = QKeySequence::mnemonic(caption);
            if (!key.isEmpty() && !seen.emplace(key, caption).second)
                out += (seen[key] + u'/' + caption + u' ').toStdString();
        }
    }
    return out;
}

// On a 1024x768 screen every window of the program opens whole and lays out its controls
// inside it, the main window too after it was used larger on a bigger screen; each window
// gives each access key once and a name to each control a reader reaches. The option dialog
// is wide enough for its title and its box's; the prompt of the error limit and the picture
// of About have names.
TEST(WindowsTest, EveryWindowOpensWholeAt1024x768WithItsOwnAccessKeys) {
    Gui g;
    ASSERT_EQ(g.window->screen()->geometry().size(), QSize(1024, 768));
    g.window->setGeometry(40, 160, 1200, 980);
    g.Reopen();
    RunWithAnError(g);
    RunWithAnError(g);
    QWidget* report = g.OpenReport();
    for (const char* item : {"mnuHContents", "mnuTSet", "mnuHAbout", "mnuVCompare", "mnuVHistory"}) g.Click(item);
    auto* setErrors = g.window->findChild<SetErrorsDialog*>();
    auto* about = g.window->findChild<AboutDialog*>();
    frmReportOption option(kTextReport, g.window.get());
    PrintFontDialog font(FontChoice{"Courier", 10}, 8, 20, g.window.get());
    option.show();
    font.show();
    std::string notWhole;
    for (QWidget* w : std::initializer_list<QWidget*>{g.window.get(), report, g.window->findChild<HelpWindow*>(),
                                                      setErrors, about, g.window->findChild<CompareWindow*>(),
                                                      g.window->findChild<RunHistoryWindow*>(), &option, &font}) {
        ASSERT_TRUE(w && w->isVisible()) << notWhole;
        notWhole += NotWhole(*w) + DuplicateAccessKeys(*w) + Unnamed(*w);
    }
    EXPECT_EQ(notWhole, "");
    EXPECT_EQ(g.window->size().boundedTo(QSize(1024, 768)), g.window->size());
    auto* box = option.findChild<QGroupBox*>();
    EXPECT_GE(box->width(), box->fontMetrics().horizontalAdvance(box->title()) + 10);
    EXPECT_GT(option.width(), option.fontMetrics().horizontalAdvance(option.windowTitle()) + 100);
    EXPECT_EQ(Accessible(Child(setErrors, "txtMessage")) + "|" + Accessible(Child(about, "imgLogo")),
              "Set Error Limit|Orvanta logo");
}

// The help opens wholly on the screen, even beside a window at the screen's edge; the fields
// its examples name exist, and it tells of the report's commands. The page is a read-only
// document to a reader, its text readable through it; the arrow keys move a caret; Tab goes
// from link to link and past the last one to the buttons; Escape closes it.
//
// What a screen reader is told: every control that takes the focus has a name, in every
// view; the grids are named by their captions, a value box by its field, a highlighted
// one also says what is wrong, and the logo is described. The cells of a grid are focused
// for a reader only while the grid has the focus. The report window: a frame named by its
// title on the accessibility bus, its text box named, Tab from the text through the buttons
// left to right; the report too large for the preview, with its save dialog cancelled, can
// still be saved whole.
TEST(WindowsTest, HelpViewsAndReportWindowForReadersAndTheKeyboard) {
    Gui g;
    const QRect screen = g.window->screen()->availableGeometry();
    g.window->move(screen.right() - 100, screen.bottom() - 100);
    g.Click("mnuHContents");
    auto* help = g.window->findChild<HelpWindow*>();
    ASSERT_TRUE(help && help->isVisible());
    EXPECT_TRUE(screen.contains(help->frameGeometry()));
    const std::string text = help->Browser()->toPlainText().toStdString();
    static const std::regex reference(R"re("([A-Za-z ,]+ \[Position \d+ - \d+\])")re");
    int examples = 0;
    for (std::sregex_iterator m(text.begin(), text.end(), reference), end; m != end; ++m, ++examples) {
        bool found = false;
        for (int type = 0; type <= static_cast<int>(RecordType::RF); ++type)
            for (const FieldLayout& f : Layout(RecordType(type))) found = found || Reference(f) == (*m)[1].str();
        EXPECT_TRUE(found) << (*m)[1].str();
    }
    EXPECT_EQ(examples, 1);
    EXPECT_NE(text.find("Preview..."), std::string::npos);
    EXPECT_NE(text.find("Save as PDF..."), std::string::npos);
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
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A);  // a key the help has no use for leaves it open
    EXPECT_TRUE(help->isVisible());
    QTest::keyClick(help->Browser(), Qt::Key_Escape);
    EXPECT_FALSE(help->isVisible());

    EXPECT_EQ(Unnamed(*g.window), "") << "welcome";
    QWidget* logo = g.window->findChild<QWidget*>(QStringLiteral("imgLogo"));
    EXPECT_FALSE(Accessible(logo).empty() || Accessible(logo, QAccessible::Description).empty());
    // (The errors view's names are checked with every window, above.)
    RunWithAnError(g);
    ResultsView& r = *g.window->Results();
    EXPECT_EQ(Accessible(r.DBGrid1()) + "|" + Accessible(r.DBGrid2()) + "|" + Accessible(Child(&r, "txtCritError")),
              "Record(s)|Quorvex Error(s) that Need to be Corrected|Quorvex Testing Stopped");
    QApplication::setActiveWindow(g.window.get());
    // The grids whose first cell a reader is told is focused, with the focus on each of these
    // in turn (back in the grid, the row it left is the current one again).
    std::string focusedCells;
    for (QWidget* w : std::initializer_list<QWidget*>{r.DBGrid1(), Child(g.window.get(), "cmdStart"), r.DBGrid1()}) {
        w->setFocus();
        QApplication::processEvents();
        for (ResultGrid* grid : {r.DBGrid1(), r.DBGrid2()}) {
            QAccessibleInterface* cell = QAccessible::queryAccessibleInterface(grid)->tableInterface()->cellAt(0, 0);
            if (cell && cell->state().focused) focusedCells += grid->objectName().toStdString();
        }
        focusedCells += "|";
    }
    EXPECT_EQ(focusedCells, "DBGrid1||DBGrid1|");
    g.Click("cmdView");
    r.DBGrid3()->selectRow(2);
    EXPECT_EQ(Unnamed(*g.window), "") << "tested";
    QAccessibleInterface* ssn = QAccessible::queryAccessibleInterface(r.Viewer())->tableInterface()->cellAt(1, 1);
    EXPECT_EQ(Accessible(r.DBGrid3()) + "|" + Accessible(r.Viewer()) + "|" + ssn->text(QAccessible::Name).toStdString(),
              "5 Record(s) Tested|Record Fields|SSN [Position 3 - 11]: 12345678X");
    EXPECT_EQ(ssn->text(QAccessible::Description).toStdString().rfind("Fails its checks: ", 0), 0u);

    frmReport* report = g.OpenReport();
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
    EXPECT_LE(report->height() - Child(report, "cmdClose")->geometry().bottom(), 12);

    report->ShowPreview(TextPreview{.text = std::string(kTooLargeSentence), .saveWhole = true, .saveFileName = {}});
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

// The bar shows how far the file is read, and a busy indicator while its length is not
// known or when the run has waited for a while without a record.
TEST(RunProgressTest, BusyWhileTheTotalIsUnknownOrNothingMoves) {
    App();
    QWidget central;
    RunProgress progress(&central, new QVBoxLayout(&central));
    // The record kept first (0: none, -1: the bar hidden), the file's length (0: a pipe), the
    // draws after it → the bar busy.
    const std::tuple<int, std::uint64_t, int, bool> steps[] = {
        {3, 0, 1, true}, {4, 512 * 100, 1, false}, {0, 0, RunProgress::kStillDraws - 1, false},
        {0, 0, 1, true}, {5, 512 * 100, 1, false}, {-1, 0, 0, false}};
    for (const auto& [record, length, draws, busy] : steps) {
        if (record > 0) progress.Keep(record, record, length);
        if (record < 0) progress.Hide();
        for (int i = 0; i < draws; ++i) progress.Draw();
        EXPECT_EQ(Child<QProgressBar>(&central, "lblPrgrss1")->maximum() == 0, busy) << record;
    }
}

}  // namespace
}  // namespace quorvex::test
