#include "search/win32/loaded_windows.h"

#include <algorithm>

#include "search/win32/search_window_ids.h"

namespace scandrel::search::win32 {
namespace {

// Everything here lives on the host's user-interface thread.
std::vector<HWND> windows;
HHOOK hook = nullptr;

bool isSearchWindow(HWND window) {
    wchar_t name[32] = {};
    return window && GetClassNameW(window, name, 32) > 0 && wcscmp(name, kSearchWindowClass) == 0;
}

LRESULT CALLBACK onMessage(int code, WPARAM removal, LPARAM data) {
    if (code == HC_ACTION && removal == PM_REMOVE) {
        auto* msg = reinterpret_cast<MSG*>(data);
        if (msg->message == WM_KEYDOWN && msg->wParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0 &&
            GetKeyState(VK_MENU) >= 0) {
            const HWND root = GetAncestor(msg->hwnd, GA_ROOT);
            if (isSearchWindow(root) && std::find(windows.begin(), windows.end(), root) != windows.end()) {
                const bool backward = GetKeyState(VK_SHIFT) < 0;
                SendMessageW(root, kMoveFocusMessage, backward ? 1 : 0, 0);
                msg->message = WM_NULL;  // the key is spent
            }
        }
    }
    return CallNextHookEx(hook, code, removal, data);
}

}  // namespace

void addLoadedWindow(HWND window) {
    if (std::find(windows.begin(), windows.end(), window) != windows.end()) return;
    windows.push_back(window);
    if (!hook) hook = SetWindowsHookExW(WH_GETMESSAGE, onMessage, nullptr, GetCurrentThreadId());
}

void removeLoadedWindow(HWND window) {
    windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
    if (windows.empty() && hook) {
        UnhookWindowsHookEx(hook);
        hook = nullptr;
    }
}

const std::vector<HWND>& loadedWindows() { return windows; }

}  // namespace scandrel::search::win32
