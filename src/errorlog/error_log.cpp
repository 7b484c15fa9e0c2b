#include "errorlog/error_log.h"

#include <sqlite3.h>

#include "common/text_1252.h"
#include "errorlog/log_rows.h"
#include "errorlog/log_writer.h"
#include "errorlog/schema.h"

namespace quorvex {

namespace fs = std::filesystem;

namespace {

bool IsRW(std::string_view id) {
    return id.size() == 2 && (id[0] == 'R' || id[0] == 'r') && (id[1] == 'W' || id[1] == 'w');
}

bool IsRE(std::string_view id) {
    return id.size() == 2 && (id[0] == 'R' || id[0] == 'r') && (id[1] == 'E' || id[1] == 'e');
}

}  // namespace

// --- The log --------------------------------------------------------------------------------

ErrorLog::ErrorLog() = default;
ErrorLog::ErrorLog(ErrorLog&&) noexcept = default;

ErrorLog::~ErrorLog() {
    try {
        CloseDatabase();
    } catch (...) {
    }
}

ErrorLog ErrorLog::CreateMDB(const fs::path& folder) {
    ErrorLog log;
    log.path_ = LogFile::PathIn(folder);
    sql::Database db = LogFile::Create(folder);
    try {
        log.w_ = std::make_unique<LogWriter>(log.path_.string(), std::move(db));
    } catch (const sql::DbError& e) {
        // The writer, and with it the connection, is gone.
        throw LogFile::NotCreated(folder, e);
    }
    return log;
}

LogFailure ErrorLog::EndIncomplete(const LogFailure& failure) {
    reader_.reset();
    kept_.Clear();
    return LogFile::EndIncomplete(w_ ? &w_->Abandon() : nullptr, path_, failure);
}

bool ErrorLog::IsOpen() const { return w_ && w_->IsOpen(); }

LogFailure ErrorLog::closed() const {
    return LogFailure{SQLITE_MISUSE, "The error log " + path_.string() + " is closed."};
}

// --- The writer thread ------------------------------------------------------------------

template <class Row>
void ErrorLog::write(const Row& row) {
    if (!w_) throw closed();
    const bool threaded = w_->Threaded();
    try {
        w_->Write(row);
    } catch (...) {
        // The rows after the failing one were dropped: from here on the log is written at
        // once, from what the file holds.
        if (threaded && !w_->Threaded()) reloadAfterFailure();
        throw;
    }
}

void ErrorLog::StartWriterThread() {
    if (IsOpen()) w_->StartThread();
}

void ErrorLog::StopWriterThread() {
    if (w_ && w_->StopThread()) reloadAfterFailure();
}

void ErrorLog::Drain() {
    if (!w_) return;
    const bool threaded = w_->Threaded();
    try {
        w_->Drain();
    } catch (...) {
        if (threaded) reloadAfterFailure();
        throw;
    }
}

void ErrorLog::reloadAfterFailure() {
    // What the file holds is what the run has written; rows the writer did not reach are
    // not counted. The file may no longer be readable either: then the counts stay.
    kept_.Clear();
    try {
        cur_ = PendingRecord{};
        loadLastRecord();
        auto count = [this](const char* sql) {
            auto q = w_->Connection().prepare(sql);
            return q.step() && !q.isNull(0) ? q.int64(0) : std::int64_t{0};
        };
        recordCount_ = count("SELECT COUNT(*) FROM Records");
        recordsWithErrors_ = count("SELECT COUNT(*) FROM Records WHERE Errors > 0");
        rwCount_ = count("SELECT COUNT(*) FROM Records WHERE ID = 'RW'");
        errorCount_ = count("SELECT COUNT(*) FROM Errors");
        lastErrorCritical_ = count("SELECT Type = 'C' FROM Errors ORDER BY Err_Num DESC LIMIT 1") != 0;
    } catch (const sql::DbError&) {
    }
    // Totals the writer did not reach are not written any more.
    if (trt_) trt_->dirty = false;
    if (tru_) tru_->dirty = false;
}

// --- Transactions -------------------------------------------------------------------------

const LogReader& ErrorLog::Read() {
    if (!IsOpen()) throw closed();
    Sync();
    // Made here, not kept from creation: the log may have moved since, and its connection with it.
    reader_.emplace(w_->Connection());
    return *reader_;
}

void ErrorLog::CloseDatabase() {
    if (!IsOpen()) return;
    // A failure of the writer thread or of the last rows leaves the log open, so that the
    // next attempt (at the latest the destructor's) can still commit what was written.
    StopWriterThread();
    w_->ThrowKeptFailure();
    if (w_->InTransaction()) {
        // The program closes the log: its run has ended, whatever it wrote last.
        MarkEnded();
        Sync();
    }
    w_->Close();
}

void ErrorLog::Commit() {
    if (!w_ || !w_->Writable()) return;
    flushPending();
    write(rows::Commit{});
    // The writer thread starts on the commit now rather than once the batch fills.
    w_->HandOver();
}

void ErrorLog::MarkEnded() {
    if (ended_ || !w_ || !w_->Writable()) return;
    ended_ = true;
    write(rows::MarkEnded{});
}

void ErrorLog::Sync() {
    if (!w_ || !w_->Writable()) return;
    flushPending();
    Drain();
}

void ErrorLog::flushPending() {
    flushRecord();
    if (trt_ && trt_->dirty) flushBlock(*trt_, false);
    if (tru_ && tru_->dirty) flushBlock(*tru_, true);
}

void ErrorLog::flushRecord() {
    if (cur_.recNum == 0 || (cur_.stored && !cur_.dirty)) return;
    const std::optional<std::string_view> recReference =
        cur_.recReference ? std::optional<std::string_view>(*cur_.recReference) : std::nullopt;
    if (cur_.stored)
        write(rows::RecordUpdate{cur_.recNum, cur_.reIndx, cur_.errors, cur_.record, recReference});
    else
        write(rows::Record{cur_.recNum, cur_.id, cur_.reIndx, cur_.errors, cur_.record, recReference});
    if (cur_.errors > 0) kept_.KeepRecord(cur_.recNum, cur_.id, cur_.reIndx, cur_.record);
    if (IsRE(cur_.id)) kept_.KeepBlockRecord(cur_.recNum, cur_.reIndx, cur_.record);
    cur_.stored = true;
    cur_.dirty = false;
}

void ErrorLog::flushBlock(Block& b, bool tru) {
    const int fields = tru ? kTruFields : kTrtFields;
    rows::BlockTotals totals;
    totals.tru = tru;
    totals.count = b.count;
    for (int n = 1; n <= fields; ++n) {
        totals.sums[n] = b.sums[n];
        totals.errRefs[n] = b.errRefs[n];
    }
    totals.indx = b.indx;
    write(totals);
    b.dirty = false;
}

// --- Misc ---------------------------------------------------------------------------------

void ErrorLog::AddMisc(std::string_view path, std::string_view rptDate) {
    const std::string utf8 = ValidUtf8(path);
    write(rows::Misc{{utf8}, rptDate});
    kept_.KeepFile(utf8);
}

void ErrorLog::SetPinOK(bool ok) { write(rows::PinOK{ok}); }

// --- Records ------------------------------------------------------------------------------

std::int64_t ErrorLog::AddRecord(std::string_view id, std::string_view record) {
    flushRecord();
    cur_.recNum = nextRecNum_++;
    cur_.id.assign(id);
    cur_.record.assign(record);
    cur_.errors = 0;
    cur_.recReference.reset();
    cur_.reIndx.reset();
    cur_.stored = false;
    cur_.dirty = false;
    ++recordCount_;
    if (IsRW(id)) ++rwCount_;
    return cur_.recNum;
}

void ErrorLog::loadLastRecord() {
    auto q = w_->Connection().prepare("SELECT Rec_Num, ID, RE_Indx, Errors, Record, RecReference FROM Records "
                                      "ORDER BY Rec_Num DESC LIMIT 1");
    if (q.step()) {
        cur_.recNum = q.int64(0);
        cur_.id = Utf8ToCp1252(q.text(1));
        if (!q.isNull(2)) cur_.reIndx = q.int64(2);
        cur_.errors = q.int64(3);
        cur_.record = Utf8ToCp1252(q.text(4));
        if (!q.isNull(5)) cur_.recReference = Utf8ToCp1252(q.text(5));
        cur_.stored = true;
    }
}

void ErrorLog::DeleteLastRecord() {
    if (cur_.recNum == 0) return;
    if (cur_.stored) write(rows::RecordDelete{cur_.recNum});
    // The row before it is read back from the file.
    Drain();
    try {
        --recordCount_;
        if (cur_.errors > 0) --recordsWithErrors_;
        if (IsRW(cur_.id)) --rwCount_;
        kept_.Forget(cur_.recNum);
        // The row before it becomes the current record again.
        cur_ = PendingRecord{};
        loadLastRecord();
    } catch (const sql::DbError& e) {
        throw w_->Failed(e);
    }
}

void ErrorLog::SetRecReference(std::string_view ref) {
    cur_.recReference = std::string(ref);
    cur_.dirty = cur_.stored;
}

void ErrorLog::SetReIndx(std::int64_t reIndx) {
    cur_.reIndx = reIndx;
    cur_.dirty = cur_.stored;
}

void ErrorLog::SetRecordText(std::string_view record) {
    cur_.record.assign(record);
    cur_.dirty = cur_.stored;
}

// --- Errors -------------------------------------------------------------------------------

void ErrorLog::addError(std::int64_t recNum, std::string_view reference, std::string_view userEntry,
                        std::string_view errorText, bool critical) {
    write(rows::Error{critical, recNum, reference, userEntry, errorText});
    kept_.KeepError(critical, recNum, reference, userEntry, errorText);
    ++errorCount_;
    lastErrorCritical_ = critical;
}

void ErrorLog::countError() {
    if (cur_.errors++ == 0) ++recordsWithErrors_;
    cur_.dirty = cur_.stored;
}

void ErrorLog::LogError(std::string_view reference, std::string_view userEntry, std::string_view errorText) {
    addError(cur_.recNum, reference, userEntry, errorText, false);
    countError();
}

void ErrorLog::LogCritError(std::string_view reference, std::string_view userEntry, std::string_view errorText) {
    addError(cur_.recNum, reference, userEntry, errorText, true);
    countError();
}

// --- Blocks -------------------------------------------------------------------------------

std::int64_t ErrorLog::OpenBlock(std::string_view ein) {
    if (trt_ && trt_->dirty) flushBlock(*trt_, false);
    if (tru_ && tru_->dirty) flushBlock(*tru_, true);
    const std::int64_t indx = nextBlockIndx_;
    write(rows::Block{indx, ein});
    ++nextBlockIndx_;
    for (auto* block : {&trt_, &tru_}) {
        *block = Block{};  // assigned: clang cannot emplace it here
        (*block)->indx = indx;
        (*block)->ein.assign(ein);
        (*block)->errRefs.fill("None");
    }
    return indx;
}

std::optional<std::pair<std::int64_t, std::string>> ErrorLog::LastBlock() const {
    if (!trt_) return std::nullopt;
    return std::make_pair(trt_->indx, trt_->ein);
}

void ErrorLog::SetCurrentSsn(std::string_view ssn) { currentSsn_.assign(ssn); }

std::optional<BlockRow> ErrorLog::BlockOf(std::int64_t recNum, bool tru) {
    const std::optional<Block>& block = tru ? tru_ : trt_;
    if (!IsOpen() || recNum != cur_.recNum || !block || (cur_.reIndx && *cur_.reIndx != block->indx))
        return tru ? Read().TRUBlock(recNum) : Read().TRTBlock(recNum);
    // The checks go on while the writer writes what a read would have waited for.
    flushPending();
    if (!cur_.reIndx) return std::nullopt;  // a record of no block
    BlockRow row;
    if (!tru) {
        row.indx = block->indx;
        row.reEin = block->ein;
    }
    row.count = block->count;
    for (int n = 1; n <= (tru ? kTruFields : kTrtFields); ++n) {
        row.sums[n] = block->sums[n];
        row.errRefs[n] = block->errRefs[n];
    }
    return row;
}

void ErrorLog::addTo(std::optional<Block>& block, int fields, int column, bool linkRecord, double amount) {
    if (!block || column < 0 || column > fields) return;
    if (column == 0)
        block->count += static_cast<std::int64_t>(amount);
    else
        block->sums[column] += amount;
    block->dirty = true;
    if (linkRecord) {
        cur_.recReference = currentSsn_;
        cur_.reIndx = block->indx;
        cur_.dirty = cur_.stored;
    }
}

void ErrorLog::setErrRef(std::optional<Block>& block, int fields, int n) {
    if (!block || n < 1 || n > fields) return;
    if (block->errRefs[n] == "None") {
        block->errRefs[n] = currentSsn_;
        block->dirty = true;
    }
}

void ErrorLog::AddTRT(int column, bool linkRecord, double amount) {
    addTo(trt_, kTrtFields, column, linkRecord, amount);
}
void ErrorLog::AddTRU(int column, bool linkRecord, double amount) {
    addTo(tru_, kTruFields, column, linkRecord, amount);
}
void ErrorLog::SetTRTErrRef(int n) { setErrRef(trt_, kTrtFields, n); }
void ErrorLog::SetTRUErrRef(int n) { setErrRef(tru_, kTruFields, n); }

}  // namespace quorvex
