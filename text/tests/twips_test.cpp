// Rounding to whole twips.
#include "text/twips.h"

#include <gtest/gtest.h>

#include <utility>

#include "text/error.h"

namespace scandrel {
namespace {

TEST(Whole, RoundsHalvesToEvenAndOverflowsOutsideSixteenBits) {
    for (const auto& [x, rounded] : {std::pair{67.5, 68}, {7.5, 8}, {6.5, 6}, {-0.5, 0}, {-1.5, -2}, {2.4, 2},
                                    {32767.0, 32767}, {-32768.5, -32768}}) {
        EXPECT_EQ(whole(x), rounded) << x;
    }
    for (const double outside : {32767.5, -32769.0, 1e12}) {
        try {
            whole(outside);
            FAIL() << outside << " fitted";
        } catch (const Error& error) {
            EXPECT_EQ(error.number(), 6);
        }
    }
}

}  // namespace
}  // namespace scandrel
