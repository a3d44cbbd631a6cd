#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "db/jet/key_ranges.h"

namespace scandrel::db::jet {
namespace {

using Range = std::pair<uint32_t, uint32_t>;
constexpr Range kNone{0, 0};

TEST(KeyRanges, RecordNumbersWithGapsAndRepeats) {
    const KeyRanges ranges({1, 1, 2, 5, 5, 5, 9});
    EXPECT_EQ(ranges.find(1), Range(0, 2));
    EXPECT_EQ(ranges.find(2), Range(2, 1));
    EXPECT_EQ(ranges.find(5), Range(3, 3));
    EXPECT_EQ(ranges.find(9), Range(6, 1));
    for (const int64_t absent : {-1, 0, 3, 4, 6, 8, 10}) EXPECT_EQ(ranges.find(absent), kNone) << absent;
}

TEST(KeyRanges, ValuesFarApart) {
    constexpr int64_t kLowest = std::numeric_limits<int64_t>::min();
    constexpr int64_t kHighest = std::numeric_limits<int64_t>::max();
    const KeyRanges ranges({kLowest, -7, -7, 0, 1000000000000, kHighest});
    EXPECT_EQ(ranges.find(kLowest), Range(0, 1));
    EXPECT_EQ(ranges.find(-7), Range(1, 2));
    EXPECT_EQ(ranges.find(0), Range(3, 1));
    EXPECT_EQ(ranges.find(1000000000000), Range(4, 1));
    EXPECT_EQ(ranges.find(kHighest), Range(5, 1));
    for (const int64_t absent : {kLowest + 1, int64_t{-8}, int64_t{1}, kHighest - 1}) {
        EXPECT_EQ(ranges.find(absent), kNone) << absent;
    }
}

TEST(KeyRanges, NoRowsAndOneValue) {
    const KeyRanges empty{std::vector<int64_t>{}};
    EXPECT_EQ(empty.find(0), kNone);
    EXPECT_EQ(empty.find(-1), kNone);
    EXPECT_EQ(KeyRanges().find(0), kNone);
    const KeyRanges same({-3, -3, -3});
    EXPECT_EQ(same.find(-3), Range(0, 3));
    EXPECT_EQ(same.find(-2), kNone);
}

// Where the rows of each number were counted out instead of sorted.
TEST(KeyRanges, CountedStartsAnswerAsSortedKeys) {
    const std::vector<int64_t> keys = {-2, -2, 0, 3, 3, 3, 7};
    ASSERT_TRUE(KeyRanges::denseFits(keys.front(), keys.back(), keys.size()));
    // Numbers -2 to 7: where each one's rows start, then the count.
    const KeyRanges counted = KeyRanges::dense(-2, {0, 2, 2, 3, 3, 3, 6, 6, 6, 6, 7});
    const KeyRanges sorted(keys);
    for (int64_t k = -4; k <= 9; ++k) EXPECT_EQ(counted.find(k), sorted.find(k)) << k;
    EXPECT_FALSE(KeyRanges::denseFits(0, int64_t{1} << 40, 10));
}

TEST(KeyRanges, DenseAndSparseListsAnswerAlike) {
    // Every other number, then the same numbers spread a million apart.
    std::vector<int64_t> close, apart;
    for (int64_t k = 0; k < 3000; ++k) {
        for (int64_t repeat = 0; repeat <= k % 3; ++repeat) {
            close.push_back(2 * k);
            apart.push_back(1000000 * k);
        }
    }
    const KeyRanges a(close), b(apart);
    for (int64_t k = -1; k <= 3001; ++k) {
        ASSERT_EQ(a.find(2 * k), b.find(1000000 * k)) << k;
        ASSERT_EQ(a.find(2 * k + 1), kNone) << k;
        ASSERT_EQ(b.find(1000000 * k + 1), kNone) << k;
    }
}

}  // namespace
}  // namespace scandrel::db::jet
