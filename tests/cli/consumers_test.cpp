// The findings as the programs that read them see them: the gcc problem matcher of editors
// and CI services, Vim's and Emacs' error lists, jq and Python's csv module. A tool that is
// not installed is skipped with a note (CI installs them).
#include <sys/wait.h>

#include <cstdio>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace quorvex::test {
namespace {

namespace fs = std::filesystem;

// Runs `script` with bash in `dir`; its standard output.
std::string Sh(const TempDir& dir, const std::string& script) {
    WriteFile(dir / "script.sh", script + "\n");
    if (std::system(("cd '" + dir.path().string() + "' && bash script.sh > out.txt 2> err.txt").c_str()) == -1)
        return {};
    return ReadFile(dir / "out.txt");
}

bool Installed(const char* tool) {
    return std::system(("command -v " + std::string(tool) + " > /dev/null 2>&1").c_str()) == 0;
}

// The places the gcc problem matcher of VS Code and GitHub Actions reads from gnu lines:
// "FILE:LINE:COLUMN:SEVERITY" each, "fatal " before the severity of a fatal error.
std::string ByProblemMatcher(const std::string& lines) {
    static const std::regex matcher(R"(^(.*?):(\d+):(\d*):?\s+((?:fatal\s+)?)(warning|error):\s+(.*)$)");
    std::istringstream in(lines);
    std::string out;
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        out += std::regex_match(line, m, matcher) ? m[1].str() + ':' + m[2].str() + ':' + m[3].str() + ':' +
                                                        (m[4].length() ? "fatal " : "") + m[5].str() + '\n'
                                                  : "unread: " + line + '\n';
    }
    return out;
}

// Every finding of a run with errors and a critical one, read by each consumer of its format:
// each must find every finding at the same file, line and column.
TEST(Consumers, ReadEveryFindingWhereItStands) {
    TempDir dir;
    // The faulty example, its RF record cut short: a critical error at its end.
    const std::string faulty = ReadFile(fs::path(QUORVEX_SOURCE_DIR) / "examples/faulty-2008.txt");
    fs::create_directories(dir / "sub dir");
    WriteFile(dir / "sub dir/faulty copy.txt", faulty.substr(0, 15 * 514) + "RF" + std::string(98, ' '));
    const std::string q = std::string("'") + QUORVEX_CHECK_EXE + "' --data-dir data --today 2009-01-15 --quiet ";
    const std::string gnu = Sh(dir, q + "--findings gnu 'sub dir/faulty copy.txt'");
    // The same places as the run gives them, for any file name.
    std::string places;
    for (const char* at : {"1:423", "2:163", "3:3", "5:199", "6:12", "7:42", "9:25", "10:10", "13:134", "15:10"})
        places += std::string("sub dir/faulty copy.txt:") + at + '\n';
    const std::string fatal = "sub dir/faulty copy.txt:16:1\n";

    EXPECT_EQ(ByProblemMatcher(gnu), std::regex_replace(places, std::regex("\n"), ":error\n") +
                                         std::regex_replace(fatal, std::regex("\n"), ":fatal error\n"));
    EXPECT_EQ(ByProblemMatcher(Sh(dir, q + "--findings gnu - < 'sub dir/faulty copy.txt'")).substr(0, 22),
              "<stdin>:1:423:error\n<s");

    const struct {
        const char* tool;
        const char* format;
        const char* read;  // prints FILE:LINE:COLUMN of every finding in the file f
    } consumers[] = {
        {"vim", "gnu",
         "vim -es -u NONE -N -c 'cfile f' -c 'call writefile(map(filter(getqflist(), \"v:val.valid\"), "
         "\"bufname(v:val.bufnr) . \\\":\\\" . v:val.lnum . \\\":\\\" . v:val.col\"), \"/dev/stdout\")' -c 'qa!'"},
        {"emacs", "gnu",
         "emacs --batch -Q --eval '(progn (require (quote compile)) (with-temp-buffer (insert-file-contents \"f\") "
         "(compilation-mode) (compilation--ensure-parse (point-max)) (goto-char (point-min)) (let (m) (while (setq m "
         "(text-property-not-all (point) (point-max) (quote compilation-message) nil)) (let* ((msg (get-text-property "
         "m "
         "(quote compilation-message))) (loc (compilation--message->loc msg))) (when (= (compilation--message->type "
         "msg) 2) "
         "(princ (format \"%s:%s:%s\\n\" (caar (compilation--loc->file-struct loc)) (compilation--loc->line loc) "
         "(compilation--loc->col loc))))) (goto-char (or (next-single-property-change m (quote compilation-message)) "
         "(point-max)))))))'"},
        {"jq", "json", "jq -r '.[] | \"\\(.file):\\(.line):\\(.column)\"' f"},
        {"python3", "csv",
         "python3 -c 'import csv; [print(\"%s:%s:%s\" % (r[\"file\"], r[\"line\"], r[\"column\"])) "
         "for r in csv.DictReader(open(\"f\", newline=\"\", encoding=\"utf-8\"))]'"},
        // A suite per file whose counts are its testcases and failures, as JUnit readers count them.
        {"python3", "junit",
         "python3 -c 'import xml.etree.ElementTree as E\nfor s in E.parse(\"f\").getroot().findall(\"testsuite\"):\n"
         " c = s.findall(\"testcase\"); f = s.findall(\"testcase/failure\")\n"
         " assert (s.get(\"name\"), s.get(\"tests\"), s.get(\"failures\")) == (\"sub dir/faulty copy.txt\", "
         "str(len(c)), str(len(f)))\n for x in f: print(x.text.split(\"\\n\")[0])'"},
    };
    for (const auto& [tool, format, read] : consumers) {
        if (!Installed(tool)) {
            std::cout << "note: " << tool << " is not installed; its reading of " << format << " is not tested\n";
            continue;
        }
        const std::string rows =
            Sh(dir, q + "--findings " + format + " --findings-file f 'sub dir/faulty copy.txt'; " + read);
        EXPECT_EQ(rows, places + fatal) << tool << " " << format;
    }
}

// The package's files as their checkers read them: the manual pages (made at build time),
// the desktop entry and the AppStream description.
TEST(Consumers, PackageFilesPassTheirCheckers) {
    const fs::path packaging = fs::path(QUORVEX_SOURCE_DIR) / "packaging";
    const fs::path built = fs::path(QUORVEX_CHECK_EXE).parent_path().parent_path() / "packaging";
    const struct {
        const char* tool;
        std::string check;
    } checkers[] = {
        {"mandoc", "mandoc -T lint '" + (built / "quorvex-check.1").string() + "'"},
        {"mandoc", "test ! -e '" + (built / "quorvex.1").string() + "' || mandoc -T lint '" +
                       (built / "quorvex.1").string() + "'"},
        // Every form, paragraph and item of --help is in the page as the help has it.
        {"mandoc", "'" QUORVEX_CHECK_EXE "' --help | awk '/^[A-Z][a-z]*( [a-z]+)*:$/ {next} "
                   "/^$|^Usage:|^ *quorvex-check |^  [^ ]/ {if (c != \"\") print c; c = \"\"} {c = c \" \" $0} "
                   "END {print c}' | sed 's/Usage://' | tr -s ' ' > chunks; mandoc -Tascii -Owidth=1000 '" +
                       (built / "quorvex-check.1").string() +
                       "' | col -b | tr -s ' \\n\\t' '   ' > page; while read -r c; do [ -z \"$c\" ] || "
                       "grep -qF -- \"$c\" page || echo \"ERROR: not in the page: $c\"; done < chunks"},
        {"desktop-file-validate", "desktop-file-validate '" + (packaging / "quorvex.desktop").string() + "'"},
        {"appstreamcli", "appstreamcli validate --no-net --pedantic '" +
                             (packaging / "org.quorvex.quorvex.metainfo.xml").string() + "'"},
        // The type of a submission, which the desktop entry claims: known by its start, where its
        // name does not say text (.txt), and never given to other text.
        {"xdg-mime", "mkdir -p d/mime/packages && cp '" + (packaging / "quorvex-mime.xml").string() +
                         "' d/mime/packages/quorvex.xml && update-mime-database d/mime 2>/dev/null; cp '" QUORVEX_SOURCE_DIR
                         "/examples/faulty-2008.txt' s.txt; cp s.txt s; echo text > t; for f in s.txt s t; do "
                         "XDG_DATA_DIRS=$PWD/d:/usr/share xdg-mime query filetype $f; done | tr '\\n' ' ' | grep -qx "
                         "'text/plain application/x-zrw5 text/plain ' && grep -qx 'MimeType=application/x-zrw5;' '" +
                         (packaging / "quorvex.desktop").string() + "' || echo ERROR"},
    };
    for (const auto& [tool, check] : checkers) {
        if (!Installed(tool)) {
            std::cout << "note: " << tool << " is not installed; not run: " << check << "\n";
            continue;
        }
        TempDir dir;
        const std::string said = Sh(dir, check + " 2>&1; echo \"status $?\"");
        EXPECT_TRUE(said.ends_with("status 0\n") && said.find("WARNING") == std::string::npos &&
                    said.find("STYLE") == std::string::npos && said.find("ERROR") == std::string::npos)
            << check << "\n" << said;
    }
}

// quorvex FILE, as a file manager opens a submission with it: the window tests the file at
// once, as Start Testing does with the file of its dialog, and the run is in the history. A
// relative name is of the folder the program was started in, not of its program folder.
TEST(Consumers, TheDesktopProgramTestsTheFileItIsGiven) {
    const fs::path gui = fs::path(QUORVEX_CHECK_EXE).parent_path() / "quorvex";
    if (!fs::exists(gui)) GTEST_SKIP() << "the desktop program is not built";
    TempDir dir;
    WriteFile(dir / "s.txt", ReadFile(fs::path(QUORVEX_SOURCE_DIR) / "examples/faulty-2008.txt"));
    // Waits for the run's end (its row in the history; two minutes at most), then ends the program.
    const std::string said =
        Sh(dir, "QT_QPA_PLATFORM=offscreen QUORVEX_UNATTENDED=1 '" + gui.string() + "' --data-dir data s.txt 2> gui.txt & "
                    "for i in $(seq 1200); do [ \"$(sqlite3 data/RunHistory.db 'SELECT count(*) FROM runs' "
                    "2>/dev/null)\" = 1 ] "
                    "&& break; sleep 0.1; done; "
                    "kill $!; wait; '" +
                    QUORVEX_CHECK_EXE + "' --data-dir data --history");
    EXPECT_NE(said.find("finished              16           10       10  " + (dir / "s.txt").string()), std::string::npos)
        << said;
}

}  // namespace
}  // namespace quorvex::test
