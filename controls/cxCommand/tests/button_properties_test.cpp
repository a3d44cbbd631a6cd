// Properties, creation, saving and loading.
#include <gtest/gtest.h>

#include <utility>

#include "controls/cxCommand/tests/recording_surface.h"
#include "text/error.h"

namespace scandrel::controls {
namespace {

using testing::fakeFont;
using testing::fakePicture;
using testing::TestButton;

std::vector<std::u16string> keysOf(const PropertyBag& bag) {
    std::vector<std::u16string> keys;
    for (const auto& entry : bag.entries()) keys.push_back(entry.first);
    return keys;
}

TEST(ButtonProperties, EnabledOnlyRecoloursTheCaption) {
    TestButton t;
    t.button.setCaption(u"Procurar");
    const ButtonFace before = t.button.face();
    t.button.setEnabled(false);
    EXPECT_EQ(t.button.face().captionColor, 0x808080u);
    EXPECT_EQ(t.button.face().caption, before.caption);
    EXPECT_EQ(t.button.face().pieces, before.pieces);
    t.button.setEnabled(true);
    EXPECT_EQ(t.button.face().captionColor, 0x000000u);
}

TEST(ButtonProperties, IconsAreSharedReferencesAndIconDownShowsOnlyFromTheNextPress) {
    TestButton t;
    EXPECT_FALSE(t.button.iconNormal());
    EXPECT_FALSE(t.button.iconDown());
    const Picture normal = fakePicture(240, 240);
    const Picture down = fakePicture(240, 240);
    t.button.setIconNormal(normal);
    EXPECT_EQ(t.button.iconNormal()->object, normal.object);
    t.button.setIconDown(down);
    EXPECT_EQ(t.button.face().icon, normal);
    t.button.mouseDown();
    EXPECT_EQ(t.button.face().icon, down);
    t.button.mouseUp();
    EXPECT_EQ(t.button.face().icon, normal);

    const TwipRect slot = t.button.face().iconSlot;
    t.button.setIconNormal(std::nullopt);
    EXPECT_FALSE(t.button.face().icon);
    EXPECT_EQ(t.button.face().iconSlot, slot);
}

TEST(ButtonProperties, ALargerFontLeavesTheCaptionWhereItWasUntilTheNextLayout) {
    TestButton t;
    t.button.setCaption(u"Procurar");
    const TwipRect centred = t.button.face().caption;
    t.button.setFont(fakeFont(150));
    EXPECT_EQ(t.button.face().caption, centred);
    t.button.resize({1455, 255});
    EXPECT_EQ(t.button.face().caption.left, whole((1455 - 8 * 150) / 2.0));
}

TEST(ButtonPersistence, AbsentKeysTakeTheirDefaultsAndAnEmptyCaptionStaysEmpty) {
    TestButton t;
    t.button.setEnabled(false);
    t.button.load(PropertyBag{});
    EXPECT_EQ(t.button.caption(), u"Caption");
    EXPECT_TRUE(t.button.enabled());
    EXPECT_EQ(t.button.face().captionColor, 0x000000u);

    PropertyBag empty;
    empty.write(u"Caption", u"");
    t.button.load(empty);
    EXPECT_EQ(t.button.caption(), u"");
}

TEST(ButtonPersistence, LoadsTheWindowsLowerCaseKeysAndStoredFont) {
    TestButton t;
    PropertyBag stored;
    stored.write(u"caption", u"Procurar");
    stored.write(u"font", StoredFont{u"Arial", 90000, 400, 0});
    stored.write(u"_extentx", 2566);
    stored.write(u"_extenty", 450);
    t.button.load(stored);
    EXPECT_EQ(t.button.caption(), u"Procurar");
    ASSERT_EQ(t.surface.madeFonts.size(), 1u);
    EXPECT_EQ(t.surface.madeFonts[0].face, u"Arial");
    // The stored font (90 twips a character) is laid out by the final layout.
    EXPECT_EQ(t.button.face().caption.width, 8 * 90);
    EXPECT_EQ(t.button.face().caption.left, whole((1455 - 8 * 90) / 2.0));
}

TEST(ButtonPersistence, EnabledAndIconsAreWrittenOnlyWhenTheyDifferFromTheirDefaults) {
    TestButton t;
    PropertyBag plain;
    t.button.setCaption(u"Caption");
    t.button.save(plain);
    EXPECT_EQ(keysOf(plain), (std::vector<std::u16string>{u"Caption", u"Font"}));
    EXPECT_EQ(std::get<std::u16string>(*plain.find(u"caption")), u"Caption");

    t.button.setEnabled(false);
    t.button.setIconNormal(fakePicture(240, 240));
    t.button.setIconDown(fakePicture(240, 240));
    PropertyBag full;
    t.button.save(full);
    EXPECT_EQ(keysOf(full), (std::vector<std::u16string>{u"Caption", u"Enabled", u"IconNormal", u"IconDown", u"Font"}));
    EXPECT_FALSE(std::get<bool>(*full.find(u"ENABLED")));

    TestButton copy;
    copy.button.load(full);
    EXPECT_FALSE(copy.button.enabled());
    EXPECT_EQ(copy.button.face().captionColor, 0x808080u);
    EXPECT_EQ(copy.button.iconNormal(), t.button.iconNormal());
    EXPECT_EQ(copy.button.iconDown(), t.button.iconDown());
    EXPECT_EQ(copy.button.font(), t.button.font());
}

TEST(ButtonPersistence, AValueOfTheWrongKindStopsLoadingAndKeepsWhatWasApplied) {
    TestButton t;
    PropertyBag stored;
    stored.write(u"Caption", u"Cancelar");
    stored.write(u"Enabled", u"0");
    stored.write(u"IconNormal", u"not a picture");
    try {
        t.button.load(stored);
        FAIL() << "loaded a text as a picture";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), 13);
    }
    EXPECT_EQ(t.button.caption(), u"Cancelar");
    EXPECT_FALSE(t.button.enabled());
}

}  // namespace
}  // namespace scandrel::controls
