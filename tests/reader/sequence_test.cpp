#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "reader/run_checks.h"
#include "reader/sequence.h"

// Record before, record now, RO / RS records in the block so far, the rule's message ("": none).
TEST(RecordOrder, EachRuleFiresOnlyOnItsOrder) {
    const std::tuple<const char*, const char*, bool, bool, const char*> cases[] = {
        {"RE", "RW", false, false, ""},        {"RE", "RT", false, false, "RW record must follow RE"},
        {"RE", "RA", false, false, "RW record must follow RE"}, {"RE", "XX", false, false, ""},
        {"RW", "RO", true, false, ""},         {"RW", "RV", false, false, "RW or RO or RS or RT record must follow RW"},
        {"RO", "RS", true, true, ""},          {"RO", "RV", true, false, "RW or RS or RT record must follow RO"},
        {"RS", "RW", false, true, ""},         {"RS", "RO", true, true, "RW or RS or RT record must follow RS"},
        {"RV", "RE", false, true, ""},         {"RV", "RW", false, true, "RE or RF record must follow RV"},
        {"RT", "RU", true, false, ""},         {"RT", "RF", true, true, "RU record must follow RT"},
        {"RT", "RF", false, false, ""},        {"RT", "RV", false, false, "RE or RF record must follow RT record"},
        {"RT", "RV", false, true, ""},         {"RU", "RV", true, true, ""},
        {"RU", "RW", true, false, "RE or RF record must follow RT or RU"},
        {"RT", "RW", false, true, ""},  // RT with RS records only: any record may follow
        {"rw", "RV", false, false, ""},  // identifiers as read: the reader stops unknown ones itself
        {"RT", "ru", true, false, "RU record must follow RT"}, {"RE", "rt", false, false, ""},
    };
    for (const auto& [prev, cur, ro, rs, message] : cases) {
        const std::string got(quorvex::SequenceViolation(prev, cur, ro, rs));
        EXPECT_TRUE(got.starts_with(message) && got.empty() == !*message)
            << prev << " " << cur << ro << rs << ": " << got;
    }
}

// Ctrl-Z or NUL ends the file only after the first record; record 1 is held to the rule of RA.
TEST(RecordOrder, EndOfFileMarksComeAfterTheFirstRecord) {
    using quorvex::RunRecord;
    const std::tuple<std::int64_t, std::string_view, bool> cases[] = {
        {1, "\x1a", false}, {2, "\x1a", true}, {2, std::string_view("\0", 1), true}, {2, "RW", false}};
    for (const auto& [recCtr, id, mark] : cases)
        EXPECT_EQ(quorvex::EndOfFileMark(RunRecord{recCtr, id, "RA", id, 1}), mark) << recCtr << id;
    EXPECT_EQ(quorvex::LeadingViolation(RunRecord{1, "\x1a", "", "\x1a", 1})->error, "Record 1 must be RA record.");
}
