#include "search/win32/search_accessibility.h"

#include <commctrl.h>

#include <utility>

#include "text/utf.h"

namespace scandrel::search::win32 {

using scandrel::win32::AccessibleParts;

AccessibleParts namedBy(HWND label) {
    AccessibleParts parts;
    parts.name = [label] { return scandrel::win32::windowText(label); };
    return parts;
}

AccessibleParts resultListParts(HWND statusLine, std::function<std::u16string(int row)> rowDescription) {
    AccessibleParts parts = namedBy(statusLine);
    parts.childDescription = [describe = std::move(rowDescription)](long child) {
        return describe(static_cast<int>(child - 1));
    };
    return parts;
}

AccessibleParts progressBarParts(HWND bar) {
    AccessibleParts parts;
    parts.role = ROLE_SYSTEM_PROGRESSBAR;
    parts.value = [bar] {
        const auto percent = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
        return fromUtf8(std::to_string(percent)) + u"%";
    };
    return parts;
}

std::vector<HWND> visibleElements(std::initializer_list<HWND> elements) {
    std::vector<HWND> visible;
    for (const HWND element : elements) {
        if (element && IsWindowVisible(element)) visible.push_back(element);
    }
    return visible;
}

}  // namespace scandrel::search::win32
