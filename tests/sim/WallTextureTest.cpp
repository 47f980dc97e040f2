// The synthetic wall: repeatable for a seed, seamless around the hole, textured.
#include "sim/WallTexture.h"
#include "sim/ColourSpace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace zarn::sim {
namespace {

TEST(WallTexture, SameSeedSamePictureAndRenderMatchesPixel) {
    const int width = 360;
    std::vector<std::uint32_t> a(width * 4), b(width * 4), other(width * 4);
    WallTexture(5).render(a, width, 77, 4);
    WallTexture(5).render(b, width, 77, 4);
    WallTexture(6).render(other, width, 77, 4);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, other);
    EXPECT_EQ(a[2 * width + 10], WallTexture(5).pixel(10, width, 79));
}

// Stepping from the last column to the first is no larger a jump than a step inside the picture.
TEST(WallTexture, SeamlessAroundTheHoleAndNotFlat) {
    for (int width : {360, 540, 1440}) {
        const WallTexture wall(9);
        double inside = 0, seam = 0, spread = 0;
        const int rows = 200;
        for (int row = 0; row < rows; ++row) {
            seam += std::abs(lumaOf(wall.pixel(width - 1, width, row)) -
                             lumaOf(wall.pixel(0, width, row)));
            inside += std::abs(lumaOf(wall.pixel(width / 2, width, row)) -
                               lumaOf(wall.pixel(width / 2 + 1, width, row)));
            spread += std::abs(lumaOf(wall.pixel(width / 3, width, row)) - 128.0);
        }
        EXPECT_LT(seam, 2.0 * inside + rows) << width;
        EXPECT_GT(inside / rows, 0.5) << width; // grain
        EXPECT_GT(spread / rows, 5.0) << width; // not a flat grey
    }
}

} // namespace
} // namespace zarn::sim
