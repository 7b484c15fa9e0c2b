// The RW and RO rules: identity and address, the money rules that depend on the
// employer's tax year and Employment Code, and the Tax Jurisdiction Code rules.
#include "validation/check_run.h"

namespace quorvex::test {
namespace {

std::string W(const RwAmounts& a = {}, const Edits& e = {}) { return With(MakeRW("123456780", a), e); }
std::string O(const RoAmounts& a = {}, const Edits& e = {}) { return With(MakeRO(a), e); }
std::vector<std::string> Er(char code = 'R', char jur = ' ', const char* year = "2008") {
    return {MakeRE(code, jur, year)};
}
const std::string k11Blanks(11, ' ');

TEST(MoneyRules, RW) {
    CheckRows({
        {"valid", Er(), W(Rw({{1, 5000000}, {2, 700000}, {3, 5000000}, {4, 310000}, {5, 5000000}, {6, 72500}})), {}},
        {"SSN not numeric", Er(), W({}, {{3, "12345678A"}}), {"1 This is a mandatory"}},
        {"SSN 9...", Er(), W({}, {{3, "912345678"}}), {"1 Must not be 111111111"}},
        {"SSN 8...", Er(), W({}, {{3, "812345678"}}), {"1 Must not be 111111111"}},
        {"SSN 123456789", Er(), W({}, {{3, "123456789"}}), {"1 Must not be 111111111"}},
        {"SSN 111111111", Er(), W({}, {{3, "111111111"}}), {"1 Must not be 111111111"}},
        {"SSN 333333333", Er(), W({}, {{3, "333333333"}}), {"1 Must not be 111111111"}},
        {"SSN of zeros", Er(), W({}, {{3, "000000000"}}), {}},
        {"first name blank", Er(), W({}, {{12, "    "}}), {"2 Must not be blank."}},
        {"names in lower case", Er(), W({}, {{12, "john"}, {27, "q"}}),
         {"2 apostrophes. This is a mandatory field.|", "3 apostrophes.|"}},
        {"last name with punctuation", Er(), W({}, {{42, "O'NEIL-SMITH JR."}}), {}},
        {"city control character", Er(), W({}, {{120, "\x01"}}), {"8 position(s) 120 of"}},
        {"invalid state: no cross-check", Er(), W({}, {{132, "XX"}, {186, "CA"}}), {"9 Postal Abbreviation"}},
        {"state and foreign country", Er(), W({}, {{186, "CA"}}),
         {"15 Country Code [Position 186 - 187] [CA] Must not have both a domestic"}},
        {"zip extension without zip", Er(), W({}, {{134, "     1234"}}), {"11 ZIP Code Extension field and"}},
        {"money not numeric at its end", Er(), W({}, {{199, "0000000001-"}}),
         {"17T2 [0000000001-] Must be numeric. No negative"}},
        {"prior year maximum", Er(), W(Rw({{3, 9000000}, {7, 750000}, {4, 1}, {5, 9750000}})),
         {"18 Prior Year Max 9750000 The sum of the Social Security Wages ... equals prior year maximum"}},
        {"above the current maximum", Er(), W(Rw({{3, 10200001}, {5, 10200001}})),
         {"18 Current Year Max 10200001 ... for Tax Year 2008 should not exceed $102,000.00.|"}},
        {"at the current maximum", Er(), W(Rw({{3, 10200000}, {5, 10200000}})), {}},
        {"household below the minimum", Er('H'), W(Rw({{3, 159999}, {5, 159999}})),
         {"18 Annual Household Min 159999 ", "20 Annual Household Minimum"}},
        {"household at the minimum", Er('H'), W(Rw({{3, 160000}, {5, 160000}})), {}},
        {"household, nothing paid", Er('H'), W(), {}},
        {"code Q: social security wages", Er('Q'), W(Rw({{5, 100}}), {{210, k11Blanks}}),
         {"18T3 Must be numeric. No negative", "18 does not apply to the Employment Code"}},
        {"code Q: social security tax and tips", Er('Q'), W(Rw({{4, 5}, {7, 5}, {5, 5}})),
         {"19 [00000000005] The Social Security Tax Withheld field must be zero, because it does not apply to the "
          "Employment Code entered in the RE record. Either enter a value of zero in the Social Security Tax "
          "Withheld field or change the Employment Code in the RE record.|",
          "22 Social Security Tips field must be zero, because"}},
        {"code X from 1983: Medicare", Er('X', ' ', "1983"), W(Rw({{5, 100}, {6, 2}})),
         {"20 Medicare Wages and Tips field must be zero", "21 Medicare Tax Withheld field must be zero"}},
        {"code X in 1992: no Medicare maximum", Er('X', ' ', "1992"), W(Rw({{5, 13020001}, {6, 13020001}})),
         {"20 Medicare Wages and Tips field must be zero", "21 Medicare Tax Withheld field must be zero"}},
        {"Medicare below social security", Er(), W(Rw({{3, 1000}, {7, 500}, {4, 1}, {5, 1499}})),
         {"20 greater than or equal to the sum"}},
        {"Medicare above social security in 1991", Er('R', ' ', "1991"), W(Rw({{3, 1000}, {4, 1}, {5, 1001}})), {}},
        {"Medicare must equal social security in 1990", Er('R', ' ', "1990"), W(Rw({{3, 1000}, {4, 1}, {5, 1001}})),
         {"20 must equal the sum"}},
        {"Medicare above the 1992 maximum", Er('R', ' ', "1992"),
         W(Rw({{3, 1000}, {4, 1}, {5, 13020001}, {6, 13020001}})),
         {"20 should not exceed the annual maximum", "21 should not exceed the annual maximum"}},
        {"unreadable wages keep the Medicare maximum", Er('R', ' ', "1992"),
         W(Rw({{5, 100000}, {6, 1450}}), {{210, "ABC"}}),
         {"18T3 Must be numeric"}},
        {"unreadable wages keep the household minimum", Er('H'), W(Rw({{5, 159999}}), {{210, "ABC"}}),
         {"18T3 Must be numeric", "20 Annual Household Minimum"}},
        {"unreadable wages: Medicare not compared with the tips", Er(), W(Rw({{7, 500}, {5, 100}}), {{210, "ABC"}}),
         {"18T3 Must be numeric"}},
        {"a year outside the table has no maximum", Er('R', ' ', "2009"), W(Rw({{3, 10200001}, {5, 10200001}})), {}},
        {"Medicare before 1983", Er('R', ' ', "1980"), W(Rw({{3, 1000}, {4, 1}, {5, 1000}, {6, 5}})),
         {"20 Must be zero filled for years prior to 1983", "21 Must be zero filled for years prior to 1983"}},
        {"non-numeric year: only the military rule", Er('R', ' ', "20X8"), W(Rw({{3, 99999999}, {5, 1}, {15, 1}})),
         {"30 Military Employee Basic Quarters, Subsistence and Combat Pay [Position 342 - 352] ... prior to 1995"}},
        {"Medicare tax without wages", Er(), W(Rw({{6, 100}})), {"21 must be greater than zero because"}},
        {"social security tax without wages", Er(), W(Rw({{4, 100}})), {"19 If the amount in Social Security Tax"}},
        {"tips without wages or tax", Er(), W(Rw({{7, 100}, {5, 100}})), {"22 must be greater then zero"}},
        {"tips with wages", Er(), W(Rw({{3, 100}, {7, 100}, {5, 200}})), {}},
        {"Puerto Rico employer", Er('R', 'P'), W(Rw({{1, 1}, {9, 2}, {10, 3}, {8, 4}})),
         {"16 to blank.|", "23 [00000000004] ... to V, G, N or blank.|",
          "24 Dependent Care Benefits [Position 276 - 286] [00000000002] The Dependent Care Benefits field must be "
          "zero because it does not apply to the Tax Jurisdiction Code entered in the RE record. Either enter a "
          "value of zero in the Dependent Care Benefits field or change the Tax Jurisdiction Code in the RE record "
          "to blank.|",
          "25 to V, G, S, N or blank.|"}},
        {"American Samoa employer", Er('R', 'S'), W(Rw({{8, 1}, {17, 1}})), {"23 to V, G, N or blank.|"}},
        {"Northern Mariana Islands employer", Er('R', 'N'), W(Rw({{8, 1}, {10, 1}, {17, 1}, {19, 1}, {22, 1}})),
         {"32 to V, G, S or blank.|", "34 to V, G, S or blank.|", "38 to V, G, S or blank.|"}},
        {"invalid code after a Puerto Rico block: no territory rule", {MakeRE('R', 'P'), MakeRE('R', 'Z')},
         W(Rw({{1, 1}, {8, 1}, {10, 1}, {17, 1}})), {}},
        {"military pay blank in 2008", Er(), W({}, {{342, k11Blanks}}),
         {"30T15 Must be numeric", "30 prior to 1995 and years after 2001"}},
        {"military pay for Puerto Rico", Er('R', 'P'), W(Rw({{15, 12}})),
         {"30 to blank.|", "30 prior to 1995 and years after 2001"}},
        {"military pay in 1995", Er('R', ' ', "1995"), W(Rw({{15, 12}})), {}},
        {"military pay in 2001", Er('R', ' ', "2001"), W(Rw({{15, 12}})), {}},
        {"blank inside the money block", Er(), W({}, {{397, "ABC\tDEF"}, {408, "0000000000X"}}),
         {"35 position(s) 400 of", "36T20 Must be numeric"}},
        {"indicators", Er(), W({}, {{486, "2\x01X9"}}),
         {"42 1 - Statutory", "43 position(s) 487 of", "44 Retirement Plan", "45 Third-Party Sick Pay"}},
    });
}

// A money field that is not numeric adds nothing to the block's totals.
TEST(MoneyRules, UnreadableMoneyAddsNothing) {
    CheckRun run;
    run.FeedAll(Er());
    for (auto [at, column] : {std::pair{188, 1}, {199, 2}, {210, 3}, {221, 4}, {232, 5}, {243, 6}, {254, 7}}) {
        run.rec.additions.clear();
        run.Feed(W({}, {{at, "ABC"}}));
        for (const auto& a : run.rec.additions) EXPECT_NE(a.column, column) << at;
    }
}

TEST(MoneyRules, RO) {
    auto er = [](char jur) { return std::vector<std::string>{MakeRE('R', jur), MakeRW()}; };
    CheckRows({
        {"zeros for Puerto Rico", er('P'), MakeRO(), {}},
        {"unreadable amounts carry their marker", er(' '),
         O(Ro({{1, 5}, {16, 7}}), {{23, "00000000-12"}, {374, k11Blanks}}),
         {"3U2 Uncollected Employee Tax on Tips [Position 23 - 33] [00000000-12] Must be numeric. No negative",
          "19 to V, G, S or N.|", "20U17 Must be numeric"}},
        {"Puerto Rico", er('P'), O(Ro({{1, 1}, {2, 1}, {3, 1}, {4, 1}, {9, 1}, {16, 1}})),
         {"2 to blank.|", "4 to V, G, S or blank.|", "5 to V, G, S, N or blank.|", "19 to V, G, S or N.|"}},
        {"Northern Mariana Islands", er('N'), O(Ro({{3, 1}, {4, 1}, {16, 1}})), {"4 to V, G, S or blank.|"}},
        {"blank code", er(' '), O(Ro({{1, 1}, {4, 1}, {9, 1}, {17, 1}})), {"11 to P.|", "20 to V, G, S or N.|"}},
        {"Guam", er('G'), O(Ro({{1, 1}, {3, 1}, {15, 1}, {16, 1}})), {"2 to blank.|", "17 to P.|"}},
        {"Virgin Islands", er('V'), O(Ro({{3, 1}, {16, 1}})), {}},
        {"American Samoa", er('S'), O(Ro({{3, 1}, {17, 1}})), {}},
        {"invalid code", er('Z'), O(Ro({{1, 1}, {3, 1}, {4, 1}, {9, 1}, {17, 1}})), {}},
        {"blank fields", er(' '), O({}, {{5, "\x7f"}, {12, "X"}, {200, "\x1b"}, {360, "\t"}, {500, "\x02"}}),
         {"1 position(s) 5 of", "2U1 Must be numeric", "10 position(s) 200 of", "18 position(s) 360 of",
          "21 position(s) 500 of"}},
    });
}

}  // namespace
}  // namespace quorvex::test
