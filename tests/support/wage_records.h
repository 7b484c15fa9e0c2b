#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "support/test_support.h"

// Builders of RE, RW, RO, RT and RU records for the check tests. Positions are written
// out here, independently of the program's layout table, so that a wrong layout shows.
namespace quorvex::test {

using RwAmounts = std::array<double, 25>;  // RW money columns 1-24 in cents (0 unused)
using RoAmounts = std::array<double, 18>;  // RO money columns 1-17 in cents (0 unused)

inline std::string Digits(double cents, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*.0f", width, cents);
    return buf;
}

// First position of RW money column n (1-24).
inline int RwPos(int n) { return n <= 19 ? 188 + 11 * (n - 1) : 408 + 11 * (n - 20); }
// First position of RT money column n (1-24).
inline int RtPos(int n) { return n <= 19 ? 10 + 15 * (n - 1) : n == 20 ? 310 : 340 + 15 * (n - 21); }
// First position of RO money column n (1-17).
inline int RoPos(int n) { return n <= 8 ? 12 + 11 * (n - 1) : n <= 15 ? 275 + 11 * (n - 9) : 363 + 11 * (n - 16); }
// First position of RU money column n (1-17).
inline int RuPos(int n) { return n <= 8 ? 10 + 15 * (n - 1) : 355 + 15 * (n - 9); }

inline std::string MakeRE(char employmentCode = 'R', char jurisdiction = ' ', std::string_view year = "2008",
                          std::string_view ein = "123456789") {
    std::string r = Record("RE");
    Put(r, 3, year);
    Put(r, 8, ein);
    Put(r, 26, "0");
    Put(r, 40, "ACME PAYROLL");
    Put(r, 97, "1 MAIN ST");
    Put(r, 141, "BALTIMORE");
    Put(r, 163, "MD21201");
    r[218] = employmentCode;
    r[219] = jurisdiction;
    Put(r, 221, "0");
    return r;
}

// A valid RW record of 2008 with the given amounts (all zero by default).
inline std::string MakeRW(std::string_view ssn = "123456780", const RwAmounts& a = {}) {
    std::string r = Record("RW");
    Put(r, 3, ssn);
    Put(r, 12, "JOHN");
    Put(r, 42, "DOE");
    Put(r, 66, "2 ELM ST");
    Put(r, 110, "BALTIMORE");
    Put(r, 132, "MD21201");
    for (int n = 1; n <= 24; ++n) Put(r, RwPos(n), Digits(a[static_cast<std::size_t>(n)], 11));
    Put(r, 486, "0 00");
    return r;
}

inline std::string MakeRO(const RoAmounts& a = {}) {
    std::string r = Record("RO");
    for (int n = 1; n <= 17; ++n) Put(r, RoPos(n), Digits(a[static_cast<std::size_t>(n)], 11));
    return r;
}

inline std::string MakeRT(std::int64_t count, const RwAmounts& sums) {
    std::string r = Record("RT");
    Put(r, 3, Digits(static_cast<double>(count), 7));
    for (int n = 1; n <= 24; ++n) Put(r, RtPos(n), Digits(sums[static_cast<std::size_t>(n)], 15));
    Put(r, 325, Digits(0, 15));
    return r;
}

inline std::string MakeRU(std::int64_t count, const RoAmounts& sums) {
    std::string r = Record("RU");
    Put(r, 3, Digits(static_cast<double>(count), 7));
    for (int n = 1; n <= 17; ++n) Put(r, RuPos(n), Digits(sums[static_cast<std::size_t>(n)], 15));
    return r;
}

}  // namespace quorvex::test
