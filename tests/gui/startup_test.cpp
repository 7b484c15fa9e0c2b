#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include "gui/gui_test_support.h"

namespace quorvex::test {
namespace {

// The desktop program unattended on `folder`: its messages go to standard error.
struct Program {
    explicit Program(const std::filesystem::path& folder) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUORVEX_UNATTENDED"), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((folder.parent_path() / "config").string()));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(QUORVEX_GUI_EXE), {QStringLiteral("--data-dir"), QString::fromStdString(folder.string())});
    }
    ~Program() {
        process.kill();
        process.waitForFinished(5000);
    }
    // Waits until standard error holds `text`.
    bool Says(const char* text) {
        QElapsedTimer clock;
        clock.start();
        while (!err.contains(text) && clock.elapsed() < 15000) {
            if (process.state() == QProcess::NotRunning && !process.waitForReadyRead(0)) {
                err += process.readAllStandardError();
                break;
            }
            process.waitForReadyRead(100);
            err += process.readAllStandardError();
        }
        return err.contains(text);
    }
    QProcess process;
    QByteArray err;
};

// One program per folder, a command-line run included; a crashed one does not block.
TEST(StartupTest, SecondInstanceIsRefusedAndACrashedOneDoesNotBlock) {
    TempDir dir;
    Program first(dir / "folder");
    ASSERT_TRUE(first.Says("quorvex: ready")) << first.err.toStdString();
    Program second(dir / "folder");
    EXPECT_TRUE(second.Says("(critical): This program is already running.")) << second.err.toStdString();
    second.process.waitForFinished(15000);
    EXPECT_EQ(second.process.state(), QProcess::NotRunning);
    EXPECT_EQ(second.process.exitCode(), 0);
    QProcess check;
    check.start(QStringLiteral(QUORVEX_CHECK_EXE), {QStringLiteral("--data-dir"), QString::fromStdString((dir / "folder").string()), QStringLiteral("-")});
    ASSERT_TRUE(check.waitForFinished(15000));
    EXPECT_EQ(check.exitCode(), 3);

    Program elsewhere(dir / "other");
    EXPECT_TRUE(elsewhere.Says("quorvex: ready"));
    first.process.kill();
    first.process.waitForFinished(5000);
    Program third(dir / "folder");
    EXPECT_TRUE(third.Says("quorvex: ready")) << third.err.toStdString();
}

}  // namespace
}  // namespace quorvex::test
