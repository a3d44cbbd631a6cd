#include "search/win32/window_count.h"

#include "search/win32/search_window.h"
#include "search/win32/search_window_ids.h"

namespace scandrel::search::win32 {
namespace {

int windowsAlive = 0;

}  // namespace

void WindowCount::update(bool alive) {
    if (alive == counted_) return;
    windowsAlive += alive ? 1 : -1;
    counted_ = alive;
    if (windowsAlive == 0) UnregisterClassW(kSearchWindowClass, module_);
}

int loadedWindowCount() { return windowsAlive; }

}  // namespace scandrel::search::win32
