#include "host/screenshot.h"

#include <stdexcept>

namespace scandrel::host {
namespace {

class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {
        if (!dc_) throw std::runtime_error("GetDC falhou");
    }
    ~WindowDc() { ReleaseDC(window_, dc_); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

class MemoryDc {
public:
    explicit MemoryDc(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {
        if (!dc_) throw std::runtime_error("CreateCompatibleDC falhou");
    }
    ~MemoryDc() { DeleteDC(dc_); }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

class Bitmap {
public:
    explicit Bitmap(HBITMAP bitmap) : bitmap_(bitmap) {
        if (!bitmap_) throw std::runtime_error("CreateDIBSection falhou");
    }
    ~Bitmap() { DeleteObject(bitmap_); }
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    HBITMAP get() const { return bitmap_; }

private:
    HBITMAP bitmap_;
};

class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selection() { SelectObject(dc_, previous_); }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace

RgbImage captureClientArea(HWND window) {
    RECT client{};
    if (!IsWindow(window) || !GetClientRect(window, &client)) throw std::runtime_error("janela inexistente");
    const int width = client.right - client.left, height = client.bottom - client.top;
    if (width <= 0 || height <= 0) throw std::runtime_error("área cliente vazia");
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();

    const WindowDc source(window);
    const MemoryDc memory(source.get());
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;  // top-down rows
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const Bitmap bitmap(CreateDIBSection(source.get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    {
        const Selection selected(memory.get(), bitmap.get());
        if (!BitBlt(memory.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY))
            throw std::runtime_error("BitBlt falhou");
    }
    GdiFlush();

    RgbImage image;
    image.width = static_cast<uint32_t>(width);
    image.height = static_cast<uint32_t>(height);
    image.pixels.resize(image.width * image.height * 3);
    const auto* bgrx = static_cast<const uint8_t*>(bits);
    for (size_t i = 0, n = image.width * image.height; i < n; ++i) {
        image.pixels[i * 3] = bgrx[i * 4 + 2];
        image.pixels[i * 3 + 1] = bgrx[i * 4 + 1];
        image.pixels[i * 3 + 2] = bgrx[i * 4];
    }
    return image;
}

}  // namespace scandrel::host
