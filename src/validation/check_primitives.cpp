#include "validation/check_primitives.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "errorlog/findings.h"
#include "validation/field_names.h"

namespace quorvex {

namespace {

constexpr bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
constexpr bool IsUpper(unsigned char c) { return c >= 'A' && c <= 'Z'; }
constexpr bool IsPrintable(unsigned char c) { return c >= 32 && c <= 126; }

template <typename Pred>
bool AllOf(std::string_view text, Pred pred) {
    for (char ch : text) {
        if (!pred(static_cast<unsigned char>(ch))) return false;
    }
    return true;
}

// The Country Code, State Abbreviation and Zip Code of an address block, as field
// indexes of its record type.
struct BlockFields {
    RecordType type;
    int state, zip, country;
};

constexpr BlockFields FieldsOf(AddressBlock block) {
    switch (block) {
        case AddressBlock::RACompany:
            return {RecordType::RA, ra::kCompanyState, ra::kCompanyZip, ra::kCompanyCountry};
        case AddressBlock::RASubmitter:
            return {RecordType::RA, ra::kSubmitterState, ra::kSubmitterZip, ra::kSubmitterCountry};
        case AddressBlock::RE: return {RecordType::RE, re::kState, re::kZip, re::kCountry};
        case AddressBlock::RW: return {RecordType::RW, rw::kState, rw::kZip, rw::kCountry};
    }
    return {RecordType::RE, re::kState, re::kZip, re::kCountry};
}

}  // namespace

bool NumCheck(std::string_view text) {
    // Eight characters at a time: every byte of the word lies in '0'..'9'; a tail of the last
    // eight, which may overlap the words before.
    constexpr std::uint64_t ones = 0x0101010101010101ull, high = 0x8080808080808080ull;
    auto notDigits = [](std::uint64_t w) { return ((w | (w + ones * (0x80 - '9' - 1)) | (w - ones * '0')) & high); };
    const char* p = text.data();
    const std::size_t n = text.size();
    if (n < 8) {
        for (std::size_t i = 0; i < n; ++i)
            if (!IsDigit(static_cast<unsigned char>(p[i]))) return false;
        return true;
    }
    std::uint64_t bad = 0, w;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::memcpy(&w, p + i, sizeof w);
        bad |= notDigits(w);
    }
    if (i < n) {
        std::memcpy(&w, p + n - 8, sizeof w);
        bad |= notDigits(w);
    }
    return bad == 0;
}

bool NameCheck(std::string_view text) {
    auto isName = [](unsigned char c) {
        return IsUpper(c) || IsDigit(c) || c == ' ' || c == '.' || c == '-' || c == '\'';
    };
#if defined(__SSE2__)
    // Sixteen characters at a time; a tail of the last sixteen, which may overlap. A shorter
    // text is tested in a copy filled up with letters.
    const std::size_t n = text.size();
    if (n > 1) {
        auto name16 = [](const char* p) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            auto in = [&v](char lo, char hi) {
                return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(static_cast<char>(lo - 1))),
                                     _mm_cmplt_epi8(v, _mm_set1_epi8(static_cast<char>(hi + 1))));
            };
            auto is = [&v](char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
            // '-' and '.' are neighbours, as are '0'-'9'; the apostrophe and the blank stand alone.
            const __m128i ok = _mm_or_si128(_mm_or_si128(in('A', 'Z'), in('0', '9')),
                                            _mm_or_si128(_mm_or_si128(in('-', '.'), is(' ')), is('\'')));
            return _mm_movemask_epi8(ok) == 0xFFFF;
        };
        if (n < 16) {
            char padded[16];
            std::memset(padded, 'A', sizeof padded);
            std::memcpy(padded, text.data(), n);
            return name16(padded);
        }
        std::size_t i = 0;
        for (; i + 16 <= n; i += 16)
            if (!name16(text.data() + i)) return false;
        return i == n || name16(text.data() + n - 16);
    }
#endif
    return AllOf(text, isName);
}

bool AlphaNumCheck(std::string_view text) {
    return AllOf(text, [](unsigned char c) { return IsUpper(c) || IsDigit(c); });
}

bool UserIdCheck(std::string_view text) {
    return text.size() >= 8 && AlphaNumCheck(text.substr(0, 8));
}

namespace {
constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;

std::uint64_t Load8(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// The high bit of each byte of `w` that is not printable ASCII (below 32 or above 126).
constexpr std::uint64_t NotPrintable(std::uint64_t w) {
    const std::uint64_t below = (w - kOnes * 32) & ~w;       // below 32 (or 128 and above)
    const std::uint64_t above = (w + kOnes * (127 - 126)) | w;  // above 126 (or 128 and above)
    return (below | above) & kHigh;
}
static_assert(NotPrintable(0x2020202020202020ull) == 0 && NotPrintable(0x7E7E7E7E7E7E7E7Eull) == 0);
static_assert(NotPrintable(0x202020202020201Full) != 0 && NotPrintable(0x7F20202020202020ull) != 0);
static_assert(NotPrintable(0x20202020E9202020ull) != 0);
}  // namespace

bool CharCheck(std::string_view text) {
    // Eight characters at a time; a tail of the last eight, which may overlap the words before.
    const char* p = text.data();
    const std::size_t n = text.size();
    if (n < 8) {
        for (std::size_t i = 0; i < n; ++i)
            if (!IsPrintable(static_cast<unsigned char>(p[i]))) return false;
        return true;
    }
    std::uint64_t bad = 0;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) bad |= NotPrintable(Load8(p + i));
    if (i < n) bad |= NotPrintable(Load8(p + n - 8));
    return bad == 0;
}

std::string_view Trim(std::string_view text) {
    const auto b = text.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    const auto e = text.find_last_not_of(' ');
    return text.substr(b, e - b + 1);
}

bool IsBlank(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

bool IsZeroFilled(std::string_view text) { return Trim(text) == "00000000000"; }

double DigitsValue(std::string_view text) {
    // Whole numbers up to 15 digits fit exactly into both the integer and the double.
    using digits::EightDigits, digits::kZeros;
    const char* p = text.data();
    const std::size_t n = text.size();
    if (n > 8 && n <= 16) return static_cast<double>(digits::NineToSixteen(p, n));
    std::size_t i = 0;
    std::uint64_t v = 0;
    for (; n - i > 8 && (n - i) % 8 != 0; ++i) v = v * 10 + static_cast<std::uint64_t>(p[i] - '0');
    for (; i + 8 <= n; i += 8) v = v * 100000000ull + EightDigits(Load8(p + i) - kZeros);
    for (; i < n; ++i) v = v * 10 + static_cast<std::uint64_t>(p[i] - '0');
    return static_cast<double>(v);
}

bool IsOneOf(std::string_view value, std::initializer_list<std::string_view> allowed) {
    for (std::string_view a : allowed) {
        if (value == a) return true;
    }
    return false;
}

std::string CharCheckMessage(std::string_view text, int firstPos) {
    std::string list;
    std::size_t lastSep = std::string::npos;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsPrintable(static_cast<unsigned char>(text[i]))) continue;
        if (!list.empty()) {
            lastSep = list.size();
            list += ", ";
        }
        char num[16];
        const int n = std::snprintf(num, sizeof num, "%d", firstPos + static_cast<int>(i));
        list.append(num, static_cast<std::size_t>(n));
    }
    if (lastSep != std::string::npos) list.replace(lastSep, 2, " and ");

    std::string msg;
    msg.reserve(list.size() + 240);
    msg += "Invalid character found in position(s) ";
    msg += list;
    msg += " of this record. This field may only contain ";
    msg += "letters (A-Z), numbers (0-9), spaces, non-alpha non-numeric characters ";
    msg += "(~ ! @ # $ % ^ & * ( ) _ + { } | : ";
    msg += '"';
    msg += " < > ? ` - = [ ] \\ ; ' , . /).";
    return msg;
}

void Report(Findings& out, const RecordText& rec, const FieldLayout& f, std::string_view message) {
    out.FieldError(Reference(f), UserEntry(rec.Cut(f)), message, f.index);
}

// The finding of a CheckChars that failed; false.
bool ReportChars(Findings& out, const RecordText& rec, const FieldLayout& f) {
    const std::string_view text = rec.Cut(f);
    out.FieldError(Reference(f), UserEntry(text), CharCheckMessage(text, f.first), f.index);
    return false;
}

bool CheckNumericOrBlank(Findings& out, const RecordText& rec, const FieldLayout& f) {
    if (rec.Digits(f) || rec.Blank(f)) return true;
    Report(out, rec, f, kMsgNumericOrBlank);
    return false;
}

bool CheckState(Findings& out, const RecordText& rec, const FieldLayout& f) {
    if (StateCheck(rec.Cut(f))) return true;
    Report(out, rec, f, kMsgState);
    return false;
}

bool CheckCountry(Findings& out, const RecordText& rec, const FieldLayout& f) {
    if (CountryCheck(rec.Cut(f))) return true;
    Report(out, rec, f, kMsgCountry);
    return false;
}

void CheckCode(Findings& out, const RecordText& rec, const FieldLayout& f,
               std::initializer_list<std::string_view> allowed, std::string_view message) {
    if (!IsOneOf(rec.Cut(f), allowed)) Report(out, rec, f, message);
}

void CheckZipExtension(Findings& out, const RecordText& rec, const FieldLayout& zip, const FieldLayout& ext) {
    CheckNumericOrBlank(out, rec, ext);
    if (rec.Blank(zip) && !rec.Blank(ext)) Report(out, rec, ext, kMsgZipPair);
}

void CountryZipCheck(Findings& out, const RecordText& rec, AddressBlock block) {
    const BlockFields b = FieldsOf(block);
    const FieldLayout& country = Field(b.type, b.country);
    if (rec.Cut(country) == "  ") return;
    const bool stateBlank = rec.Cut(Field(b.type, b.state)) == "  ";
    if (block != AddressBlock::RASubmitter && stateBlank && !rec.Blank(Field(b.type, b.zip))) {
        Report(out, rec, country, kMsgForeignCountryDomesticZip);
    } else if (!stateBlank) {
        Report(out, rec, country, kMsgDomesticStateForeignCountry);
    }
}

}  // namespace quorvex
