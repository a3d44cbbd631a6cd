#pragma once
// The tooltips of the search window's result rows: where each typed word was found
// in the row's patient, shown while the mouse rests on a row and, when the list has
// the keyboard focus, under the row that has it. The list's procedure passes its
// messages on; the text of a row comes from the search. On the window's thread.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "win32/handles.h"

namespace scandrel::search::win32 {

class ResultTips {
public:
    // The text of result row `row` (from 0); empty: the row shows no tooltip.
    using RowText = std::function<std::u16string(int row)>;

    // The tooltip control lives as long as this object.
    ResultTips(HINSTANCE module, HWND list, RowText text);
    ResultTips(const ResultTips&) = delete;
    ResultTips& operator=(const ResultTips&) = delete;

    // A message the list received, before the list handles it (mouse, focus, keys).
    void beforeListMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The same message after the list handled it (the selection has moved).
    void afterListMessage(UINT message);
    // WM_NOTIFY sent to the list; true when it was the tooltip asking for its text.
    bool onNotify(LPARAM lParam);

    HWND tooltip() const { return tooltip_; }

private:
    void hover(POINT at);
    void relay(UINT message, WPARAM wParam, LPARAM lParam);
    void showForFocusedRow();
    void hideFocusTip();

    HWND list_;
    scandrel::win32::WindowHandle window_;
    HWND tooltip_;
    RowText text_;
    int hoverRow_ = -1;
    int focusRow_ = -1;
    std::wstring shown_;  // the text handed to the tooltip, kept while it shows
};

// The lines of a row's text as one text, a line break between two.
std::u16string joinLines(const std::vector<std::u16string>& lines);

}  // namespace scandrel::search::win32
