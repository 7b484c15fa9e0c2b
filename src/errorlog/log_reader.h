#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "errorlog/block_records.h"
#include "errorlog/block_row.h"
#include "errorlog/log_failure.h"

namespace quorvex {

namespace sql {
class Database;
}

// Rows as the read side returns them. Text is code page 1252, as the core holds it; a
// column without a value reads as empty text (or nullopt where that matters).
struct MiscRow {
    std::string path;
    std::string pathUtf8;  // the path as the log holds it, every character kept: for captions
    std::string rptDate;
};

struct RecordRow {
    std::int64_t recNum = 0;
    std::string id;
    std::optional<std::int64_t> reIndx;
    std::int64_t errors = 0;
    std::string record;
    std::string recReference;
};

struct ErrorRow {
    std::int64_t errNum = 0;
    bool critical = false;  // Type "C"
    std::int64_t recNum = 0;
    std::string reference;
    std::string userEntry;
    std::string error;
};

// One row of the report's body query: an error and the record it belongs to.
struct ReportRow {
    ErrorRow error;
    RecordRow record;
};

// Which records a window of the grids holds.
enum class RecordSet { All, WithErrors };

// Consecutive record numbers of a set: `count` rows from Rec_Num `first` on.
struct KeyRun {
    std::int64_t first = 0;
    std::int64_t count = 0;
    bool operator==(const KeyRun&) const = default;
};

class KeyedErrors;

// The read side of the error log: every query of the result views, the record viewer, the
// reports and the command line. It never writes. Its statements live for one call, so it
// holds no lock between calls: a new run can always replace the log while a view is open,
// and the next call reads the new file.
//
// A reader opened on a file opens a connection for each call. The writer lends its own
// connection (ErrorLog::Read) so that the checks of a run read what the run has written.
// Every method throws LogFailure when the log cannot be read.
class LogReader : public BlockRecords {
public:
    // The log in `folder` (any case of its name), or nullopt when there is none.
    static std::optional<LogReader> OpenIn(const std::filesystem::path& folder);
    // A reader of `file`; throws LogFailure when it is missing or not an error log.
    explicit LogReader(std::filesystem::path file);
    // A reader over an open connection (the writer's), which must outlive it.
    explicit LogReader(sql::Database& connection);

    const std::filesystem::path& Path() const { return path_; }

    // A reader of the same log whose report rows (ForEachReportRow) show every SSN masked
    // (HideSsns): what a report or findings document shows when SSNs are to stay private.
    // Every other read gives the log as it is: the checks, the viewer and the history need it.
    // `false` gives the rows as the log keeps them again.
    LogReader WithSsnsHidden(bool hidden = true) const {
        LogReader reader = *this;
        reader.hideSsns_ = hidden;
        return reader;
    }
    bool SsnsHidden() const { return hideSsns_; }

    // Whether the log still carries the in-progress mark (LogFile::InProgress): its run never
    // wrote its end. With no program in the folder, the run was interrupted (the program was
    // killed, the computer went down): the log keeps what was committed, and no more.
    bool RunInProgress() const;

    // --- Counts (COUNT(*), never by walking rows) ------------------------------------
    std::int64_t RecordCount() const;
    std::int64_t RecordsWithErrorsCount() const;   // Records rows with Errors > 0
    std::int64_t ErrorCount() const;
    // Row count of "Select distinct Rec_Num From Errors" (the report's records with errors).
    std::int64_t DistinctErrorRecords() const;
    // Rec_Num of the last Records row; 0 when there is none.
    std::int64_t LastRecNum() const;

    // --- Misc ------------------------------------------------------------------------
    // Every row, one per tested file, in the order written.
    std::vector<MiscRow> Misc() const;
    // PinOK of the newest Misc row that holds one (the RA record sets it on the row of the
    // submission's first file); false when none does.
    bool PinOK() const;

    // --- Errors ----------------------------------------------------------------------
    // The last Errors row: it tells whether the run stopped on a critical error.
    std::optional<ErrorRow> LastError() const;
    // The newest critical error.
    std::optional<ErrorRow> LastCriticalError() const;
    // The errors of one record in logged order
    // ("Select * From Errors Where Rec_Num = <n>").
    std::vector<ErrorRow> ErrorsOf(std::int64_t recNum) const;
    // The same as the errors grid reads them: reference, user entry and message only
    // ("Select Errors.Reference, Errors.User_Entry, Errors.Error From Errors Where
    // Errors.Rec_Num = <n>").
    std::vector<ErrorRow> GridErrorsOf(std::int64_t recNum) const;

    // --- Records ---------------------------------------------------------------------
    // A window of the records grid (the query "Select Rec_Num, Errors, Record  From
    // Records ..." of the set), keyed by Rec_Num: up to `limit` rows from `fromRecNum`
    // upwards, or, with `backwards`, from `fromRecNum` downwards (in descending order).
    // Rows carry Rec_Num, Errors and Record only.
    std::vector<RecordRow> RecordsWindow(RecordSet set, std::int64_t fromRecNum, int limit,
                                         bool backwards = false) const;
    // The Rec_Num values of the set, in order, as runs of consecutive numbers: what puts a
    // row of a grid at its position. All records without a gap (the usual case) take
    // COUNT(*) and the first and last number; otherwise one pass over the set's keys gives
    // the runs, as many as there are gaps (for the records with errors, at most one per
    // such record), never one per row.
    std::vector<KeyRun> KeyRuns(RecordSet set) const;
    // "Select Record, RE_Indx, ID From Records Where Rec_Num = <n>", with the rest of the row.
    std::optional<RecordRow> Record(std::int64_t recNum) const;
    // The RE record of block `reIndx` ("Select Record From Records Where ID = 'RE' and
    // RE_Indx = <n>"). With `upTo`, the record of a block member: its RE record stands
    // before it, so the search goes backwards from Rec_Num `upTo` and ends at the block's
    // start instead of reading the whole table.
    std::optional<std::string> BlockRecord(std::int64_t reIndx, std::int64_t upTo) const override;

    // --- The checks' queries (texts as the checks have always run them) ---------------
    // "Select * From TRT, Records Where TRT.Indx = Records.Re_Indx and Records.Rec_Num = <n>"
    std::optional<BlockRow> TRTBlock(std::int64_t recNum) const;
    // "Select [0], [1], ... F17ErrRef From TRU, Records Where TRU.Indx = Records.Re_Indx and ..."
    std::optional<BlockRow> TRUBlock(std::int64_t recNum) const;
    // "Select ID From Records Where ID = 'RW'" and its row count (any case of "RW").
    std::int64_t CountRW() const;

    // --- The report ------------------------------------------------------------------
    // The body query: one row per error in record order and, within a record, in logged
    // order, its SSNs masked by a reader WithSsnsHidden. `visit` returns false to stop.
    void ForEachReportRow(const std::function<bool(const ReportRow&)>& visit) const;
    // The same rows for the run history, lighter: of the record only its identifier, block
    // and first kKeyChars characters (enough for the fields that key a record: the SSN and
    // the EIN). `visit` also gets where the blocks' RE records are looked up: the log over
    // the same connection, or `kept` when that is Whole. It may take the error's texts (not
    // the record's). What `kept` holds is taken from there (its errors are taken out of it),
    // not read from the file; a Whole one is all that is read.
    static constexpr int kKeyChars = 16;
    void ForEachKeyedRow(const std::function<bool(ReportRow&, const BlockRecords& blocks)>& visit,
                         KeyedErrors* kept = nullptr) const;
    // The same rows from a Whole `kept` alone, the file not touched (it may not yet hold them).
    static void ForEachKeptRow(KeyedErrors& kept,
                               const std::function<bool(ReportRow&, const BlockRecords& blocks)>& visit);

private:
    template <class F>
    auto WithConnection(F&& f) const;

    std::filesystem::path path_;
    sql::Database* borrowed_ = nullptr;
    bool hideSsns_ = false;
};

// `row` with every SSN masked (common/hidden_ssn.h): the SSN of its record (the reference of
// an RW or RO record, which its header shows) wherever it stands in the record and the user
// entry, and the SSN an RT or RU message names. An EIN stays as it is.
void HideSsns(ReportRow& row);

// What every reader says of a log whose run did not finish (RunInProgress with no program
// in the folder): the records kept end at `lastRecNum`. Two sentences, the first a heading.
std::string InterruptedRunHead(std::int64_t lastRecNum);
std::string InterruptedRunBody();
// Both, as a message box of the window shows them.
std::string InterruptedRunMessage(std::int64_t lastRecNum);

}  // namespace quorvex
