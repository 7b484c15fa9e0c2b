// bench_results: how fast the result views open and move on a large error log, and what
// memory they hold while doing it.
//
//   QT_QPA_PLATFORM=offscreen bench_results [--records N] [--errors-every K] [--data-dir DIR]
//                                           [--check-exe PATH] [--work-dir DIR] [--keep]
//
// Without --data-dir it writes a submission of N records in 100 employer blocks, puts a
// letter into the SSN of every K-th RW record (none with K = 0), and has quorvex-check test
// it into a temporary program folder. Then it opens the desktop program's window on that
// folder and times the views, each once, printing wall-clock milliseconds and the
// program's resident memory.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>

#include "results/gui/record_table_model.h"
#include "results/gui/record_viewer.h"
#include "results/gui/result_grid.h"
#include "results/gui/results_view.h"
#include "shell/gui/main_window.h"
#include "check/generator.h"

namespace {

namespace fs = std::filesystem;

// Answers every message with its first button and cancels every file dialog.
class BenchServices : public quorvex::DialogServices {
public:
    std::optional<std::string> OpenFile(quorvex::FileAsked) override { return std::nullopt; }
    quorvex::MsgAnswer Message(std::string_view, std::string_view, quorvex::MsgIcon, quorvex::MsgButtons) override {
        return quorvex::MsgAnswer::Ok;
    }
    quorvex::Date Today() override { return {2010, 1, 15}; }
};

double ResidentMb() {
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Writes the submission and puts 'X' at the end of the SSN of every `every`-th RW record.
void WriteFaultySubmission(const std::string& path, long long records, long long every) {
    quorvex::test::WriteSubmission(bench::ShapeForRecordCount(records, 100, false), path);
    if (every <= 0) return;
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    std::vector<char> block(514 * 4096);
    long long rw = 0;
    for (std::streamoff at = 0;; at += static_cast<std::streamoff>(block.size())) {
        file.seekg(at);
        file.read(block.data(), static_cast<std::streamsize>(block.size()));
        const std::streamsize got = file.gcount();
        if (got <= 0) break;
        file.clear();
        for (std::streamsize r = 0; r + 514 <= got; r += 514)
            if (block[r] == 'R' && block[r + 1] == 'W' && ++rw % every == 0) block[r + 10] = 'X';
        file.seekp(at);
        file.write(block.data(), got);
    }
}

// Milliseconds taken by `step`, with the window's pending events and paints done.
template <class F>
double Timed(F&& step) {
    QElapsedTimer clock;
    clock.start();
    step();
    QApplication::processEvents();
    return clock.nsecsElapsed() / 1e6;
}

void Key(QWidget* to, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(to, &press);
}

struct Spread {
    double mean = 0, worst = 0;
};

template <class F>
Spread Repeated(int times, F&& step) {
    Spread s;
    for (int i = 0; i < times; ++i) {
        const double ms = Timed([&] { step(i); });
        s.mean += ms / times;
        s.worst = std::max(s.worst, ms);
    }
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    // The offscreen platform's remarks about window hints say nothing about the views.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && !text.contains(QLatin1String("propagateSizeHints")))
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    QApplication app(argc, argv);
    long long records = 1'000'000, every = 1000;
    QString dataDir,
        checkExe = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../src/quorvex-check"));
    QString workDir;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--records" && more) records = std::atoll(argv[++i]);
        else if (a == "--errors-every" && more) every = std::atoll(argv[++i]);
        else if (a == "--data-dir" && more) dataDir = QString::fromLocal8Bit(argv[++i]);
        else if (a == "--check-exe" && more) checkExe = QString::fromLocal8Bit(argv[++i]);
        else if (a == "--work-dir" && more) workDir = QString::fromLocal8Bit(argv[++i]);
        else if (a == "--keep") keep = true;
        else {
            std::fprintf(stderr,
                         "usage: bench_results [--records N] [--errors-every K] [--data-dir DIR] [--check-exe PATH] "
                         "[--work-dir DIR] [--keep]\n");
            return 2;
        }
    }

    QTemporaryDir temp(workDir.isEmpty() ? QDir::tempPath() + QStringLiteral("/bench_results-XXXXXX")
                                         : workDir + QStringLiteral("/bench_results-XXXXXX"));
    temp.setAutoRemove(!keep);
    if (dataDir.isEmpty()) {
        dataDir = temp.path();
        const std::string file = temp.filePath(QStringLiteral("submission.txt")).toStdString();
        WriteFaultySubmission(file, records, every);
        QProcess check;
        check.start(checkExe, {QStringLiteral("--quiet"), QStringLiteral("--limit"), QStringLiteral("25000"),
                               QStringLiteral("--data-dir"), dataDir, QString::fromStdString(file)});
        if (!check.waitForFinished(-1) || check.exitStatus() != QProcess::NormalExit || check.exitCode() == 3) {
            std::fprintf(stderr, "bench_results: %s did not test the file\n", qPrintable(checkExe));
            return 2;
        }
        fs::remove(file);
    }

    BenchServices services;
    quorvex::MainWindowOptions options;
    options.programFolder = dataDir.toStdString();
    options.prompter = &services;
    options.settingsFile = temp.filePath(QStringLiteral("window.ini"));
    const double rssStart = ResidentMb();
    std::unique_ptr<quorvex::MainWindow> window;
    const double open = Timed([&] {
        window = std::make_unique<quorvex::MainWindow>(options);
        window->resize(1100, 800);
        window->show();
    });
    quorvex::ResultsView& results = *window->Results();

    const double withErrors = Timed([&] { window->Action(quorvex::Command::Last)->trigger(); });
    const int errorRows = results.DBGrid1()->model() ? results.DBGrid1()->model()->rowCount() : 0;
    const Spread errorPages = Repeated(100, [&](int) { Key(results.DBGrid1(), Qt::Key_PageDown); });

    const double tested = Timed([&] { window->Action(quorvex::Command::View)->trigger(); });
    quorvex::ResultGrid* grid = results.DBGrid3();
    const int rows = grid->model()->rowCount();
    const double rssViews = ResidentMb();
    const double lastRow = Timed([&] { grid->scrollToBottom(); });
    const double lastRecord = Timed([&] { Key(grid, Qt::Key_End, Qt::ControlModifier); });
    Key(grid, Qt::Key_Home, Qt::ControlModifier);
    const Spread rowDown = Repeated(200, [&](int) { Key(grid, Qt::Key_Down); });
    const Spread pageDown = Repeated(200, [&](int) { Key(grid, Qt::Key_PageDown); });
    std::mt19937 random(2008);
    QScrollBar* bar = grid->verticalScrollBar();
    const Spread jumps = Repeated(300, [&](int) { bar->setValue(int(random() % std::uint32_t(bar->maximum() + 1))); });
    const double rssEnd = ResidentMb();
    const auto* model = static_cast<const quorvex::RecordTableModel*>(grid->model());

    std::printf("records in the log         %d (%d with errors)\n", rows, errorRows);
    std::printf("window opened              %8.1f ms\n", open);
    std::printf("View Last Test Results     %8.1f ms  (records with errors)\n", withErrors);
    std::printf("  page down                %8.1f ms mean, %.1f ms worst (100 pages)\n", errorPages.mean,
                errorPages.worst);
    std::printf("View Tested Records        %8.1f ms  (record 1 in the field viewer)\n", tested);
    std::printf("  last row of the grid     %8.1f ms\n", lastRow);
    std::printf("  Ctrl+End (RF in viewer)  %8.1f ms\n", lastRecord);
    std::printf("  row down (viewer)        %8.1f ms mean, %.1f ms worst (200 rows)\n", rowDown.mean, rowDown.worst);
    std::printf("  page down (viewer)       %8.1f ms mean, %.1f ms worst (200 pages)\n", pageDown.mean, pageDown.worst);
    std::printf("  scroll bar jumps         %8.1f ms mean, %.1f ms worst (300 random places)\n", jumps.mean,
                jumps.worst);
    std::printf("resident memory            %.1f MB at start, %.1f MB with the views open, %.1f MB after moving\n",
                rssStart, rssViews, rssEnd);
    std::printf("rows held by the grid      %zu\n", model->CachedRows());
    return 0;
}
