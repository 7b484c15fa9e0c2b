#include <sys/stat.h>

#include <QTest>

#include "gui/gui_test_support.h"
#include "shell/gui/desktop_browser.h"
#include "shell/gui/qt_dialog_services.h"

namespace quorvex::test {
namespace {

TEST(DesktopBrowserTest, CommandOfADesktopEntry) {
    const std::pair<const char*, QStringList> cases[] = {
        {"[Desktop Entry]\nName=Web\nExec=firefox %u\n", {"firefox"}},
        {"[Desktop Entry]\nExec=/usr/bin/flatpak run --branch=stable org.x.web @@u %u @@\n",
         {"/usr/bin/flatpak", "run", "--branch=stable", "org.x.web"}},
        {"[Desktop Entry]\nExec=\"/opt/My Browser/web\" --new-window %U\n[Desktop Action new]\nExec=other\n",
         {"/opt/My Browser/web", "--new-window"}},
        {"[Desktop Action x]\nExec=wrong\n[Desktop Entry]\nExecutable=no\nExec = right 100%% %f\n", {"right", "100%"}},
        {"[Desktop Entry]\nName=No command\n", {}},
    };
    for (const auto& [entry, command] : cases) EXPECT_EQ(DesktopEntryCommand(QString::fromLatin1(entry)), command) << entry;
}

// The lookup through stand-ins for xdg-mime and gio on a path of their own, and the start of
// the browser it finds, whose folder has a blank in its name.
TEST(DesktopBrowserTest, DefaultBrowserIsFoundAndStarted) {
    App();
    TempDir dir;
    const std::filesystem::path bin = dir / "bin", apps = dir / "data/applications", web = dir / "my web";
    for (const auto& d : {bin, apps, web}) std::filesystem::create_directories(d);
    const auto script = [](const std::filesystem::path& file, const std::string& body) {
        WriteFile(file, "#!/bin/sh\n" + body + "\n");
        ::chmod(file.c_str(), 0755);
    };
    script(web / "browser", "echo \"$@\" > '" + (dir / "args.txt").string() + "'");
    WriteFile(apps / "web.desktop", "[Desktop Entry]\nExec=\"" + (web / "browser").string() + "\" --new %u\n");
    const QByteArray path = qgetenv("PATH"), dataHome = qgetenv("XDG_DATA_HOME"), dataDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("PATH", QByteArray::fromStdString(bin.string()));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((dir / "data").string()));
    qputenv("XDG_DATA_DIRS", QByteArray::fromStdString((dir / "none").string()));

    QtDialogServices services;
    const std::string browser = "\"" + (web / "browser").string() + "\" --new";
    const std::tuple<const char*, const char*, std::optional<std::string>> cases[] = {
        {nullptr, nullptr, QtDialogServices::kDesktopBrowser},  // neither tool installed
        {"web.desktop\\n", nullptr, browser},
        {"\\n", nullptr, std::nullopt},
        {"\\n", "Default application for \"text/html\": web.desktop\\nRegistered applications:\\n", browser},
        {nullptr, "No default applications for \"text/html\"\\n", std::nullopt},
        {"gone.desktop\\n", nullptr, std::nullopt},
    };
    for (const auto& [xdgMime, gio, program] : cases) {
        std::filesystem::remove(bin / "xdg-mime");
        std::filesystem::remove(bin / "gio");
        if (xdgMime) script(bin / "xdg-mime", std::string("printf '") + xdgMime + "'");
        if (gio) script(bin / "gio", std::string("printf '") + gio + "'");
        EXPECT_EQ(services.AssociatedProgram("/tmp/temphtm.HTM"), program) << (xdgMime ? xdgMime : "-");
    }
    EXPECT_TRUE(services.StartProgram(browser, "file:///tmp/temphtm.HTM"));
    for (int i = 0; i < 250 && !std::filesystem::exists(dir / "args.txt"); ++i) QTest::qWait(20);
    QTest::qWait(50);
    EXPECT_EQ(ReadFile(dir / "args.txt"), "--new file:///tmp/temphtm.HTM\n");
    EXPECT_FALSE(services.StartProgram("\"" + (dir / "no browser").string() + "\"", "file:///tmp/temphtm.HTM"));
    for (auto [name, value] : {std::pair{"PATH", path}, {"XDG_DATA_HOME", dataHome}, {"XDG_DATA_DIRS", dataDirs}})
        value.isNull() ? void(qunsetenv(name)) : void(qputenv(name, value));
}

}  // namespace
}  // namespace quorvex::test
