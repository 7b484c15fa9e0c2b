#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

// The core and the command line build without Qt: only folders named gui/ may use it.
TEST(SourceLayout, QtHeadersOnlyInGuiFolders) {
    namespace fs = std::filesystem;
    const fs::path src = fs::path(QUORVEX_SOURCE_DIR) / "src";
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const fs::path rel = entry.path().lexically_relative(src);
        const auto ext = rel.extension();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp") || ("/" + rel.string()).find("/gui/") != std::string::npos)
            continue;
        ++files;
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) EXPECT_FALSE(line.starts_with("#include <Q")) << rel << ": " << line;
    }
    EXPECT_GT(files, 20);
}
