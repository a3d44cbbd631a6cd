// The two looks of the button against the designed colours of their nine pieces,
// written out here as the design gives them, read back from the button's own device
// context: corners at the corners, edges stretched between them, the face inside.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include "controls/cxCommand/win32/tests/test_window.h"

namespace scandrel::controls::win32 {
namespace {

using testing::screenshot;
using testing::Screenshot;
using testing::TestWindow;

// Pixels as 0xRRGGBB, rows top to bottom, left to right.
struct Piece {
    int width;
    int height;
    std::array<uint32_t, 9> rgb;
    uint32_t at(int x, int y) const { return rgb[static_cast<size_t>(y * width + x)]; }
};
using Look = std::array<Piece, 9>;

const Look kReleased{{
    {3, 3, {0xAFBFCF, 0xB7C6D4, 0x000000, 0xCDD7E1, 0x101010, 0xEEF1F4, 0x000000, 0xEEF1F4, 0xC9D4DE}},
    {1, 3, {0x000000, 0xC9D4DE, 0xBCC9D7}},
    {3, 3, {0x000000, 0xB7C6D4, 0xAFBFCF, 0xD4DDE6, 0x171818, 0xCDD7E1, 0xB7C6D4, 0xAFBAC5, 0x000000}},
    {3, 1, {0xAFBFCF, 0x8B97A4, 0x0B0C0D}},
    {3, 3, {0x85919D, 0x687178, 0x000000, 0x5D646B, 0x090A0B, 0xCDD7E1, 0x000000, 0xB7C6D4, 0xAFBFCF}},
    {1, 3, {0xAFBFCF, 0x8B97A4, 0x0B0C0D}},
    {3, 3, {0x000000, 0xBEC7D1, 0xA6B5C4, 0xCDD7E1, 0x101010, 0x949DA6, 0xAFBFCF, 0xB7C6D4, 0x000000}},
    {3, 1, {0x000000, 0xC9D4DE, 0xBCC9D7}},
    {1, 1, {0xAFBFCF}},
}};

const Look kPressed{{
    {3, 3, {0xAFBFCF, 0xBCC7D3, 0x000000, 0xCFD7DF, 0x0F0F0F, 0xB7B8BA, 0x000000, 0xAEB0B2, 0x969FA6}},
    {1, 3, {0x000000, 0x8D949C, 0xA9B3BC}},
    {3, 3, {0x000000, 0xBCC7D3, 0xAFBFCF, 0xADB5B5, 0x191919, 0xCFD7DF, 0xACB6C0, 0xACB6C0, 0x000000}},
    {3, 1, {0xC5D0DB, 0xCFD7DF, 0x3A3B3C}},
    {3, 3, {0xD0DAE3, 0xE0E6EC, 0x0F0F0F, 0xE5EAEF, 0x4D4D4D, 0xCFD7DF, 0x0F0F0F, 0xBCC7D3, 0xAFBFCF}},
    {1, 3, {0xC5D0DB, 0xCFD7DF, 0x3A3B3C}},
    {3, 3, {0x000000, 0xBAC0C5, 0xB4C0CA, 0xCFD7DF, 0x262727, 0xCFD7DF, 0xAFBFCF, 0xBCC7D3, 0x000000}},
    {3, 1, {0x000000, 0x8D949C, 0xA9B3BC}},
    {1, 1, {0xC5D0DB}},
}};

uint32_t designed(const Look& look, int x, int y, int w, int h) {
    return testing::ninePiecePixel(look, x, y, w, h);
}

// The first pixel that differs, or an empty text.
std::string firstDifference(const Screenshot& shot, const Look& look) {
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const uint32_t expected = designed(look, x, y, shot.width, shot.height);
            if (shot.at(x, y) != expected) {
                char text[96];
                snprintf(text, sizeof text, "at (%d, %d): %06X instead of %06X", x, y, shot.at(x, y), expected);
                return text;
            }
        }
    }
    return {};
}

TEST(SkinColours, BothLooksShowTheDesignedPixelsAtTwoSizes) {
    TestWindow window;
    for (const RECT bounds : {RECT{10, 40, 107, 57}, RECT{10, 70, 50, 100}}) {
        CommandButtonWindow& button = window.addButton(bounds, u"");
        const HWND handle = button.hwnd();
        window.pump();
        const Screenshot released = screenshot(handle);
        ASSERT_EQ(released.width, bounds.right - bounds.left);
        ASSERT_EQ(released.height, bounds.bottom - bounds.top);
        EXPECT_EQ(firstDifference(released, kReleased), "") << "released, " << released.width << " wide";

        // Held down, with the focus given back to the text box so that no focus line
        // covers the skin.
        PostMessageW(handle, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        window.pump();
        SetFocus(window.edit());
        window.pump();
        ASSERT_TRUE(button.pressed());
        EXPECT_EQ(firstDifference(screenshot(handle), kPressed), "") << "pressed, " << released.width << " wide";
        PostMessageW(handle, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        window.pump();
        EXPECT_EQ(window.clicks, 1);
        window.clear();
    }
}

}  // namespace
}  // namespace scandrel::controls::win32
