// The run's yield: the first of a run always lets the waiting messages run, later
// ones at most every 5 ms, so a fast search is not slowed down by looking at the
// queue for every patient, and a message left waiting runs at the next yield due.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>

#include "search/win32/tests/window_driver.h"
#include "search/win32/win32_search_view.h"

namespace scandrel::search::win32 {
namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT kCounted = WM_APP + 5;

// A message-only window that counts the messages it is handed.
class CountingWindow {
public:
    CountingWindow() {
        static const ATOM windowClass = [] {
            WNDCLASSEXW c{};
            c.cbSize = sizeof c;
            c.lpfnWndProc = proc;
            c.hInstance = GetModuleHandleW(nullptr);
            c.lpszClassName = L"ScandrelTestCountingWindow";
            return RegisterClassExW(&c);
        }();
        window_ = CreateWindowExW(0, MAKEINTATOM(windowClass), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CountingWindow() { DestroyWindow(window_); }
    CountingWindow(const CountingWindow&) = delete;
    CountingWindow& operator=(const CountingWindow&) = delete;

    void post() const { PostMessageW(window_, kCounted, 0, 0); }
    int handled = 0;

private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<CountingWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == kCounted && self) {
            ++self->handled;
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    HWND window_ = nullptr;
};

// The controls the view writes to, in a form that is never shown.
class Controls {
public:
    Controls() {
        INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&classes);
        form_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        const auto child = [this](const wchar_t* windowClass) {
            return CreateWindowExW(0, windowClass, L"", WS_CHILD, 0, 0, 100, 20, form_, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        };
        controls.form = form_;
        controls.txtSearch = child(L"EDIT");
        controls.lblResults = child(L"STATIC");
        controls.lstResults = child(L"LISTBOX");
        controls.progressBar = child(PROGRESS_CLASSW);
        controls.cxFind = child(L"BUTTON");
        controls.cxCancel = child(L"BUTTON");
        controls.enableFind = [](bool) {};
    }
    ~Controls() { DestroyWindow(form_); }
    Controls(const Controls&) = delete;
    Controls& operator=(const Controls&) = delete;

    SearchControls controls;

private:
    HWND form_ = nullptr;
};

TEST(RunYield, LooksAtTheQueueAtTheFirstYieldThenAtMostEveryFiveMilliseconds) {
    testing::pumpWaiting();
    Controls controls;
    CountingWindow counting;
    Win32SearchView view(controls.controls, [] {});

    view.clearResults();  // a new run
    counting.post();
    view.doEvents();
    EXPECT_EQ(counting.handled, 1) << "the run's first yield";

    int quickYields = 0;
    for (int attempt = 0; attempt < 20; ++attempt) {
        Sleep(6);
        counting.post();
        const auto due = Clock::now();
        view.doEvents();
        ASSERT_EQ(counting.handled, 2 + 2 * attempt) << "a yield more than 5 ms after the last look";

        // Another yield right after: the message waits, unless the thread was taken
        // away for the whole interval in between.
        counting.post();
        view.doEvents();
        if (Clock::now() - due < std::chrono::milliseconds(4)) {
            ++quickYields;
            EXPECT_EQ(counting.handled, 2 + 2 * attempt) << "a yield within 5 ms of the last look";
        }
        Sleep(6);
        view.doEvents();
        ASSERT_EQ(counting.handled, 3 + 2 * attempt) << "the waiting message runs at the next yield due";
    }
    EXPECT_GT(quickYields, 0);

    // A new run looks at once again.
    counting.post();
    view.clearResults();
    view.doEvents();
    EXPECT_EQ(counting.handled, 42);
}

}  // namespace
}  // namespace scandrel::search::win32
