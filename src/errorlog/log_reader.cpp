#include "errorlog/log_reader.h"

#include <sqlite3.h>

#include <algorithm>

#include "common/safe_file.h"
#include "common/text_1252.h"
#include "errorlog/keyed_errors.h"
#include "errorlog/log_file.h"
#include "errorlog/schema.h"
#include "errorlog/sqlite.h"

namespace quorvex {

namespace fs = std::filesystem;

namespace {

constexpr int kBusyTimeoutMs = 2000;

// The grids' queries, kept whole: a window selects from them by Rec_Num.
constexpr std::string_view kWithErrorsQuery =
    "Select Rec_Num, Errors, Record  From Records where Errors > 0 Order By Rec_Num";
constexpr std::string_view kAllRecordsQuery = "Select Rec_Num, Errors, Record  From Records";

constexpr std::string_view kBodyQuery =
    "SELECT Err_Num, Type, ERRORS.Rec_Num, Reference, User_Entry, Error, ID, "
    "RE_Indx, Errors, Record, RecReference "
    "FROM ERRORS INNER JOIN RECORDS ON ERRORS.Rec_Num = RECORDS.Rec_Num ORDER BY ERRORS.Rec_Num, Err_Num";

// The body query's rows for the run history, in two halves: the errors, and of each one's
// record only what keys it, looked up once per record. The record is cut as bytes (enough
// for the first 16 characters, at most 4 bytes each): a text's substr would end at a NUL.
constexpr int kKeyedBytes = 64;
constexpr std::string_view kKeyedErrors =
    "SELECT Err_Num, Type, Rec_Num, Reference, User_Entry, Error FROM Errors ORDER BY Err_Num";
constexpr std::string_view kKeyedRecord =
    "SELECT ID, RE_Indx, substr(CAST(Record AS BLOB), 1, 64) FROM Records WHERE Rec_Num = ?1";

std::string Text(const sql::Statement& q, int col) { return q.isNull(col) ? std::string() : Utf8ToCp1252(q.text(col)); }

std::optional<std::int64_t> OptInt(const sql::Statement& q, int col) {
    if (q.isNull(col)) return std::nullopt;
    return q.int64(col);
}

std::int64_t Count(sql::Database& db, std::string_view sql) {
    auto q = db.prepare(sql);
    return q.step() ? q.int64(0) : 0;
}

// Errors columns Err_Num, Type, Rec_Num, Reference, User_Entry, Error from column `at` on.
ErrorRow ReadError(const sql::Statement& q, int at) {
    ErrorRow e;
    e.errNum = q.int64(at);
    e.critical = !q.isNull(at + 1) && q.text(at + 1) == "C";
    e.recNum = q.int64(at + 2);
    e.reference = Text(q, at + 3);
    e.userEntry = Text(q, at + 4);
    e.error = Text(q, at + 5);
    return e;
}

constexpr std::string_view kErrorColumns = "Err_Num, Type, Rec_Num, Reference, User_Entry, Error";

// The text of the TRU block query without its record number.
std::string TruBlockQueryText() {
    std::string sql = "Select ";
    for (int n = 0; n <= kTruFields; ++n) sql.append("[").append(std::to_string(n)).append("], ");
    for (int n = 1; n <= kTruFields; ++n)
        sql.append("F").append(std::to_string(n)).append("ErrRef").append(n < kTruFields ? ", " : "");
    sql += " From TRU, Records Where TRU.Indx = Records.Re_Indx and Records.Rec_Num = ";
    return sql;
}

}  // namespace

template <class F>
auto LogReader::WithConnection(F&& f) const {
    try {
        if (borrowed_) return f(*borrowed_);
        std::error_code ec;
        if (!fs::is_regular_file(path_, ec))
            throw LogFailure{SQLITE_CANTOPEN, "The error log " + path_.string() + " was not found."};
        sql::Database db(path_.string(), false, true);
        sqlite3_busy_timeout(db.handle(), kBusyTimeoutMs);
        return f(db);
    } catch (const sql::DbError& e) {
        throw LogFailure{e.code(), e.what()};
    }
}

std::optional<LogReader> LogReader::OpenIn(const fs::path& folder) {
    std::optional<fs::path> file = LogFile::Find(folder);
    if (!file) return std::nullopt;
    return LogReader(*file);
}

namespace {

// A log whose program ended in the middle of a transaction keeps a hot journal beside it.
// The engine rolls it back at the first read, which a read-only connection cannot do
// ("attempt to write a readonly database"): one read-write connection does it first, so the
// file holds the last commit again. A journal that a live writer still owns is not hot and
// is left alone by the engine.
void RollBackHotJournal(const fs::path& file) {
    std::error_code ec;
    const fs::path journal = file.string() + "-journal";
    if (!fs::is_regular_file(journal, ec) || fs::file_size(journal, ec) == 0) return;
    try {
        sql::Database db(file.string(), false);
        sqlite3_busy_timeout(db.handle(), kBusyTimeoutMs);
        db.exec("SELECT COUNT(*) FROM sqlite_master");
    } catch (const sql::DbError& e) {
        throw LogFailure{e.code(), "The error log " + file.string() +
                                       " was left by a test that did not finish, and its last changes cannot be "
                                       "undone: " + e.what() + "."};
    }
}

}  // namespace

LogReader::LogReader(fs::path file) : path_(std::move(file)) {
    // Another user's log is never read as ours: in a shared folder anyone could have put
    // it there, or a link to theirs.
    if (const std::string problem = ForeignDatabaseProblem(path_); !problem.empty())
        throw LogFailure{SQLITE_PERM, "The error log " + problem + "; it is not read."};
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path_, ec)))
        throw LogFailure{SQLITE_PERM, "The error log " + path_.string() + " is a symbolic link; it is not read."};
    RollBackHotJournal(path_);
    // Touch the tables so that a damaged or foreign file is reported at once.
    WithConnection([](sql::Database& db) {
        db.exec("SELECT 1 FROM Records LIMIT 1");
        db.exec("SELECT 1 FROM Errors LIMIT 1");
        db.exec("SELECT 1 FROM Misc LIMIT 1");
        return 0;
    });
}

LogReader::LogReader(sql::Database& connection) : borrowed_(&connection) {}

bool LogReader::RunInProgress() const {
    return WithConnection([](sql::Database& db) { return LogFile::InProgress(db); });
}

std::string InterruptedRunHead(std::int64_t lastRecNum) {
    return "Testing did not finish: the results end at Record Number " + std::to_string(lastRecNum) + ".";
}

std::string InterruptedRunBody() {
    return "The program that tested the submission ended before the test was complete (it was stopped, or the "
           "computer went down). The records after it were not tested: these results are incomplete. Run the "
           "test again.";
}

std::string InterruptedRunMessage(std::int64_t lastRecNum) {
    return InterruptedRunHead(lastRecNum) + "\r\n\r\n" + InterruptedRunBody();
}

std::int64_t LogReader::RecordCount() const {
    return WithConnection([](sql::Database& db) { return Count(db, "SELECT COUNT(*) FROM Records"); });
}

std::int64_t LogReader::RecordsWithErrorsCount() const {
    return WithConnection(
        [](sql::Database& db) { return Count(db, "SELECT COUNT(*) FROM Records WHERE Errors > 0"); });
}

std::int64_t LogReader::ErrorCount() const {
    return WithConnection([](sql::Database& db) { return Count(db, "SELECT COUNT(*) FROM Errors"); });
}

std::int64_t LogReader::DistinctErrorRecords() const {
    return WithConnection([](sql::Database& db) {
        return Count(db, "SELECT COUNT(*) FROM (Select distinct Rec_Num From Errors)");
    });
}

std::int64_t LogReader::LastRecNum() const {
    return WithConnection([](sql::Database& db) {
        return Count(db, "SELECT Rec_Num FROM Records ORDER BY Rec_Num DESC LIMIT 1");
    });
}

std::vector<MiscRow> LogReader::Misc() const {
    return WithConnection([](sql::Database& db) {
        std::vector<MiscRow> rows;
        auto q = db.prepare("SELECT Path, RptDate FROM Misc ORDER BY Data_Id");
        while (q.step()) {
            MiscRow r;
            if (!q.isNull(0)) r.pathUtf8 = q.text(0);
            r.path = Utf8ToCp1252(r.pathUtf8);
            r.rptDate = Text(q, 1);
            rows.push_back(std::move(r));
        }
        return rows;
    });
}

bool LogReader::PinOK() const {
    return WithConnection([](sql::Database& db) {
        auto q = db.prepare("SELECT PinOK FROM Misc WHERE PinOK IS NOT NULL ORDER BY Data_Id DESC LIMIT 1");
        return q.step() && !q.isNull(0) && q.int64(0) != 0;
    });
}

std::optional<ErrorRow> LogReader::LastError() const {
    return WithConnection([](sql::Database& db) -> std::optional<ErrorRow> {
        auto q = db.prepare("SELECT " + std::string(kErrorColumns) + " FROM Errors ORDER BY Err_Num DESC LIMIT 1");
        if (!q.step()) return std::nullopt;
        return ReadError(q, 0);
    });
}

std::optional<ErrorRow> LogReader::LastCriticalError() const {
    return WithConnection([](sql::Database& db) -> std::optional<ErrorRow> {
        auto q = db.prepare("SELECT " + std::string(kErrorColumns) +
                            " FROM Errors WHERE Type = 'C' ORDER BY Err_Num DESC LIMIT 1");
        if (!q.step()) return std::nullopt;
        return ReadError(q, 0);
    });
}

std::vector<ErrorRow> LogReader::ErrorsOf(std::int64_t recNum) const {
    return WithConnection([recNum](sql::Database& db) {
        // The columns of Errors in their order; a table scan returns them as logged.
        auto q = db.prepare("Select * From Errors Where Rec_Num = " + std::to_string(recNum));
        std::vector<ErrorRow> rows;
        while (q.step()) {
            ErrorRow e;
            e.errNum = q.int64(0);
            e.critical = !q.isNull(1) && q.text(1) == "C";
            e.recNum = q.int64(2);
            e.reference = Text(q, 3);
            e.userEntry = Text(q, 4);
            e.error = Text(q, 5);
            rows.push_back(std::move(e));
        }
        return rows;
    });
}

std::vector<ErrorRow> LogReader::GridErrorsOf(std::int64_t recNum) const {
    return WithConnection([recNum](sql::Database& db) {
        auto q = db.prepare(
            "Select Errors.Reference, Errors.User_Entry, Errors.Error From Errors Where Errors.Rec_Num = " +
            std::to_string(recNum));
        std::vector<ErrorRow> rows;
        while (q.step()) {
            ErrorRow e;
            e.recNum = recNum;
            e.reference = Text(q, 0);
            e.userEntry = Text(q, 1);
            e.error = Text(q, 2);
            rows.push_back(std::move(e));
        }
        return rows;
    });
}

std::vector<RecordRow> LogReader::RecordsWindow(RecordSet set, std::int64_t fromRecNum, int limit,
                                                bool backwards) const {
    return WithConnection([&](sql::Database& db) {
        std::string sql = "SELECT Rec_Num, Errors, Record FROM (";
        sql += set == RecordSet::WithErrors ? kWithErrorsQuery : kAllRecordsQuery;
        sql += backwards ? ") WHERE Rec_Num <= ?1 ORDER BY Rec_Num DESC LIMIT ?2"
                         : ") WHERE Rec_Num >= ?1 ORDER BY Rec_Num LIMIT ?2";
        auto q = db.prepare(sql);
        q.bind(1, fromRecNum);
        q.bind(2, std::int64_t{limit});
        std::vector<RecordRow> rows;
        while (q.step()) {
            RecordRow r;
            r.recNum = q.int64(0);
            r.errors = q.isNull(1) ? 0 : q.int64(1);
            r.record = Text(q, 2);
            rows.push_back(std::move(r));
        }
        return rows;
    });
}

std::vector<KeyRun> LogReader::KeyRuns(RecordSet set) const {
    return WithConnection([set](sql::Database& db) {
        std::vector<KeyRun> runs;
        if (set == RecordSet::All) {
            const std::int64_t count = Count(db, "SELECT COUNT(*) FROM Records");
            if (count == 0) return runs;
            const std::int64_t first = Count(db, "SELECT Rec_Num FROM Records ORDER BY Rec_Num LIMIT 1");
            const std::int64_t last = Count(db, "SELECT Rec_Num FROM Records ORDER BY Rec_Num DESC LIMIT 1");
            if (last - first + 1 == count) return std::vector<KeyRun>{{first, count}};
        }
        std::string sql = "SELECT Rec_Num FROM (";
        sql += set == RecordSet::WithErrors ? kWithErrorsQuery : kAllRecordsQuery;
        sql += ") ORDER BY Rec_Num";
        auto q = db.prepare(sql);
        while (q.step()) {
            const std::int64_t recNum = q.int64(0);
            if (!runs.empty() && runs.back().first + runs.back().count == recNum) {
                ++runs.back().count;
            } else {
                runs.push_back({recNum, 1});
            }
        }
        return runs;
    });
}

std::optional<RecordRow> LogReader::Record(std::int64_t recNum) const {
    return WithConnection([recNum](sql::Database& db) -> std::optional<RecordRow> {
        auto q = db.prepare("Select Record, RE_Indx, ID, Rec_Num, Errors, RecReference From Records Where Rec_Num = " +
                            std::to_string(recNum));
        if (!q.step()) return std::nullopt;
        RecordRow r;
        r.record = Text(q, 0);
        r.reIndx = OptInt(q, 1);
        r.id = Text(q, 2);
        r.recNum = q.int64(3);
        r.errors = q.isNull(4) ? 0 : q.int64(4);
        r.recReference = Text(q, 5);
        return r;
    });
}

std::optional<std::string> LogReader::BlockRecord(std::int64_t reIndx, std::int64_t upTo) const {
    return WithConnection([reIndx, upTo](sql::Database& db) -> std::optional<std::string> {
        const std::string sql = "Select Record From Records Where ID = 'RE' and RE_Indx = " + std::to_string(reIndx);
        if (upTo > 0) {
            auto q = db.prepare(sql + " and Rec_Num <= " + std::to_string(upTo) + " Order By Rec_Num Desc Limit 1");
            if (q.step()) return Text(q, 0);
        }
        auto q = db.prepare(sql);
        if (!q.step()) return std::nullopt;
        return Text(q, 0);
    });
}

std::optional<BlockRow> LogReader::TRTBlock(std::int64_t recNum) const {
    return WithConnection([recNum](sql::Database& db) {
        auto q = db.prepare("Select * From TRT, Records Where TRT.Indx = Records.Re_Indx and Records.Rec_Num = " +
                            std::to_string(recNum));
        std::optional<BlockRow> row;
        while (q.step()) {
            BlockRow r;
            r.indx = q.int64(0);
            r.reEin = Text(q, 1);
            r.count = q.int64(2);
            for (int n = 1; n <= kTrtFields; ++n) {
                r.sums[n] = q.real(1 + 2 * n);
                r.errRefs[n] = Text(q, 2 + 2 * n);
            }
            row = std::move(r);
        }
        return row;
    });
}


std::optional<BlockRow> LogReader::TRUBlock(std::int64_t recNum) const {
    return WithConnection([recNum](sql::Database& db) {
        static const std::string text = TruBlockQueryText();
        auto q = db.prepare(text + std::to_string(recNum));
        std::optional<BlockRow> row;
        while (q.step()) {
            BlockRow r;
            r.count = q.int64(0);
            for (int n = 1; n <= kTruFields; ++n) {
                r.sums[n] = q.real(n);
                r.errRefs[n] = Text(q, kTruFields + n);
            }
            row = std::move(r);
        }
        return row;
    });
}

std::int64_t LogReader::CountRW() const {
    return WithConnection([](sql::Database& db) {
        return Count(db, "SELECT COUNT(*) FROM (Select ID From Records Where ID = 'RW')");
    });
}

void LogReader::ForEachReportRow(const std::function<bool(const ReportRow&)>& visit) const {
    WithConnection([&](sql::Database& db) {
        auto q = db.prepare(kBodyQuery);
        ReportRow row;
        while (q.step()) {
            row.error = ReadError(q, 0);
            row.record.recNum = row.error.recNum;
            row.record.id = Text(q, 6);
            row.record.reIndx = OptInt(q, 7);
            row.record.errors = q.isNull(8) ? 0 : q.int64(8);
            row.record.record = Text(q, 9);
            row.record.recReference = Text(q, 10);
            if (hideSsns_) HideSsns(row);
            if (!visit(row)) break;
        }
        return 0;
    });
}

namespace {

// Hands `errors`, put in record order, to `visit` with the key of each one's record: as
// `kept` holds it, or else as `lookUp` reads it (false: the record is not in the log).
template <class LookUp>
void VisitKeyed(std::vector<ErrorRow> errors, const KeyedErrors* kept, LookUp&& lookUp, const BlockRecords& blocks,
                const std::function<bool(ReportRow&, const BlockRecords&)>& visit) {
    // Put in record order here rather than by the engine's sort, which writes them out to a
    // file once they are many: a log one run wrote has them in record order already.
    const auto byRecord = [](const ErrorRow& a, const ErrorRow& b) { return a.recNum < b.recNum; };
    if (!std::is_sorted(errors.begin(), errors.end(), byRecord))
        std::stable_sort(errors.begin(), errors.end(), byRecord);
    ReportRow row;
    std::optional<std::int64_t> looked;  // the record last looked up, and whether it is there
    bool found = false;
    for (ErrorRow& error : errors) {
        row.error = std::move(error);
        if (row.error.recNum != looked) {
            looked = row.record.recNum = row.error.recNum;
            if (const KeyedErrors::Head* head = kept ? kept->Find(*looked) : nullptr) {
                found = true;
                row.record.id = head->id;
                row.record.reIndx = head->reIndx;
                row.record.record = head->text;
            } else {
                found = lookUp(*looked, row.record);
            }
        }
        // An error whose record is not in the log has no key: it is left out.
        if (found && !visit(row, blocks)) break;
    }
}

}  // namespace

void LogReader::ForEachKeyedRow(const std::function<bool(ReportRow&, const BlockRecords&)>& visit,
                                KeyedErrors* kept) const {
    static_assert(4 * kKeyChars <= kKeyedBytes, "kKeyedRecord keeps the bytes of kKeyChars characters");
    if (kept && kept->Whole()) return ForEachKeptRow(*kept, visit);
    WithConnection([&](sql::Database& db) {
        const LogReader same(db);
        std::vector<ErrorRow> errors;
        if (kept && kept->Complete()) {
            errors = kept->TakeErrors();
        } else {
            for (auto q = db.prepare(kKeyedErrors); q.step();) errors.push_back(ReadError(q, 0));
        }
        auto record = db.prepare(kKeyedRecord);
        const auto lookUp = [&](std::int64_t recNum, RecordRow& into) {
            record.bind(1, recNum);
            const bool found = record.step();
            if (found) {
                into.id = Text(record, 0);
                into.reIndx = OptInt(record, 1);
                into.record = Text(record, 2);
                if (into.record.size() > std::size_t{kKeyChars}) into.record.resize(kKeyChars);
            }
            record.reset();
            return found;
        };
        VisitKeyed(std::move(errors), kept, lookUp, same, visit);
        return 0;
    });
}

void LogReader::ForEachKeptRow(KeyedErrors& kept, const std::function<bool(ReportRow&, const BlockRecords&)>& visit) {
    VisitKeyed(kept.TakeErrors(), &kept, [](std::int64_t, RecordRow&) { return false; }, kept, visit);
}

}  // namespace quorvex
