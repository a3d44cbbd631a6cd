#include "search/win32/form_background.h"

#include <optional>

#include "search/win32/background_picture.h"
#include "search/win32/search_window_resources.h"

namespace scandrel::search::win32 {

namespace {
constexpr COLORREF kPanel = RGB(223, 232, 241);
}

struct FormBackground::Picture {
    BackgroundPicture picture;
};

FormBackground::FormBackground(HINSTANCE module)
    : picture_(std::make_unique<Picture>(Picture{BackgroundPicture::fromResource(module, SCANDREL_FORM1_BACKGROUND)})) {}

FormBackground::~FormBackground() = default;

void FormBackground::paint(HDC dc, POINT origin) const {
    RECT area;
    if (GetClipBox(dc, &area) == ERROR) return;
    const SIZE size = picture_->picture.size();
    // Whatever the picture does not cover (nothing, at the design's size) is panel.
    if (area.right > size.cx - origin.x || area.bottom > size.cy - origin.y) {
        SetBkColor(dc, kPanel);
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    }
    picture_->picture.draw(dc, -origin.x, -origin.y);
}

}  // namespace scandrel::search::win32
