#pragma once
// How many search windows are alive: loaded, or still running a search after they
// were closed. The library stays loaded while one is (loadedWindowCount), and the
// window class goes with the last, so that the library can be unloaded and loaded
// again. On the host's user-interface thread.
#include <windows.h>

namespace scandrel::search::win32 {

// One window's place in the count.
class WindowCount {
public:
    explicit WindowCount(HINSTANCE module) : module_(module) {}
    WindowCount(const WindowCount&) = delete;
    WindowCount& operator=(const WindowCount&) = delete;

    // Counts the window in while `alive`, out when not; unchanged, nothing happens.
    void update(bool alive);

private:
    HINSTANCE module_;
    bool counted_ = false;
};

}  // namespace scandrel::search::win32
