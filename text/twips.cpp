#include "text/twips.h"

#include <cmath>

#include "text/error.h"

namespace scandrel {

int32_t whole(double twips) {
    if (!std::isfinite(twips)) throw overflow();
    double nearest = std::floor(twips);
    const double fraction = twips - nearest;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(nearest, 2.0) != 0.0)) nearest += 1.0;
    if (nearest < -32768.0 || nearest > 32767.0) throw overflow();
    return static_cast<int32_t>(nearest);
}

int32_t twipsToPixels(double twips, int32_t dotsPerInch) {
    return static_cast<int32_t>(std::lround(twips * dotsPerInch / 1440.0));
}

int32_t pixelsToTwips(int32_t pixels, int32_t dotsPerInch) {
    return static_cast<int32_t>(std::lround(pixels * 1440.0 / dotsPerInch));
}

}  // namespace scandrel
