#pragma once
// What assistive tools are told about the search window's controls beyond what the
// platform's standard objects say: the search box and the result list named by the
// labels above them, each row described by where its words were found, the bar's
// percentage, and the window's children as the user sees them. On the window's thread.
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "win32/accessible_object.h"

namespace scandrel::search::win32 {

// A control named by the text of `label`, read when asked.
scandrel::win32::AccessibleParts namedBy(HWND label);

// The result list, named by the status line; `rowDescription` describes row `row`
// (from 0), as its tooltip shows it.
scandrel::win32::AccessibleParts resultListParts(HWND statusLine, std::function<std::u16string(int row)> rowDescription);

// The progress bar: how far the search has got, as a percentage ("40%").
scandrel::win32::AccessibleParts progressBarParts(HWND bar);

// The visible ones of `elements`, in this order (null ones left out).
std::vector<HWND> visibleElements(std::initializer_list<HWND> elements);

}  // namespace scandrel::search::win32
