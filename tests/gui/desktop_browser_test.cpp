#include <sys/stat.h>

#include <QElapsedTimer>
#include <QTest>

#include "gui/gui_test_support.h"
#include "shell/gui/desktop_browser.h"
#include "shell/gui/qt_dialog_services.h"

namespace quorvex::test {
namespace {

TEST(DesktopBrowserTest, CommandOfADesktopEntry) {
    struct Case {
        const char* entry;
        QStringList command;
    };
    const Case cases[] = {
        {"[Desktop Entry]\nName=Web\nExec=firefox %u\n", {"firefox"}},
        {"[Desktop Entry]\nExec=/usr/bin/flatpak run --branch=stable org.mozilla.firefox @@u %u @@\n",
         {"/usr/bin/flatpak", "run", "--branch=stable", "org.mozilla.firefox"}},
        {"[Desktop Entry]\nExec=\"/opt/My Browser/web\" --new-window %U\n[Desktop Action new]\nExec=other\n",
         {"/opt/My Browser/web", "--new-window"}},
        {"[Desktop Action x]\nExec=wrong\n[Desktop Entry]\nExecutable=no\nExec = right 100%% %f\n", {"right", "100%"}},
        {"[Desktop Entry]\nName=No command\n", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(DesktopEntryCommand(QString::fromLatin1(c.entry)), c.command) << c.entry;
}

// The lookup through stand-ins for xdg-mime and gio on a path of their own, and the start of
// the browser it finds, whose folder has a blank in its name.
TEST(DesktopBrowserTest, DefaultBrowserIsFoundAndStarted) {
    App();
    TempDir dir;
    const std::filesystem::path bin = dir / "bin", apps = dir / "data/applications", web = dir / "my web";
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(apps);
    std::filesystem::create_directories(web);
    const std::filesystem::path args = dir / "args.txt";
    WriteFile(web / "browser", "#!/bin/sh\necho \"$@\" > '" + args.string() + "'\n");
    ::chmod((web / "browser").c_str(), 0755);
    WriteFile(apps / "web.desktop", "[Desktop Entry]\nExec=\"" + (web / "browser").string() + "\" --new %u\n");
    auto tool = [&](const char* name, const std::string& answer) {
        WriteFile(bin / name, "#!/bin/sh\nprintf '" + answer + "'\n");
        ::chmod((bin / name).c_str(), 0755);
    };
    const QByteArray path = qgetenv("PATH"), dataHome = qgetenv("XDG_DATA_HOME"), dataDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("PATH", QByteArray::fromStdString(bin.string()));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((dir / "data").string()));
    qputenv("XDG_DATA_DIRS", QByteArray::fromStdString((dir / "none").string()));

    QtDialogServices services;
    struct Case {
        const char* xdgMime;  // nullptr: not installed
        const char* gio;
        std::optional<std::string> program;
    };
    const std::string browser = "\"" + (web / "browser").string() + "\" --new";
    const Case cases[] = {
        {nullptr, nullptr, QtDialogServices::kDesktopBrowser},
        {"web.desktop\\n", nullptr, browser},
        {"\\n", nullptr, std::nullopt},
        {"\\n", "Default application for \"text/html\": web.desktop\\nRegistered applications:\\n", browser},
        {nullptr, "No default applications for \"text/html\"\\n", std::nullopt},
        {"gone.desktop\\n", nullptr, std::nullopt},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(bin / "xdg-mime");
        std::filesystem::remove(bin / "gio");
        if (c.xdgMime) tool("xdg-mime", c.xdgMime);
        if (c.gio) tool("gio", c.gio);
        EXPECT_EQ(services.AssociatedProgram("/tmp/temphtm.HTM"), c.program) << (c.xdgMime ? c.xdgMime : "-");
    }

    EXPECT_TRUE(services.StartProgram(browser, "file:///tmp/temphtm.HTM"));
    QElapsedTimer clock;
    clock.start();
    while (!std::filesystem::exists(args) && clock.elapsed() < 5000) QTest::qWait(20);
    QTest::qWait(50);
    EXPECT_EQ(ReadFile(args), "--new file:///tmp/temphtm.HTM\n");
    EXPECT_FALSE(services.StartProgram("\"" + (dir / "no browser").string() + "\"", "file:///tmp/temphtm.HTM"));

    for (auto [name, value] : {std::pair{"PATH", path}, {"XDG_DATA_HOME", dataHome}, {"XDG_DATA_DIRS", dataDirs}}) {
        if (value.isNull()) {
            qunsetenv(name);
        } else {
            qputenv(name, value);
        }
    }
}

}  // namespace
}  // namespace quorvex::test
