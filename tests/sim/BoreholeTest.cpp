// The synthetic borehole: fractures are planes whose traces on the wall are sinusoids deepest on
// the side they dip towards; the gamma and temperature logs follow depth.
#include "sim/Borehole.h"
#include "sim/ColourSpace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace zarn::sim {
namespace {

BoreholeSettings oneFracture(const FracturePlane& f) {
    BoreholeSettings b;
    b.fractures = {f};
    return b;
}

TEST(Borehole, FractureTraceIsDeepestTowardsItsDipDirection) {
    struct Case {
        double inclination, azimuth;
        FracturePlane plane;
        double deepestBeta; // wall angle from the high side
        double amplitude;   // m
    };
    const double r = 0.048; // 96 mm hole
    const Case cases[] = {
        // Vertical hole: the high side is taken towards the azimuth.
        {0, 0, {20, 45, 90, 3}, 90, r * std::tan(0.25 * std::numbers::pi)},
        {0, 30, {20, 30, 300, 3}, 270, r * std::tan(std::numbers::pi / 6)},
        {0, 0, {20, 0, 0, 3}, -1, 0}, // horizontal: a flat ring
        // A plane dipping the way the hole heads: deepest at the high side, and steeper to the
        // hole by the inclination.
        {20, 200, {20, 40, 200, 3}, 0, r * std::tan(std::numbers::pi / 3)},
    };
    for (const Case& c : cases) {
        const Borehole hole(oneFracture(c.plane), c.inclination, c.azimuth);
        double deepest = -1e9, deepestBeta = 0, shallowest = 1e9;
        for (int b = 0; b < 360; ++b) {
            const double d = hole.traceDepth(c.plane, b);
            if (d > deepest) {
                deepest = d;
                deepestBeta = b;
            }
            shallowest = std::min(shallowest, d);
        }
        SCOPED_TRACE(::testing::Message()
                     << "dip " << c.plane.dip << " towards " << c.plane.dipDirection);
        EXPECT_NEAR((deepest - shallowest) / 2, c.amplitude, 1e-6);
        EXPECT_NEAR((deepest + shallowest) / 2, c.plane.depth, 1e-6);
        if (c.deepestBeta >= 0) {
            EXPECT_LT(std::abs(std::remainder(deepestBeta - c.deepestBeta, 360.0)), 1.01);
        }
    }
}

TEST(Borehole, WallIsDarkAlongTheTraceAndNotBesideIt) {
    const FracturePlane plane{15.0, 50.0, 120.0, 4.0};
    const Borehole hole(oneFracture(plane), 3, 40);
    BoreholeSettings none;
    none.fractures.clear();
    const Borehole clean(none, 3, 40);
    double onTrace = 0, besideTrace = 0, cleanWall = 0;
    for (int b = 0; b < 360; b += 3) {
        const double d = hole.traceDepth(plane, b);
        onTrace += lumaOf(hole.wallPixel(d, b));
        cleanWall += lumaOf(clean.wallPixel(d, b));
        besideTrace += lumaOf(hole.wallPixel(d + 0.02, b));
    }
    EXPECT_LT(onTrace, 0.45 * cleanWall);
    EXPECT_GT(besideTrace, 0.8 * cleanWall);
}

TEST(Borehole, GammaAndTemperatureFollowDepthWithinTheirRanges) {
    BoreholeSettings s;
    s.gammaBase = 40;
    s.gammaRange = 100;
    s.surfaceTemperature = 12;
    s.temperatureGradient = 3;
    const Borehole hole(s, 0, 0);
    double low = 1e9, high = -1e9;
    for (double d = 0; d < 100; d += 0.05) {
        const double g = hole.gammaRate(d);
        low = std::min(low, g);
        high = std::max(high, g);
    }
    EXPECT_GE(low, 40);
    EXPECT_LE(high, 140);
    EXPECT_GT(high - low, 40); // beds of different clay content
    EXPECT_EQ(hole.gammaRate(33.3), Borehole(s, 0, 0).gammaRate(33.3));
    EXPECT_DOUBLE_EQ(hole.temperature(200), 18.0);
}

} // namespace
} // namespace zarn::sim
