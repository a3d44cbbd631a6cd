#include "search/win32/form_background.h"

#include <optional>

#include "search/win32/background_picture.h"
#include "search/win32/search_window_resources.h"
#include "win32/handles.h"

namespace scandrel::search::win32 {

namespace {

constexpr COLORREF kPanel = RGB(223, 232, 241);

}  // namespace

// The picture is decoded and drawn once, into a bitmap of the screen's kind; every
// paint after that is a copy of the part asked for.
struct FormBackground::Picture {
    explicit Picture(const BackgroundPicture& picture) : Picture(picture, scandrel::win32::WindowDc(nullptr)) {}
    Picture(const BackgroundPicture& picture, const scandrel::win32::WindowDc& screen)
        : size(picture.size()),
          dc(screen.get()),
          bitmap(CreateCompatibleBitmap(screen.get(), size.cx, size.cy)) {
        if (!dc.get() || !bitmap.get()) return;
        selected.emplace(dc.get(), bitmap.get());
        picture.draw(dc.get(), 0, 0);
    }

    // Whether the picture is there to copy; without it the panel colour stands in.
    bool ready() const { return selected && selected->selected(); }

    SIZE size;
    scandrel::win32::MemoryDc dc;  // of the screen's kind
    scandrel::win32::BitmapHandle bitmap;
    std::optional<scandrel::win32::Selection> selected;
};

FormBackground::FormBackground(HINSTANCE module)
    : picture_(std::make_unique<Picture>(BackgroundPicture::fromResource(module, SCANDREL_FORM1_BACKGROUND))) {}

FormBackground::~FormBackground() = default;

void FormBackground::paint(HDC dc, POINT origin) const {
    RECT area;
    if (GetClipBox(dc, &area) == ERROR) return;
    const SIZE size = picture_->size;
    // Whatever the picture does not cover (nothing, at the design's size) is panel.
    if (!picture_->ready() || area.right > size.cx - origin.x || area.bottom > size.cy - origin.y) {
        SetBkColor(dc, kPanel);
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    }
    if (!picture_->ready()) return;
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, picture_->dc.get(),
           area.left + origin.x, area.top + origin.y, SRCCOPY);
}

}  // namespace scandrel::search::win32
