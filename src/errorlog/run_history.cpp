#include "errorlog/run_history.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "common/safe_file.h"
#include "errorlog/grouped_insert.h"
#include "errorlog/sqlite.h"

namespace quorvex {

namespace fs = std::filesystem;

namespace {

// Marks the file as a history of runs, and its layout's version.
constexpr int kApplicationId = 0x51485231;  // "QHR1"
constexpr int kSchemaVersion = 1;
// A history held by another program waits this long at most, in steps, then the run goes
// on without it.
constexpr int kBusyTimeoutMs = 1000;
constexpr int kBusyStepMs = 10;

// What this version reads and writes, table by table: a history where one of them cannot be
// prepared has another layout.
constexpr const char* kLayout[] = {
    "SELECT id, ended, outcome, records, records_with_errors, errors FROM runs LIMIT 0",
    "SELECT run, seq, name, size, sha256 FROM files LIMIT 0",
    "SELECT id, text FROM texts LIMIT 0",
    ("SELECT run, seq, rec_num, type, key, occurrence, critical, reference, first, last, user_entry, message"
     " FROM findings LIMIT 0"),
};

const char* kSchema =
    "CREATE TABLE IF NOT EXISTS runs (id INTEGER PRIMARY KEY, ended TEXT NOT NULL, outcome TEXT NOT NULL,"
    " records INTEGER NOT NULL, records_with_errors INTEGER NOT NULL, errors INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS files (run INTEGER NOT NULL REFERENCES runs(id) ON DELETE CASCADE,"
    " seq INTEGER NOT NULL, name TEXT NOT NULL, size INTEGER, sha256 TEXT, PRIMARY KEY (run, seq)) WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS texts (id INTEGER PRIMARY KEY, text TEXT NOT NULL UNIQUE);"
    "CREATE TABLE IF NOT EXISTS findings (run INTEGER NOT NULL REFERENCES runs(id) ON DELETE CASCADE,"
    " seq INTEGER NOT NULL, rec_num INTEGER NOT NULL, type TEXT NOT NULL, key TEXT NOT NULL,"
    " occurrence INTEGER NOT NULL, critical INTEGER NOT NULL, reference INTEGER NOT NULL, first INTEGER NOT NULL,"
    " last INTEGER NOT NULL, user_entry TEXT NOT NULL, message INTEGER NOT NULL, PRIMARY KEY (run, seq)) WITHOUT "
    "ROWID;";

constexpr const char* kSchemaRows = "SELECT type, name, sql FROM sqlite_schema";

HistoryError Failed(const fs::path& file, const std::string& what, bool damaged = false) {
    return HistoryError("The run history " + file.string() + " " + what, damaged);
}

bool Damaged(const sql::DbError& e) { return e.code() == SQLITE_NOTADB || e.code() == SQLITE_CORRUPT; }

}  // namespace

std::string HistoryRun::Submission() const {
    if (files.empty()) return {};
    const std::string& name = files.front().name;
    const std::size_t slash = name.find_last_of("/\\");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

struct RunHistory::Impl {
    fs::path file;
    sql::Database db;
    std::function<bool()> keepWaiting;
};

fs::path RunHistory::PathIn(const fs::path& folder) { return folder / "RunHistory.db"; }

fs::path RunHistory::DamagedPathIn(const fs::path& folder, int number) {
    return folder / (number <= 1 ? std::string("RunHistory.damaged.db")
                                 : "RunHistory.damaged." + std::to_string(number) + ".db");
}

namespace {

// Whether every table of the history is laid out as this version reads and writes it.
bool LaidOut(sql::Database& db) {
    try {
        for (const char* probe : kLayout) db.prepare(probe);
        return true;
    } catch (const sql::DbError& e) {
        if (e.code() == SQLITE_BUSY || e.code() == SQLITE_LOCKED || Damaged(e)) throw;
        return false;
    }
}

// The schema kSchema makes, row by row of sqlite_schema (type, name, SQL), as the engine
// keeps it: made once in memory, straight through the engine (no operation a test watches).
const std::set<std::tuple<std::string, std::string, std::string>>& OwnSchema() {
    static const auto made = [] {
        std::set<std::tuple<std::string, std::string, std::string>> rows;
        sqlite3* memory = nullptr;
        sqlite3_stmt* q = nullptr;
        if (sqlite3_open(":memory:", &memory) == SQLITE_OK &&
            sqlite3_exec(memory, kSchema, nullptr, nullptr, nullptr) == SQLITE_OK &&
            sqlite3_prepare_v2(memory, kSchemaRows, -1, &q, nullptr) == SQLITE_OK) {
            auto text = [&](int col) {
                const unsigned char* t = sqlite3_column_text(q, col);
                return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
            };
            while (sqlite3_step(q) == SQLITE_ROW) rows.emplace(text(0), text(1), text(2));
        }
        sqlite3_finalize(q);
        sqlite3_close(memory);
        return rows;
    }();
    return made;
}

// Whether the history's schema holds nothing this version did not make: a trigger, a view,
// an index or a table of anyone else's would run or be changed with every run added.
bool OnlyOwnSchema(sql::Database& db) {
    auto q = db.prepare(kSchemaRows);
    while (q.step())
        if (!OwnSchema().contains({q.text(0), q.text(1), q.text(2)})) return false;
    return true;
}

// Refuses a history file that is a link or another user's, and makes it (private) when
// `create` and it is missing.
void PrepareFile(const fs::path& path, bool create) {
    std::error_code ec;
    // Never written through a link: whatever it points to stays as it is.
    if (fs::is_symlink(fs::symlink_status(path, ec))) throw Failed(path, "is a symbolic link; it is not followed.");
    // Another user's file (or its journal, which would be played into it) never receives
    // the findings: in a shared folder anyone could have put it there.
    if (const std::string problem = ForeignDatabaseProblem(path); !problem.empty())
        throw HistoryError("The run history " + problem + "; it is not used.");
    if (create && !fs::exists(fs::symlink_status(path, ec))) {
        const int fd = CreatePrivateFile(path, O_RDWR | O_EXCL);
        if (fd < 0 && errno != EEXIST)
            throw Failed(path, std::string("cannot be created: ") + std::strerror(errno) + ".");
        if (fd >= 0) ::close(fd);
    }
}

std::int64_t Number(sql::Database& db, const char* query) {
    auto q = db.prepare(query);
    return q.step() ? q.int64(0) : 0;
}

// Lays out an empty history, or checks that `db` is one this version reads and writes
// (`create`: an earlier layout that lacks tables gets them).
void PrepareSchema(sql::Database& db, const fs::path& path, bool create) {
    const std::int64_t id = Number(db, "PRAGMA application_id");
    if (Number(db, "SELECT count(*) FROM sqlite_schema") == 0) {
        db.exec("BEGIN IMMEDIATE");
        db.exec("PRAGMA page_size = 4096; PRAGMA application_id = " + std::to_string(kApplicationId) +
                "; PRAGMA user_version = " + std::to_string(kSchemaVersion));
        db.exec(kSchema);
        db.exec("COMMIT");
    } else if (id != kApplicationId) {
        throw Failed(path, "is no history of runs.", true);
    } else if (!OnlyOwnSchema(db)) {
        throw Failed(path, "is laid out as no history of this version.", true);
    } else if (!LaidOut(db)) {
        // One with other columns is of no use.
        if (create) db.exec(kSchema);
        if (!create || !LaidOut(db)) throw Failed(path, "is laid out as no history of this version.", true);
    }
}

}  // namespace

RunHistory::RunHistory(fs::path file, bool create, std::function<bool()> keepWaiting)
    : impl_(std::make_unique<Impl>()) {
    impl_->file = std::move(file);
    impl_->keepWaiting = std::move(keepWaiting);
    const fs::path& path = impl_->file;
    PrepareFile(path, create);
    try {
        impl_->db = sql::Database(path.string(), false);
        // Waits in short steps, and not at all once the run is asked to stop.
        sqlite3_busy_handler(
            impl_->db.handle(),
            [](void* data, int count) -> int {
                const auto* impl = static_cast<const Impl*>(data);
                if (count * kBusyStepMs >= kBusyTimeoutMs || (impl->keepWaiting && !impl->keepWaiting())) return 0;
                sqlite3_sleep(kBusyStepMs);
                return 1;
            },
            impl_.get());
        impl_->db.exec("PRAGMA foreign_keys = ON; PRAGMA journal_mode = DELETE");
        PrepareSchema(impl_->db, path, create);
    } catch (const sql::DbError& e) {
        throw Failed(path, std::string("cannot be used: ") + e.what() + ".", Damaged(e));
    }
}

RunHistory::~RunHistory() = default;
RunHistory::RunHistory(RunHistory&&) noexcept = default;
RunHistory& RunHistory::operator=(RunHistory&&) noexcept = default;

namespace {

// Writes the findings `findings` hands over as those of run `id`, in the transaction open.
void InsertFindings(sql::Database& db, std::int64_t id, FindingSource& findings) {
    // Distinct texts: looked up once per run, written once per history.
    std::unordered_map<std::string, std::int64_t> ids;
    auto findText = db.prepare("SELECT id FROM texts WHERE text = ?1");
    auto addText = db.prepare("INSERT INTO texts (text) VALUES (?1)");
    auto textId = [&](const std::string& text) {
        if (const auto at = ids.find(text); at != ids.end()) return at->second;
        findText.bindText(1, text);
        std::int64_t tid = 0;
        if (findText.step()) {
            tid = findText.int64(0);
        } else {
            addText.bindText(1, text).run();
            tid = db.lastInsertRowid();
        }
        findText.reset();
        ids.emplace(text, tid);
        return tid;
    };
    // Consecutive findings mostly repeat their texts: each column remembers its last.
    std::pair<std::string, std::int64_t> lastReference, lastMessage;
    auto lastId = [&](const std::string& text, std::pair<std::string, std::int64_t>& last) {
        if (last.second == 0 || last.first != text) last = {text, textId(text)};
        return last.second;
    };
    // Findings go kFindingsPerInsert to a statement (the rest of each part one by one),
    // their texts bound in place: a part stays unchanged while it is written.
    constexpr int kColumns = 12;
    const auto insert = [&](int rows) {
        return db.prepare(GroupedInsertSql("findings (run, seq, rec_num, type, key, occurrence, critical, reference,"
                                           " first, last, user_entry, message)",
                                           rows, kColumns));
    };
    sql::Statement group = insert(kFindingsPerInsert), single = insert(1);
    std::int64_t seq = 0;
    for (auto part = findings.Next(); !part.empty(); part = findings.Next()) {
        for (std::size_t at = 0; at < part.size();) {
            const int rows = part.size() - at >= std::size_t{kFindingsPerInsert} ? kFindingsPerInsert : 1;
            sql::Statement& st = rows > 1 ? group : single;
            for (int col = 1; col < rows * kColumns; col += kColumns, ++at) {
                const HistoryFinding& f = part[at];
                st.bind(col, id)
                    .bind(col + 1, seq++)
                    .bind(col + 2, f.recNum)
                    .bindTextNoCopy(col + 3, f.type)
                    .bindTextNoCopy(col + 4, f.key)
                    .bind(col + 5, f.occurrence)
                    .bind(col + 6, std::int64_t{f.critical})
                    .bind(col + 7, lastId(f.reference, lastReference))
                    .bind(col + 8, std::int64_t{f.first})
                    .bind(col + 9, std::int64_t{f.last})
                    .bindTextNoCopy(col + 10, f.userEntry)
                    .bind(col + 11, lastId(f.message, lastMessage));
            }
            st.run();
        }
    }
}

}  // namespace

std::int64_t RunHistory::Add(const HistoryRun& run, FindingSource& findings, int keep,
                             const std::function<bool()>& confirm) {
    auto& db = impl_->db;
    try {
        db.exec("BEGIN IMMEDIATE");
        try {
            db.prepare(
                  "INSERT INTO runs (ended, outcome, records, records_with_errors, errors) VALUES (?1, ?2, ?3, ?4, ?5)")
                .bindText(1, run.when)
                .bindText(2, run.outcome)
                .bind(3, run.records)
                .bind(4, run.recordsWithErrors)
                .bind(5, run.errors)
                .run();
            const std::int64_t id = db.lastInsertRowid();
            auto file = db.prepare("INSERT INTO files (run, seq, name, size, sha256) VALUES (?1, ?2, ?3, ?4, ?5)");
            for (std::size_t i = 0; i < run.files.size(); ++i) {
                const HistoryFile& f = run.files[i];
                file.bind(1, id).bind(2, static_cast<std::int64_t>(i)).bindText(3, f.name);
                if (f.size >= 0) file.bind(4, f.size); else file.bindNull(4);
                if (f.changed) file.bindText(5, kChangedWhileTested);
                else if (!f.sha256.empty()) file.bindText(5, f.sha256);
                else file.bindNull(5);
                file.run();
            }
            InsertFindings(db, id, findings);
            if (confirm && !confirm()) {
                sqlite3_exec(db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
                return 0;
            }
            // The oldest runs beyond the bound go, and the texts only they used.
            db.prepare("DELETE FROM runs WHERE id NOT IN (SELECT id FROM runs ORDER BY id DESC LIMIT ?1)")
                .bind(1, std::int64_t{keep})
                .run();
            if (sqlite3_changes(db.handle()) > 0)
                db.exec(
                    "DELETE FROM texts WHERE id NOT IN (SELECT reference FROM findings UNION SELECT message FROM "
                    "findings)");
            db.exec("COMMIT");
            return id;
        } catch (...) {
            sqlite3_exec(db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    } catch (const sql::DbError& e) {
        throw Failed(impl_->file, std::string("cannot be written: ") + e.what() + ".", Damaged(e));
    }
}

namespace {

// The runs `q` selects (id, ended, outcome and the counts), in its order, with their files.
std::vector<HistoryRun> ReadRuns(sql::Database& db, sql::Statement& q) {
    std::vector<HistoryRun> runs;
    while (q.step())
        runs.push_back(HistoryRun{q.int64(0), q.text(1), q.text(2), q.int64(3), q.int64(4), q.int64(5), {}});
    if (runs.empty()) return runs;
    std::int64_t low = runs.front().id, high = low;
    std::unordered_map<std::int64_t, std::size_t> at;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        low = std::min(low, runs[i].id);
        high = std::max(high, runs[i].id);
        at.emplace(runs[i].id, i);
    }
    auto f = db.prepare("SELECT run, name, size, sha256 FROM files WHERE run BETWEEN ?1 AND ?2 ORDER BY run, seq");
    f.bind(1, low).bind(2, high);
    while (f.step()) {
        const auto run = at.find(f.int64(0));
        if (run == at.end()) continue;
        std::string hash = f.text(3);
        const bool changed = hash == kChangedWhileTested;
        runs[run->second].files.push_back(
            HistoryFile{f.text(1), f.isNull(2) ? -1 : f.int64(2), changed ? std::string() : std::move(hash), changed});
    }
    return runs;
}

constexpr const char* kRunColumns = "SELECT id, ended, outcome, records, records_with_errors, errors FROM runs";

}  // namespace

std::vector<HistoryRun> RunHistory::Runs() const {
    try {
        auto q = impl_->db.prepare(std::string(kRunColumns) + " ORDER BY id");
        return ReadRuns(impl_->db, q);
    } catch (const sql::DbError& e) {
        throw Failed(impl_->file, std::string("cannot be read: ") + e.what() + ".");
    }
}

std::int64_t RunHistory::RunCount() const {
    try {
        auto q = impl_->db.prepare("SELECT count(*) FROM runs");
        return q.step() ? q.int64(0) : 0;
    } catch (const sql::DbError& e) {
        throw Failed(impl_->file, std::string("cannot be read: ") + e.what() + ".");
    }
}

std::vector<HistoryRun> RunHistory::NewestRuns(std::int64_t offset, int limit) const {
    try {
        auto q = impl_->db.prepare(std::string(kRunColumns) + " ORDER BY id DESC LIMIT ?1 OFFSET ?2");
        q.bind(1, std::int64_t{limit}).bind(2, offset);
        return ReadRuns(impl_->db, q);
    } catch (const sql::DbError& e) {
        throw Failed(impl_->file, std::string("cannot be read: ") + e.what() + ".");
    }
}

std::vector<HistoryFinding> RunHistory::Findings(std::int64_t id) const {
    std::vector<HistoryFinding> findings;
    try {
        auto q = impl_->db.prepare(
            "SELECT f.rec_num, f.type, f.key, f.occurrence, f.critical, r.text, f.first, f.last, f.user_entry, m.text"
            " FROM findings f JOIN texts r ON r.id = f.reference JOIN texts m ON m.id = f.message"
            " WHERE f.run = ?1 ORDER BY f.seq");
        q.bind(1, id);
        while (q.step())
            findings.push_back(HistoryFinding{q.int64(0), q.text(1), q.text(2), q.int64(3), q.int64(4) != 0, q.text(5),
                                              static_cast<int>(q.int64(6)), static_cast<int>(q.int64(7)), q.text(8),
                                              q.text(9)});
    } catch (const sql::DbError& e) {
        throw Failed(impl_->file, std::string("cannot be read: ") + e.what() + ".");
    }
    return findings;
}

}  // namespace quorvex
