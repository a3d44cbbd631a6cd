// The committed background picture through the window's picture loader: its size and
// its colours where the panel, the band and the frame lines lie.
#include "search/win32/background_picture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "controls/cxCommand/win32/dib_canvas.h"
#include "text/error.h"

namespace scandrel::search::win32 {
namespace {

std::string committedPicture() {
    std::ifstream file(SCANDREL_SOURCE_DIR "/search/win32/form1_background.jpg", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

::testing::AssertionResult closeTo(uint32_t got, uint32_t wanted) {
    for (const int shift : {16, 8, 0}) {
        const int a = static_cast<int>((got >> shift) & 0xFF);
        const int b = static_cast<int>((wanted >> shift) & 0xFF);
        if (std::abs(a - b) > 8) return ::testing::AssertionFailure() << std::hex << got << " is not near " << wanted;
    }
    return ::testing::AssertionSuccess();
}

constexpr uint32_t kPanel = 0xDFE8F1;   // 223, 232, 241
constexpr uint32_t kGround = 0xB3C0D0;  // 179, 192, 208
constexpr uint32_t kLine = 0x808080;

TEST(BackgroundPicture, TheCommittedPictureDrawsUnscaledWithPanelBandAndFrameLines) {
    const std::string bytes = committedPicture();
    ASSERT_FALSE(bytes.empty());
    const BackgroundPicture picture = BackgroundPicture::fromBytes(bytes);
    ASSERT_EQ(picture.size().cx, 454);
    ASSERT_EQ(picture.size().cy, 338);

    // Drawn 5 right and 7 down, so that an unscaled copy is told from a shifted one.
    controls::win32::DibCanvas canvas({470, 350});
    PatBlt(canvas.dc(), 0, 0, 470, 350, WHITENESS);
    picture.draw(canvas.dc(), 5, 7);
    auto at = [&](int x, int y) { return canvas.at(x + 5, y + 7); };
    EXPECT_EQ(canvas.at(4, 100), 0xFFFFFFu);
    EXPECT_EQ(canvas.at(5 + 454, 100), 0xFFFFFFu);
    EXPECT_EQ(canvas.at(100, 7 + 338), 0xFFFFFFu);

    EXPECT_TRUE(closeTo(at(200, 150), kPanel));
    EXPECT_TRUE(closeTo(at(453, 100), kPanel));
    EXPECT_TRUE(closeTo(at(195, 14), kPanel)) << "the tab";
    EXPECT_TRUE(closeTo(at(0, 150), kGround));
    EXPECT_TRUE(closeTo(at(1, 150), kGround));
    EXPECT_TRUE(closeTo(at(200, 337), kGround));
    EXPECT_TRUE(closeTo(at(300, 10), kGround));
    EXPECT_TRUE(closeTo(at(2, 150), kLine)) << "left frame line";
    EXPECT_TRUE(closeTo(at(200, 335), kLine)) << "bottom frame line";
    EXPECT_TRUE(closeTo(at(300, 21), kLine)) << "band line";
    EXPECT_TRUE(closeTo(at(100, 3), kLine)) << "tab's top edge";
}

TEST(BackgroundPicture, AMissingResourceOrBytesThatAreNoPictureAreErrors) {
    try {
        BackgroundPicture::fromResource(GetModuleHandleW(nullptr), 4711);
        FAIL() << "found a resource";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), 326);
    }
    try {
        BackgroundPicture::fromBytes("not a picture at all");
        FAIL() << "decoded";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), 481);
    }
}

}  // namespace
}  // namespace scandrel::search::win32
