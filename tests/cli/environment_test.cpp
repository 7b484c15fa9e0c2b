#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "support/valid_records.h"

using quorvex::test::TempDir;

namespace {

struct Result {
    int status;
    std::string out, err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs `script` with bash in `dir`, where $Q is quorvex-check with the program folder
// `dir`/data, and $S a valid submission of five records.
Result Bash(const std::string& script, const TempDir& dir) {
    quorvex::test::WriteFile(dir / "script.sh", "Q() { " + Quote(QUORVEX_CHECK_EXE) + " --data-dir " +
                                                    Quote((dir / "data").string()) + " --today 2010-01-01 \"$@\"; }\n" +
                                                    "S=" + Quote((dir / "s.txt").string()) + "\n" + script + "\n");
    std::string submission;
    for (const auto& r : quorvex::test::ValidRecords({"RA", "RE", "RW", "RT", "RF"}, 0, 0)) submission += r + "\r\n";
    quorvex::test::WriteFile(dir / "s.txt", submission);
    const std::string cmd = "cd " + Quote(dir.path().string()) + " && bash script.sh 2>err.txt";
    Result r;
    FILE* p = popen(cmd.c_str(), "r");
    char buf[4096];
    while (std::size_t n = fread(buf, 1, sizeof buf, p)) r.out.append(buf, n);
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = quorvex::test::ReadFile(dir / "err.txt");
    return r;
}

}  // namespace

// A submission that comes through a pipe has no length: it is read to its end all the same.
TEST(Environment, PipesAndFifosAreReadToTheirEnd) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"standard input as -", "cat $S | Q --quiet -"},
        {"/dev/stdin", "cat $S | Q --quiet /dev/stdin"},
        {"process substitution", "Q --quiet <(cat $S)"},
        {"a FIFO written later", "mkfifo f; (sleep 0.3; cat $S > f) & Q --quiet f"},
        {"a pipe trickling", "(head -c 700 $S; sleep 0.2; tail -c +701 $S) | Q --quiet -"},
    };
    for (const auto& [name, script] : cases) {
        SCOPED_TRACE(name);
        TempDir dir;
        Result r = Bash(script, dir);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(quorvex::test::LogScalar(dir / "data" / "Errorlog.mdb", "SELECT COUNT(*) FROM Records"), "5");
    }
}
