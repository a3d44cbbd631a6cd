#include "search/window_layout.h"

#include <cmath>

namespace scandrel::search::layout {

int32_t fontPixels(int32_t hundredthsOfPoint, int32_t dotsPerInch) {
    return static_cast<int32_t>(std::lround(hundredthsOfPoint * dotsPerInch / 7200.0));
}

}  // namespace scandrel::search::layout
