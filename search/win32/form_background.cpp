#include "search/win32/form_background.h"

namespace scandrel::search::win32 {

namespace {
constexpr COLORREF kPanel = RGB(223, 232, 241);
}

struct FormBackground::Picture {};

FormBackground::FormBackground(HINSTANCE) {}

FormBackground::~FormBackground() = default;

void FormBackground::paint(HDC dc, POINT) const {
    RECT area;
    if (GetClipBox(dc, &area) == ERROR) return;
    SetBkColor(dc, kPanel);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
}

}  // namespace scandrel::search::win32
