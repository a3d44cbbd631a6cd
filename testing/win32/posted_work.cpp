#include "testing/win32/posted_work.h"

#include <utility>

namespace scandrel::testing {

namespace {

constexpr wchar_t kClassName[] = L"ScandrelTestPostedWork";
constexpr UINT kWorkMessage = WM_APP;

}  // namespace

PostedWork::PostedWork() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass);  // fails harmlessly once registered
    window_ = CreateWindowW(kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

PostedWork::~PostedWork() { DestroyWindow(window_); }

void PostedWork::post(std::function<void()> work) {
    work_ = std::move(work);
    done_ = false;
    PostMessageW(window_, kWorkMessage, 0, 0);
}

LRESULT CALLBACK PostedWork::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<PostedWork*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message == kWorkMessage) {
        const std::function<void()> work = std::exchange(self->work_, {});
        if (work) work();
        self->done_ = true;
        return 0;
    }
    if (self && message == WM_TIMER) {
        if (self->tick_) self->tick_();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace scandrel::testing
