#pragma once
// Twips (1/1440 inch), the host's unit for window positions, and screen pixels.
#include <cstdint>

namespace scandrel::plugin {

// Rounded to the nearest pixel (halves away from zero).
int32_t twipsToPixels(double twips, int dotsPerInch) noexcept;

struct ScreenDpi {
    int x = 96;
    int y = 96;
};
// The display's actual resolution.
ScreenDpi screenDpi() noexcept;

}  // namespace scandrel::plugin
