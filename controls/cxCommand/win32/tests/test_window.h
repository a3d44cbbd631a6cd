#pragma once
// A top-level test window hosting buttons on the X display, with the input and
// screen reading the tests need: messages are posted as real input, pixels are read
// back from a window's own device context.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controls/cxCommand/win32/command_button_window.h"

namespace scandrel::controls::win32::testing {

// The client area of `window` as 0xRRGGBB pixels, rows top to bottom.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};
Screenshot screenshot(HWND window);

class TestWindow {
public:
    TestWindow();
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    // A button at `bounds` in the window; its clicks are counted in `clicks`.
    CommandButtonWindow& addButton(const RECT& bounds, const std::u16string& caption);

    HWND handle() const { return window_; }
    HWND edit() const { return edit_; }  // a text box before the buttons in the Tab order

    // Destroys the buttons, zeroes `clicks` and puts the focus back in the text box.
    void clear();

    // Runs the messages that arrive within `milliseconds`; Tab moves the focus.
    void pump(int milliseconds = 50);

    int clicks = 0;

private:
    HWND window_ = nullptr;
    HWND edit_ = nullptr;
    std::vector<std::unique_ptr<CommandButtonWindow>> buttons_;
};

// The pixel a face of w x h shows at (x, y), drawn from nine pieces numbered clockwise
// from the top-left corner with the centre last: 3-pixel corners at the corners, edges
// stretched between them, the centre inside.
template <class Pieces>
uint32_t ninePiecePixel(const Pieces& p, int x, int y, int w, int h) {
    const bool left = x < 3, right = x >= w - 3, top = y < 3, bottom = y >= h - 3;
    if (left && top) return p[0].at(x, y);
    if (right && top) return p[2].at(x - (w - 3), y);
    if (right && bottom) return p[4].at(x - (w - 3), y - (h - 3));
    if (left && bottom) return p[6].at(x, y - (h - 3));
    if (left) return p[7].at(x, 0);
    if (right) return p[3].at(x - (w - 3), 0);
    if (top) return p[1].at(0, y);
    if (bottom) return p[5].at(0, y - (h - 3));
    return p[8].at(0, 0);
}

}  // namespace scandrel::controls::win32::testing
