#include <sys/stat.h>

#include <QFontInfo>
#include <QPainter>
#include <QProcess>
#include <QSpinBox>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>
#include <QTimer>

#include "gui/gui_test_support.h"
#include "report/core/html_report.h"
#include "shell/gui/desktop_browser.h"
#include "report/gui/print_font_dialog.h"
#include "shell/gui/qt_dialog_services.h"
#include "common/gui/focus_style.h"
#include "common/gui/text_codec.h"

namespace quorvex::test {
namespace {

// A path in double quotes, as a desktop entry names a program.
std::string Quoted(const std::filesystem::path& path) { return std::string("\"").append(path.string()).append("\""); }

// A focused button is ringed in the highlight colour all round, at both scales; the
// platform style alone draws a faint line.
TEST(FocusFrameStyleTest, FocusedButtonIsRinged) {
    App();
    for (const auto& [ring, scale] : {std::pair(false, 1), std::pair(true, 1), std::pair(true, 2)}) {
        std::unique_ptr<QStyle> style(ring ? new FocusFrameStyle(QStringLiteral("Fusion"))
                                           : QStyleFactory::create(QStringLiteral("Fusion")));
        QImage image(120 * scale, 30 * scale, QImage::Format_RGB32);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::white);
        QStyleOptionButton option;
        option.rect = QRect(0, 0, 120, 30);
        option.palette = style->standardPalette();
        option.state = QStyle::State_Enabled | QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
        option.text = QStringLiteral("OK");
        QPainter painter(&image);
        style->drawControl(QStyle::CE_PushButton, &option, &painter);
        painter.end();
        const QRgb highlight = option.palette.color(QPalette::Active, QPalette::Highlight).rgb();
        int ringed = 0;  // the outermost row and column of pixels on every side
        for (int x = 0; x < image.width(); ++x)
            ringed += (image.pixel(x, 0) == highlight) + (image.pixel(x, image.height() - 1) == highlight);
        for (int y = 0; y < image.height(); ++y)
            ringed += (image.pixel(0, y) == highlight) + (image.pixel(image.width() - 1, y) == highlight);
        EXPECT_EQ(ringed == 2 * (image.width() + image.height()), ring) << scale;
    }
}

// The browser's command from its desktop entry; a command as one line and back. The browser
// started with the arguments of its command and the address.
TEST(DesktopBrowserTest, BrowserIsStarted) {
    EXPECT_EQ(DesktopEntryCommand(QStringLiteral("[Desktop Action new]\nExec=wrong\n[Desktop Entry]\nExecutable=no\n"
                                                 "Exec = \"/opt/my web/br\" --a %U @@u %% @@\n")),
              (QStringList{QStringLiteral("/opt/my web/br"), QStringLiteral("--a"), QStringLiteral("%")}));
    const QStringList command{QStringLiteral("/opt/my web/br"), QStringLiteral("say \"hi\""), QStringLiteral("-x")};
    EXPECT_EQ(SplitCommand(JoinCommand(command)), command);
    App();
    TempDir dir;
    std::filesystem::create_directory(dir / "my web");
    WriteFile(dir / "my web/browser", "#!/bin/sh\necho \"$@\" > '" + (dir / "args.txt").string() + "'\n");
    ::chmod((dir / "my web/browser").c_str(), 0755);
    QtDialogServices services;
    EXPECT_TRUE(services.StartProgram(Quoted(dir / "my web/browser") + " --new", "file:///tmp/t.HTM"));
    for (int i = 0; i < 250 && ReadFile(dir / "args.txt").empty(); ++i) QTest::qWait(20);
    EXPECT_EQ(ReadFile(dir / "args.txt"), "--new file:///tmp/t.HTM\n");
    EXPECT_FALSE(services.StartProgram(Quoted(dir / "no browser"), "file:///tmp/t.HTM"));
    // A browser that ends with an error at once (one that cannot run here) failed.
    WriteFile(dir / "my web/failing", "#!/bin/sh\nexit 1\n");
    ::chmod((dir / "my web/failing").c_str(), 0755);
    EXPECT_FALSE(services.StartProgram(Quoted(dir / "my web/failing"), "file:///tmp/t.HTM"));
}

// The HTML report printed keeps the words of its columns whole, however wide the user
// entries are.
TEST(QtDialogServicesTest, PrintedReportPageKeepsWordsWhole) {
    App();
    HtmlReportSink sink(BreakWidth(1920));
    sink.Summary(ReportCounts{3, 1, 1});
    sink.RecordHeader(RecordHeading{3, "RW", "SSN: 123456789"});
    sink.ErrorBlock(ErrorRow{12, false, 3, "Employee Name [Position 40 - 151]", std::string(300, 'W'),
                             "The name must not hold digits or characters other than letters."});
    sink.End();
    QTextDocument page;
    LoadPrintedPage(page, sink.Text().Utf8());
    page.setTextWidth(620);  // a Letter page within its margins
    QTextTable* table = nullptr;
    for (QTextFrame* frame : page.rootFrame()->childFrames())
        if (auto* t = qobject_cast<QTextTable*>(frame); t && t->columns() == 4) table = t;
    ASSERT_TRUE(table);
    page.size();  // laid out
    std::string lines;
    for (int row : {0, 2}) {
        const QTextBlock block = table->cellAt(row, 0).firstCursorPosition().block();
        for (int i = 0; i < block.layout()->lineCount(); ++i) {
            const QTextLine line = block.layout()->lineAt(i);
            lines += block.text().mid(line.textStart(), line.textLength()).trimmed().toStdString() + "/";
        }
        lines += "|";
    }
    EXPECT_TRUE(lines == "Err Num/|12/|" || lines == "Err/Num/|12/|") << lines;
}

// The real program: --help and --version answer without a display, and end normally;
// unattended, it is ready in its folder, and a second one there is refused and ends.
TEST(DesktopProgramTest, HelpVersionAndOnePerProgramFolder) {
    App();
    // The program started with `arguments`: unattended, or without a display.
    const auto start = [](QProcess& p, const QStringList& arguments, bool unattended) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            if (!unattended) env.remove(QString::fromLatin1(name));
        if (unattended) env.insert(QStringLiteral("QUORVEX_UNATTENDED"), QStringLiteral("1"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(QUORVEX_GUI_EXE), arguments);
    };
    for (const auto& [option, said] : {std::pair("--help", "--data-dir <DIR>"), std::pair("--version", "Quorvex "),
                                     std::pair("--help-all", "--data-dir <DIR>")}) {
        QProcess p;
        start(p, {QString::fromLatin1(option)}, false);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(std::pair(p.exitStatus(), p.exitCode()), std::pair(QProcess::NormalExit, 0)) << option;
        EXPECT_TRUE(p.readAllStandardOutput().contains(said)) << option;
    }
    TempDir dir;
    const QStringList folder{QStringLiteral("--data-dir"), QString::fromStdString(dir.path().string())};
    QProcess first, second;
    start(first, folder, true);
    first.setReadChannel(QProcess::StandardError);
    QByteArray said;
    for (int i = 0; i < 500 && !said.contains("ready in"); ++i) first.waitForReadyRead(20), said += first.readAll();
    start(second, folder, true);
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_TRUE(second.readAllStandardError().contains("(critical): This program is already running."));
    EXPECT_EQ(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished();
}

// The dialogs' text: code page 1252 both ways, line ends, the file filters. Save dialogs add
// the chosen filter's extension; the font dialog starts from the print font as drawn; dialogs
// belong to the window in use.
TEST(QtDialogServicesTest, TextFiltersSuffixFontAndOwner) {
    App();
    EXPECT_EQ(FromCp1252("\x80\x8a\xe9\x81"), QString::fromUtf16(u"\u20ac\u0160\u00e9\u0081"));  // unassigned kept
    EXPECT_EQ(ToCp1252(QString::fromUtf16(u"\u4e2d")), "?");
    for (int b = 0; b < 256; ++b) EXPECT_EQ(ToCp1252(FromCp1252(std::string(1, char(b)))), std::string(1, char(b)));
    EXPECT_EQ(MessageText("a\r\nb\rc"), QStringLiteral("a\nb\nc"));
    EXPECT_EQ(NameFilters("All Files (*.*)|*.*|Text (*.txt; *.asc) |*.txt;*.asc|Lonely|"),
              (QStringList{QStringLiteral("All Files (*)"), QStringLiteral("Text (*.txt *.asc)")}));
    for (auto [filter, suffix] : {std::pair{"ASCII Text Files (*.txt)", "txt"}, {"PDF Files (*.pdf)", "pdf"},
                                  {"All Files (*.*)", ""}, {"Pages (*.htm *.html)", "htm"}})
        EXPECT_EQ(FilterSuffix(QString::fromLatin1(filter)), QString::fromLatin1(suffix)) << filter;
    const QFont start = PrintFontDialog::StartFont({"Courier", 10});
    EXPECT_TRUE(QFontInfo(start).fixedPitch()) << start.family().toStdString();
    EXPECT_EQ(std::pair(start.family(), start.pointSize()), std::pair(QFontInfo(start).family(), 10));

    // The font dialog offers fixed-pitch fonts in sizes 8 to 20; OK without a change keeps
    // the print font (a missing name becomes its fixed-pitch stand-in).
    QtReportDialogs fonts;
    for (const auto& [current, size] :
         {std::pair{FontChoice{"Courier", 10}, 10}, {FontChoice{"DejaVu Sans Mono", 30}, 20}}) {
        PrintFontDialog dialog(current, 8, 20);
        EXPECT_EQ(std::pair(dialog.Size()->minimum(), dialog.Size()->maximum()), std::pair(8, 20));
        QTimer::singleShot(0, [] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* shown = qobject_cast<PrintFontDialog*>(top); shown && shown->isVisible()) shown->accept();
        });
        const std::optional<FontChoice> chosen = fonts.ChooseFont(nullptr, "Select Print Font", current, 8, 20);
        ASSERT_TRUE(chosen);
        EXPECT_TRUE(QFontInfo(QFont(QString::fromStdString(chosen->name), chosen->size)).fixedPitch()) << chosen->name;
        EXPECT_EQ(std::pair(chosen->name, chosen->size), std::pair(dialog.Chosen().name, size));
    }

    QWidget main, report(&main, Qt::Window);
    QtDialogServices services(&main);
    main.show();
    report.show();
    report.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&report));
    EXPECT_EQ(services.DialogOwner(), &report);
}

}  // namespace
}  // namespace quorvex::test
