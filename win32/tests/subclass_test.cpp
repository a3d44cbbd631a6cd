// Controls of other classes with a handler of ours in front: what the handler
// answers, what it passes on, a failure that escapes it, and a handler whose message
// destroys its own window.
#include "win32/subclass.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "testing/win32/message_box_watcher.h"
#include "text/error.h"
#include "win32/handles.h"

namespace scandrel::win32 {
namespace {

constexpr UINT kAsk = WM_APP + 7;

// A label of the platform's class, never shown.
HWND makeLabel() {
    return CreateWindowExW(0, L"STATIC", L"antes", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

std::u16string textOf(HWND window) {
    wchar_t text[64] = {};
    GetWindowTextW(window, text, 64);
    return std::u16string(reinterpret_cast<const char16_t*>(text));
}

TEST(Subclass, TheHandlerAnswersWhatItKnowsAndPassesTheRestToTheControl) {
    const WindowHandle label(makeLabel());
    ASSERT_TRUE(label.get());
    int texts = 0;
    subclassWindow(label.get(), [&texts](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == kAsk) return 42;
        if (message == WM_SETTEXT) ++texts;
        return passOn(window, message, wParam, lParam);
    });
    EXPECT_EQ(SendMessageW(label.get(), kAsk, 0, 0), 42);
    SetWindowTextW(label.get(), L"depois");
    EXPECT_EQ(texts, 1);
    EXPECT_EQ(textOf(label.get()), u"depois");  // the label's own procedure kept it
}

TEST(Subclass, AFailureEscapingTheHandlerIsShownAsABoxAndTheMessageAnswersZero) {
    testing::MessageBoxWatcher boxes;
    const WindowHandle label(makeLabel());
    subclassWindow(label.get(), [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == kAsk && wParam == 1) throw Error(3024, u"Não foi possível encontrar o arquivo.");
        if (message == kAsk && wParam == 2) throw std::runtime_error("falhou");
        if (message == kAsk && wParam == 3) throw 7;
        if (message == kAsk) return 5;
        return passOn(window, message, wParam, lParam);
    });
    EXPECT_EQ(SendMessageW(label.get(), kAsk, 1, 0), 0);
    EXPECT_EQ(SendMessageW(label.get(), kAsk, 2, 0), 0);
    EXPECT_EQ(SendMessageW(label.get(), kAsk, 3, 0), 0);
    ASSERT_TRUE(boxes.waitFor(3));
    EXPECT_EQ(boxes.take(), (std::vector<testing::SeenBox>{
                                {u"Scandrel", u"3024 Não foi possível encontrar o arquivo.", testing::BoxIcon::none},
                                {u"Scandrel", u"falhou", testing::BoxIcon::none},
                                {u"Scandrel", u"Erro desconhecido", testing::BoxIcon::none},
                            }));
    // The control goes on answering.
    EXPECT_EQ(SendMessageW(label.get(), kAsk, 0, 0), 5);
}

TEST(Subclass, AHandlerWhoseMessageDestroysTheWindowFinishesAndIsThenFreed) {
    const HWND label = makeLabel();
    const auto state = std::make_shared<int>(0);
    subclassWindow(label, [state](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == kAsk) {
            DestroyWindow(window);
            ++*state;  // still here after the window's last message
            return *state;
        }
        return passOn(window, message, wParam, lParam);
    });
    EXPECT_EQ(SendMessageW(label, kAsk, 0, 0), 1);
    EXPECT_FALSE(IsWindow(label));
    EXPECT_EQ(*state, 1);
    EXPECT_EQ(state.use_count(), 1);  // the handler's copy went with the window
}

}  // namespace
}  // namespace scandrel::win32
