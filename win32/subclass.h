#pragma once
// Windows of classes we don't own (an edit box, a list box, a label, a progress bar)
// whose messages pass through a handler of ours first, on the window's thread. The
// handler lives until the window's last message, also while a message it handles
// destroys the window. Nothing escapes it into the platform's message dispatch: an
// exception is shown as showFailure shows it and the message answered 0, as the
// button's window procedure does.
#include <windows.h>

#include <functional>

namespace scandrel::win32 {

// Answers a message, or hands it on with passOn. It never sees WM_NCDESTROY.
using SubclassHandler = std::function<LRESULT(HWND window, UINT message, WPARAM wParam, LPARAM lParam)>;

// Puts `handler` in front of the window's own procedure; once per window.
void subclassWindow(HWND window, SubclassHandler handler);

// The window's own procedure, for what the handler doesn't answer itself.
LRESULT passOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace scandrel::win32
