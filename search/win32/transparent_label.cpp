#include "search/win32/transparent_label.h"

#include <string>

#include "search/win32/form_background.h"
#include "win32/subclass.h"

namespace scandrel::search::win32 {
namespace {

void paintLabel(HWND label, HWND form, const FormBackground& background) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(label, &paint);
    POINT origin{0, 0};
    MapWindowPoints(label, form, &origin, 1);
    background.paint(dc, origin);
    RECT client;
    GetClientRect(label, &client);
    const int length = GetWindowTextLengthW(label);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(label, text.data(), length + 1);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
    const HGDIOBJ previous = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(dc, text.c_str(), copied, &client, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
    SelectObject(dc, previous);
    EndPaint(label, &paint);
}

}  // namespace

void makeTransparentLabel(HWND label, HWND form, const FormBackground& background) {
    scandrel::win32::subclassWindow(
        label, [form, &background](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            switch (message) {
                case WM_ERASEBKGND:
                    return 1;
                case WM_PAINT:
                    paintLabel(window, form, background);
                    return 0;
                case WM_SETTEXT: {
                    const LRESULT result = scandrel::win32::passOn(window, message, wParam, lParam);
                    InvalidateRect(window, nullptr, FALSE);
                    // A label's text is its name: screen readers read the status line anew.
                    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window, OBJID_CLIENT, CHILDID_SELF);
                    return result;
                }
                default:
                    return scandrel::win32::passOn(window, message, wParam, lParam);
            }
        });
}

}  // namespace scandrel::search::win32
