// bench_gui: times the desktop program's test run of a file against quorvex-check on the
// same file, in one process run, taking turns K rounds, and prints the ratio of the best
// times, wall clock and CPU (target: at most 1.05).
//
//   QT_QPA_PLATFORM=offscreen bench_gui FILE [--check-exe PATH] [--repeat K]

#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include "common/error_limit.h"
#include "errorlog/log_reader.h"
#include "shell/gui/main_window.h"

namespace {

// Answers the first file dialog with the file and every message box with its first button.
class BenchServices : public quorvex::DialogServices {
public:
    explicit BenchServices(std::string file) : file_(std::move(file)) {}
    std::optional<std::string> OpenFile(quorvex::FileAsked) override {
        return std::exchange(file_, std::nullopt);
    }
    quorvex::MsgAnswer Message(std::string_view, std::string_view, quorvex::MsgIcon,
                               quorvex::MsgButtons buttons) override {
        return buttons == quorvex::MsgButtons::YesNo ? quorvex::MsgAnswer::No : quorvex::MsgAnswer::Ok;
    }
    quorvex::Date Today() override { return {2010, 1, 15}; }

private:
    std::optional<std::string> file_;
};

// User plus system time of `who` (RUSAGE_SELF or RUSAGE_CHILDREN), in seconds.
double CpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

struct Times {
    double wall = 1e9, cpu = 1e9;  // the best of the rounds
    void Add(double w, double c) { wall = std::min(wall, w), cpu = std::min(cpu, c); }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_gui FILE [--check-exe PATH] [--repeat K]\n");
        return 2;
    }
    // The window's file dialog answers with a path the run opens as it is: made absolute here.
    const std::string file = std::filesystem::absolute(argv[1]).string();
    QString checkExe = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../src/quorvex-check"));
    int repeat = 3;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--check-exe") checkExe = QString::fromLocal8Bit(argv[i + 1]);
        else if (arg == "--repeat") repeat = std::max(1, std::atoi(argv[i + 1]));
    }

    // The two take turns, round after round, so that a change in the machine's load falls on
    // both alike; the best wall and CPU times of each count.
    Times cli, gui;
    std::int64_t records = 0;
    for (int round = 1; round <= repeat; ++round) {
        QTemporaryDir cliDir, guiDir;
        QProcess process;
        QElapsedTimer clock;
        const double childCpu = CpuSeconds(RUSAGE_CHILDREN);
        clock.start();
        process.start(checkExe,
                      {QStringLiteral("--data-dir"), cliDir.path(), QStringLiteral("--quiet"),
                       QStringLiteral("--limit"), QStringLiteral("25000"), QString::fromLocal8Bit(file.c_str())});
        if (!process.waitForFinished(-1)) {
            std::fprintf(stderr, "cannot run %s\n", qPrintable(checkExe));
            return 2;
        }
        const double cliSeconds = clock.nsecsElapsed() / 1e9;
        const double cliCpu = CpuSeconds(RUSAGE_CHILDREN) - childCpu;

        const std::filesystem::path folder = guiDir.path().toStdString();
        quorvex::SaveErrorLimit(folder, 25000);
        BenchServices services(file);
        quorvex::MainWindowOptions options;
        options.programFolder = folder;
        options.prompter = &services;
        options.settingsFile = guiDir.filePath(QStringLiteral("window.ini"));
        quorvex::MainWindow window(options);
        window.show();
        const double ownCpu = CpuSeconds(RUSAGE_SELF);
        clock.restart();
        window.StartTesting();
        const double guiSeconds = clock.nsecsElapsed() / 1e9;
        const double guiCpu = CpuSeconds(RUSAGE_SELF) - ownCpu;
        const std::optional<quorvex::LogReader> log = quorvex::LogReader::OpenIn(folder);
        records = log ? log->RecordCount() : 0;
        std::printf("round %d: quorvex-check %.3f s (cpu %.3f s), window %.3f s (cpu %.3f s), ratio %.2f\n", round,
                    cliSeconds, cliCpu, guiSeconds, guiCpu, guiSeconds / cliSeconds);
        std::fflush(stdout);
        cli.Add(cliSeconds, cliCpu);
        gui.Add(guiSeconds, guiCpu);
    }

    std::printf("records          %lld\n", static_cast<long long>(records));
    if (records == 0) std::printf("(the window tested nothing: is the file there?)\n");
    std::printf("quorvex-check    %.3f s, cpu %.3f s (best of %d)\n", cli.wall, cli.cpu, repeat);
    std::printf("window           %.3f s, cpu %.3f s\n", gui.wall, gui.cpu);
    std::printf("ratio            %.2f x the command line (cpu %.2f x)\n", gui.wall / cli.wall, gui.cpu / cli.cpu);
    return 0;
}
