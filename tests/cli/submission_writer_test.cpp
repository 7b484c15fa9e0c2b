// The benchmark's submission writer: record counts, file shape and refusals. Whether its files
// are valid is decided by quorvex-check itself (examples_test.cpp).

#include <cstdint>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "support/records.h"
#include "support/test_support.h"

namespace quorvex {
namespace {

struct CountCase {
    std::int64_t records;
    int employers;
    bool ro;
};

class ExactRecordCount : public ::testing::TestWithParam<CountCase> {};

TEST_P(ExactRecordCount, FileHoldsThatManyRecordsOf512CharactersEndedByCrLf) {
    const CountCase& c = GetParam();
    auto shape = test::ShapeForRecordCount(c.records, c.employers, c.ro);
    EXPECT_EQ(test::RecordCount(shape), c.records);

    test::TempDir dir;
    const auto result = test::WriteSubmission(shape, (dir / "s.txt").string());
    EXPECT_EQ(result.records, c.records);
    const std::string bytes = test::ReadFile(dir / "s.txt");
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(c.records) * 514);
    for (std::size_t at = 0; at < bytes.size(); at += 514) {
        ASSERT_EQ(bytes.substr(at + 512, 2), "\r\n") << "record " << at / 514 + 1;
        ASSERT_EQ(bytes.find_first_of("\r\n", at), at + 512) << "record " << at / 514 + 1;
    }
    EXPECT_EQ(bytes.substr(0, 2), "RA");
    EXPECT_EQ(bytes.substr(514, 2), "RE");
    EXPECT_EQ(bytes.substr(bytes.size() - 514, 2), "RF");
}

INSTANTIATE_TEST_SUITE_P(Shapes, ExactRecordCount,
                         ::testing::Values(CountCase{7, 1, false}, CountCase{1001, 3, false},  // 1001: uneven blocks
                                           CountCase{12, 2, true}, CountCase{1023, 7, true}));

TEST(SubmissionWriter, SameSeedSameBytesOtherSeedOtherBytes) {
    test::TempDir dir;
    auto shape = test::UniformShape(3, 20);
    shape.roEvery = 2;
    shape.allMoney = true;
    test::WriteSubmission(shape, (dir / "a.txt").string());
    test::WriteSubmission(shape, (dir / "b.txt").string());
    shape.seed += 1;
    test::WriteSubmission(shape, (dir / "c.txt").string());
    EXPECT_EQ(test::ReadFile(dir / "a.txt"), test::ReadFile(dir / "b.txt"));
    EXPECT_NE(test::ReadFile(dir / "a.txt"), test::ReadFile(dir / "c.txt"));
}

TEST(SubmissionWriter, RefusesShapesTheFormatCannotHoldWithoutCreatingTheFile) {
    test::TempDir dir;
    const auto out = (dir / "x.txt").string();
    EXPECT_THROW(test::WriteSubmission(test::UniformShape(0, 10), out), std::invalid_argument);
    EXPECT_THROW(test::WriteSubmission(test::UniformShape(2, 0), out), std::invalid_argument);
    EXPECT_THROW(test::WriteSubmission(test::UniformShape(1, 10'000'000), out), std::invalid_argument);
    EXPECT_FALSE(std::filesystem::exists(out));
    // RA + RE + RT + RF leave no room for an employee in 4 records.
    EXPECT_THROW(test::ShapeForRecordCount(4, 1, false), std::invalid_argument);
    // With RO records every employee takes two records: 2 + 3 + an odd rest is impossible.
    EXPECT_THROW(test::ShapeForRecordCount(8, 1, true), std::invalid_argument);
}

}  // namespace
}  // namespace quorvex
