#pragma once
// A memory device context drawing into 32-bit pixels 0xRRGGBB that the program reads
// and writes directly, rows top to bottom.
#include <windows.h>

#include <cstdint>
#include <optional>

#include "win32/handles.h"

namespace scandrel::controls::win32 {

// The header of a 32-bit top-down device-independent bitmap.
BITMAPINFO topDownBitmapInfo(SIZE size);

class DibCanvas {
public:
    explicit DibCanvas(SIZE size);
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    bool ready() const noexcept { return dc_.get() && bits_; }
    HDC dc() const noexcept { return dc_.get(); }
    SIZE size() const noexcept { return size_; }

    // Points outside are ignored (and read as 0); reading finishes pending drawing first.
    void set(int x, int y, uint32_t rgb);
    uint32_t at(int x, int y) const;

private:
    SIZE size_;
    scandrel::win32::MemoryDc dc_;
    scandrel::win32::BitmapHandle bitmap_;
    std::optional<scandrel::win32::Selection> selected_;  // the bitmap in the context
    uint32_t* bits_ = nullptr;
};

}  // namespace scandrel::controls::win32
