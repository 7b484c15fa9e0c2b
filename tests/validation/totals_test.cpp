// The RT and RU records against the sums and counts kept for their employer block.
#include "validation/check_primitives.h"
#include "validation/check_run.h"

namespace quorvex::test {
namespace {

const std::string k15Blanks(15, ' ');

TEST(Totals, RT) {
    auto block = [](char code, char jur, const RwAmounts& a = {}) {
        return std::vector<std::string>{MakeRE(code, jur), MakeRW("123456780", a)};
    };
    auto rt = [](const Edits& e, const RwAmounts& a = {}) { return With(MakeRT(1, a), e); };
    const RwAmounts big = Rw({{1, 99999999999.0}});
    const std::vector<std::string> bigBlock = {MakeRE(), MakeRW("123456780", big), MakeRW("223456780", big),
                                               MakeRW("323456780", big)};
    CheckRows({
        {"block that adds up", {MakeRE(), MakeRW("123456780", Rw({{1, 500}, {3, 700}, {5, 700}, {10, 9}})),
                                MakeRW("223456780", Rw({{1, 12}, {3, 5}, {5, 5}, {24, 1}}))},
         MakeRT(2, Rw({{1, 512}, {3, 705}, {5, 705}, {10, 9}, {24, 1}})), {}},
        {"count and sum differ", {MakeRE(), MakeRW("123456780", Rw({{1, 12346}}))}, MakeRT(3, Rw({{1, 12345}})),
         {"1 Number of RW Records [Position 3 - 9] [0000003] The number of RW records (1) since the last RE record "
          "does not equal the value in the RT record.|",
          "2 Wages, Tips and Other Compensation [Position 10 - 24] [000000000012345] The sum of the RW Wages, Tips "
          "and Other Compensation amounts does not equal the amount in the Wages, Tips and Other Compensation of the "
          "RT record. The calculated sum of the RW amounts for the Wages, Tips and Other Compensation of the RT "
          "record is 12346. The reported sum of the RW amounts for the Wages, Tips and Other Compensation of the RT "
          "record is 12345.|"}},
        {"count with a letter is not compared", block('R', ' '), rt({{3, "00000A1"}}),
         {"1 [00000A1] Must be numeric. Right justify"}},
        {"an unreadable amount names the first SSN",
         {MakeRE(), MakeRW("111223333", Rw({{2, 10}})), With(MakeRW("222334444"), {{199, "0000000001 "}}),
          With(MakeRW("333445555"), {{199, "ABCDEFGHIJK"}})},
         MakeRT(3, Rw({{2, 999999}})),
         {"3 Federal Income Tax Withheld [Position 25 - 39] [000000000999999] The calculated sum is incorrect because "
          "of a non-numeric value entered in the RW record with SSN#: 222334444.|"}},
        {"large sums compare exactly", bigBlock, MakeRT(3, Rw({{1, 299999999997.0}})), {}},
        {"large sums one cent off", bigBlock, MakeRT(3, Rw({{1, 299999999998.0}})),
         {"2 record is 299999999997. The reported ... record is 299999999998.|"}},
        {"Q leaves the Medicare totals alone", block('Q', ' ', Rw({{5, 100}, {6, 2}})),
         MakeRT(1, Rw({{5, 100}, {6, 2}})), {}},
        {"X with zero totals", block('X', ' '), MakeRT(1, {}), {}},
        {"Q: social security wages", block('Q', ' '), rt({{40, k15Blanks}}),
         {"4 Social Security Wages field must be zero, because", "4 Must be numeric. No negative"}},
        {"Q: social security tips", block('Q', ' '), rt({{100, "  0000000000000"}}),
         {"8 Social Security Tips field must be zero", "8 Must be numeric"}},
        {"Q: social security tax", block('Q', ' '), rt({{55, k15Blanks}}),
         {"5 must be zero, because", "5 Must be numeric"}},
        {"X: Medicare tax", block('X', ' '), rt({{85, "000000000000002"}}),
         {"7 Medicare Tax Withheld field must be zero", "7 record is 0. The reported ... record is 2.|"}},
        {"X: Medicare wages", block('X', ' '), rt({{70, k15Blanks}}), {"6 must be zero, because", "6 Must be numeric"}},
        {"Q: Medicare wages, only their format", block('Q', ' '), rt({{70, k15Blanks}}), {"6 Must be numeric"}},
        {"R: social security wages, only their format", block('R', ' '), rt({{40, k15Blanks}}), {"4 Must be numeric"}},
        {"Puerto Rico: sick pay tax", block('R', 'P'), rt({{325, "000000000000001"}}),
         {"23 does not apply to the Tax Jurisdiction Code ... to V, G, S, N or blank.|"}},
        {"Puerto Rico: no sick pay tax", block('R', 'P'), MakeRT(1, {}), {}},
        {"Puerto Rico: sick pay tax blank", block('R', 'P'), rt({{325, k15Blanks}}), {"23 Must be numeric"}},
        {"Guam: sick pay tax", block('R', 'G'), rt({{325, "000000000000001"}}), {}},
        {"Guam: sick pay tax with a sign", block('R', 'G'), rt({{325, "00000000000000-"}}), {"23 Must be numeric"}},
        {"blanks", block('R', ' '), rt({{295, "\x01"}, {450, "\x7f"}}),
         {"21 position(s) 295 of", "28 position(s) 450 of"}},
    });
}

TEST(Totals, RU) {
    const RoAmounts sums = Ro({{1, 150001}, {2, 3}}), reported = Ro({{1, 150000}, {2, 3}});
    const std::string badRO = With(MakeRO(), {{34, "ZZ"}});
    CheckRows({
        {"sum differs, first marker, blanks",
         {MakeRE(), MakeRW("555667777"), MakeRO(sums), badRO, MakeRW("666778888"), badRO},
         With(MakeRU(3, reported), {{200, "\x03"}, {512, "\x04"}}),
         {"2 Allocated Tips [Position 10 - 24] [000000000150000] The sum of the RO Allocated Tips amounts does not "
          "equal the amount in the Allocated Tips of the RU record.  The calculated sum of the RO amounts for the "
          "Allocated Tips of the RU record is 150001. The reported sum of the RO amounts for the Allocated Tips of "
          "the RU record is 150000.|",
          "4 a non-numeric value entered in the RO record with SSN#: 555667777.|", "10 position(s) 200 of",
          "20 position(s) 512 of"}},
        {"count differs", {MakeRE(), MakeRW(), MakeRO()}, MakeRU(2, {}),
         {"1 The number of RO records (1) since the last RE record does not equal the value in the RU record.|"}},
        {"unreadable amount before any RW record", {MakeRE(), badRO}, MakeRU(1, {}),
         {"4 Medical Savings Account [Position 40 - 54] ... RO record with SSN#: .|"}},
    });
}

}  // namespace
}  // namespace quorvex::test
