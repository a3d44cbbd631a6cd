#include "controls/cxCommand/win32/dib_canvas.h"

namespace scandrel::controls::win32 {

BITMAPINFO topDownBitmapInfo(SIZE size) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

DibCanvas::DibCanvas(SIZE size) : size_(size), dc_(CreateCompatibleDC(nullptr)) {
    if (!dc_ || size.cx <= 0 || size.cy <= 0) return;
    const BITMAPINFO info = topDownBitmapInfo(size);
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap_) return;
    bits_ = static_cast<uint32_t*>(bits);
    previous_ = SelectObject(dc_, bitmap_);
}

DibCanvas::~DibCanvas() {
    if (previous_) SelectObject(dc_, previous_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
}

void DibCanvas::set(int x, int y, uint32_t rgb) {
    if (!bits_ || x < 0 || y < 0 || x >= size_.cx || y >= size_.cy) return;
    bits_[y * size_.cx + x] = rgb;
}

uint32_t DibCanvas::at(int x, int y) const {
    if (!bits_ || x < 0 || y < 0 || x >= size_.cx || y >= size_.cy) return 0;
    GdiFlush();
    return bits_[y * size_.cx + x] & 0xFFFFFF;
}

}  // namespace scandrel::controls::win32
