#pragma once
// The search window's labels (the line above the box and the status line), made
// transparent: each paints the window's background under itself, then its text, so
// that a shorter text leaves no trace of a longer one. A label's text is its name for
// assistive tools, which are told when it changes. On the window's thread.
#include <windows.h>

namespace scandrel::search::win32 {

class FormBackground;

// `background` is the background of `form`, the label's parent; both outlive the label.
void makeTransparentLabel(HWND label, HWND form, const FormBackground& background);

}  // namespace scandrel::search::win32
