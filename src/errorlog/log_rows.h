#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "common/text_1252.h"
#include "errorlog/writer_thread.h"

namespace quorvex::rows {

// The ready rows of the error log, as the run hands them to the writer: a kind byte, then
// the values in the order the writer binds them. Numbers are kept in machine order, texts
// as a length and their UTF-8 bytes (converted from code page 1252 on the way in, so the
// writer binds them as they lie).
enum class Kind : std::uint8_t {
    InsertRecord,  // recNum, id, reIndx?, errors, record, recReference?
    UpdateRecord,  // the same
    DeleteRecord,  // recNum
    InsertError,   // critical, recNum, reference, userEntry, error
    BumpErrors,    // recNum
    InsertMisc,    // path, rptDate
    UpdatePinOK,   // ok
    InsertBlock,   // indx, ein: a TRT and a TRU row
    UpdateBlock,   // tru, count, sums 1..fields, errRefs 1..fields, indx
    Commit,        // ends the transaction and begins the next
    MarkEnded,     // the header's in-progress mark is cleared (with the transaction)
};

// Appends values to a batch.
class Out {
public:
    explicit Out(ByteBatch& batch) : b_(batch) {}

    void Put(Kind k) { Byte(static_cast<std::uint8_t>(k)); }
    void Put(bool v) { Byte(v ? 1 : 0); }
    void Put(std::int64_t v) { Raw(&v, sizeof v); }
    void Put(double v) { Raw(&v, sizeof v); }
    void Put(std::optional<std::int64_t> v) {
        Put(v.has_value());
        if (v) Put(*v);
    }
    // Text of code page 1252.
    void Text(std::string_view cp1252) {
        if (IsAscii(cp1252)) return Utf8(cp1252);
        Utf8(Cp1252ToUtf8(cp1252));
    }
    // Text that is UTF-8 already.
    void Utf8Text(std::string_view utf8) { Utf8(utf8); }
    void OptText(const std::optional<std::string_view>& cp1252) {
        Put(cp1252.has_value());
        if (cp1252) Text(*cp1252);
    }

private:
    void Byte(std::uint8_t v) { b_.append(&v, 1); }
    void Raw(const void* p, std::size_t n) { b_.append(p, n); }
    void Utf8(std::string_view s) {
        const auto n = static_cast<std::uint32_t>(s.size());
        Raw(&n, sizeof n);
        Raw(s.data(), s.size());
    }
    ByteBatch& b_;
};

// Reads the values of a batch back, in the order they were put. Texts are views into the
// batch.
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
    bool Bool() { return Byte() != 0; }
    std::int64_t Int() { return Get<std::int64_t>(); }
    double Real() { return Get<double>(); }
    std::optional<std::int64_t> OptInt() {
        if (!Bool()) return std::nullopt;
        return Int();
    }
    std::string_view Text() {
        const auto n = Get<std::uint32_t>();
        std::string_view s(p_, n);
        p_ += n;
        return s;
    }
    std::optional<std::string_view> OptText() {
        if (!Bool()) return std::nullopt;
        return Text();
    }

private:
    std::uint8_t Byte() { return static_cast<std::uint8_t>(*p_++); }
    template <class T>
    T Get() {
        T v;
        std::memcpy(&v, p_, sizeof v);
        p_ += sizeof v;
        return v;
    }
    const char* p_;
    const char* end_;
};

}  // namespace quorvex::rows
