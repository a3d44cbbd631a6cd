#pragma once
// The message boxes open on this thread, read and dismissed as a user would.
#include <windows.h>

#include <string>
#include <vector>

namespace scandrel::host {

struct MessageBoxSeen {
    HWND window = nullptr;
    std::u16string title;
    std::u16string text;
};

// Visible message boxes of the calling thread.
std::vector<MessageBoxSeen> openMessageBoxes();

// Presses the box's OK button.
void dismissMessageBox(HWND box);

// The text of a window or control.
std::u16string windowText(HWND window);

}  // namespace scandrel::host
