#include "validation/record_text.h"

#include <algorithm>

#include "validation/check_primitives.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorvex {

namespace {

constexpr int kLength = 512;

// The class bits of sixteen characters: digit, printable, blank.
struct Masks16 {
    std::uint32_t digit, printable, blank;
};

#if defined(__SSE2__)
inline Masks16 Classify16(const char* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Signed comparisons: bytes 128-255 are negative and fall outside both ranges.
    const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('0' - 1)), _mm_cmplt_epi8(v, _mm_set1_epi8('9' + 1)));
    const __m128i printable = _mm_andnot_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(127)), _mm_cmpgt_epi8(v, _mm_set1_epi8(31)));
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
    for (int w = 0; w < kWords; ++w, p += 64) {
        const Masks16 a = Classify16(p), b = Classify16(p + 16), c = Classify16(p + 32), d = Classify16(p + 48);
        auto word = [](std::uint32_t m0, std::uint32_t m1, std::uint32_t m2, std::uint32_t m3) {
            return std::uint64_t{m0} | std::uint64_t{m1} << 16 | std::uint64_t{m2} << 32 | std::uint64_t{m3} << 48;
        };
        // Positions past the end: bits from `size` on.
        const int from = std::clamp(size - w * 64, 0, 64);
        const std::uint64_t missing = from == 64 ? 0 : ~std::uint64_t{0} << from;
        const auto i = static_cast<std::size_t>(w);
        digit_[i] = word(a.digit, b.digit, c.digit, d.digit) | missing;
        printable_[i] = word(a.printable, b.printable, c.printable, d.printable) | missing;
        blank_[i] = word(a.blank, b.blank, c.blank, d.blank) | missing;
    }
}

bool RecordText::AlphaNum(const FieldLayout& f) const { return AlphaNumCheck(Cut(f)); }
bool RecordText::NameChars(const FieldLayout& f) const { return NameCheck(Cut(f)); }

double RecordText::ShortAmount(const FieldLayout& f) const { return DigitsValue(Cut(f)); }

}  // namespace quorvex
