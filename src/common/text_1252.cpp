#include "common/text_1252.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorvex {

namespace {

// Code points of the bytes 0x80-0x9F. The five bytes the code page leaves undefined map
// to the control characters of the same value, as Windows does.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

constexpr std::array<unsigned char, 256> MakeUpper() {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
    for (int c = 'a'; c <= 'z'; ++c) t[c] = static_cast<unsigned char>(c - 32);
    for (int c = 0xE0; c <= 0xFE; ++c)
        if (c != 0xF7) t[c] = static_cast<unsigned char>(c - 32);
    t[0x9A] = 0x8A;  // š
    t[0x9C] = 0x8C;  // œ
    t[0x9E] = 0x8E;  // ž
    t[0xFF] = 0x9F;  // ÿ
    return t;
}
constexpr auto kUpper = MakeUpper();

}  // namespace

char32_t Cp1252CodePoint(unsigned char b) {
    if (b >= 0x80 && b <= 0x9F) return kHigh[b - 0x80];
    return b;
}

char Cp1252Byte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == c) return static_cast<char>(0x80 + i);
    return '?';
}

namespace {
constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

std::uint64_t Load(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}
}  // namespace

bool IsAscii(std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t n = bytes.size(), i = 0;
#if defined(__SSE2__)
    __m128i acc16 = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) acc16 = _mm_or_si128(acc16, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
    if (_mm_movemask_epi8(acc16) != 0) return false;
#endif
    std::uint64_t acc = 0;
    for (; i + 8 <= n; i += 8) acc |= Load(p + i);
    for (; i < n; ++i) acc |= static_cast<unsigned char>(p[i]);
    return (acc & kHighBits) == 0;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
    if (IsAscii(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + 16);
    for (char c : bytes) AppendUtf8(out, Cp1252CodePoint(static_cast<unsigned char>(c)));
    return out;
}

namespace {

// The character of the UTF-8 sequence at `i` and its length; length 0 when the byte there
// does not begin a well-formed sequence (a stray continuation byte, a cut or overlong
// sequence, a surrogate, a value beyond U+10FFFF).
std::size_t DecodeUtf8(std::string_view s, std::size_t i, char32_t& c) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t len;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (b < 0x80) {
        c = b;
        return 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
        c = b & 0x1F;
        len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        c = b & 0x0F;
        len = 3;
        if (b == 0xE0) low = 0xA0;
        if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        c = b & 0x07;
        len = 4;
        if (b == 0xF0) low = 0x90;
        if (b == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto next = static_cast<unsigned char>(s[i + k]);
        if (k == 1 ? (next < low || next > high) : (next & 0xC0) != 0x80) return 0;
        c = (c << 6) | (next & 0x3F);
    }
    return len;
}

}  // namespace

char32_t NextCodePoint(std::string_view s, std::size_t& i) {
    char32_t c;
    const std::size_t len = DecodeUtf8(s, i, c);
    i += len ? len : 1;
    return len ? c : U'\uFFFD';
}

std::string Utf8ToCp1252(std::string_view s) {
    if (IsAscii(s)) return std::string(s);
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        char32_t c;
        const std::size_t len = DecodeUtf8(s, i, c);
        out.push_back(len ? Cp1252Byte(c) : '?');
        i += len ? len : 1;
    }
    return out;
}

std::string ValidUtf8(std::string_view s) {
    if (IsAscii(s)) return std::string(s);
    std::string out;
    out.reserve(s.size() + 8);
    for (std::size_t i = 0; i < s.size();) {
        char32_t c;
        const std::size_t len = DecodeUtf8(s, i, c);
        out.append(len ? s.substr(i, len) : std::string_view("\xEF\xBF\xBD"));
        i += len ? len : 1;
    }
    return out;
}

void UpperCase1252(char* first, char* last) {
    char* p = first;
#if defined(__SSE2__)
    // Sixteen ASCII characters at a time: a-z lose their 0x20 bit.
    const __m128i beforeA = _mm_set1_epi8('a' - 1), afterZ = _mm_set1_epi8('z' + 1), bit = _mm_set1_epi8(0x20);
    for (; last - p >= 16; p += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if (_mm_movemask_epi8(v) != 0) {
            for (int k = 0; k < 16; ++k) p[k] = static_cast<char>(kUpper[static_cast<unsigned char>(p[k])]);
            continue;
        }
        const __m128i lower = _mm_and_si128(_mm_cmpgt_epi8(v, beforeA), _mm_cmplt_epi8(v, afterZ));
        v = _mm_xor_si128(v, _mm_and_si128(lower, bit));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
    }
#endif
    // Eight ASCII characters at a time: a-z lose their 0x20 bit.
    for (; last - p >= 8; p += 8) {
        std::uint64_t w = Load(p);
        if (w & kHighBits) {
            for (int k = 0; k < 8; ++k) p[k] = static_cast<char>(kUpper[static_cast<unsigned char>(p[k])]);
            continue;
        }
        std::uint64_t geA = w + kOnes * (0x80 - 'a');
        std::uint64_t gtZ = w + kOnes * (0x80 - 'z' - 1);
        std::uint64_t lower = (geA & ~gtZ) & kHighBits;
        w ^= lower >> 2;
        std::memcpy(p, &w, sizeof w);
    }
    for (; p != last; ++p) *p = static_cast<char>(kUpper[static_cast<unsigned char>(*p)]);
}

}  // namespace quorvex
