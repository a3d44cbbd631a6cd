#pragma once
// The search window's children as the design places them: made in the window's
// stored order (each lies below the ones before it, so the cancel button covers the
// find button), at the design's places and in its fonts for the screen's resolution.
// What they do is the window's to wire. On the window's thread.
#include <windows.h>

#include <memory>

#include "controls/cxCommand/win32/command_button_window.h"
#include "search/win32/system_library.h"
#include "search/win32/win32_search_view.h"
#include "win32/handles.h"

namespace scandrel::search::win32 {

struct FormChildren {
    SearchControls controls;  // with enableFind
    HWND label1 = nullptr;
    scandrel::win32::FontHandle verdana;
    scandrel::win32::FontHandle listFont;
    std::unique_ptr<controls::win32::CommandButtonWindow> cxCancel;
    std::unique_ptr<controls::win32::CommandButtonWindow> cxFind;
    std::unique_ptr<SystemLibrary> richEdit;  // the rich-edit control's library, while its box lives
};

// Fills `children` as it makes them, so that what was made before a failure is
// there to be destroyed with the window. Throws scandrel::Error when a child can't be
// made.
void createChildren(HWND form, HINSTANCE module, int dpi, FormChildren& children);

}  // namespace scandrel::search::win32
