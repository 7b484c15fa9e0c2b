#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <iostream>

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
    const int status = std::system(("cd " + Quote(dir.path().string()) + " && bash script.sh >out.txt 2>err.txt").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir / "out.txt"), ReadFile(dir / "err.txt")};
}

// quorvex-check in this process, its standard output and error captured.
inline CliResult Main(std::vector<std::string> args, const std::function<void(RunOptions&)>& adjust = {}) {
    args.insert(args.begin(), "quorvex-check");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = CheckMain(static_cast<int>(argv.size()), argv.data(), adjust);
    std::cout.flush();
    std::string out = testing::internal::GetCapturedStdout();
    return {status, out, testing::internal::GetCapturedStderr()};
}

}  // namespace quorvex::test
