#include <cstdlib>

#include <sys/resource.h>

#include <QElapsedTimer>
#include <QProcess>

#include "gui/gui_test_support.h"
#include "shell/error_limit.h"

namespace quorvex::test {
namespace {

// The desktop program must test a large file nearly as fast as the command line: the
// yields to the window and the progress display may cost at most 30 % more time.
// Runs only when QUORVEX_GUI_BENCH_FILE names the file (a million records, say).
TEST(GuiBenchmarkTest, WindowRunWithinOnePointThreeTimesTheCommandLine) {
    const char* file = std::getenv("QUORVEX_GUI_BENCH_FILE");
    if (!file || !*file) GTEST_SKIP() << "set QUORVEX_GUI_BENCH_FILE to a large submission file";

    TempDir cliDir;
    QProcess cli;
    QElapsedTimer clock;
    clock.start();
    cli.start(QStringLiteral(QUORVEX_CHECK_EXE),
              {QStringLiteral("--data-dir"), QString::fromStdString(cliDir.path().string()), QStringLiteral("--quiet"),
               QStringLiteral("--limit"), QStringLiteral("25000"), QString::fromLocal8Bit(file)});
    ASSERT_TRUE(cli.waitForFinished(600000));
    const double cliSeconds = clock.nsecsElapsed() / 1e9;

    TempDir guiDir;
    ASSERT_TRUE(SaveErrorLimit(guiDir.path(), 25000));
    ScriptedServices script;
    script.files = {std::string(file)};
    script.answers = {MsgAnswer::Ok, MsgAnswer::Ok};
    MainWindow window(Options(guiDir.path(), script));
    window.show();
    auto cpu = [](int who) {
        rusage u{};
        getrusage(who, &u);
        return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
    };
    const double cliCpu = cpu(RUSAGE_CHILDREN);
    const double cpuBefore = cpu(RUSAGE_SELF);
    clock.restart();
    window.StartTesting();
    const double guiSeconds = clock.nsecsElapsed() / 1e9;
    const double guiCpu = cpu(RUSAGE_SELF) - cpuBefore;
    std::printf("processor time: command line %.2f s, window %.2f s\n", cliCpu, guiCpu);

    const double ratio = guiSeconds / cliSeconds;
    std::printf("records %lld: command line %.2f s, window %.2f s, ratio %.3f, yields %d\n",
                static_cast<long long>(window.LastSummary().recordsTested), cliSeconds, guiSeconds, ratio,
                script.yields);
    EXPECT_LE(ratio, 1.3);
}

}  // namespace
}  // namespace quorvex::test
