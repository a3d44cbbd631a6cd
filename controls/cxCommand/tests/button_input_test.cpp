// Mouse, keyboard and focus: what the button shows during each wait, when it clicks.
#include <gtest/gtest.h>

#include "controls/cxCommand/tests/recording_surface.h"

namespace scandrel::controls {
namespace {

using testing::TestButton;
using Log = std::vector<std::string>;

TEST(ButtonInput, APressShowsThePressedLookAndAReleaseClicksAfterFiftyMilliseconds) {
    TestButton t;
    t.button.mouseMove({-100, -100});  // a released button ignores moves and releases
    t.button.mouseUp();
    t.surface.log.clear();
    t.button.mouseDown();
    EXPECT_TRUE(t.button.pressed());
    EXPECT_EQ(t.surface.look(), "pressed");
    t.button.mouseUp();
    EXPECT_FALSE(t.button.pressed());
    EXPECT_EQ(t.surface.log, (Log{"capture", "uncapture", "wait 50 pressed", "click released"}));
}

TEST(ButtonInput, LeavingWhilePressedReleasesWithoutClickAndComingBackDoesNotPressAgain) {
    TestButton t;
    t.button.mouseDown();
    t.button.mouseMove({1455, 255});  // the right and bottom edges are inside
    EXPECT_TRUE(t.button.pressed());
    t.button.mouseMove({1456, 100});
    EXPECT_FALSE(t.button.pressed());
    EXPECT_EQ(t.surface.look(), "released");
    t.button.mouseMove({100, 100});
    t.button.mouseUp();
    EXPECT_EQ(t.surface.clicks(), 0);

    for (const TwipPoint outside : {TwipPoint{-1, 100}, TwipPoint{100, -1}, TwipPoint{100, 256}}) {
        t.button.mouseDown();
        t.button.mouseMove(outside);
        EXPECT_FALSE(t.button.pressed());
    }
}

TEST(ButtonInput, ASecondButtonPressesAgainAndOnlyTheFirstReleaseClicks) {
    TestButton t;
    t.button.mouseDown();
    const int repaints = t.surface.repaints;
    t.button.mouseDown();
    EXPECT_GT(t.surface.repaints, repaints);
    EXPECT_EQ(t.surface.look(), "pressed");
    t.button.mouseUp();
    t.button.mouseUp();
    EXPECT_EQ(t.surface.clicks(), 1);
}

TEST(ButtonInput, ADisabledButtonIgnoresTheMouseAndHoldsAPressItHad) {
    TestButton t;
    t.button.setEnabled(false);
    t.button.mouseDown();
    EXPECT_FALSE(t.button.pressed());
    EXPECT_EQ(t.surface.look(), "released");

    t.button.setEnabled(true);
    t.button.mouseDown();
    t.button.setEnabled(false);
    t.button.mouseMove({-500, -500});
    t.button.mouseUp();
    EXPECT_TRUE(t.button.pressed());
    EXPECT_EQ(t.surface.look(), "pressed");
    EXPECT_EQ(t.surface.clicks(), 0);

    t.button.setEnabled(true);
    t.button.mouseUp();
    EXPECT_EQ(t.surface.clicks(), 1);
}

TEST(ButtonInput, EnterAndSpaceHoldThePressedLookThenClickOnceAndOnlyWaitWhenDisabled) {
    for (const int key : {13, 32}) {
        TestButton t;
        t.button.keyDown(key);
        EXPECT_EQ(t.surface.log, (Log{"wait 100 pressed", "wait 50 pressed", "click released"})) << key;
    }
    TestButton other;
    for (const int key : {9, 27, 65, 0x0D00}) other.button.keyDown(key);
    EXPECT_TRUE(other.surface.log.empty());
    other.button.setEnabled(false);
    other.button.keyDown(13);
    EXPECT_EQ(other.surface.log, (Log{"wait 100 released"}));
}

TEST(ButtonInput, TheClickHandlerSeesAReleasedButtonThatItCanPressAgain) {
    TestButton t;
    int depth = 0;
    t.surface.onClick = [&] {
        EXPECT_FALSE(t.button.pressed());
        if (++depth == 1) {
            t.button.mouseDown();
            t.button.mouseUp();
        }
    };
    t.button.mouseDown();
    t.button.mouseUp();
    EXPECT_EQ(t.surface.clicks(), 2);
}

TEST(ButtonFocus, TheLinesFollowTheFocusWhateverTheState) {
    TestButton t;
    t.button.setEnabled(false);
    t.button.gotFocus();
    EXPECT_TRUE(t.surface.shown.focusVisible);
    t.button.setEnabled(true);
    t.button.mouseDown();
    t.button.lostFocus();
    EXPECT_FALSE(t.surface.shown.focusVisible);
    EXPECT_TRUE(t.button.pressed());
}

}  // namespace
}  // namespace scandrel::controls
