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

DibCanvas::DibCanvas(SIZE size) : size_(size), dc_(nullptr) {  // a context of the screen's kind
    if (!dc_.get() || size.cx <= 0 || size.cy <= 0) return;
    const BITMAPINFO info = topDownBitmapInfo(size);
    void* bits = nullptr;
    bitmap_ = scandrel::win32::BitmapHandle(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap_.get()) return;
    bits_ = static_cast<uint32_t*>(bits);
    selected_.emplace(dc_.get(), bitmap_.get());
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
