#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "validation/layouts.h"

namespace quorvex {

namespace digits {
inline constexpr std::uint64_t kZeros = 0x3030303030303030ull;  // '0' in every byte

inline std::uint64_t Load8(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// The number of eight digits (byte 0 the most significant), each already less '0'.
constexpr std::uint64_t EightDigits(std::uint64_t w) {
    w = (w * 10) + (w >> 8);
    return (((w & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
            (((w >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
           32;
}
static_assert(EightDigits(0x0807060504030201ull) == 12345678);

// The value of 9 to 16 digits at `p`: the last eight, and the first n - 8 as the last
// digits of the first eight (those after them shifted out, leaving leading zeros).
inline std::uint64_t NineToSixteen(const char* p, std::size_t n) {
    const std::uint64_t head = (Load8(p) - kZeros) << (8 * (16 - n));
    return EightDigits(head) * 100000000ull + EightDigits(Load8(p + n - 8) - kZeros);
}
}  // namespace digits

// A record and the classes of its characters, found once for all its fields: for each
// class a bit per position, set when the character there belongs to it. A field's
// character test is then a test of its bits instead of a loop over its characters.
// Positions past the end of a short record count as belonging to every class, so that a
// field cut short is judged on the characters it has (as the tests of its text do).
class RecordText {
public:
    explicit RecordText(std::string_view text);

    std::string_view Text() const { return text_; }
    // The field's text, as Cut(Text(), f).
    std::string_view Cut(const FieldLayout& f) const { return quorvex::Cut(text_, f); }

    // The character tests of check_primitives.h on the field's text, by its bits:
    bool Digits(const FieldLayout& f) const { return All(digit_, f); }        // NumCheck
    bool Printable(const FieldLayout& f) const { return allPrintable_ || All(printable_, f); }  // CharCheck
    bool Blank(const FieldLayout& f) const { return All(blank_, f); }         // IsBlank
    // ... and those few fields need, on the field's text.
    bool AlphaNum(const FieldLayout& f) const;   // AlphaNumCheck
    bool NameChars(const FieldLayout& f) const;  // NameCheck

    // The positions of a set of fields, as bits (position 1 is bit 0 of the first word).
    static constexpr int kWords = 512 / 64;
    using Positions = std::array<std::uint64_t, kWords>;
    // The positions of the fields of class `cls` in the layout of `type`.
    static Positions PositionsOf(RecordType type, FieldClass cls);
    // Every position of `positions` a digit: all those fields pass Digits().
    bool AllDigits(const Positions& positions) const {
        std::uint64_t missing = 0;
        for (std::size_t w = 0; w < kWords; ++w) missing |= positions[w] & ~digit_[w];
        return missing == 0;
    }

    // The value of a field whose Digits() passed (DigitsValue of its text): a money field
    // is read sixteen digits at a time.
    double Amount(const FieldLayout& f) const {
        const auto n = static_cast<std::size_t>(f.Length());
        if (n > 8 && n <= 16 && static_cast<std::size_t>(f.last) <= text_.size())
            return static_cast<double>(digits::NineToSixteen(text_.data() + f.first - 1, n));
        return ShortAmount(f);
    }

private:
    using Bits = Positions;

    // Whether every bit of the field's positions is set.
    static bool All(const Bits& bits, const FieldLayout& f) {
        const int begin = f.first - 1, end = f.last - 1;  // at most 511
        const int wb = begin >> 6, we = end >> 6;
        const std::uint64_t from = ~std::uint64_t{0} << (begin & 63);
        const std::uint64_t upTo = ~std::uint64_t{0} >> (63 - (end & 63));
        if (wb == we) return (bits[static_cast<std::size_t>(wb)] & from & upTo) == (from & upTo);
        if ((bits[static_cast<std::size_t>(wb)] & from) != from) return false;
        for (int w = wb + 1; w < we; ++w)
            if (bits[static_cast<std::size_t>(w)] != ~std::uint64_t{0}) return false;
        return (bits[static_cast<std::size_t>(we)] & upTo) == upTo;
    }

    double ShortAmount(const FieldLayout& f) const;

    std::string_view text_;
    Bits digit_, printable_, blank_;
    bool allPrintable_ = false;  // the whole record is printable, as it mostly is
};

}  // namespace quorvex
