#include "win32/message_box.h"

#include "win32/error_text.h"
#include "win32/module_use.h"

namespace scandrel::win32 {

int showMessageBox(HWND owner, const std::u16string& text, int32_t style, const std::u16string& title) {
    const ModuleInUse inUse;
    const auto* caption = title.empty() ? kProgramTitle : reinterpret_cast<const wchar_t*>(title.c_str());
    return MessageBoxW(owner, reinterpret_cast<const wchar_t*>(text.c_str()), caption, static_cast<UINT>(style));
}

void showFailure(HWND window) {
    const std::u16string text = currentFailureText();
    showMessageBox(GetAncestor(window, GA_ROOT), text, MB_OK);
}

}  // namespace scandrel::win32
