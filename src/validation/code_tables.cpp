#include "validation/code_tables.h"

#include <array>

namespace quorvex {

namespace {

constexpr std::array<std::string_view, 60> kStates{
    "  ", "MD", "VA", "DC", "AL", "AK", "AZ", "AR", "CA", "CO", "CT", "DE", "FL", "GA", "HI",
    "ID", "IL", "IN", "IA", "KS", "KY", "LA", "ME", "MA", "MI", "MN", "MS", "MO", "MT", "NE",
    "NV", "NH", "NJ", "NM", "NY", "NC", "ND", "OH", "OK", "OR", "PA", "RI", "SC", "SD", "TN",
    "TX", "UT", "VT", "WA", "WV", "WI", "WY", "AS", "GU", "PR", "VI", "MP", "AE", "AA", "AP",
};

constexpr std::array<std::string_view, 261> kCountries{
    "AA", "AC", "AE", "AF", "AG", "AJ", "AL", "AM", "AN", "AO", "AR", "AS", "AT", "AU", "AV", "AX", "AY", "BA",
    "BB", "BC", "BD", "BE", "BF", "BG", "BH", "BK", "BN", "BL", "BM", "BO", "BP", "BQ", "BR", "BS", "BT", "BU",
    "BV", "BX", "BY", "CA", "CB", "CD", "CE", "CF", "CG", "CH", "CI", "CJ", "CK", "CM", "CN", "CO", "CV", "CR",
    "CS", "CT", "CU", "CW", "CY", "DA", "DJ", "DO", "DQ", "DR", "DX", "EC", "EG", "EI", "EK", "EN", "ER", "ES",
    "ET", "EU", "EZ", "FG", "FI", "FJ", "FK", "FM", "FO", "FP", "FQ", "FR", "FS", "GA", "GB", "GG", "GH", "GI",
    "GJ", "GK", "GL", "GM", "GO", "GP", "GR", "GT", "GV", "GY", "GZ", "HA", "HK", "HM", "HO", "HQ", "HR", "HU",
    "IC", "ID", "IM", "IN", "IO", "IP", "IR", "IS", "IT", "IV", "IZ", "JA", "JE", "JM", "JN", "JO", "JQ", "JU",
    "KE", "KG", "KN", "KQ", "KR", "KS", "KT", "KU", "KZ", "LA", "LE", "LG", "LH", "LI", "LO", "LQ", "LS", "LT",
    "LU", "LY", "MA", "MB", "MC", "MD", "MF", "MG", "MH", "MI", "MJ", "MK", "ML", "MN", "MO", "MP", "MQ", "MR",
    "MT", "MU", "MV", "MX", "MY", "MZ", "NC", "NE", "NF", "NG", "NH", "NI", "NL", "NM", "NO", "NP", "NR", "NS",
    "NT", "NU", "NZ", "OC", "PA", "PC", "PE", "PF", "PG", "PK", "PL", "PM", "PO", "PP", "PS", "PU", "QA", "RB",
    "RE", "RM", "RO", "RP", "RS", "RW", "SA", "SB", "SC", "SE", "SF", "SG", "SH", "SI", "SL", "SM", "SN", "SO",
    "SP", "ST", "SU", "SV", "SW", "SX", "SY", "SZ", "TD", "TE", "TH", "TI", "TK", "TL", "TN", "TO", "TP", "TS",
    "TT", "TU", "TV", "TW", "TX", "TZ", "UG", "UK", "UP", "UV", "UY", "UZ", "VC", "VE", "VI", "VM", "VT", "WA",
    "WE", "WF", "WI", "WQ", "WS", "WZ", "YM", "ZA", "ZI",
};

// Two upper-case letters as a number 0..675, or -1.
constexpr int LetterPair(std::string_view code) {
    if (code.size() != 2) return -1;
    const char a = code[0], b = code[1];
    if (a < 'A' || a > 'Z' || b < 'A' || b > 'Z') return -1;
    return (a - 'A') * 26 + (b - 'A');
}

// A membership table over all letter pairs, built once at compile time.
template <std::size_t N>
constexpr std::array<bool, 676> PairSet(const std::array<std::string_view, N>& codes) {
    std::array<bool, 676> set{};
    for (std::string_view c : codes) {
        if (const int i = LetterPair(c); i >= 0) set[static_cast<std::size_t>(i)] = true;
    }
    return set;
}

template <std::size_t N>
constexpr int DistinctPairs(const std::array<std::string_view, N>& codes) {
    const auto set = PairSet(codes);
    int n = 0;
    for (bool b : set) n += b ? 1 : 0;
    return n;
}

constexpr auto kStateSet = PairSet(kStates);
constexpr auto kCountrySet = PairSet(kCountries);
static_assert(DistinctPairs(kStates) == 59, "59 abbreviations besides the blank entry");
static_assert(DistinctPairs(kCountries) == 261, "261 distinct country codes");

constexpr bool Has(const std::array<bool, 676>& set, std::string_view code) {
    const int i = LetterPair(code);
    return i >= 0 && set[static_cast<std::size_t>(i)];
}

// Forbidden EIN prefixes as numbers 0..99.
constexpr std::array<int, 15> kEmployerPrefixes{0, 7, 8, 9, 17, 18, 19, 28, 29, 49, 69, 70, 78, 79, 89};

bool BadPrefix(std::string_view ein, bool allowZeroZero) {
    if (ein.size() < 2 || ein[0] < '0' || ein[0] > '9' || ein[1] < '0' || ein[1] > '9') return false;
    const int p = (ein[0] - '0') * 10 + (ein[1] - '0');
    if (p == 0) return !allowZeroZero;
    for (int bad : kEmployerPrefixes) {
        if (p == bad) return true;
    }
    return false;
}

struct WageBaseRow {
    int year;
    WageBases bases;
};

constexpr std::array<WageBaseRow, 31> kWageBases{{
    {1978, {0, 17700, 0, 0}},         {1979, {17700, 22900, 0, 0}},      {1980, {22900, 25900, 0, 0}},
    {1981, {25900, 29700, 0, 0}},     {1982, {29700, 32400, 0, 0}},      {1983, {32400, 35700, 35700, 0}},
    {1984, {35700, 37800, 37800, 0}}, {1985, {37800, 39600, 39600, 0}},  {1986, {39600, 42000, 42000, 0}},
    {1987, {42000, 43800, 43800, 0}}, {1988, {43800, 45000, 45000, 0}},  {1989, {45000, 48000, 48000, 0}},
    {1990, {48000, 51300, 51300, 0}}, {1991, {51300, 53400, 125000, 0}}, {1992, {53400, 55500, 130200, 0}},
    {1993, {55500, 57600, 135000, 0}}, {1994, {57600, 60600, 0, 0}},     {1995, {60600, 61200, 0, 1000}},
    {1996, {61200, 62700, 0, 1000}},  {1997, {62700, 65400, 0, 1000}},   {1998, {65400, 68400, 0, 1100}},
    {1999, {68400, 72600, 0, 1100}},  {2000, {72600, 76200, 0, 1200}},   {2001, {76200, 80400, 0, 1300}},
    {2002, {80400, 84900, 0, 1300}},  {2003, {84900, 87000, 0, 1400}},   {2004, {87000, 87900, 0, 1400}},
    {2005, {87900, 90000, 0, 1400}},  {2006, {90000, 94200, 0, 1500}},   {2007, {94200, 97500, 0, 1500}},
    {2008, {97500, 102000, 0, 1600}},
}};

// Each year's prior-year maximum is the year before's maximum; the rows are consecutive.
constexpr bool WageBasesChain() {
    for (std::size_t i = 0; i < kWageBases.size(); ++i) {
        if (kWageBases[i].year != kFirstTaxYear + static_cast<int>(i)) return false;
        if (i > 0 && kWageBases[i].bases.priorYearMax != kWageBases[i - 1].bases.currentYearMax) return false;
    }
    return kWageBases.back().year == kLastTaxYear;
}
static_assert(WageBasesChain());

}  // namespace


bool StateCheck(std::string_view code) { return code == "  " || Has(kStateSet, code); }
bool CountryCheck(std::string_view code) { return code == "  " || Has(kCountrySet, code); }

bool BadEmployerEinPrefix(std::string_view ein) { return BadPrefix(ein, false); }
bool BadSubmitterEinPrefix(std::string_view ein) { return BadPrefix(ein, true); }

std::optional<WageBases> WageBaseLimits(int taxYear) {
    if (taxYear < kFirstTaxYear || taxYear > kLastTaxYear) return std::nullopt;
    return kWageBases[static_cast<std::size_t>(taxYear - kFirstTaxYear)].bases;
}

}  // namespace quorvex
