#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

// The core and the command line build without Qt: only folders named gui/ may use it.
TEST(SourceLayout, QtHeadersOnlyInGuiFolders) {
    namespace fs = std::filesystem;
    const fs::path src = fs::path(QUORVEX_SOURCE_DIR) / "src";
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const auto ext = entry.path().extension();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
        const fs::path rel = entry.path().lexically_relative(src);
        bool gui = false;
        for (const auto& part : rel.parent_path()) gui = gui || part == "gui";
        if (gui) continue;
        ++files;
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) {
            EXPECT_NE(line.rfind("#include <Q", 0), 0u) << rel.string() << ": " << line;
        }
    }
    EXPECT_GT(files, 20);
}

}  // namespace
