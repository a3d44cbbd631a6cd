#include "search/win32/rich_edit_buffer.h"

#include <windows.h>
#include <richedit.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "search/rtf/rtf_to_text.h"
#include "win32/handles.h"
#include "search/win32/rich_edit_stream.h"
#include "search/win32/system_library.h"

namespace scandrel::search::win32 {

namespace {

// The bytes the control reads: the program's texts go to it in the Western code
// page, as the host's own string conversion does; characters without a byte
// there become "?".
std::string toWesternBytes(std::u16string_view text) {
    std::string bytes;
    if (text.empty()) return bytes;
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(1252, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return bytes;
    bytes.resize(static_cast<size_t>(size));
    WideCharToMultiByte(1252, 0, wide, length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

}  // namespace

namespace {

HWND createHiddenRichEdit(HMODULE library) {
    if (!library) throw std::runtime_error("riched20.dll could not be loaded");
    const HWND window = CreateWindowExW(0, L"RichEdit20W", L"", WS_POPUP | ES_MULTILINE, 0, 0, 17, 17, nullptr,
                                        nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) throw std::runtime_error("the rich-edit window could not be created");
    // No length limit (the control's default is 32,767 characters) and no undo history.
    SendMessageW(window, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    SendMessageW(window, EM_SETUNDOLIMIT, 0, 0);
    return window;
}

}  // namespace

// The window is destroyed before the library that registered its class is freed.
struct RichEditBuffer::Control {
    SystemLibrary library{L"riched20.dll"};
    scandrel::win32::WindowHandle window{createHiddenRichEdit(library.get())};
};

RichEditBuffer::RichEditBuffer() : control_(std::make_unique<Control>()) {}

RichEditBuffer::~RichEditBuffer() = default;

void RichEditBuffer::clear() {
    SendMessageW(control_->window.get(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
}

void RichEditBuffer::append(std::u16string_view value) {
    const HWND window = control_->window.get();
    const auto end = static_cast<LONG>(GetWindowTextLengthW(window));
    CHARRANGE range{end, end};
    SendMessageW(window, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    if (rtf::isRichText(value)) {
        streamInRichText(window, toWesternBytes(value), SFF_SELECTION);
    } else {
        const std::wstring text(value.begin(), value.end());  // ends at a NUL, as the control reads it
        SendMessageW(window, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

std::u16string RichEditBuffer::plainText() const {
    const HWND window = control_->window.get();
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    return std::u16string(text.begin(), text.begin() + std::max(copied, 0));
}

}  // namespace scandrel::search::win32
