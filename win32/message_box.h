#pragma once
// Message boxes of the plug-in's windows, on the host's user-interface thread. A box
// runs its own message loop, in which the host may release every object of ours and
// ask for unused libraries to be freed: the library stays loaded while a box is up.
#include <windows.h>

#include <cstdint>
#include <string>

namespace scandrel::win32 {

// The program's own title, carried by boxes without a title of their own.
inline constexpr wchar_t kProgramTitle[] = L"Scandrel";

// A box owned by `owner` (none when null); `style` is the platform's style number (0,
// 16, 48); an empty title means the program's title. Returns the button pressed.
int showMessageBox(HWND owner, const std::u16string& text, int32_t style, const std::u16string& title = {});

// The exception being handled, as currentFailureText gives it, in a plain box owned by
// the top-level window of `window`. For the catch-all of a window procedure: nothing
// may unwind through the platform's message dispatch. Call it only inside a catch block.
void showFailure(HWND window);

}  // namespace scandrel::win32
