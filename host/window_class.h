#pragma once
// The host's own window classes, registered once per program.
#include <windows.h>

namespace scandrel::host {

// Registers `name` unless it is registered already: the arrow cursor and
// `background`, one of the system colours (COLOR_...).
inline void registerWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, int background) {
    WNDCLASSEXW type{};
    if (GetClassInfoExW(instance, name, &type)) return;
    type.cbSize = sizeof type;
    type.lpfnWndProc = procedure;
    type.hInstance = instance;
    type.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    type.hbrBackground = GetSysColorBrush(background);
    type.lpszClassName = name;
    RegisterClassExW(&type);
}

}  // namespace scandrel::host
