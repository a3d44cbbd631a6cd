#pragma once
// The search windows of this library that exist now, in the order they were
// loaded. While there is one, a thread message hook gives them the keyboard
// navigation that the host's message loop, which knows nothing of them, doesn't.
#include <windows.h>

#include <vector>

namespace scandrel::search::win32 {

// Sent to a search window by the hook when Tab (wParam 0) or Shift+Tab (wParam 1)
// is pressed in it; the window moves the focus along its tab order.
inline constexpr UINT kMoveFocusMessage = WM_APP + 1;

void addLoadedWindow(HWND window);
void removeLoadedWindow(HWND window);
const std::vector<HWND>& loadedWindows();

}  // namespace scandrel::search::win32
