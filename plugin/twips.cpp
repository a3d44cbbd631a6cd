#include "plugin/twips.h"

#include <windows.h>

#include <cmath>

namespace scandrel::plugin {

int32_t twipsToPixels(double twips, int dotsPerInch) noexcept {
    return static_cast<int32_t>(std::lround(twips * dotsPerInch / 1440.0));
}

ScreenDpi screenDpi() noexcept {
    ScreenDpi dpi;
    if (const HDC screen = GetDC(nullptr)) {
        dpi.x = GetDeviceCaps(screen, LOGPIXELSX);
        dpi.y = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    return dpi;
}

}  // namespace scandrel::plugin
