#include "db/jet/key_ranges.h"

#include <algorithm>

namespace scandrel::db::jet {
namespace {

// A dense table may take this many entries per row (and a few more for tiny lists)
// before the distinct values are kept instead.
constexpr uint64_t kEntriesPerRow = 4;
constexpr uint64_t kSmallTable = 1024;

}  // namespace

bool KeyRanges::denseFits(int64_t lowest, int64_t highest, size_t count) {
    // The span as an unsigned number: exact even where the difference overflows int64_t.
    const uint64_t span = static_cast<uint64_t>(highest) - static_cast<uint64_t>(lowest);
    return span < kEntriesPerRow * count + kSmallTable;
}

KeyRanges KeyRanges::dense(int64_t lowest, std::vector<uint32_t> starts) {
    KeyRanges ranges;
    if (starts.size() < 2) return ranges;
    ranges.lowest_ = lowest;
    ranges.highest_ = static_cast<int64_t>(static_cast<uint64_t>(lowest) + (starts.size() - 2));
    ranges.starts_ = std::move(starts);
    return ranges;
}

KeyRanges::KeyRanges(const std::vector<int64_t>& keys) {
    if (keys.empty()) return;
    lowest_ = keys.front();
    highest_ = keys.back();
    const uint64_t span = static_cast<uint64_t>(highest_) - static_cast<uint64_t>(lowest_);
    dense_ = denseFits(lowest_, highest_, keys.size());
    const auto count = static_cast<uint32_t>(keys.size());
    if (dense_) {
        starts_.assign(static_cast<size_t>(span) + 2, count);
        // Filled from the end: each number starts at its first row, or where the
        // next number present starts when it has none.
        for (size_t row = keys.size(); row-- > 0;) {
            starts_[static_cast<size_t>(static_cast<uint64_t>(keys[row]) - static_cast<uint64_t>(lowest_))] =
                static_cast<uint32_t>(row);
        }
        for (size_t k = starts_.size() - 1; k-- > 0;) starts_[k] = std::min(starts_[k], starts_[k + 1]);
        return;
    }
    for (size_t row = 0; row < keys.size(); ++row) {
        if (row == 0 || keys[row] != keys[row - 1]) {
            values_.push_back(keys[row]);
            starts_.push_back(static_cast<uint32_t>(row));
        }
    }
    starts_.push_back(count);
}

std::pair<uint32_t, uint32_t> KeyRanges::find(int64_t key) const {
    if (key < lowest_ || key > highest_) return {0, 0};
    size_t at = 0;
    if (dense_) {
        at = static_cast<size_t>(static_cast<uint64_t>(key) - static_cast<uint64_t>(lowest_));
    } else {
        const auto it = std::lower_bound(values_.begin(), values_.end(), key);
        if (it == values_.end() || *it != key) return {0, 0};
        at = static_cast<size_t>(it - values_.begin());
    }
    const uint32_t count = starts_[at + 1] - starts_[at];
    if (count == 0) return {0, 0};
    return {starts_[at], count};
}

}  // namespace scandrel::db::jet
