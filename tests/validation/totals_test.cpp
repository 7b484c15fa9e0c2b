#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "errorlog/log_findings.h"
#include "validation/check_primitives.h"
#include "mini_run.h"
#include "support/records.h"

namespace quorvex::test {
namespace {

const std::string kNotNumeric = "Must be numeric. No negative amounts; right justify and zero fill.";

std::string RtWording(const std::string& f, const std::string& calc, const std::string& reported) {
    return "The sum of the RW " + f + " amounts does not equal the amount in the " + f +
           " of the RT record. The calculated sum of the RW amounts for the " + f + " of the RT record is " + calc +
           ". The reported sum of the RW amounts for the " + f + " of the RT record is " + reported + ".";
}

RwAmounts Rw(std::initializer_list<std::pair<int, double>> columns) {
    RwAmounts a{};
    for (auto [n, v] : columns) a[static_cast<std::size_t>(n)] = v;
    return a;
}

void Add(RwAmounts& sum, const RwAmounts& a) {
    for (std::size_t n = 1; n < sum.size(); ++n) sum[n] += a[n];
}
void Add(RoAmounts& sum, const RoAmounts& a) {
    for (std::size_t n = 1; n < sum.size(); ++n) sum[n] += a[n];
}

TEST(RtTotals, BlockThatAddsUpHasNoFinding) {
    MiniRun run;
    run.Feed(MakeRE());
    const RwAmounts a = Rw({{1, 500000}, {2, 60000}, {3, 500000}, {4, 31000}, {5, 500000}, {6, 7250}});
    const RwAmounts b = Rw({{1, 12345}, {3, 12345}, {4, 765}, {5, 12345}, {6, 179}, {10, 1000}});
    run.Feed(MakeRW("123456780", a));
    run.Feed(MakeRW("223456780", b));
    RwAmounts sum{};
    Add(sum, a);
    Add(sum, b);
    run.Feed(MakeRT(2, sum));
    EXPECT_TRUE(run.Errors().empty()) << run.Errors()[0].error;
}

TEST(RtTotals, CountAndSumMismatches) {
    MiniRun run;
    run.Feed(MakeRE());
    run.Feed(MakeRW("123456780", Rw({{1, 12346}})));
    RwAmounts reported = Rw({{1, 12345}});
    std::string rt = MakeRT(3, reported);
    const auto rtNum = run.Feed(rt);
    const auto errors = run.Errors(rtNum);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].reference, "Number of RW Records [Position 3 - 9]");
    EXPECT_EQ(errors[0].userEntry, "[0000003]");
    EXPECT_EQ(errors[0].error,
              "The number of RW records (1) since the last RE record does not equal the value in the RT record.");
    EXPECT_EQ(errors[1].reference, "Wages, Tips and Other Compensation [Position 10 - 24]");
    EXPECT_EQ(errors[1].userEntry, "[000000000012345]");
    EXPECT_EQ(errors[1].error, RtWording("Wages, Tips and Other Compensation", "12346", "12345"));
}

TEST(RtTotals, CountWithALetterIsNotCompared) {
    MiniRun run;
    run.Feed(MakeRE());
    run.Feed(MakeRW());
    std::string rt = MakeRT(1, {});
    Put(rt, 3, "00000A1");
    const auto errors = run.Errors(run.Feed(rt));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].error, "Must be numeric. Right justify and zero fill.");
    EXPECT_EQ(errors[0].userEntry, "[00000A1]");
}

TEST(RtTotals, NonNumericAmountNamesTheFirstSsnWhateverTheTotal) {
    MiniRun run;
    run.Feed(MakeRE());
    run.Feed(MakeRW("111223333", Rw({{2, 10}})));
    std::string bad = MakeRW("222334444");
    Put(bad, 199, "0000000001 ");
    run.Feed(bad);
    bad = MakeRW("333445555");
    Put(bad, 199, "ABCDEFGHIJK");
    run.Feed(bad);
    const auto rtNum = run.Feed(MakeRT(3, Rw({{2, 999999}})));
    const auto errors = run.Errors(rtNum);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].reference, "Federal Income Tax Withheld [Position 25 - 39]");
    EXPECT_EQ(errors[0].userEntry, "[000000000999999]");
    EXPECT_EQ(errors[0].error,
              "The calculated sum is incorrect because of a non-numeric value entered in the RW record with SSN#: "
              "222334444.");
}

TEST(RtTotals, EmploymentCodeAndSickPayRules) {
    struct Case {
        char code, jurisdiction;
        RwAmounts amounts;   // of the block's one RW record, reported unchanged in the RT
        int pos;             // then this text in the RT record
        std::string text;
        std::vector<std::string> errors;
    };
    auto empCode = [](const std::string& f) {
        return "The " + f + " field must be zero, because it does not apply to the Employment Code entered in the RE "
               "record. Either enter a value of zero in the " + f + " field or change the Employment Code in the RE "
               "record.";
    };
    const std::string sick =
        "The Income Tax Withheld by Payer of Third-Party Sick Pay field must be zero, because it does not apply to "
        "the Tax Jurisdiction Code entered in the RE record. Either enter a value of zero in the Income Tax Withheld "
        "by Payer of Third-Party Sick Pay field or change the Tax Jurisdiction Code in the RE record to V, G, S, N or "
        "blank.";
    const std::vector<Case> cases = {
        {'Q', ' ', Rw({{5, 100}, {6, 2}}), 0, "", {}},  // Q leaves the Medicare totals alone
        {'X', ' ', {}, 0, "", {}},                         // fifteen zeros pass
        {'Q', ' ', {}, 40, "               ", {empCode("Social Security Wages"), kNotNumeric}},
        {'Q', ' ', {}, 100, "  0000000000000", {empCode("Social Security Tips"), kNotNumeric}},
        {'X', ' ', {}, 85, "000000000000002",
         {empCode("Medicare Tax Withheld"),
          "The sum of the RW Medicare Tax Withheld amounts does not equal the amount in the Medicare Tax Withheld of "
          "the RT record. The calculated sum of the RW amounts for the Medicare Tax Withheld of the RT record is 0. "
          "The reported sum of the RW amounts for the Medicare Tax Withheld of the RT record is 2."}},
        {'Q', ' ', {}, 55, "               ", {empCode("Social Security Tax Withheld"), kNotNumeric}},
        {'X', ' ', {}, 70, "               ", {empCode("Medicare Wages and Tips"), kNotNumeric}},
        {'Q', ' ', {}, 70, "               ", {kNotNumeric}},
        {'R', ' ', {}, 40, "               ", {kNotNumeric}},
        {'R', 'P', {}, 325, "000000000000001", {sick}},
        {'R', 'P', {}, 325, "000000000000000", {}},
        {'R', 'P', {}, 325, "               ", {kNotNumeric}},
        {'R', 'G', {}, 325, "000000000000001", {}},
        {'R', 'G', {}, 325, "00000000000000-", {kNotNumeric}},
        {'R', ' ', {}, 295, "\x01", {CharCheckMessage("\x01              ", 295)}},
        {'R', ' ', {}, 450, "\x7f", {CharCheckMessage(std::string(50, ' ') + "\x7f" + std::string(62, ' '), 400)}},
    };
    for (const Case& c : cases) {
        MiniRun run;
        run.Feed(MakeRE(c.code, c.jurisdiction));
        run.Feed(MakeRW("123456780", c.amounts));
        std::string rt = MakeRT(1, c.amounts);
        if (c.pos) Put(rt, c.pos, c.text);
        std::vector<std::string> got;
        for (const auto& e : run.Errors(run.Feed(rt))) got.push_back(e.error);
        EXPECT_EQ(got, c.errors) << c.code << c.jurisdiction << " at " << c.pos;
    }
}

TEST(RtTotals, FifteenDigitSumsCompareExactly) {
    MiniRun run;
    run.Feed(MakeRE());
    // 10,000 amounts of 99,999,999,999 cents: a 15-digit total.
    const RwAmounts big = Rw({{1, 99999999999.0}});
    RwAmounts sum{};
    for (int i = 0; i < 10000; ++i) {
        run.Feed(MakeRW("123456780", big));
        Add(sum, big);
    }
    ASSERT_EQ(Digits(sum[1], 15), "999999999990000");
    run.Feed(MakeRT(10000, sum));
    EXPECT_TRUE(run.Errors().empty());

    sum[1] += 1;  // one cent off
    MiniRun other;
    other.Feed(MakeRE());
    for (int i = 0; i < 10000; ++i) other.Feed(MakeRW("123456780", big));
    const auto errors = other.Errors(other.Feed(MakeRT(10000, sum)));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].error,
              RtWording("Wages, Tips and Other Compensation", "999999999990000", "999999999990001"));
}

TEST(RtTotals, RecordNumberIsTheRecordsOwnAfterARemovedRecord) {
    MiniRun run;
    run.Feed(MakeRE());
    run.Feed(MakeRW("123456780", Rw({{1, 7}})));
    run.log.AddRecord("RF", Record("RF"));  // a record the reader takes back
    run.log.DeleteLastRecord();
    const auto rtNum = run.Feed(MakeRT(1, Rw({{1, 7}})));
    EXPECT_EQ(rtNum, 4);
    EXPECT_TRUE(run.Errors().empty());
}

TEST(RtTotals, TotalRecordBeforeAnyEmployerIsALogFailure) {
    MiniRun run;
    EXPECT_THROW(run.Feed(MakeRT(0, {})), LogFailure);
    EXPECT_THROW(run.Feed(MakeRU(0, {})), LogFailure);
}

TEST(RuTotals, MismatchMarkerAndBlanks) {
    MiniRun run;
    run.Feed(MakeRE());
    run.Feed(MakeRW("555667777"));
    RoAmounts a{};
    a[1] = 150001;
    a[2] = 3;
    run.Feed(MakeRO(a));
    std::string bad = MakeRO();
    Put(bad, 34, "ZZ");
    run.Feed(bad);
    run.Feed(MakeRW("666778888"));
    run.Feed(bad);  // a second unreadable amount does not change the SSN named
    RoAmounts reported{};
    reported[1] = 150000;
    reported[2] = 3;
    std::string ru = MakeRU(3, reported);
    Put(ru, 200, "\x03");
    Put(ru, 512, "\x04");
    const auto errors = run.Errors(run.Feed(ru));
    ASSERT_EQ(errors.size(), 4u);
    EXPECT_EQ(errors[0].reference, "Allocated Tips [Position 10 - 24]");
    EXPECT_EQ(errors[0].error,
              "The sum of the RO Allocated Tips amounts does not equal the amount in the Allocated Tips of the RU "
              "record.  The calculated sum of the RO amounts for the Allocated Tips of the RU record is 150001. The "
              "reported sum of the RO amounts for the Allocated Tips of the RU record is 150000.");
    EXPECT_EQ(errors[1].reference, "Medical Savings Account [Position 40 - 54]");
    EXPECT_EQ(errors[1].error,
              "The calculated sum is incorrect because of a non-numeric value entered in the RO record with SSN#: "
              "555667777.");
    EXPECT_EQ(errors[2].reference, "Blank [Position 130 - 354]");
    EXPECT_EQ(errors[3].reference, "Blank [Position 490 - 512]");
    EXPECT_EQ(errors[3].userEntry, "[" + std::string(22, ' ') + "\x04]");

    MiniRun second;
    second.Feed(MakeRE());
    second.Feed(MakeRW());
    second.Feed(MakeRO());
    const auto e2 = second.Errors(second.Feed(MakeRU(2, {})));
    ASSERT_EQ(e2.size(), 1u);
    EXPECT_EQ(e2[0].error,
              "The number of RO records (1) since the last RE record does not equal the value in the RU record.");
}

TEST(RuTotals, MarkerWithoutAnSsnStillMakesTheSumUntrustworthy) {
    // An RO record read before any RW record of the run leaves an empty SSN in the marker;
    // the sum still misses the amount and must not be compared.
    MiniRun run;
    run.Feed(MakeRE());
    std::string bad = MakeRO();
    Put(bad, 34, "ZZ");
    run.Feed(bad);
    const auto errors = run.Errors(run.Feed(MakeRU(1, {})));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].reference, "Medical Savings Account [Position 40 - 54]");
    EXPECT_EQ(errors[0].error,
              "The calculated sum is incorrect because of a non-numeric value entered in the RO record with SSN#: .");
}

// Random blocks of RW and RO records whose RT and RU totals are their sums.
struct Generated {
    std::vector<std::string> records;
    std::vector<std::size_t> totalRecords;  // positions of the RT and RU records in `records`
};

Generated RandomSubmission(std::mt19937_64& rng, int blocks) {
    Generated g;
    auto upTo = [&](double max) { return static_cast<double>(rng() % (static_cast<std::uint64_t>(max) + 1)); };
    for (int b = 0; b < blocks; ++b) {
        g.records.push_back(MakeRE());
        RwAmounts rwSum{};
        RoAmounts roSum{};
        const int employees = 1 + static_cast<int>(rng() % 12);
        int ros = 0;
        for (int e = 0; e < employees; ++e) {
            RwAmounts a{};
            for (int n = 1; n <= 24; ++n) a[static_cast<std::size_t>(n)] = rng() % 3 ? upTo(99999999999.0) : 0;
            a[3] = 1 + upTo(9000000);
            a[7] = upTo(100000);
            a[4] = upTo(1000000);
            a[5] = a[3] + a[7] + upTo(99999999999.0 - 9100001);
            a[6] = upTo(99999999999.0);
            a[15] = 0;  // military pay is not reported for 2008
            g.records.push_back(MakeRW(Digits(static_cast<double>(100000000 + rng() % 600000000), 9), a));
            Add(rwSum, a);
            if (rng() % 2) {
                RoAmounts o{};
                for (int n = 1; n <= 8; ++n) o[static_cast<std::size_t>(n)] = upTo(99999999999.0);
                g.records.push_back(MakeRO(o));
                Add(roSum, o);
                ++ros;
            }
        }
        g.totalRecords.push_back(g.records.size());
        g.records.push_back(MakeRT(employees, rwSum));
        if (ros) {
            g.totalRecords.push_back(g.records.size());
            g.records.push_back(MakeRU(ros, roSum));
        }
    }
    return g;
}

TEST(Reconciliation, RandomValidBlocksHaveNoFinding) {
    std::mt19937_64 rng(20081231);
    for (int round = 0; round < 20; ++round) {
        const Generated g = RandomSubmission(rng, 1 + round % 5);
        MiniRun run;
        for (const auto& r : g.records) run.Feed(r);
        const auto errors = run.Errors();
        EXPECT_TRUE(errors.empty()) << "round " << round << ": " << errors[0].reference << " " << errors[0].error;
    }
}

TEST(Reconciliation, OneChangedAmountGivesOneFindingOnItsField) {
    std::mt19937_64 rng(77);
    for (int round = 0; round < 24; ++round) {
        Generated g = RandomSubmission(rng, 3);
        // Change one reported total of a random RT or RU record by one cent.
        const std::size_t at = g.totalRecords[rng() % g.totalRecords.size()];
        std::string& total = g.records[at];
        const bool rt = total.substr(0, 2) == "RT";
        const int n = 1 + static_cast<int>(rng() % (rt ? 24 : 17));
        const int pos = rt ? RtPos(n) : RuPos(n);
        const double value = DigitsValue(Cut(total, pos, pos + 14));
        Put(total, pos, Digits(value == 0 ? 1 : value - 1, 15));

        MiniRun run;
        std::int64_t changedNum = 0;
        for (std::size_t i = 0; i < g.records.size(); ++i) {
            const auto num = run.Feed(g.records[i]);
            if (i == at) changedNum = num;
        }
        const auto errors = run.Errors();
        ASSERT_EQ(errors.size(), 1u) << "round " << round;
        EXPECT_EQ(errors[0].recNum, changedNum);
        const std::string where = " [Position " + std::to_string(pos) + " - " + std::to_string(pos + 14) + "]";
        const std::string& ref = errors[0].reference;
        ASSERT_GT(ref.size(), where.size());
        EXPECT_EQ(ref.substr(ref.size() - where.size()), where);
        EXPECT_EQ(errors[0].error.rfind(rt ? "The sum of the RW " : "The sum of the RO ", 0), 0u) << errors[0].error;
    }
}

TEST(ViewerMode, RecheckingChangesNothingInTheLog) {
    MiniRun run;
    run.Feed(MakeRE('R', 'P'));
    std::string rw = MakeRW("123456780", Rw({{1, 10}, {3, 100}, {5, 100}}));
    Put(rw, 199, "X");
    const auto rwNum = run.Feed(rw);
    RoAmounts o{};
    o[4] = 5;
    std::string ro = MakeRO(o);
    Put(ro, 12, "Y");
    const auto roNum = run.Feed(ro);
    const auto rtNum = run.Feed(MakeRT(2, Rw({{1, 11}})));
    const auto ruNum = run.Feed(MakeRU(0, {}));
    run.log.Commit();
    const std::string before = run.Snapshot();
    const std::size_t errorsBefore = run.Errors().size();
    ASSERT_GT(errorsBefore, 4u);

    ViewerFindings viewer;
    CheckContext vctx{viewer, run.facts, run.ctx.employer, 0};
    vctx.recNum = rwNum;
    CheckCodeRW(rw, vctx);
    EXPECT_EQ(viewer.Marked(), (std::set<int>{16, 17}));
    ViewerFindings v2;
    CheckContext c2{v2, run.facts, run.ctx.employer, roNum};
    CheckCodeRO(ro, c2);
    EXPECT_EQ(v2.Marked(), (std::set<int>{2, 5}));
    ViewerFindings v3;
    CheckContext c3{v3, run.facts, run.ctx.employer, rtNum};
    CheckCodeRT(MakeRT(2, Rw({{1, 11}})), c3);
    // Count 1 of 2, sum 10 of 11, the marker of column 2, and the Social Security and
    // Medicare Wages the RT does not report.
    EXPECT_EQ(v3.Marked(), (std::set<int>{1, 2, 3, 4, 6}));
    ViewerFindings v4;
    CheckContext c4{v4, run.facts, run.ctx.employer, ruNum};
    CheckCodeRU(MakeRU(0, {}), c4);
    EXPECT_EQ(v4.Marked(), (std::set<int>{1, 2, 5}));

    EXPECT_EQ(run.Snapshot(), before);
}

}  // namespace
}  // namespace quorvex::test
