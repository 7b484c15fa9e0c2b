#include "support/test_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "errorlog/sqlite.h"

namespace quorvex::test {

std::string LogScalar(const std::filesystem::path& log, const std::string& sql) {
    quorvex::sql::Database db(log.string(), false, true);
    auto q = db.prepare(sql);
    return q.step() ? (q.isNull(0) ? "NULL" : q.text(0)) : "<no row>";
}

std::string DumpLog(const std::filesystem::path& log) {
    quorvex::sql::Database db(log.string(), false, true);
    std::string dump;
    for (const std::string table : {"Misc", "Records", "Errors", "TRT", "TRU", "sqlite_sequence"}) {
        // Each row as one text: its columns quoted (NULL apart from 'NULL') and joined with |.
        auto columns = db.prepare("SELECT group_concat('quote(\"' || name || '\")', '||''|''||') FROM "
                                  "pragma_table_info('" + table + "')");
        columns.step();
        dump += table + "\n";
        for (auto q = db.prepare("SELECT " + columns.text(0) + " FROM " + table + " ORDER BY rowid"); q.step();)
            dump += q.text(0) + "\n";
    }
    return dump;
}

std::string FailedLogState(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    const fs::path log = folder / "Errorlog.mdb";
    if (fs::exists(log.string() + "-journal")) return "a journal left beside the log";
    if (!fs::exists(log)) return "no log";
    try {
        const std::string integrity = LogScalar(log, "PRAGMA integrity_check");
        if (integrity != "ok") return "damaged: " + integrity;
        const std::string last = LogScalar(log, "SELECT MAX(Rec_Num) FROM Records");
        if (LogScalar(log, "SELECT Type || ' ' || Rec_Num || ' ' || Reference FROM Errors ORDER BY Err_Num DESC") !=
            "C " + last + " Error Log Incomplete")
            return "no notice as the last row";
        if (LogScalar(log, "SELECT COUNT(*) FROM Records r WHERE COALESCE(r.Errors, 0) <> "
                           "(SELECT COUNT(*) FROM Errors e WHERE e.Rec_Num = r.Rec_Num)") != "0" ||
            LogScalar(log, "SELECT COUNT(*) FROM Errors WHERE Rec_Num NOT IN (SELECT Rec_Num FROM Records)") != "0" ||
            LogScalar(log, "SELECT COUNT(*) || ' ' || MAX(Rec_Num) FROM Records") != last + " " + last)
            return "records and errors disagree";
        return "incomplete after " + last;
    } catch (const std::exception& e) {
        return std::string("unreadable: ") + e.what();
    }
}

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quorvex-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Restore permissions a test may have taken away, so the folder can go.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

PausingFifo::PausingFifo(const std::filesystem::path& path, std::string bytes, bool writer) {
    if (::mkfifo(path.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
    thread_ = std::thread([this, path, bytes = std::move(bytes), writer, done = done_.get_future()] {
        using namespace std::chrono_literals;
        const auto end = std::chrono::steady_clock::now() + 10s;
        int fd = -1;
        // Opening for writing fails (ENXIO) until a reader has the FIFO open.
        while (writer && fd < 0 && done.wait_until(std::min(end, std::chrono::steady_clock::now() + 5ms)) ==
                                       std::future_status::timeout) {
            fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        }
        for (std::size_t put = 0; fd >= 0 && put < bytes.size();) {
            const ssize_t n = ::write(fd, bytes.data() + put, bytes.size() - put);
            if (n > 0) put += static_cast<std::size_t>(n);
            else if (n < 0 && errno != EAGAIN) break;
        }
        done.wait_until(end);
        pauseOver_ = true;
        if (fd < 0) fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) ::close(fd);
    });
}

PausingFifo::~PausingFifo() {
    done_.set_value();
    thread_.join();
}

void WriteFile(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace quorvex::test
