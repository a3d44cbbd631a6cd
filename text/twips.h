#pragma once
// Twips, the unit forms and controls are laid out in (1/1440 inch; 15 twips are one
// pixel at 96 dots per inch): sizes, points, rectangles and lines, and their rounding
// to whole twips and to pixels. Plain values and pure functions, for any thread.
#include <cstdint>

namespace scandrel {

struct TwipSize {
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const TwipSize&) const = default;
};

struct TwipPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const TwipPoint&) const = default;
};

struct TwipRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const TwipRect&) const = default;
};

// A straight line; the end point itself is not drawn.
struct TwipLine {
    TwipPoint from;
    TwipPoint to;
    bool operator==(const TwipLine&) const = default;
};

// The whole number of twips nearest to `twips`, halves going to the even neighbour.
// Throws scandrel::Error 6 (overflow) when the result does not fit a signed 16-bit integer.
int32_t whole(double twips);

// Twips to the nearest pixel at `dotsPerInch` (halves away from zero), and back.
int32_t twipsToPixels(double twips, int32_t dotsPerInch);
int32_t pixelsToTwips(int32_t pixels, int32_t dotsPerInch);

}  // namespace scandrel
