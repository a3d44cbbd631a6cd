#include "host/screenshot.h"

#include <stdexcept>

#include "win32/handles.h"

namespace scandrel::host {

RgbImage captureClientArea(HWND window) {
    RECT client{};
    if (!IsWindow(window) || !GetClientRect(window, &client)) throw std::runtime_error("janela inexistente");
    const int width = client.right - client.left, height = client.bottom - client.top;
    if (width <= 0 || height <= 0) throw std::runtime_error("área cliente vazia");
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();

    const win32::WindowDc source(window);
    if (!source.get()) throw std::runtime_error("GetDC falhou");
    const win32::MemoryDc memory(source.get());
    if (!memory.get()) throw std::runtime_error("CreateCompatibleDC falhou");
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;  // top-down rows
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const win32::BitmapHandle bitmap(CreateDIBSection(source.get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap.get()) throw std::runtime_error("CreateDIBSection falhou");
    {
        const win32::Selection selected(memory.get(), bitmap.get());
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
