#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "cli/check_main.h"
#include "errorlog/sqlite.h"
#include "reader/run.h"
#include "support/records.h"
#include "support/test_support.h"

namespace quorvex::test {

struct CliResult {
    int status;
    std::string out, err;
};

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string Lines(const std::vector<std::string>& records) {
    std::string out;
    for (const auto& r : records) out += r + "\r\n";
    return out;
}

// Runs `script` with bash in `dir`. $QC is quorvex-check, $D the program folder dir/data,
// $S a valid submission of five records (s.txt), e.txt holds two RW records with a bad SSN
// and no RT or RF record; Q runs quorvex-check on $D
// with --today 2010-01-01 (a later --today wins).
inline CliResult Sh(const TempDir& dir, const std::string& script) {
    std::string badSsn = ValidRecord("RW");
    Put(badSsn, 3, "12345678X");
    WriteFile(dir / "s.txt", Lines(ValidRecords({"RA", "RE", "RW", "RT", "RF"})));
    WriteFile(dir / "e.txt", Lines({ValidRecord("RA"), ValidRecord("RE"), badSsn, badSsn}));
    WriteFile(dir / "script.sh", "QC=" + Quote(QUORVEX_CHECK_EXE) + "; D=" + Quote((dir / "data").string()) +
                                     "; S=" + Quote((dir / "s.txt").string()) +
                                     "\nQ() { \"$QC\" --data-dir \"$D\" --today 2010-01-01 \"$@\"; }\n" + script + "\n");
    CliResult r;
    FILE* p = popen(("cd " + Quote(dir.path().string()) + " && bash script.sh 2>err.txt").c_str(), "r");
    char buf[4096];
    while (std::size_t n = fread(buf, 1, sizeof buf, p)) r.out.append(buf, n);
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = ReadFile(dir / "err.txt");
    return r;
}

// quorvex-check in this process, its standard output and error captured.
inline CliResult Main(std::vector<std::string> args, const std::function<void(RunOptions&)>& adjust = {}) {
    args.insert(args.begin(), "quorvex-check");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    CliResult r;
    r.status = CheckMain(static_cast<int>(argv.size()), argv.data(), adjust);
    std::cout.flush();
    r.out = testing::internal::GetCapturedStdout();
    r.err = testing::internal::GetCapturedStderr();
    return r;
}

// The findings of the log in `folder`, one "record reference" line each.
inline std::string Findings(const std::filesystem::path& folder) {
    sql::Database db((folder / "Errorlog.mdb").string(), false, true);
    auto q = db.prepare("SELECT Rec_Num, Reference FROM Errors ORDER BY Err_Num");
    std::string out;
    while (q.step()) out += q.text(0) + " " + q.text(1) + "\n";
    return out;
}

}  // namespace quorvex::test
