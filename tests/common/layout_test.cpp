#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

// The core and the command line build without Qt: only folders named gui/ may use it.
TEST(SourceLayout, QtHeadersOnlyInGuiFolders) {
    const std::filesystem::path src = std::filesystem::path(QUORVEX_SOURCE_DIR) / "src";
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(src)) {
        const std::string rel = "/" + entry.path().lexically_relative(src).string();
        if (!entry.is_regular_file() || rel.find("/gui/") != std::string::npos || !(rel.ends_with(".h") || rel.ends_with(".cpp"))) continue;
        std::ifstream in(entry.path());
        for (std::string line; ++files && std::getline(in, line);) EXPECT_FALSE(line.starts_with("#include <Q")) << rel << ": " << line;
    }
    EXPECT_GT(files, 20);
}
