#include "host/message_boxes.h"

namespace scandrel::host {
namespace {

// The static control that holds a message box's text.
constexpr int kMessageTextId = 0xFFFF;

BOOL CALLBACK collectBox(HWND window, LPARAM found) {
    wchar_t type[16] = {};
    GetClassNameW(window, type, 16);
    if (std::wstring_view(type) == L"#32770" && IsWindowVisible(window)) {
        auto& boxes = *reinterpret_cast<std::vector<MessageBoxSeen>*>(found);
        boxes.push_back({window, windowText(window), windowText(GetDlgItem(window, kMessageTextId))});
    }
    return TRUE;
}

}  // namespace

std::u16string windowText(HWND window) {
    if (!window) return {};
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return std::u16string(text.begin(), text.end());
}

std::vector<MessageBoxSeen> openMessageBoxes() {
    std::vector<MessageBoxSeen> boxes;
    EnumThreadWindows(GetCurrentThreadId(), collectBox, reinterpret_cast<LPARAM>(&boxes));
    return boxes;
}

void dismissMessageBox(HWND box) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

}  // namespace scandrel::host
