#pragma once
// Work run from inside whatever message loop dispatches it, as a host's idle work or
// a screen reader's request would run: a message-only window runs the work when its
// posted message arrives, and a tick handler on every timer message it gets.
#include <windows.h>

#include <functional>

namespace scandrel::testing {

class PostedWork {
public:
    PostedWork();
    ~PostedWork();
    PostedWork(const PostedWork&) = delete;
    PostedWork& operator=(const PostedWork&) = delete;

    // Posts the message; `work` runs when a loop dispatches it.
    void post(std::function<void()> work);
    // The work has run.
    bool done() const { return done_; }

    // Runs `tick` on every timer message of the window (SetTimer on handle()).
    void onTimer(std::function<void()> tick) { tick_ = std::move(tick); }
    HWND handle() const { return window_; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    std::function<void()> work_;
    std::function<void()> tick_;
    bool done_ = false;
};

}  // namespace scandrel::testing
