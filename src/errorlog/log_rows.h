#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "common/text_1252.h"
#include "errorlog/schema.h"
#include "errorlog/grouped_insert.h"
#include "errorlog/sqlite.h"
#include "errorlog/writer_thread.h"

namespace quorvex::rows {

// The ready rows of the error log, as the run hands them to the writer: a kind byte, then
// the row's values. Each row kind is one codec below; its Fields lists the values once, and
// that one list both puts the row into a batch (Out) and gets it back (In), so the two
// cannot drift apart. Its Bind sets the values on the row's statement.
//
// In a batch, numbers are kept in machine order and texts as a length and their UTF-8
// bytes: a text is put as code page 1252 (converted on the way in) and got as UTF-8, so
// the writer binds it as it lies.
enum class Kind : std::uint8_t {
    InsertRecord,
    UpdateRecord,
    DeleteRecord,
    InsertError,
    InsertMisc,
    UpdatePinOK,
    InsertBlock,
    UpdateBlock,
    Commit,
    MarkEnded,
};

// A text that is UTF-8 already, put as it is.
struct Utf8 {
    std::string_view text;
};

// Appends values to a batch.
class Out {
public:
    explicit Out(ByteBatch& batch) : b_(batch) {}

    template <class... T>
    void operator()(const T&... values) {
        (Put(values), ...);
    }
    void Put(Kind k) { Byte(static_cast<std::uint8_t>(k)); }
    void Put(bool v) { Byte(v ? 1 : 0); }
    void Put(std::int64_t v) { Raw(&v, sizeof v); }
    void Put(double v) { Raw(&v, sizeof v); }
    void Put(const std::optional<std::int64_t>& v) {
        Put(v.has_value());
        if (v) Put(*v);
    }
    // Text of code page 1252.
    void Put(std::string_view cp1252) {
        if (IsAscii(cp1252)) return Bytes(cp1252);
        Bytes(Cp1252ToUtf8(cp1252));
    }
    void Put(const Utf8& v) { Bytes(v.text); }
    void Put(const std::optional<std::string_view>& cp1252) {
        Put(cp1252.has_value());
        if (cp1252) Put(*cp1252);
    }

private:
    void Byte(std::uint8_t v) { b_.append(&v, 1); }
    void Raw(const void* p, std::size_t n) { b_.append(p, n); }
    void Bytes(std::string_view s) {
        const auto n = static_cast<std::uint32_t>(s.size());
        Raw(&n, sizeof n);
        Raw(s.data(), s.size());
    }
    ByteBatch& b_;
};

// Gets the values of a batch back, in the order they were put. Texts are UTF-8 views into
// the batch.
class In {
public:
    In(const char* p, const char* end) : p_(p), end_(end) {}

    bool AtEnd() const { return p_ >= end_; }
    Kind GetKind() { return static_cast<Kind>(Byte()); }
    // Reads the next kind when it is `k`.
    bool NextIs(Kind k) {
        if (AtEnd() || static_cast<Kind>(*p_) != k) return false;
        ++p_;
        return true;
    }
    // The row that follows its kind.
    template <class Row>
    Row Get() {
        Row row;
        Row::Fields(row, *this);
        return row;
    }

    template <class... T>
    void operator()(T&... values) {
        (Get(values), ...);
    }
    void Get(bool& v) { v = Byte() != 0; }
    void Get(std::int64_t& v) { Raw(v); }
    void Get(double& v) { Raw(v); }
    void Get(std::optional<std::int64_t>& v) {
        if (Byte() == 0) return v.reset();
        v.emplace();
        Raw(*v);
    }
    void Get(std::string_view& utf8) {
        std::uint32_t n;
        Raw(n);
        utf8 = std::string_view(p_, n);
        p_ += n;
    }
    void Get(Utf8& v) { Get(v.text); }
    void Get(std::optional<std::string_view>& utf8) {
        if (Byte() == 0) return utf8.reset();
        utf8.emplace();
        Get(*utf8);
    }

private:
    std::uint8_t Byte() { return static_cast<std::uint8_t>(*p_++); }
    template <class T>
    void Raw(T& v) {
        std::memcpy(&v, p_, sizeof v);
        p_ += sizeof v;
    }
    const char* p_;
    const char* end_;
};

// Puts `row` with its kind.
template <class Row>
void Put(ByteBatch& batch, const Row& row) {
    Out out(batch);
    out.Put(Row::kKind);
    Row::Fields(row, out);
}

inline void BindOpt(sql::Statement& s, int index, const std::optional<std::string_view>& utf8) {
    if (utf8) s.bindTextNoCopy(index, *utf8);
    else s.bindNull(index);
}

inline void BindOpt(sql::Statement& s, int index, const std::optional<std::int64_t>& value) {
    if (value) s.bind(index, *value);
    else s.bindNull(index);
}

// --- The codecs -------------------------------------------------------------------------------

// A new Records row. Consecutive new records are inserted kGroup to a statement (GroupSql).
struct Record {
    static constexpr Kind kKind = Kind::InsertRecord;
    static constexpr int kColumns = 6;
    static constexpr int kGroup = kRecordsPerInsert;
    static constexpr std::string_view kSql =
        "INSERT INTO Records (Rec_Num, ID, RE_Indx, Errors, Record, RecReference) VALUES (?1, ?2, ?3, ?4, ?5, ?6)";

    std::int64_t recNum = 0;
    std::string_view id;
    std::optional<std::int64_t> reIndx;
    std::int64_t errors = 0;
    std::string_view record;
    std::optional<std::string_view> recReference;

    template <class Self, class Io>
    static void Fields(Self& r, Io& io) {
        io(r.recNum, r.id, r.reIndx, r.errors, r.record, r.recReference);
    }
    // Binds the row to the columns from `first` on.
    void Bind(sql::Statement& s, int first = 1) const {
        s.bind(first, recNum);
        s.bindTextNoCopy(first + 1, id);
        BindOpt(s, first + 2, reIndx);
        s.bind(first + 3, errors);
        s.bindTextNoCopy(first + 4, record);
        BindOpt(s, first + 5, recReference);
    }
    static std::string GroupSql() {
        return GroupedInsertSql("Records (Rec_Num, ID, RE_Indx, Errors, Record, RecReference)", kGroup, kColumns);
    }
};

// A stored Records row written again (its identifier does not change).
struct RecordUpdate {
    static constexpr Kind kKind = Kind::UpdateRecord;
    static constexpr std::string_view kSql =
        "UPDATE Records SET RE_Indx = ?2, Errors = ?3, Record = ?4, RecReference = ?5 WHERE Rec_Num = ?1";

    std::int64_t recNum = 0;
    std::optional<std::int64_t> reIndx;
    std::int64_t errors = 0;
    std::string_view record;
    std::optional<std::string_view> recReference;

    template <class Self, class Io>
    static void Fields(Self& r, Io& io) {
        io(r.recNum, r.reIndx, r.errors, r.record, r.recReference);
    }
    void Bind(sql::Statement& s) const {
        s.bind(1, recNum);
        BindOpt(s, 2, reIndx);
        s.bind(3, errors);
        s.bindTextNoCopy(4, record);
        BindOpt(s, 5, recReference);
    }
};

struct RecordDelete {
    static constexpr Kind kKind = Kind::DeleteRecord;
    static constexpr std::string_view kSql = "DELETE FROM Records WHERE Rec_Num = ?1";

    std::int64_t recNum = 0;

    template <class Self, class Io>
    static void Fields(Self& r, Io& io) {
        io(r.recNum);
    }
    void Bind(sql::Statement& s) const { s.bind(1, recNum); }
};

// An Errors row; a critical one has Type "C", an ordinary one none.
struct Error {
    static constexpr Kind kKind = Kind::InsertError;
    static constexpr int kColumns = 5;
    static constexpr int kGroup = kErrorsPerInsert;
    static constexpr std::string_view kSql =
        "INSERT INTO Errors (Type, Rec_Num, Reference, User_Entry, Error) VALUES (?1, ?2, ?3, ?4, ?5)";

    bool critical = false;
    std::int64_t recNum = 0;
    std::string_view reference;
    std::string_view userEntry;
    std::string_view error;

    template <class Self, class Io>
    static void Fields(Self& r, Io& io) {
        io(r.critical, r.recNum, r.reference, r.userEntry, r.error);
    }
    // Binds the row to the columns from `first` on.
    void Bind(sql::Statement& s, int first = 1) const {
        if (critical) s.bindText(first, "C");
        else s.bindNull(first);
        s.bind(first + 1, recNum);
        s.bindTextNoCopy(first + 2, reference);
        s.bindTextNoCopy(first + 3, userEntry);
        s.bindTextNoCopy(first + 4, error);
    }
    // `rows` Errors rows in one statement.
    static std::string GroupSql(int rows) {
        return GroupedInsertSql("Errors (Type, Rec_Num, Reference, User_Entry, Error)", rows, kColumns);
    }
};

// One more error on a stored record: written by the notice of a log that ends incomplete,
// straight to the file, never through the writer's batches.
struct ErrorsBump {
    static constexpr std::string_view kSql = "UPDATE Records SET Errors = COALESCE(Errors, 0) + 1 WHERE Rec_Num = ?1";

    std::int64_t recNum = 0;

    void Bind(sql::Statement& s) const { s.bind(1, recNum); }
};

// A Misc row, one per tested file; its path is UTF-8 already.
struct Misc {
    static constexpr Kind kKind = Kind::InsertMisc;
    static constexpr std::string_view kSql = "INSERT INTO Misc (Path, RptDate) VALUES (?1, ?2)";

    Utf8 path;
    std::string_view rptDate;

    template <class Self, class Io>
    static void Fields(Self& r, Io& io) {
        io(r.path, r.rptDate);
    }
    void Bind(sql::Statement& s) const {
        s.bindTextNoCopy(1, path.text);
        s.bindTextNoCopy(2, rptDate);
    }
};

// PinOK of the newest Misc row.
struct PinOK {
    static constexpr Kind kKind = Kind::UpdatePinOK;
    static constexpr std::string_view kSql =
        "UPDATE Misc SET PinOK = ?1 WHERE Data_Id = (SELECT MAX(Data_Id) FROM Misc)";

    bool ok = false;

    template <class Self, class Io>
    static void Fields(Self& r, Io& io) {
        io(r.ok);
    }
    void Bind(sql::Statement& s) const { s.bind(1, std::int64_t{ok ? 1 : 0}); }
};

// A new employer block: a TRT and a TRU row with the same Indx. Block rows are numbered by
// the run (1, 2, ... as the table would number them), so that it knows a block's Indx
// without waiting for its row.
struct Block {
    static constexpr Kind kKind = Kind::InsertBlock;

    std::int64_t indx = 0;
    std::string_view ein;

    static std::string Sql(bool tru) {
        return std::string("INSERT INTO ") + (tru ? "TRU" : "TRT") + " (Indx, RE_EIN) VALUES (?1, ?2)";
    }
    template <class Self, class Io>
    static void Fields(Self& r, Io& io) {
        io(r.indx, r.ein);
    }
    void Bind(sql::Statement& s) const {
        s.bind(1, indx);
        s.bindTextNoCopy(2, ein);
    }
};

// The running totals of a block row of TRT or TRU: column "0" counts, "1".."fields" sum,
// F<n>ErrRef are the markers.
struct BlockTotals {
    static constexpr Kind kKind = Kind::UpdateBlock;

    bool tru = false;
    std::int64_t count = 0;
    std::array<double, 25> sums{};               // index 0 unused
    std::array<std::string_view, 25> errRefs{};  // index 0 unused
    std::int64_t indx = 0;

    static int FieldsOf(bool tru) { return tru ? kTruFields : kTrtFields; }
    static std::string Sql(bool tru) {
        const int fields = FieldsOf(tru);
        std::string sql = std::string("UPDATE ") + (tru ? "TRU" : "TRT") + " SET \"0\" = ?1";
        for (int n = 1; n <= fields; ++n) {
            const std::string field = std::to_string(n);
            sql.append(", \"").append(field).append("\" = ?").append(std::to_string(2 * n));
            sql.append(", F").append(field).append("ErrRef = ?").append(std::to_string(2 * n + 1));
        }
        sql.append(" WHERE Indx = ?").append(std::to_string(2 * fields + 2));
        return sql;
    }
    template <class Self, class Io>
    static void Fields(Self& r, Io& io) {
        io(r.tru, r.count);  // `tru` first: it tells how many fields follow
        const int fields = FieldsOf(r.tru);
        for (int n = 1; n <= fields; ++n) io(r.sums[n]);
        for (int n = 1; n <= fields; ++n) io(r.errRefs[n]);
        io(r.indx);
    }
    void Bind(sql::Statement& s) const {
        const int fields = FieldsOf(tru);
        s.bind(1, count);
        for (int n = 1; n <= fields; ++n) s.bind(2 * n, sums[n]);
        for (int n = 1; n <= fields; ++n) s.bindTextNoCopy(2 * n + 1, errRefs[n]);
        s.bind(2 * fields + 2, indx);
    }
};

// Ends the transaction and begins the next.
struct Commit {
    static constexpr Kind kKind = Kind::Commit;
    template <class Self, class Io>
    static void Fields(Self&, Io&) {}
};

// The header's in-progress mark is cleared (with the transaction).
struct MarkEnded {
    static constexpr Kind kKind = Kind::MarkEnded;
    template <class Self, class Io>
    static void Fields(Self&, Io&) {}
};

}  // namespace quorvex::rows
