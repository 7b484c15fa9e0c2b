#pragma once

#include <algorithm>
#include <cstddef>
#include <list>
#include <vector>

namespace quorvex {

// The rows of a long table, read a window of `kRows` rows at a time; the last `keep` windows
// stay, the one used last first, so the memory does not grow with the table.
template <class Row>
class RowWindows {
public:
    static constexpr int kRows = 64;

    explicit RowWindows(std::size_t keep) : keep_(keep) {}

    // Row `row`: from a window kept, else from `read(first)`, which gives the window's rows
    // from row `first` on (and may throw: nothing is kept then). nullptr past its rows.
    template <class Read>
    const Row* At(int row, Read&& read) {
        const int first = row - row % kRows;
        auto it = std::find_if(windows_.begin(), windows_.end(), [first](const Window& w) { return w.first == first; });
        if (it != windows_.end()) {
            windows_.splice(windows_.begin(), windows_, it);
        } else {
            windows_.push_front({first, read(first)});
            if (windows_.size() > keep_) windows_.pop_back();
        }
        const std::vector<Row>& rows = windows_.front().rows;
        const auto at = static_cast<std::size_t>(row - first);
        return at < rows.size() ? &rows[at] : nullptr;
    }

    // Whether the window of row `row` is kept.
    bool Holds(int row) const {
        const int first = row - row % kRows;
        return std::any_of(windows_.begin(), windows_.end(), [first](const Window& w) { return w.first == first; });
    }

    std::size_t CachedRows() const {
        std::size_t n = 0;
        for (const Window& w : windows_) n += w.rows.size();
        return n;
    }

private:
    struct Window {
        int first = 0;  // row of its first row
        std::vector<Row> rows;
    };
    std::list<Window> windows_;
    std::size_t keep_;
};

}  // namespace quorvex
