// The face's layout.
#include <gtest/gtest.h>

#include "controls/cxCommand/tests/recording_surface.h"
#include "text/error.h"

namespace scandrel::controls {
namespace {

using testing::fakeFont;
using testing::fakePicture;
using testing::RecordingSurface;
using testing::TestButton;

TEST(ButtonSize, EitherSideBelowSevenPixelsMakesBothSevenPixels) {
    TestButton t;
    EXPECT_EQ(t.button.resize({200, 50}), (TwipSize{105, 105}));
    EXPECT_EQ(t.button.resize({50, 2000}), (TwipSize{105, 105}));
    EXPECT_EQ(t.button.resize({105, 105}), (TwipSize{105, 105}));
    EXPECT_EQ(t.button.resize({1455, 255}), (TwipSize{1455, 255}));
}

TEST(ButtonSize, AnUnsizedButtonLaysNothingOutButShowsTheReleasedSkin) {
    RecordingSurface surface;
    CommandButton button(surface, fakeFont(100));
    button.setCaption(u"Procurar");
    EXPECT_EQ(surface.repaints, 0);
    EXPECT_EQ(button.face().skin, SkinSet::Released);
    EXPECT_EQ(button.face().pieces[1], (TwipRect{45, 0, 45, 45}));
    EXPECT_EQ(button.face().captionText, u"lblCaption");
}

TEST(ButtonLayout, ACaptionAloneIsCentredOrStartsInsideTheCornerWhenItDoesNotFit) {
    TestButton t;
    t.button.setCaption(u"Procurar");  // 800 x 225
    EXPECT_EQ(t.button.face().caption, (TwipRect{328, 15, 800, 225}));  // 327.5 -> 328
    t.button.setCaption(u"Um texto longo demais");
    EXPECT_EQ(t.button.face().caption.left, 60);

    TestButton low({1455, 225});
    low.button.setCaption(u"Ok");
    EXPECT_EQ(low.button.face().caption.top, 60);
}

TEST(ButtonLayout, IconAndCaptionFormOneCentredRow) {
    TestButton t({1455, 375});
    t.button.setFont(fakeFont(100));
    t.button.setCaption(u"Abrir!");  // 600 x 225
    t.button.setIconNormal(fakePicture(240, 240));
    EXPECT_EQ(t.button.face().iconSlot, (TwipRect{285, 68, 240, 240}));
    EXPECT_EQ(t.button.face().caption, (TwipRect{570, 76, 600, 225}));
}

TEST(ButtonLayout, AnIconLowerThanTheCaptionAlignsWithTheCaptionsTop) {
    TestButton t({1455, 375});
    t.button.setCaption(u"Abrir!");
    t.button.setIconNormal(fakePicture(150, 150));
    EXPECT_EQ(t.button.face().iconSlot.top, 75);
    EXPECT_EQ(t.button.face().caption.top, 75);
}

TEST(ButtonLayout, ARowTooWideOrAnIconTooTallStartsAtTheCorner) {
    TestButton t({1455, 255});
    t.button.setCaption(u"Um texto longo demais");  // 2100 wide
    t.button.setIconNormal(fakePicture(480, 480));
    EXPECT_EQ(t.button.face().iconSlot.left, 45);
    EXPECT_EQ(t.button.face().iconSlot.top, 45);
    // The caption follows the icon instead of lying over it.
    EXPECT_EQ(t.button.face().caption.left, 45 + 480 + 45);
}

TEST(ButtonLayout, PressingMovesCaptionAndIconOnePixelWithoutAccumulating) {
    TestButton t({1455, 375});
    t.button.setCaption(u"Abrir!");
    t.button.setIconNormal(fakePicture(240, 240));
    const ButtonFace released = t.button.face();
    for (int i = 0; i < 3; ++i) {
        t.button.mouseDown();
        EXPECT_EQ(t.button.face().caption.left, released.caption.left + 15);
        EXPECT_EQ(t.button.face().caption.top, released.caption.top + 15);
        EXPECT_EQ(t.button.face().iconSlot.left, released.iconSlot.left + 15);
        EXPECT_EQ(t.button.face().iconSlot.top, released.iconSlot.top + 15);
        t.button.mouseUp();
        EXPECT_EQ(t.button.face().caption, released.caption);
        EXPECT_EQ(t.button.face().iconSlot, released.iconSlot);
    }
}

TEST(ButtonLayout, APressedIconWithoutAReleasedOneStaysOnePixelOffItsPlace) {
    TestButton t;
    t.button.setIconDown(fakePicture(240, 240));
    const TwipRect slot = t.button.face().iconSlot;
    for (int i = 0; i < 3; ++i) {
        t.button.mouseDown();
        EXPECT_EQ(t.button.face().iconSlot.left, slot.left + 15);
        t.button.mouseUp();
        EXPECT_EQ(t.button.face().iconSlot.left, slot.left);
        EXPECT_FALSE(t.button.face().icon);
    }
}

TEST(ButtonLayout, ALayoutDuringAPressKeepsThePressedSkinButShowsTheReleasedIcon) {
    TestButton t;
    const Picture normal = fakePicture(240, 240);
    t.button.setIconNormal(normal);
    t.button.setIconDown(fakePicture(240, 240));
    t.button.mouseDown();
    t.button.setCaption(u"Outro");
    EXPECT_EQ(t.button.face().skin, SkinSet::Pressed);
    EXPECT_EQ(t.button.face().icon, normal);
}

TEST(ButtonLayout, APlacementOutsideSixteenBitsOverflows) {
    TestButton t;
    try {
        t.button.resize({70000, 255});
        FAIL() << "laid out";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), 6);
    }
}

TEST(ButtonFocusLines, LieOnePixelInsideTheBorder) {
    TestButton t;
    const auto& lines = t.button.face().focusLines;
    EXPECT_EQ(lines[0], (TwipLine{{30, 15}, {1425, 15}}));
    EXPECT_EQ(lines[1], (TwipLine{{1425, 0}, {1425, 255}}));
    EXPECT_EQ(lines[2], (TwipLine{{0, 225}, {1455, 225}}));
    EXPECT_EQ(lines[3], (TwipLine{{15, 30}, {15, 225}}));
}

}  // namespace
}  // namespace scandrel::controls
