#include <gtest/gtest.h>

#include "fuzz_entries.h"
#include "support/test_support.h"

// Every input a fuzz target once broke, replayed through the target's own entry point.
TEST(FuzzRegressions, KeptInputsPass) {
    const std::filesystem::path kept = std::filesystem::path(QUORVEX_SOURCE_DIR) / "fuzz" / "regressions";
    int replayed = 0;
    for (const auto& [name, entry] : {std::pair{"cutter", &quorvex::fuzz::CutRecords},
                                      {"run", &quorvex::fuzz::RunSubmission},
                                      {"record", &quorvex::fuzz::CheckRecord}}) {
        for (const auto& file : std::filesystem::directory_iterator(kept / name)) {
            if (file.path().filename() == ".gitkeep") continue;
            const std::string bytes = quorvex::test::ReadFile(file.path());
            EXPECT_NO_THROW(entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())) << file.path();
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0);
}
