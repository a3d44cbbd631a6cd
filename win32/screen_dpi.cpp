#include "win32/screen_dpi.h"

#include "win32/handles.h"

namespace scandrel::win32 {

int screenDpi() {
    static const int dpi = [] {
        const WindowDc screen(nullptr);
        const int value = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
        return value > 0 ? value : 96;
    }();
    return dpi;
}

}  // namespace scandrel::win32
