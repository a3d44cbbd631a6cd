#include "search/win32/message_box.h"

#include "search/win32/loaded_windows.h"
#include "win32/message_box.h"

namespace scandrel::search::win32 {

HWND messageBoxOwner() {
    const HWND active = GetActiveWindow();
    HWND owner = nullptr;
    for (const HWND window : loadedWindows()) {
        if (!IsWindowVisible(window)) continue;
        if (window == active) return window;
        owner = window;  // the most recently loaded visible one
    }
    return owner;
}

int showMessageBox(const std::u16string& text, int32_t style, const std::u16string& title) {
    return scandrel::win32::showMessageBox(messageBoxOwner(), text, style, title);
}

}  // namespace scandrel::search::win32
