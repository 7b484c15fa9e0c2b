#include "common/error_limit.h"

#include <fstream>
#include <string>
#include <system_error>

namespace quorvex {

namespace {

constexpr const char* kKey = "[Maximum Error Count]:";

// The limit on the first line, or 0 when there is none in range.
int ReadLimit(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return 0;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line)) return 0;
    auto colon = line.find(':');
    if (colon == std::string::npos) return 0;
    std::size_t i = colon + 1;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    long long value = 0;
    std::size_t digits = 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i, ++digits) {
        if (value <= kMaxErrorLimit) value = value * 10 + (line[i] - '0');
    }
    if (digits == 0 || value < 1 || value > kMaxErrorLimit) return 0;
    return static_cast<int>(value);
}

}  // namespace

bool SaveErrorLimit(const std::filesystem::path& folder, int limit) {
    std::ofstream out(folder / kErrorLimitFile, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << kKey << limit << "\r\n";
    out.close();
    return static_cast<bool>(out);
}

int GetErrorLimit(const std::filesystem::path& folder) {
    if (int limit = ReadLimit(folder / kErrorLimitFile)) return limit;
    SaveErrorLimit(folder, kDefaultErrorLimit);
    return kDefaultErrorLimit;
}

int ParseErrorLimitEntry(const std::string& entry) {
    std::size_t b = entry.find_first_not_of(" \t");
    if (b == std::string::npos) return 0;
    std::size_t e = entry.find_last_not_of(" \t");
    long long value = 0;
    for (std::size_t i = b; i <= e; ++i) {
        char c = entry[i];
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
        if (value > kMaxErrorLimit) return 0;
    }
    return static_cast<int>(value);
}

}  // namespace quorvex
