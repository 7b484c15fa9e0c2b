#include <sys/stat.h>

#include <QTest>

#include "gui/gui_test_support.h"
#include "shell/gui/qt_dialog_services.h"
#include "shell/gui/text_codec.h"

namespace quorvex::test {
namespace {

// The browser started with the arguments of its command and the address.
TEST(DesktopBrowserTest, BrowserIsStarted) {
    App();
    TempDir dir;
    std::filesystem::create_directory(dir / "my web");
    WriteFile(dir / "my web/browser", "#!/bin/sh\necho \"$@\" > '" + (dir / "args.txt").string() + "'\n");
    ::chmod((dir / "my web/browser").c_str(), 0755);
    QtDialogServices services;
    EXPECT_TRUE(services.StartProgram("\"" + (dir / "my web/browser").string() + "\" --new", "file:///tmp/t.HTM"));
    for (int i = 0; i < 250 && ReadFile(dir / "args.txt").empty(); ++i) QTest::qWait(20);
    EXPECT_EQ(ReadFile(dir / "args.txt"), "--new file:///tmp/t.HTM\n");
    EXPECT_FALSE(services.StartProgram("\"" + (dir / "no browser").string() + "\"", "file:///tmp/t.HTM"));
}

TEST(TextCodecTest, CodePage1252BothWaysAndFileFilters) {
    EXPECT_EQ(FromCp1252("\x80\x8a\xe9\x81"), QString::fromUtf16(u"\u20ac\u0160\u00e9\u0081"));  // unassigned kept
    EXPECT_EQ(ToCp1252(QString::fromUtf16(u"\u4e2d")), "?");
    for (int b = 0; b < 256; ++b) EXPECT_EQ(ToCp1252(FromCp1252(std::string(1, char(b)))), std::string(1, char(b)));
    EXPECT_EQ(MessageText("a\r\nb\rc"), QStringLiteral("a\nb\nc"));
    EXPECT_EQ(NameFilters("All Files (*.*)|*.*|Text (*.txt; *.asc) |*.txt;*.asc|Lonely|"),
              (QStringList{QStringLiteral("All Files (*)"), QStringLiteral("Text (*.txt *.asc)")}));
}

}  // namespace
}  // namespace quorvex::test
