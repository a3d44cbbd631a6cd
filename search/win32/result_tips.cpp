#include "search/win32/result_tips.h"

#include <commctrl.h>
#include <windowsx.h>

#include <utility>

namespace scandrel::search::win32 {
namespace {

// The two tools: the row under the mouse, and the row with the keyboard focus.
constexpr UINT_PTR kHoverTip = 1;
constexpr UINT_PTR kFocusTip = 2;
// Wide enough for a line of reasons; longer lines wrap.
constexpr int kTipWidth = 640;
// Long enough to read a few lines.
constexpr int kShownMilliseconds = 30000;

TTTOOLINFOW toolInfo(HWND list, UINT_PTR id, UINT flags) {
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = flags;
    tool.hwnd = list;
    tool.uId = id;
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    return tool;
}

RECT rowRect(HWND list, int row) {
    RECT rect{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
    return rect;
}

// Not owned by the search window: an owned popup above it would take the window out
// of the topmost windows when it is made topmost again (Wine places an owner just
// below its owned popups). The control makes itself topmost whenever it shows.
HWND createTooltip(HINSTANCE module) {
    return CreateWindowExW(WS_EX_TOOLWINDOW, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, module,
                           nullptr);
}


}  // namespace

std::u16string joinLines(const std::vector<std::u16string>& lines) {
    std::u16string text;
    for (const std::u16string& line : lines) {
        if (!text.empty()) text += u"\r\n";
        text += line;
    }
    return text;
}

ResultTips::ResultTips(HINSTANCE module, HWND list, RowText text)
    : list_(list), window_(createTooltip(module)), tooltip_(window_.get()), text_(std::move(text)) {
    if (!tooltip_) return;  // rows without tooltips; nothing else changes
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, kTipWidth);
    SendMessageW(tooltip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(kShownMilliseconds, 0));
    TTTOOLINFOW hover = toolInfo(list_, kHoverTip, 0);
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&hover));
    TTTOOLINFOW focus = toolInfo(list_, kFocusTip, TTF_TRACK | TTF_ABSOLUTE);
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&focus));
}

void ResultTips::beforeListMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!tooltip_) return;
    if (message == WM_KILLFOCUS) {
        hideFocusTip();
        return;
    }
    if (message < WM_MOUSEFIRST || message > WM_MOUSELAST) return;
    // The mouse takes over from the keyboard.
    hideFocusTip();
    if (message == WM_MOUSEMOVE) hover(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    relay(message, wParam, lParam);
}

void ResultTips::afterListMessage(UINT message) {
    if (!tooltip_) return;
    // Focus that came with a click is the mouse's: its tip is the hover tip.
    const bool clicked = (GetKeyState(VK_LBUTTON) & 0x8000) != 0 || (GetKeyState(VK_RBUTTON) & 0x8000) != 0;
    if ((message == WM_SETFOCUS && !clicked) || message == WM_KEYDOWN) showForFocusedRow();
}

void ResultTips::relay(UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{list_, message, wParam, lParam, 0, {}};
    SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

bool ResultTips::onNotify(LPARAM lParam) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (!tooltip_ || header->hwndFrom != tooltip_ || header->code != TTN_GETDISPINFOW) return false;
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
    const int row = header->idFrom == kFocusTip ? focusRow_ : hoverRow_;
    const std::u16string text = row >= 0 ? text_(row) : std::u16string();
    shown_.assign(text.begin(), text.end());
    info->lpszText = shown_.data();
    info->szText[0] = L'\0';
    info->hinst = nullptr;
    return true;
}

// The hover tool covers the row under the mouse. Moving to another row hides the
// tip; the tooltip is shown the mouse leaving the tool and entering it again, so the
// tip shows for the new row after the usual pause.
void ResultTips::hover(POINT at) {
    const auto item = static_cast<DWORD>(SendMessageW(list_, LB_ITEMFROMPOINT, 0, MAKELPARAM(at.x, at.y)));
    const int row = HIWORD(item) == 0 ? static_cast<int>(LOWORD(item)) : -1;
    if (row == hoverRow_) return;
    hoverRow_ = row;
    SendMessageW(tooltip_, TTM_POP, 0, 0);
    TTTOOLINFOW tool = toolInfo(list_, kHoverTip, 0);
    SendMessageW(tooltip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    relay(WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    if (row < 0) return;
    tool.rect = rowRect(list_, row);
    SendMessageW(tooltip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
}

// Under the row with the keyboard focus, from its left edge.
void ResultTips::showForFocusedRow() {
    const int row = GetFocus() == list_ ? static_cast<int>(SendMessageW(list_, LB_GETCARETINDEX, 0, 0)) : -1;
    const int count = static_cast<int>(SendMessageW(list_, LB_GETCOUNT, 0, 0));
    if (row < 0 || row >= count || text_(row).empty()) {
        hideFocusTip();
        return;
    }
    TTTOOLINFOW tool = toolInfo(list_, kFocusTip, TTF_TRACK | TTF_ABSOLUTE);
    SendMessageW(tooltip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
    focusRow_ = row;
    const RECT rect = rowRect(list_, row);
    POINT below{rect.left + 8, rect.bottom + 2};
    ClientToScreen(list_, &below);
    SendMessageW(tooltip_, TTM_TRACKPOSITION, 0, MAKELPARAM(below.x, below.y));
    SendMessageW(tooltip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
}

void ResultTips::hideFocusTip() {
    if (focusRow_ < 0) return;
    focusRow_ = -1;
    TTTOOLINFOW tool = toolInfo(list_, kFocusTip, TTF_TRACK | TTF_ABSOLUTE);
    SendMessageW(tooltip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace scandrel::search::win32
