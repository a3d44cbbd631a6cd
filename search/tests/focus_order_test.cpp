// Tab order among the search window's controls, without a window.
#include "search/focus_order.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace scandrel::search {
namespace {

// `available` one flag a control; the focus on `focused`, or outside when nothing.
std::optional<std::size_t> next(std::vector<bool> available, std::optional<std::size_t> focused, bool backward) {
    std::vector<TabStop> stops;
    for (std::size_t i = 0; i < available.size(); ++i) stops.push_back({focused == i, available[i]});
    return nextTabStop(stops, backward);
}

TEST(FocusOrder, TabAndShiftTabGoRoundEveryAvailableControl) {
    const std::vector<bool> all{true, true, true, true};
    for (std::size_t at = 0; at < 4; ++at) {
        EXPECT_EQ(next(all, at, false), (at + 1) % 4) << at;
        EXPECT_EQ(next(all, at, true), (at + 3) % 4) << at;
    }
}

TEST(FocusOrder, SkipsControlsThatCannotTakeTheFocusInBothDirections) {
    // The search box, the list, the find button, the hidden cancel button.
    const std::vector<bool> cancelHidden{true, true, true, false};
    EXPECT_EQ(next(cancelHidden, 2, false), 0u);
    EXPECT_EQ(next(cancelHidden, 0, true), 2u);
    const std::vector<bool> onlyEnds{true, false, false, true};
    EXPECT_EQ(next(onlyEnds, 0, false), 3u);
    EXPECT_EQ(next(onlyEnds, 3, true), 0u);
    // A focused control that can no longer take the focus still marks the place.
    EXPECT_EQ(next({true, false, true, false}, 1, false), 2u);
    EXPECT_EQ(next({true, false, true, false}, 1, true), 0u);
}

TEST(FocusOrder, FromOutsideTabStartsAtTheFirstAndShiftTabAtTheLast) {
    EXPECT_EQ(next({true, true, true, true}, std::nullopt, false), 0u);
    EXPECT_EQ(next({true, true, true, true}, std::nullopt, true), 3u);
    EXPECT_EQ(next({false, true, true, false}, std::nullopt, false), 1u);
    EXPECT_EQ(next({false, true, true, false}, std::nullopt, true), 2u);
}

TEST(FocusOrder, TheOnlyAvailableControlKeepsTheFocusAndNoneGivesNothing) {
    EXPECT_EQ(next({false, true, false, false}, 1, false), 1u);
    EXPECT_EQ(next({false, true, false, false}, 1, true), 1u);
    EXPECT_EQ(next({false, false, false, false}, 1, false), std::nullopt);
    EXPECT_EQ(next({}, std::nullopt, true), std::nullopt);
}

}  // namespace
}  // namespace scandrel::search
