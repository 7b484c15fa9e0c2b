#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace quorvex {

// One block row of TRT (24 money fields) or TRU (17 money fields), as the block
// queries return it. The TRU query selects only the count, sums and markers: its rows
// leave `indx` and `reEin` empty.
struct BlockRow {
    std::int64_t indx = 0;
    std::string reEin;
    std::int64_t count = 0;               // column "0"
    std::array<double, 25> sums{};        // columns "1".."24" (index 0 unused)
    std::array<std::string, 25> errRefs;  // F1ErrRef..F24ErrRef (index 0 unused)
};

}  // namespace quorvex
