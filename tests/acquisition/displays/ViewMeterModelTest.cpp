#include "acquisition/displays/ViewMeterModel.h"

#include <gtest/gtest.h>

#include <limits>

namespace zarn {
namespace {

TEST(ViewMeterModel, ValuesFrom0To360TurnTheNeedleOthersAreIgnored) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double value;
        bool taken;
        int angle; // after the value, starting from the angle of the case before
    };
    ViewMeterModel model;
    EXPECT_EQ(model.needleAngle(), 270);
    const Case cases[] = {{0.0, true, 270},   {45.0, true, 315},    {89.9, true, 359},
                          {90.0, true, 360},  {90.5, true, 360},    {91.0, true, 1},
                          {180.0, true, 90},  {270.0, true, 180},   {359.9, true, 269},
                          {360.0, true, 270}, {361.0, false, 270},  {-0.1, false, 270},
                          {123.0, true, 33},  {nan, false, 33},     {inf, false, 33},
                          {-inf, false, 33},  {360.0001, false, 33}};
    for (const Case& c : cases) {
        EXPECT_EQ(model.setValue(c.value), c.taken) << c.value;
        EXPECT_EQ(model.needleAngle(), c.angle) << c.value;
    }
}

TEST(ViewMeterModel, TheNeedleEndsOnTheRimZeroUpGrowingClockwise) {
    struct Case {
        double value;
        int width;
        double x, y;
    };
    // Screen coordinates: y grows downwards, the centre is (r, r), r = width / 2.
    const Case cases[] = {
        {0.0, 100, 50.0, 0.0},     {360.0, 100, 50.0, 0.0}, {90.0, 100, 100.0, 50.0},
        {180.0, 100, 50.0, 100.0}, {270.0, 100, 0.0, 50.0}, {45.0, 100, 85.355, 14.645},
        {0.0, 41, 20.0, 0.0},      {90.0, 41, 40.0, 20.0},  {180.0, 0, 0.0, 0.0}};
    for (const Case& c : cases) {
        ViewMeterModel model;
        ASSERT_TRUE(model.setValue(c.value));
        const MeterPoint end = model.needleEnd(c.width);
        EXPECT_NEAR(end.x, c.x, 1e-3) << c.value << " at width " << c.width;
        EXPECT_NEAR(end.y, c.y, 1e-3) << c.value << " at width " << c.width;
    }
    EXPECT_EQ(ViewMeterModel::radiusOf(41), 20);
}

TEST(ViewMeterModel, OnlyTheFirstDrawComesQuickly) {
    ViewMeterModel model;
    EXPECT_EQ(model.redrawDelayMs(), viewmeter::FirstRedrawDelayMs);
    ASSERT_TRUE(model.setValue(10.0));
    EXPECT_EQ(model.redrawDelayMs(), viewmeter::FirstRedrawDelayMs);
    model.markDrawn();
    EXPECT_EQ(model.redrawDelayMs(), viewmeter::RedrawDelayMs);
}

} // namespace
} // namespace zarn
