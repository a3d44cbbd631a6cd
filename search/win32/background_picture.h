#pragma once
// The search window's background: a JPEG decoded by the platform's picture loader
// (an OLE picture) and drawn unscaled.
#include <windows.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <string_view>

namespace scandrel::search::win32 {

class BackgroundPicture {
public:
    // The picture held as RCDATA resource `id` of `module`. Throws scandrel::Error 326
    // when there is no such resource, 481 when it is not a picture.
    static BackgroundPicture fromResource(HMODULE module, int id);
    // The same from the file's bytes.
    static BackgroundPicture fromBytes(std::string_view bytes);

    // In pixels.
    SIZE size() const noexcept { return size_; }

    // Draws the picture pixel for pixel with its top-left corner at (x, y); clipping
    // is the caller's.
    void draw(HDC dc, int x, int y) const;

private:
    BackgroundPicture(Microsoft::WRL::ComPtr<IPicture> picture, SIZE size);

    Microsoft::WRL::ComPtr<IPicture> picture_;
    SIZE size_;
};

}  // namespace scandrel::search::win32
