// The button as an assistive tool sees it through its accessible object: a push button
// named by its caption, with its state, whose default action clicks it as the mouse
// does, later, from the message loop.
#include <windows.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "controls/cxCommand/win32/tests/test_window.h"
#include "testing/win32/accessible_reading.h"

namespace scandrel::controls::win32 {
namespace {

using Microsoft::WRL::ComPtr;
using scandrel::testing::childSelf;
using scandrel::testing::takeText;
using testing::TestWindow;

class AccessibleButton : public ::testing::Test {
protected:
    void SetUp() override {
        button = &window.addButton(RECT{10, 40, 107, 57}, u"Procurar");
        ASSERT_EQ(AccessibleObjectFromWindow(button->hwnd(), OBJID_CLIENT, IID_IAccessible,
                                             reinterpret_cast<void**>(accessible.GetAddressOf())),
                  S_OK);
    }
    long state() {
        VARIANT value;
        VariantInit(&value);
        EXPECT_EQ(accessible->get_accState(childSelf(), &value), S_OK);
        return value.vt == VT_I4 ? value.lVal : -1;
    }

    TestWindow window;
    CommandButtonWindow* button = nullptr;
    ComPtr<IAccessible> accessible;
};

TEST_F(AccessibleButton, APushButtonNamedByItsCaptionWithItsState) {
    VARIANT role;
    VariantInit(&role);
    ASSERT_EQ(accessible->get_accRole(childSelf(), &role), S_OK);
    EXPECT_EQ(role.vt, VT_I4);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_PUSHBUTTON);
    BSTR name = nullptr;
    ASSERT_EQ(accessible->get_accName(childSelf(), &name), S_OK);
    EXPECT_EQ(takeText(name), L"Procurar");
    button->setCaption(u"Cancelar");
    ASSERT_EQ(accessible->get_accName(childSelf(), &name), S_OK);
    EXPECT_EQ(takeText(name), L"Cancelar");

    EXPECT_EQ(state() & (STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_UNAVAILABLE |
                         STATE_SYSTEM_INVISIBLE),
              STATE_SYSTEM_FOCUSABLE);
    SetFocus(button->hwnd());
    EXPECT_TRUE(state() & STATE_SYSTEM_FOCUSED);
    button->setEnabled(false);
    EXPECT_TRUE(state() & STATE_SYSTEM_UNAVAILABLE);
    EXPECT_TRUE(state() & STATE_SYSTEM_FOCUSABLE) << "a disabled button still takes the focus";
    ShowWindow(button->hwnd(), SW_HIDE);
    EXPECT_TRUE(state() & STATE_SYSTEM_INVISIBLE);
}

TEST_F(AccessibleButton, TheDefaultActionClicksOnceFromTheMessageLoopWithTheWaitOfAClick) {
    BSTR action = nullptr;
    ASSERT_EQ(accessible->get_accDefaultAction(childSelf(), &action), S_OK);
    EXPECT_EQ(takeText(action), L"Pressionar");

    int clicks = 0;
    std::chrono::steady_clock::duration sinceAction{};
    std::chrono::steady_clock::time_point asked;
    bool pressedWhenClicked = true;
    button->onClick([&] {
        ++clicks;
        sinceAction = std::chrono::steady_clock::now() - asked;
        pressedWhenClicked = button->pressed();
    });
    asked = std::chrono::steady_clock::now();
    ASSERT_EQ(accessible->accDoDefaultAction(childSelf()), S_OK);
    EXPECT_EQ(clicks, 0) << "the client's call returns before the click";
    window.pump();
    EXPECT_EQ(clicks, 1);
    EXPECT_GE(sinceAction, std::chrono::milliseconds(45)) << "the pressed look stays up 50 ms, as for the mouse";
    EXPECT_FALSE(pressedWhenClicked);

    button->setEnabled(false);
    EXPECT_NE(accessible->accDoDefaultAction(childSelf()), S_OK);
    window.pump();
    EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace scandrel::controls::win32
