#include "validation/record_text.h"

#include <algorithm>
#include <bit>

#include "validation/check_primitives.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorvex {

namespace {

constexpr int kLength = 512;
static_assert(std::endian::native == std::endian::little, "the class bits are stored as little-endian words");

// The class bits of sixteen characters: digit, printable, blank.
struct Masks16 {
    std::uint32_t digit, printable, blank;
};

#if defined(__SSE2__)
inline Masks16 Classify16(const char* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Signed comparisons. Digits: '0'..'9' less 0xB0 wrap to -128..-119, all else lies above.
    // Printable: 32..126 plus one is 33..127; 127 and 128-255 plus one are negative or 0.
    const __m128i digit = _mm_cmplt_epi8(_mm_sub_epi8(v, _mm_set1_epi8(static_cast<char>(0xB0))), _mm_set1_epi8(-118));
    const __m128i printable = _mm_cmpgt_epi8(_mm_add_epi8(v, _mm_set1_epi8(1)), _mm_set1_epi8(32));
    const __m128i blank = _mm_cmpeq_epi8(v, _mm_set1_epi8(' '));
    auto bits = [](__m128i m) { return static_cast<std::uint32_t>(_mm_movemask_epi8(m)); };
    return {bits(digit), bits(printable), bits(blank)};
}
#else
inline Masks16 Classify16(const char* p) {
    Masks16 m{};
    for (int i = 0; i < 16; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        m.digit |= std::uint32_t{c >= '0' && c <= '9'} << i;
        m.printable |= std::uint32_t{c >= 32 && c <= 126} << i;
        m.blank |= std::uint32_t{c == ' '} << i;
    }
    return m;
}
#endif

}  // namespace

RecordText::RecordText(std::string_view text) : text_(text) {
    // A short record is classified from a copy padded to full length; its missing
    // positions are then set in every class.
    char padded[kLength];
    const char* p = text.data();
    const auto size = static_cast<int>(std::min<std::size_t>(text.size(), kLength));
    if (size < kLength) {
        std::memset(padded, 0, sizeof padded);
        if (size > 0) std::memcpy(padded, text.data(), static_cast<std::size_t>(size));
        p = padded;
    }
    // Sixteen positions at a time, each class's sixteen bits stored in place (the words are
    // little-endian: position 1 is bit 0 of the first).
    for (std::size_t chunk = 0; chunk < kLength / 16; ++chunk) {
        const Masks16 m = Classify16(p + chunk * 16);
        const std::uint16_t digit = static_cast<std::uint16_t>(m.digit);
        const std::uint16_t printable = static_cast<std::uint16_t>(m.printable);
        const std::uint16_t blank = static_cast<std::uint16_t>(m.blank);
        std::memcpy(reinterpret_cast<char*>(digit_.data()) + 2 * chunk, &digit, 2);
        std::memcpy(reinterpret_cast<char*>(printable_.data()) + 2 * chunk, &printable, 2);
        std::memcpy(reinterpret_cast<char*>(blank_.data()) + 2 * chunk, &blank, 2);
    }
    if (size == kLength) {
        std::uint64_t all = ~std::uint64_t{0};
        for (std::uint64_t word : printable_) all &= word;
        allPrintable_ = all == ~std::uint64_t{0};
        return;
    }
    // Positions past the end: bits from `size` on.
    for (int w = 0; w < kWords; ++w) {
        const int from = std::clamp(size - w * 64, 0, 64);
        const std::uint64_t missing = from == 64 ? 0 : ~std::uint64_t{0} << from;
        const auto i = static_cast<std::size_t>(w);
        digit_[i] |= missing;
        printable_[i] |= missing;
        blank_[i] |= missing;
    }
}

RecordText::Positions RecordText::PositionsOf(RecordType type, FieldClass cls) {
    Positions positions{};
    for (const FieldLayout& f : Layout(type)) {
        if (f.cls != cls) continue;
        for (int pos = f.first - 1; pos < f.last; ++pos)
            positions[static_cast<std::size_t>(pos / 64)] |= std::uint64_t{1} << (pos % 64);
    }
    return positions;
}

bool RecordText::AlphaNum(const FieldLayout& f) const { return AlphaNumCheck(Cut(f)); }
bool RecordText::NameChars(const FieldLayout& f) const { return NameCheck(Cut(f)); }

double RecordText::ShortAmount(const FieldLayout& f) const { return DigitsValue(Cut(f)); }

}  // namespace quorvex
