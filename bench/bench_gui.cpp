// bench_gui: times the desktop program's test run of a file against quorvex-check on the
// same file, in one process run, and prints the ratio (target: at most 1.3).
//
//   QT_QPA_PLATFORM=offscreen bench_gui FILE [--check-exe PATH]

#include <sys/resource.h>

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

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_gui FILE [--check-exe PATH]\n");
        return 2;
    }
    const std::string file = argv[1];
    QString checkExe = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../src/quorvex-check"));
    if (argc >= 4 && std::string(argv[2]) == "--check-exe") checkExe = QString::fromLocal8Bit(argv[3]);

    QTemporaryDir cliDir, guiDir;
    QProcess cli;
    QElapsedTimer clock;
    clock.start();
    cli.start(checkExe, {QStringLiteral("--data-dir"), cliDir.path(), QStringLiteral("--quiet"),
                         QStringLiteral("--limit"), QStringLiteral("25000"), QString::fromLocal8Bit(file.c_str())});
    if (!cli.waitForFinished(-1)) {
        std::fprintf(stderr, "cannot run %s\n", qPrintable(checkExe));
        return 2;
    }
    const double cliSeconds = clock.nsecsElapsed() / 1e9;

    const std::filesystem::path folder = guiDir.path().toStdString();
    quorvex::SaveErrorLimit(folder, 25000);
    BenchServices services(file);
    quorvex::MainWindowOptions options;
    options.programFolder = folder;
    options.prompter = &services;
    options.settingsFile = guiDir.filePath(QStringLiteral("window.ini"));
    quorvex::MainWindow window(options);
    window.show();
    clock.restart();
    window.StartTesting();
    const double guiSeconds = clock.nsecsElapsed() / 1e9;

    std::printf("records          %lld\n", static_cast<long long>(window.LastSummary().recordsTested));
    std::printf("quorvex-check    %.3f s\n", cliSeconds);
    std::printf("window           %.3f s\n", guiSeconds);
    std::printf("ratio            %.2f x the command line\n", guiSeconds / cliSeconds);
    return 0;
}
