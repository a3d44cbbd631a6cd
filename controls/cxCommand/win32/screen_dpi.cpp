#include "controls/cxCommand/win32/screen_dpi.h"

#include <windows.h>

namespace scandrel::controls::win32 {

int screenDpi() {
    static const int dpi = [] {
        const HDC screen = GetDC(nullptr);
        const int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
        if (screen) ReleaseDC(nullptr, screen);
        return value > 0 ? value : 96;
    }();
    return dpi;
}

}  // namespace scandrel::controls::win32
