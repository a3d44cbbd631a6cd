#pragma once
// Looks at the search window from inside its run, between two patients, where the
// user sees it while the search goes on. Whenever the run writes its status line,
// its result list or its bar, a message is posted that the run's next look at the
// message queue hands to the probe's step (one message at a time). The run's first
// yield always looks at the queue, so the first step comes right after the first
// patient, whatever the speed of the search.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <chrono>
#include <functional>
#include <utility>

#include "search/win32/search_window_ids.h"

namespace scandrel::search::win32::testing {

// A window class of this test program for message-only windows handled by `proc`.
inline ATOM registerMessageWindowClass(const wchar_t* name, WNDPROC proc) {
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = proc;
    c.hInstance = GetModuleHandleW(nullptr);
    c.lpszClassName = name;
    return RegisterClassExW(&c);
}

// A message-only window of that class whose user data points at `owner`.
inline HWND createMessageWindow(ATOM windowClass, void* owner) {
    const HWND window = CreateWindowExW(0, MAKEINTATOM(windowClass), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    return window;
}

class RunProbe {
public:
    RunProbe(HWND form, std::function<void()> step) : step_(std::move(step)) {
        static const ATOM windowClass = registerMessageWindowClass(L"ScandrelTestRunProbe", probeProc);
        probe_ = createMessageWindow(windowClass, this);
        watched_ = {GetDlgItem(form, kLblResults), GetDlgItem(form, kLstResults), GetDlgItem(form, kProgressBar1)};
        for (const HWND control : watched_) {
            SetWindowSubclass(control, watchProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
        }
    }
    ~RunProbe() {
        for (const HWND control : watched_) {
            if (IsWindow(control)) RemoveWindowSubclass(control, watchProc, kSubclassId);
        }
        DestroyWindow(probe_);
    }
    RunProbe(const RunProbe&) = delete;
    RunProbe& operator=(const RunProbe&) = delete;

    // Holds the run up for at least `time`, as a slow patient would: longer than the
    // window holds back its status line and bar, they are written by the next patient.
    static void holdUp(std::chrono::milliseconds time = std::chrono::milliseconds(300)) {
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end) Sleep(10);
    }

private:
    static constexpr UINT kStep = WM_APP + 17;
    static constexpr UINT_PTR kSubclassId = 0x5CA17;

    static LRESULT CALLBACK watchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR ref) {
        auto* self = reinterpret_cast<RunProbe*>(ref);
        if ((message == WM_SETTEXT || message == LB_ADDSTRING || message == PBM_SETPOS) && !self->pending_) {
            self->pending_ = true;
            PostMessageW(self->probe_, kStep, 0, 0);
        }
        return DefSubclassProc(window, message, wParam, lParam);
    }

    static LRESULT CALLBACK probeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<RunProbe*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message != kStep || !self) return DefWindowProcW(window, message, wParam, lParam);
        self->pending_ = false;
        if (self->step_) self->step_();
        return 0;
    }

    std::function<void()> step_;
    HWND probe_ = nullptr;
    std::array<HWND, 3> watched_{};
    bool pending_ = false;
};

}  // namespace scandrel::search::win32::testing
