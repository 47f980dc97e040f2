// The accelerometer and magnetometer values the sonde sends decode, through the program's own
// orientation computation, to the pose they were made for.
#include "sim/OrientationSensors.h"
#include "acquisition/stream/Orientation.h"
#include "sim/HoleFrame.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zarn::sim {
namespace {

double angleError(double a, double b) {
    return std::abs(std::remainder(a - b, 360.0));
}

struct Pose {
    double inclination, azimuth, roll, field, dip;
};

OrientationResult decode(const SensorReadings& s, int mode) {
    OrientationResult r;
    // Rounded to whole counts, as they travel in the frame.
    OrientedFormula(std::round(s.gx), std::round(s.gy), std::round(s.gz), std::round(s.hx),
                    std::round(s.hy), std::round(s.hz), r, mode, 0.0, 0.0);
    return r;
}

TEST(OrientationSensors, PosesDecodeBackThroughTheProgramsFormula) {
    const Pose poses[] = {
        {4, 35, 0, 48000, 62},     {0.5, 300, 90, 48000, 62}, {10, 0, 200, 50000, 70},
        {30, 135, 45, 45000, 55},  {60, 250, 310, 52000, 40}, {85, 359, 170, 48000, 62},
        {15, 90, 359, 30000, -35}, {45, 180, 123, 60000, 75}, {5, 271, 10, 48000, 0},
    };
    for (const Pose& p : poses) {
        const SensorReadings s =
            OrientationSensors(p.field, p.dip).read(p.inclination, p.azimuth, p.roll);
        const OrientationResult r = decode(s, OrientationModes::HighSide);
        SCOPED_TRACE(::testing::Message()
                     << "pose " << p.inclination << "/" << p.azimuth << "/" << p.roll);
        EXPECT_EQ(r.Validity, OrientationStatus::Complete);
        EXPECT_NEAR(r.Inclination, p.inclination, 0.05);
        EXPECT_LT(angleError(r.Azimuth, p.azimuth), 0.1);
        EXPECT_LT(angleError(r.Roll, p.roll), 0.1);
        EXPECT_NEAR(r.TotalGravity, 1.0, 1e-3);
        EXPECT_NEAR(r.TotalMagnetic, p.field / 100000.0, 1e-3);
        // Up and the reversed field, which points up out of the ground by the dip.
        EXPECT_NEAR(r.FieldAngle, 90.0 - p.dip, 0.05);
    }
}

// The camera's column j looks j x 360 / W degrees from the sensor's Z axis, the way roll is
// counted, so the high side is at column roll x W / 360. Rotating by the oriented angle, as the
// program's row builder does, brings it to column 0 in high-side mode; in magnetic-north mode
// it lands azimuth degrees into the row, where the hole's heading is in a nearly vertical hole.
TEST(OrientationSensors, RowRotationBringsTheHighSideAndNorthWhereTheProgramPutsThem) {
    const int width = 720;
    for (double roll : {0.0, 37.0, 180.0, 299.5}) {
        for (double azimuth : {10.0, 135.0, 260.0}) {
            const SensorReadings s = OrientationSensors(48000, 62).read(2.0, azimuth, roll);
            const double highSideColumn = roll * width / 360.0;
            auto landsAt = [&](int mode) {
                const double shift = decode(s, mode).OrientedAngle * width / 360.0;
                return std::fmod(highSideColumn + shift, width) * 360.0 / width;
            };
            EXPECT_LT(angleError(landsAt(OrientationModes::HighSide), 0.0), 0.2)
                << roll << " " << azimuth;
            // Magnetic north mode: the high side (which faces the heading) lands at the
            // heading's column, so column 0 is north.
            EXPECT_LT(angleError(landsAt(OrientationModes::MagneticNorth), azimuth), 0.2)
                << roll << " " << azimuth;
        }
    }
}

TEST(HoleFrame, HighSideFacesTheHeadingAndRightIsClockwiseLookingDown) {
    const HoleFrame f = HoleFrame::of(30, 90); // heading east
    EXPECT_NEAR(f.high.east, std::cos(radians(30)), 1e-12);
    EXPECT_LT(f.high.down, 0); // points up
    EXPECT_NEAR(dot(f.high, f.down), 0, 1e-12);
    // A quarter turn clockwise from east, looking down, is south.
    EXPECT_NEAR(f.right.north, -1, 1e-12);
    const HoleFrame v = HoleFrame::of(0, 0);
    EXPECT_NEAR(v.wall(90).east, 1, 1e-12); // north, then east a quarter turn clockwise
}

} // namespace
} // namespace zarn::sim
