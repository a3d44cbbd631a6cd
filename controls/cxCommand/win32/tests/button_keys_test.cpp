// Enter and Space click whatever shift keys are held, Alt included (its keys arrive as
// system keys), without opening the window's system menu; a held Enter clicks once per
// key-down the platform repeats; a press ends without a click when another window
// takes the pointer.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

#include "controls/cxCommand/win32/tests/test_window.h"

namespace scandrel::controls::win32 {
namespace {

using testing::screenshot;
using testing::TestWindow;

constexpr LPARAM kFirstDown = 0x00000001;    // repeat count 1
constexpr LPARAM kRepeatedDown = 0x40000001;  // the key was already down
constexpr LPARAM kAltHeld = 0x20000000;       // context code: Alt is down
constexpr LPARAM kKeyUp = static_cast<LPARAM>(0xC0000001);

// Counts the keyboard system-menu commands that reach the window, and spends them.
LRESULT CALLBACK countMenuKeys(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref) {
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_KEYMENU) {
        ++*reinterpret_cast<int*>(ref);
        return 0;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

class ButtonKeys : public ::testing::Test {
protected:
    static void SetUpTestSuite() { shared = std::make_unique<TestWindow>(); }
    static void TearDownTestSuite() { shared.reset(); }
    void SetUp() override {
        button = &window.addButton(RECT{10, 40, 107, 57}, u"Procurar");
        SetWindowSubclass(window.handle(), countMenuKeys, 1, reinterpret_cast<DWORD_PTR>(&menuKeys));
        SetFocus(button->hwnd());
        window.pump();
    }
    void TearDown() override {
        RemoveWindowSubclass(window.handle(), countMenuKeys, 1);
        window.clear();
    }

    // A key as the keyboard gives it, with the shift keys of `held` down meanwhile.
    void press(WPARAM key, std::initializer_list<BYTE> held, bool alt) {
        BYTE state[256] = {};
        GetKeyboardState(state);
        for (const BYTE shift : held) state[shift] = 0x80;
        if (alt) state[VK_MENU] = 0x80;
        SetKeyboardState(state);
        const HWND target = button->hwnd();
        PostMessageW(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, kFirstDown | (alt ? kAltHeld : 0));
        PostMessageW(target, alt ? WM_SYSKEYUP : WM_KEYUP, key, kKeyUp | (alt ? kAltHeld : 0));
        window.pump();
        for (const BYTE shift : held) state[shift] = 0;
        state[VK_MENU] = 0;
        SetKeyboardState(state);
    }

    static inline std::unique_ptr<TestWindow> shared;
    TestWindow& window = *shared;
    CommandButtonWindow* button = nullptr;
    int menuKeys = 0;
};

TEST_F(ButtonKeys, EnterAndSpaceClickWhateverShiftKeysAreHeld) {
    for (const WPARAM key : {VK_RETURN, VK_SPACE}) {
        SCOPED_TRACE(key);
        window.clicks = 0;
        press(key, {VK_SHIFT}, false);
        EXPECT_EQ(window.clicks, 1) << "Shift";
        press(key, {VK_CONTROL}, false);
        EXPECT_EQ(window.clicks, 2) << "Ctrl";
        press(key, {}, true);
        EXPECT_EQ(window.clicks, 3) << "Alt";
        press(key, {VK_CONTROL, VK_SHIFT}, true);
        EXPECT_EQ(window.clicks, 4) << "Ctrl+Shift+Alt";
    }
    EXPECT_EQ(menuKeys, 0) << "Alt+Enter and Alt+Space are the button's, not the system menu's";
    EXPECT_EQ(GetFocus(), button->hwnd());
    press('A', {}, true);  // other Alt keys keep their meaning
    EXPECT_EQ(window.clicks, 4);
}

TEST_F(ButtonKeys, AHeldEnterClicksOncePerRepeatedKeyDown) {
    const HWND target = button->hwnd();
    PostMessageW(target, WM_KEYDOWN, VK_RETURN, kFirstDown);
    for (int i = 0; i < 3; ++i) PostMessageW(target, WM_KEYDOWN, VK_RETURN, kRepeatedDown);
    PostMessageW(target, WM_KEYUP, VK_RETURN, kKeyUp);
    window.pump();
    EXPECT_EQ(window.clicks, 4);
    EXPECT_FALSE(button->pressed());
}

TEST_F(ButtonKeys, APressEndsWithoutAClickWhenAnotherWindowTakesThePointer) {
    const HWND target = button->hwnd();
    PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 8));
    window.pump();
    ASSERT_TRUE(button->pressed());
    ASSERT_EQ(GetCapture(), target);
    EXPECT_EQ(screenshot(target).at(6, 8), 0xC5D0DBu) << "the pressed face";

    SetCapture(window.edit());  // another window takes the pointer
    window.pump();
    EXPECT_FALSE(button->pressed());
    EXPECT_EQ(screenshot(target).at(6, 8), 0xAFBFCFu) << "the released face";
    ReleaseCapture();
    PostMessageW(target, WM_LBUTTONUP, 0, MAKELPARAM(20, 8));
    window.pump();
    EXPECT_EQ(window.clicks, 0);

    // The button's own release of the pointer is not a loss: a full click still clicks.
    PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 8));
    PostMessageW(target, WM_LBUTTONUP, 0, MAKELPARAM(20, 8));
    window.pump();
    EXPECT_EQ(window.clicks, 1);
}

}  // namespace
}  // namespace scandrel::controls::win32
