// bench_print: how long the report window's Save as PDF takes on an error log (as
// bench_report --keep leaves one: 25,000 errors by default).
//
//   QT_QPA_PLATFORM=offscreen bench_print FOLDER [--size POINTS] [--repeat K]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include <QApplication>
#include <QPrinter>

#include "errorlog/error_log.h"
#include "report/gui/report_context.h"

int main(int argc, char** argv) try {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: bench_print FOLDER [--size POINTS] [--repeat K]\n", stderr);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    quorvex::FontChoice font{"Courier", 10};
    int repeat = 1;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string_view arg = argv[i];
        if (arg == "--size") font.size = std::atoi(argv[i + 1]);
        else if (arg == "--repeat") repeat = std::atoi(argv[i + 1]);
    }
    const quorvex::LogReader log(quorvex::LogFile::PathIn(folder));
    double best = 1e9;
    for (int i = 0; i < repeat; ++i) {
        const auto start = std::chrono::steady_clock::now();
        QPrinter pdf(QPrinter::HighResolution);
        pdf.setOutputFormat(QPrinter::PdfFormat);
        pdf.setOutputFileName(QString::fromStdString((folder / "bench.pdf").string()));
        quorvex::PrintPages(pdf, font, log, quorvex::kAllPages);
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("PDF of %lld errors, %d points: %.2f s (%lld bytes)\n", static_cast<long long>(log.ErrorCount()),
                font.size, best, static_cast<long long>(std::filesystem::file_size(folder / "bench.pdf")));
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "bench_print: %s\n", e.what());
    return 1;
}
