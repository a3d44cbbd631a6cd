#pragma once
// Streams rich-text bytes into a rich-edit control (the whole document, or the
// selection with SFF_SELECTION).
#include <windows.h>

#include <string_view>

namespace scandrel::search::win32 {

void streamInRichText(HWND richEdit, std::string_view bytes, WPARAM extraFlags = 0);

}  // namespace scandrel::search::win32
