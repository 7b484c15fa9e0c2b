#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <tuple>

#include "errorlog/log_reader.h"
#include "reader/run.h"
#include "report/core/browser.h"
#include "support/scripted_services.h"
#include "support/test_support.h"

using namespace quorvex;
namespace fs = std::filesystem;

// Whole submissions run through the real run; what the log keeps is compared with
// <name>.expected beside them. QUORVEX_UPDATE_EXPECTED=1 writes those anew, for review as a diff.
namespace {

const fs::path kFiles = fs::path(QUORVEX_SOURCE_DIR) / "tests" / "files";
const char* const kOutcomes[] = {"Cancelled", "NoData", "NoErrors", "Errors",
                                 "Stopped", "Failed", "Aborted", "Restart"};

// The expected file, the answers of the file dialogs (the next one is cancelled), the error limit.
using Submission = std::tuple<std::string, std::vector<const char*>, int>;

// Message boxes with the record the progress showed when they came up, each answered OK.
struct Services : test::ScriptedServices {
    std::string shown;
    MsgAnswer Message(std::string_view text, std::string_view title, MsgIcon icon, MsgButtons buttons) override {
        shown += "message " + std::string(title) + " at record " + std::to_string(lastRecCtr) + "\n";
        answers.push_back(MsgAnswer::Ok);
        return ScriptedServices::Message(text, title, icon, buttons);
    }
};

// The summary, the message boxes, each record ("<Rec_Num><ID>@<line>:<column>") and one line
// per finding in report order: record, C for critical, reference | user entry | message.
std::string RunAndRead(const Submission& s, bool writerThread, std::size_t pieceSize) {
    test::TempDir dir;
    Services services;
    for (const char* f : std::get<1>(s)) services.files.push_back((kFiles / f).string());
    services.files.push_back(std::nullopt);
    std::map<std::int64_t, std::string> origins;
    auto origin = [&](const RecordOrigin& r) {
        origins[r.recNum] =
            std::string("@").append(std::to_string(r.line)).append(":").append(std::to_string(r.column));
    };
    // Progress is shown only where the run must show it; a clean run ends as the programs end it.
    const RunOptions o{dir.path(), std::get<2>(s), origin, std::chrono::hours(1), std::chrono::seconds(2), pieceSize,
                       writerThread, [&] { SubmissionPrompt(services, services, dir.path()); }};
    const RunSummary sum = quorvex::Run(services, o).ReadFile();
    LogReader log(LogFile::PathIn(dir.path()));
    EXPECT_EQ(std::tuple(log.RecordCount(), log.RecordsWithErrorsCount(), log.ErrorCount()),
              std::tuple(sum.recordsTested, sum.recordsWithErrors, sum.errorsFound));
    std::ostringstream out;
    out << kOutcomes[static_cast<int>(sum.outcome)] << ": " << sum.recordsTested << " records, "
        << sum.recordsWithErrors << " with errors, " << sum.errorsFound << " errors\n" << services.shown << "records";
    for (const auto& r : log.RecordsWindow(RecordSet::All, 0, 1000)) {
        out << " " << r.recNum << r.record.substr(0, 2) << origins[r.recNum];
        EXPECT_EQ(r.errors, static_cast<std::int64_t>(log.ErrorsOf(r.recNum).size())) << r.recNum;
    }
    out << "\n";
    log.ForEachReportRow([&](const ReportRow& r) {
        out << r.error.recNum << (r.error.critical ? " C " : " ") << r.error.reference << " | " << r.error.userEntry
            << " | " << r.error.error << "\n";
        return true;
    });
    return out.str();
}

}  // namespace

TEST(WholeFiles, FindingsAsExpected) {
    const Submission submissions[] = {
        {"clean", {"clean.txt"}, 500},    // every record type, two blocks that reconcile
        {"errors", {"errors.txt"}, 500},  // a finding in each checked type, totals that disagree
        {"errors-limit3", {"errors.txt"}, 3},
        {"split", {"split.1.txt", "split.2.txt"}, 500},
        {"unfinished", {"unfinished.1.txt", "unfinished.2.txt"}, 500},
        {"short", {"short.txt"}, 500},
        {"sequence", {"sequence.txt"}, 500},
    };
    const bool update = std::getenv("QUORVEX_UPDATE_EXPECTED") != nullptr;
    for (const auto& s : submissions) {
        SCOPED_TRACE(std::get<0>(s));
        const fs::path expectedFile = kFiles / (std::get<0>(s) + ".expected");
        const std::string got = RunAndRead(s, true, 65000);
        if (update) test::WriteFile(expectedFile, got);
        EXPECT_EQ(got, test::ReadFile(expectedFile));
        // Neither the writer thread nor the size of the pieces read changes anything.
        EXPECT_EQ(RunAndRead(s, false, 7), got);
    }
}
