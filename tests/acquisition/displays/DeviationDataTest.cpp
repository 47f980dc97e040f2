#include "acquisition/displays/DeviationData.h"

#include <gtest/gtest.h>

namespace zarn {
namespace {

TEST(DeviationData, RawValuesAreWholeAndTheComputedOnesInTheirFormats) {
    OrientationResult o;
    o.HX = 1234.9;
    o.HY = -56.7;
    o.HZ = -99999; // no sonde data: shown as it is
    o.GX = 0.4;
    o.GY = -0.6;
    o.GZ = 9999;
    o.Roll = 359.996;
    o.MagneticRoll = 7.5;
    o.Azimuth = 123.46;
    o.Inclination = 2.345;
    o.TotalGravity = 1.00049;
    o.TotalMagnetic = 0.5;
    const DeviationData::Texts texts = DeviationData::textsOf(o);
    const DeviationData::Texts expected = {"1234",  "-56",    "-99999", "0",
                                           "0",     "9999",   "360.00", "  7.50",
                                           "123.5", "  2.35", " 1.000", " 0.500"};
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(texts[i], expected[i]) << DeviationData::Labels[i];
}

TEST(DeviationData, ClearShowsADashEverywhereAndTheColourFollowsTheMode) {
    for (const std::string& text : DeviationData::cleared())
        EXPECT_EQ(text, "-");
    EXPECT_EQ(DeviationData::backgroundOf(false), pixelOf(255, 255, 0));
    EXPECT_EQ(DeviationData::backgroundOf(true), pixelOf(160, 255, 255));
}

} // namespace
} // namespace zarn
