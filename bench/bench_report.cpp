// bench_report: how long the error reports and the findings take on a large error log.
//
//   bench_report [--records N] [--errors E] [--repeat K] [--work-dir DIR] [--keep]
//
// Writes an error log of N records (default 1,000,000) with E errors (default 25,000, the
// highest error limit) spread evenly over them, then measures, best of K (default 3):
// the text and HTML reports as the command line writes them, the report window's text
// report (saved in pieces to a file) and HTML report (written to temphtm.HTM), the page
// count of the printed report on a fixed-pitch page, and the JSON and CSV findings.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "errorlog/error_log.h"
#include "report/core/html_report.h"
#include "report/core/report_printer.h"
#include "report/core/report_writers.h"
#include "report/core/text_report.h"

namespace fs = std::filesystem;
using namespace quorvex;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Answers Yes to "Report Too Large", names the save file, and lets the browser start.
class BenchServices : public DialogServices, public DesktopServices {
public:
    explicit BenchServices(std::string saveFile) : saveFile_(std::move(saveFile)) {}
    std::optional<std::string> OpenFile(FileAsked) override { return std::nullopt; }
    MsgAnswer Message(std::string_view, std::string_view, MsgIcon, MsgButtons buttons) override {
        return buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
    }
    Date Today() override { return {2009, 1, 15}; }
    std::optional<std::string> SaveFile(std::string_view, std::string_view, std::string_view) override {
        return saveFile_;
    }
    std::optional<std::string> AssociatedProgram(std::string_view) override { return "browser"; }
    bool PrintDocument(std::string_view) override { return false; }
    bool StartProgram(std::string_view, std::string_view) override { return true; }

private:
    std::string saveFile_;
};

// A letter-sized page in a 10-point fixed-pitch font: 12 characters to the inch, 6 lines.
class FixedPitchPage : public PrintSurface {
public:
    double PageWidth() const override { return 8.0; }
    double PageHeight() const override { return 10.5; }
    void SetFont(bool, int) override {}
    double TextWidth(std::string_view text) const override { return static_cast<double>(text.size()) / 12; }
    double TextHeight(std::string_view) const override { return 1.0 / 6; }
    void DrawText(double, double, std::string_view) override {}
    void DrawRect(double, double, double, double) override {}
    void NewPage() override {}
    void EndDoc() override {}
};

void WriteLog(const fs::path& folder, long long records, long long errors) {
    ErrorLog log = ErrorLog::CreateMDB(folder);
    log.AddMisc((folder / "submission.txt").string(), "01/15/2009");
    std::string record(512, ' ');
    const long long every = errors > 0 ? std::max(1LL, records / errors) : records + 1;
    long long logged = 0;
    for (long long n = 1; n <= records; ++n) {
        const std::string ssn = std::to_string(100000000 + n % 900000000);
        record.replace(0, 2, "RW");
        record.replace(2, 9, ssn);
        log.AddRecord("RW", record);
        log.SetRecReference(ssn);
        if (n % every == 0 && logged < errors) {
            log.LogError("Employee Name - First [Position 42 - 56]", "[" + record.substr(41, 15) + "]",
                         "Must not be blank.");
            ++logged;
        }
    }
    log.CloseDatabase();
}

double Best(int repeat, const std::function<void()>& run) {
    double best = 1e9;
    for (int i = 0; i < repeat; ++i) {
        const auto start = Clock::now();
        run();
        best = std::min(best, SecondsSince(start));
    }
    return best;
}

long long NumberArg(int& i, int argc, char** argv) {
    if (i + 1 >= argc) throw std::invalid_argument(std::string(argv[i]) + " needs a value");
    return std::atoll(argv[++i]);
}

}  // namespace

int main(int argc, char** argv) try {
    long long records = 1'000'000, errors = 25'000;
    int repeat = 3;
    fs::path workDir = fs::temp_directory_path();
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--records") records = NumberArg(i, argc, argv);
        else if (arg == "--errors") errors = NumberArg(i, argc, argv);
        else if (arg == "--repeat") repeat = static_cast<int>(NumberArg(i, argc, argv));
        else if (arg == "--work-dir" && i + 1 < argc) workDir = argv[++i];
        else if (arg == "--keep") keep = true;
        else {
            std::fputs("usage: bench_report [--records N] [--errors E] [--repeat K] [--work-dir DIR] [--keep]\n",
                       stderr);
            return 2;
        }
    }
    const fs::path folder = workDir / ("bench_report." + std::to_string(::getpid()));
    fs::create_directories(folder);

    auto start = Clock::now();
    WriteLog(folder, records, errors);
    std::printf("error log: %lld records, %lld errors written in %.2f s\n", records, errors, SecondsSince(start));

    const fs::path out = folder / "out";
    auto toFile = [&](const std::function<void(std::ostream&)>& write) {
        return [&, write] {
            std::ofstream file(out, std::ios::binary | std::ios::trunc);
            write(file);
        };
    };
    auto open = [&] { return LogReader(LogFile::PathIn(folder)); };
    const struct {
        const char* name;
        std::function<void()> run;
    } measures[] = {
        {"text report (command line)", toFile([&](std::ostream& o) { WriteReport(open(), ReportFormat::Text, o); })},
        {"HTML report (command line)", toFile([&](std::ostream& o) { WriteReport(open(), ReportFormat::Html, o); })},
        {"text report (window, saved in pieces)",
         [&] {
             BenchServices services(out.string());
             FormatTextReport(open(), services, services, folder);
         }},
        {"HTML report (window, temphtm.HTM)",
         [&] {
             BenchServices services(out.string());
             FormatHtmlReport(open(), services, services, folder, 1280, false);
         }},
        {"page count (fixed pitch)",
         [&] {
             FixedPitchPage page;
             CountPages(open(), page);
         }},
        {"findings JSON", toFile([&](std::ostream& o) { WriteFindings(open(), FindingsFormat::Json, o); })},
        {"findings CSV", toFile([&](std::ostream& o) { WriteFindings(open(), FindingsFormat::Csv, o); })},
    };
    for (const auto& m : measures) std::printf("%-40s %6.3f s\n", m.name, Best(repeat, m.run));

    if (keep) {
        std::printf("kept %s\n", folder.c_str());
    } else {
        fs::remove_all(folder);
    }
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "bench_report: %s\n", e.what());
    return 1;
}
