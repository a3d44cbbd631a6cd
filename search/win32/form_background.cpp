#include "search/win32/form_background.h"

#include "search/win32/background_picture.h"
#include "search/win32/search_window_resources.h"

namespace scandrel::search::win32 {

namespace {
constexpr COLORREF kPanel = RGB(223, 232, 241);
}

// The picture is decoded and drawn once, into a bitmap of the screen's kind; every
// paint after that is a copy of the part asked for.
struct FormBackground::Picture {
    explicit Picture(const BackgroundPicture& picture) : size(picture.size()) {
        const HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
        ReleaseDC(nullptr, screen);
        if (!dc || !bitmap) return;
        previous = SelectObject(dc, bitmap);
        picture.draw(dc, 0, 0);
    }
    ~Picture() {
        if (previous) SelectObject(dc, previous);
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
    }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    SIZE size;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
};

FormBackground::FormBackground(HINSTANCE module)
    : picture_(std::make_unique<Picture>(BackgroundPicture::fromResource(module, SCANDREL_FORM1_BACKGROUND))) {}

FormBackground::~FormBackground() = default;

void FormBackground::paint(HDC dc, POINT origin) const {
    RECT area;
    if (GetClipBox(dc, &area) == ERROR) return;
    const SIZE size = picture_->size;
    // Whatever the picture does not cover (nothing, at the design's size) is panel.
    if (!picture_->previous || area.right > size.cx - origin.x || area.bottom > size.cy - origin.y) {
        SetBkColor(dc, kPanel);
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    }
    if (!picture_->previous) return;
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, picture_->dc,
           area.left + origin.x, area.top + origin.y, SRCCOPY);
}

}  // namespace scandrel::search::win32
