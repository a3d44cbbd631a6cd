#pragma once
// Message boxes of the plug-in, on the host's user-interface thread. A box shown
// while one of our search windows is visible is owned by that window, so that it
// comes above the topmost window instead of hiding beneath it.
#include <windows.h>

#include <cstdint>
#include <string>

namespace scandrel::search::win32 {

// `style` is the platform's style number (0, 16, 48); an empty title means the
// program's title. Returns the button pressed.
int showMessageBox(const std::u16string& text, int32_t style, const std::u16string& title = {});

// The visible search window that boxes are owned by (the active one if several), or null.
HWND messageBoxOwner();

}  // namespace scandrel::search::win32
