#include "search/win32/message_box.h"

#include "controls/cxCommand/win32/module_use.h"
#include "search/win32/loaded_windows.h"

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
    // The box runs its own message loop; the host may meanwhile release everything of ours.
    const controls::win32::ModuleInUse inUse;
    const auto* caption = title.empty() ? kProgramTitle : reinterpret_cast<const wchar_t*>(title.c_str());
    return MessageBoxW(messageBoxOwner(), reinterpret_cast<const wchar_t*>(text.c_str()), caption,
                       static_cast<UINT>(style));
}

}  // namespace scandrel::search::win32
