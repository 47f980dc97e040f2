#include "acquisition/stream/Orientation.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <string>

namespace zarn {
namespace {

using Vec = std::array<double, 3>;

constexpr double Tolerance = 1e-6; // degrees
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

double rad(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}
double deg(double radians) {
    return radians * 180.0 / std::numbers::pi;
}

Vec add(const Vec& a, const Vec& b) {
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}
Vec scaled(const Vec& a, double k) {
    return {a[0] * k, a[1] * k, a[2] * k};
}
double dot(const Vec& a, const Vec& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
Vec cross(const Vec& a, const Vec& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// Difference of two angles on the circle, in [0, 180].
double circularDistance(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

#define EXPECT_ANGLE_NEAR(actual, expected, tolerance)                                             \
    EXPECT_LE(circularDistance((actual), (expected)), (tolerance))                                 \
        << #actual " = " << (actual) << ", expected " << (expected)

struct Raw {
    double GX, GY, GZ, HX, HY, HZ;
};

struct Earth {
    double gravity = 10000; // counts
    double field = 5000;    // counts
    double dip = 60;        // degrees below the horizontal; negative in the southern hemisphere
};

// The raw values a sonde reports in a known pose. World axes: north, east, down. The sonde's X
// axis points up the hole, Y and Z lie across it and the three are right-handed; at roll 0 the
// Z axis points to the low side of the hole, and the roll turns Y and Z about X. The
// accelerometer reports the gravity vector and the magnetometer the field vector, both in sonde
// axes.
Raw rawValues(double inclination, double azimuth, double roll, const Earth& earth = {}) {
    const double sI = std::sin(rad(inclination)), cI = std::cos(rad(inclination));
    const double sA = std::sin(rad(azimuth)), cA = std::cos(rad(azimuth));
    const double sR = std::sin(rad(roll)), cR = std::cos(rad(roll));
    const Vec x{-sI * cA, -sI * sA, -cI};      // up the hole
    const Vec highSide{cI * cA, cI * sA, -sI}; // across the hole, upwards
    const Vec side = cross(x, highSide);
    const Vec z = scaled(add(scaled(highSide, cR), scaled(side, sR)), -1.0);
    const Vec y = add(scaled(side, cR), scaled(highSide, -sR));
    const Vec gravity{0, 0, earth.gravity};
    const Vec field{earth.field * std::cos(rad(earth.dip)), 0,
                    earth.field * std::sin(rad(earth.dip))};
    return {dot(gravity, x), dot(gravity, y), dot(gravity, z),
            dot(field, x),   dot(field, y),   dot(field, z)};
}

int run(const Raw& raw, OrientationResult& result, int mode = OrientationModes::None,
        double declination = 0, double imageOffset = 0) {
    return OrientedFormula(raw.GX, raw.GY, raw.GZ, raw.HX, raw.HY, raw.HZ, result, mode,
                           declination, imageOffset);
}

// A result whose every output holds a value no computation gives, to see what a call changed.
OrientationResult previousResult() {
    OrientationResult r;
    r.GX = 1, r.GY = 2, r.GZ = 3, r.HX = 4, r.HY = 5, r.HZ = 6;
    r.Roll = 11;
    r.MagneticRoll = 22;
    r.Inclination = 33;
    r.InclinationText = "prev incl";
    r.Azimuth = 44;
    r.AzimuthText = "prev azim";
    r.TotalGravity = 55;
    r.TotalMagnetic = 66;
    r.FieldAngle = 77;
    r.OrientedAngle = 88;
    r.Validity = OrientationStatus::Complete;
    return r;
}

// ---------------------------------------------------------------------------------------------
// Poses built from known inclination, azimuth and roll.

struct PoseCase {
    const char* name;
    double inclination, azimuth, roll, dip;
    double declination;
    int mode;
    double imageOffset;
    double expectedAzimuth;
    double expectedOrientedAngle;
    const char* inclinationText;
    const char* azimuthText;
};

class OrientationPose : public testing::TestWithParam<PoseCase> {};

TEST_P(OrientationPose, RecoversThePoseAndTheRowShift) {
    const PoseCase& c = GetParam();
    const Earth earth{10000, 5000, c.dip};
    const Raw raw = rawValues(c.inclination, c.azimuth, c.roll, earth);

    OrientationResult result;
    ASSERT_EQ(run(raw, result, c.mode, c.declination, c.imageOffset), OrientationStatus::Complete);
    EXPECT_EQ(result.Validity, OrientationStatus::Complete);

    EXPECT_EQ(result.GX, raw.GX);
    EXPECT_EQ(result.HZ, raw.HZ);
    EXPECT_NEAR(result.Inclination, c.inclination, Tolerance);
    EXPECT_ANGLE_NEAR(result.Roll, c.roll, Tolerance);
    EXPECT_ANGLE_NEAR(result.Azimuth, c.expectedAzimuth, Tolerance);
    EXPECT_ANGLE_NEAR(result.OrientedAngle, c.expectedOrientedAngle, Tolerance);
    EXPECT_NEAR(result.FieldAngle, 90.0 - c.dip, Tolerance);
    EXPECT_NEAR(result.TotalGravity, 1.0, 1e-12);
    EXPECT_NEAR(result.TotalMagnetic, 0.5, 1e-12);
    EXPECT_EQ(result.InclinationText, c.inclinationText);
    EXPECT_EQ(result.AzimuthText, c.azimuthText);

    for (double angle : {result.Roll, result.MagneticRoll, result.Azimuth, result.OrientedAngle}) {
        EXPECT_GE(angle, 0.0);
        EXPECT_LT(angle, 360.0);
        EXPECT_FALSE(std::signbit(angle)); // -0 would print as "-0.0"
    }
}

// Expected oriented angles worked by hand: theta = 0 (none), roll - azimuth (magnetic north) or
// roll (high side), each in [0, 360); then 360 - theta + image offset in [0, 360).
const PoseCase poseCases[] = {
    // name, incl, azim, roll, dip, declination, mode, offset, azimuth, oriented, texts
    {"NoReference", 10, 45, 0, 60, 0, OrientationModes::None, 0, 45, 0, " 10.0", " 45.0"},
    {"NoReferenceOffset30", 25, 140, 200, 55, 0, OrientationModes::None, 30, 140, 30, " 25.0",
     "140.0"},
    {"MagneticNorth", 30, 200, 100, 60, 0, OrientationModes::MagneticNorth, 0, 200, 100, " 30.0",
     "200.0"},
    {"MagneticNorthDeclinationOffset", 45, 10, 300, 40, 5, OrientationModes::MagneticNorth, 20, 15,
     95, " 45.0", " 15.0"},
    {"HighSideOffset", 60, 300, 250, 70, 0, OrientationModes::HighSide, 45, 300, 155, " 60.0",
     "300.0"},
    {"DeclinationWrapsPastNorth", 10, 358, 45, 60, 2.5, OrientationModes::HighSide, 0, 0.5, 315,
     " 10.0", "  0.5"},
    {"NegativeDeclinationWrapsBack", 5, 1, 90, 60, -3, OrientationModes::MagneticNorth, 0, 358, 268,
     "  5.0", "358.0"},
    {"HorizontalSonde", 90, 45, 135, 65, 0, OrientationModes::MagneticNorth, 350, 45, 260, " 90.0",
     " 45.0"},
    {"UpwardsSouthernField", 120, 250, 10, -60, 0, OrientationModes::HighSide, 359.9, 250, 349.9,
     "120.0", "250.0"},
    {"UnknownModeActsAsNone", 15, 100, 80, 60, 0, 7, 30, 100, 30, " 15.0", "100.0"},
    {"DeclinationBeyondOneTurn", 20, 30, 60, 60, 725, OrientationModes::MagneticNorth, 0, 35, 335,
     " 20.0", " 35.0"},
    {"ImageOffsetBelowZero", 20, 30, 60, 60, 0, OrientationModes::None, -400, 30, 320, " 20.0",
     " 30.0"},
    {"ImageOffsetTwoTurnsBack", 20, 30, 60, 60, 0, OrientationModes::None, -720, 30, 0, " 20.0",
     " 30.0"},
    {"TextsRound", 9.96, 0.04, 0, 60, 0, OrientationModes::HighSide, 0, 0.04, 0, " 10.0", "  0.0"},
};

INSTANTIATE_TEST_SUITE_P(Poses, OrientationPose, testing::ValuesIn(poseCases),
                         [](const testing::TestParamInfo<PoseCase>& info) {
                             return std::string(info.param.name);
                         });

// Near the vertical the magnetic roll is the roll measured from magnetic north: roll - azimuth.
TEST(Orientation, MagneticRollOfANearlyVerticalSondeIsRollFromNorth) {
    struct Case {
        double azimuth, roll, dip;
    };
    const Case cases[] = {{0, 90, 60}, {45, 10, 60}, {200, 30, -45}, {300, 300, 0}, {90, 0, 70}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "azimuth " << c.azimuth << " roll " << c.roll);
        OrientationResult result;
        ASSERT_EQ(run(rawValues(0.01, c.azimuth, c.roll, Earth{10000, 5000, c.dip}), result),
                  OrientationStatus::Complete);
        EXPECT_ANGLE_NEAR(result.MagneticRoll, c.roll - c.azimuth, 0.05);
    }
}

// ---------------------------------------------------------------------------------------------
// Raw values given directly.

TEST(Orientation, RollFollowsTheCrossAxisComponentsOfGravity) {
    const double g = 10000;
    const double along = -g * std::cos(rad(10));
    const double across = g * std::sin(rad(10));
    struct Case {
        double GY, GZ, roll;
    };
    const Case cases[] = {{0, across, 0}, {across, 0, 90}, {0, -across, 180}, {-across, 0, 270}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "GY " << c.GY << " GZ " << c.GZ);
        OrientationResult result;
        ASSERT_EQ(run({along, c.GY, c.GZ, 2000, 1000, 4000}, result), OrientationStatus::Complete);
        EXPECT_ANGLE_NEAR(result.Roll, c.roll, Tolerance);
        EXPECT_NEAR(result.Inclination, 10.0, Tolerance);
        EXPECT_EQ(result.InclinationText, " 10.0");
    }
}

TEST(Orientation, AngleFunctionsClampTheirCosine) {
    const double above = std::nextafter(1.0, 2.0);
    const double below = std::nextafter(-1.0, -2.0);
    EXPECT_EQ(AngleFull(0, above), 0.0);
    EXPECT_NEAR(AngleFull(0, below), 180.0, Tolerance);
    EXPECT_NEAR(AngleHalf(1, above), 180.0, Tolerance);
    EXPECT_NEAR(AngleHalf(-1, below), 0.0, Tolerance);
    EXPECT_NEAR(AngleFromVertical(above), 180.0, Tolerance);
    EXPECT_NEAR(AngleFromVertical(below), 0.0, Tolerance);
    EXPECT_EQ(AngleBetween({1, 2, 3}, {2, 4, 6}), 0.0);
    EXPECT_NEAR(AngleBetween({1, 0, 0}, {-3, 0, 0}), 180.0, Tolerance);
    EXPECT_EQ(AngleBetween({0, 0, 0}, {1, 0, 0}), OrientationNoFieldAngle);
    EXPECT_EQ(AngleBetween({1, 0, 0}, {0, 0, 0}), OrientationNoFieldAngle);
}

// ---------------------------------------------------------------------------------------------
// Stopping early: what was computed changes, everything after keeps the previous values.

struct EarlyStopCase {
    const char* name;
    Raw raw;
    std::optional<double> fieldAngle, roll, magneticRoll, inclination;
};

class OrientationEarlyStop : public testing::TestWithParam<EarlyStopCase> {};

TEST_P(OrientationEarlyStop, KeepsTheOutputsItDidNotReach) {
    const EarlyStopCase& c = GetParam();
    const OrientationResult before = previousResult();
    OrientationResult result = before;

    EXPECT_EQ(run(c.raw, result, OrientationModes::MagneticNorth, 2, 30),
              OrientationStatus::StoppedEarly);
    EXPECT_EQ(result.Validity, OrientationStatus::StoppedEarly);

    EXPECT_EQ(result.GX, c.raw.GX);
    EXPECT_EQ(result.GY, c.raw.GY);
    EXPECT_EQ(result.GZ, c.raw.GZ);
    EXPECT_EQ(result.HX, c.raw.HX);
    EXPECT_EQ(result.HY, c.raw.HY);
    EXPECT_EQ(result.HZ, c.raw.HZ);

    const auto check = [](const char* what, double actual, std::optional<double> expected,
                          double previous) {
        SCOPED_TRACE(what);
        if (expected) {
            EXPECT_ANGLE_NEAR(actual, *expected, Tolerance);
        } else {
            EXPECT_EQ(actual, previous);
        }
    };
    check("FieldAngle", result.FieldAngle, c.fieldAngle, before.FieldAngle);
    check("Roll", result.Roll, c.roll, before.Roll);
    check("MagneticRoll", result.MagneticRoll, c.magneticRoll, before.MagneticRoll);
    check("Inclination", result.Inclination, c.inclination, before.Inclination);

    EXPECT_EQ(result.Azimuth, before.Azimuth);
    EXPECT_EQ(result.TotalGravity, before.TotalGravity);
    EXPECT_EQ(result.TotalMagnetic, before.TotalMagnetic);
    EXPECT_EQ(result.OrientedAngle, before.OrientedAngle);
    EXPECT_EQ(result.InclinationText, before.InclinationText);
    EXPECT_EQ(result.AzimuthText, before.AzimuthText);
}

// Angles of the expected values from atan2, independent of the acos formulas.
double rollOf(double sine, double cosine) {
    const double a = deg(std::atan2(sine, cosine));
    return a < 0 ? a + 360 : a;
}
double angleBetween(const Vec& u, const Vec& v) {
    return deg(std::atan2(std::sqrt(dot(cross(u, v), cross(u, v))), dot(u, v)));
}

const EarlyStopCase earlyStopCases[] = {
    {"VerticalSonde", {-10000, 0, 0, 3000, 1000, 2000}, {}, {}, {}, {}},
    {"NoGravity", {0, 0, 0, 3000, 1000, 2000}, {}, {}, {}, {}},
    {"FieldAlongTheSonde",
     {-9000, 3000, 1000, 5000, 0, 0},
     angleBetween({-9000, 3000, 1000}, {5000, 0, 0}),
     rollOf(3000, 1000),
     {},
     {}},
    {"NoField", {-9000, 3000, 1000, 0, 0, 0}, OrientationNoFieldAngle, rollOf(3000, 1000), {}, {}},
    // H parallel to G: no heading. The rounded cosine of these two is a hair above 1.
    {"FieldParallelToGravity",
     {-9000, 14, 1500, -4500, 7, 750},
     0.0,
     rollOf(14, 1500),
     rollOf(-7, -750),
     deg(std::atan2(std::hypot(14.0, 1500.0), 9000.0))},
};

INSTANTIATE_TEST_SUITE_P(Cases, OrientationEarlyStop, testing::ValuesIn(earlyStopCases),
                         [](const testing::TestParamInfo<EarlyStopCase>& info) {
                             return std::string(info.param.name);
                         });

// ---------------------------------------------------------------------------------------------
// Missing and unusable input.

TEST(Orientation, MissingSensorDataMarksTheOutputsAsNoData) {
    const Raw good = rawValues(30, 120, 45);
    struct Case {
        const char* name;
        Raw raw;
    };
    const Case cases[] = {
        {"all six no data",
         {OrientationNoData, OrientationNoData, OrientationNoData, OrientationNoData,
          OrientationNoData, OrientationNoData}},
        {"GX at the limit", {-32767, good.GY, good.GZ, good.HX, good.HY, good.HZ}},
        {"GX not a number", {NaN, good.GY, good.GZ, good.HX, good.HY, good.HZ}},
        {"GY minus infinity", {good.GX, -Inf, good.GZ, good.HX, good.HY, good.HZ}},
        {"HZ infinite", {good.GX, good.GY, good.GZ, good.HX, good.HY, Inf}},
        {"HX not a number", {good.GX, good.GY, good.GZ, NaN, good.HY, good.HZ}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const OrientationResult before = previousResult();
        OrientationResult result = before;
        EXPECT_EQ(run(c.raw, result, OrientationModes::HighSide, 0, 0),
                  OrientationStatus::StoppedEarly);
        EXPECT_EQ(result.Validity, OrientationStatus::StoppedEarly);
        for (double v : {result.GX, result.GY, result.GZ, result.HX, result.HY, result.HZ,
                         result.Roll, result.MagneticRoll, result.Inclination, result.Azimuth,
                         result.TotalGravity, result.TotalMagnetic}) {
            EXPECT_EQ(v, OrientationNoData);
        }
        EXPECT_EQ(result.FieldAngle, before.FieldAngle);
        EXPECT_EQ(result.OrientedAngle, before.OrientedAngle);
        EXPECT_EQ(result.InclinationText, before.InclinationText);
        EXPECT_EQ(result.AzimuthText, before.AzimuthText);
    }
}

TEST(Orientation, GXJustAboveTheLimitIsComputed) {
    OrientationResult result = previousResult();
    EXPECT_EQ(run({-32766, 100, 0, 2000, 1000, 4000}, result), OrientationStatus::Complete);
    EXPECT_EQ(result.GX, -32766);
    EXPECT_ANGLE_NEAR(result.Roll, 90, Tolerance);
}

// A declination or image offset that is not a number cannot give a heading or a row shift: the
// computation stops there, and the previous angle stays in use.
TEST(Orientation, SettingsThatAreNotFiniteKeepThePreviousAngles) {
    const Raw raw = rawValues(30, 120, 45);
    struct Case {
        const char* name;
        double declination, imageOffset;
        bool azimuthComputed;
    };
    const Case cases[] = {
        {"declination NaN", NaN, 0, false},
        {"declination infinite", Inf, 0, false},
        {"offset NaN", 0, NaN, true},
        {"offset minus infinity", 0, -Inf, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const OrientationResult before = previousResult();
        OrientationResult result = before;
        EXPECT_EQ(run(raw, result, OrientationModes::MagneticNorth, c.declination, c.imageOffset),
                  OrientationStatus::StoppedEarly);
        EXPECT_NEAR(result.Inclination, 30, Tolerance);
        EXPECT_ANGLE_NEAR(result.Roll, 45, Tolerance);
        if (c.azimuthComputed) {
            EXPECT_NEAR(result.Azimuth, 120, Tolerance);
        } else {
            EXPECT_EQ(result.Azimuth, before.Azimuth);
        }
        EXPECT_EQ(result.OrientedAngle, before.OrientedAngle);
        EXPECT_EQ(result.InclinationText, before.InclinationText);
        EXPECT_EQ(result.AzimuthText, before.AzimuthText);
    }
}

// Raw values far outside what a sonde sends (a damaged log) never give a value that is not
// finite, nor an angle outside [0, 360).
TEST(Orientation, ExtremeRawValuesGiveOnlyFiniteOutputs) {
    const double big = std::numeric_limits<double>::max();
    const double tiny = std::numeric_limits<double>::denorm_min();
    const Raw cases[] = {
        {big, big, big, big, -big, big},    {-32000, big, -big, 1, 2, 3},
        {-32000, 3, 4, big, big, -big},     {1e200, 1e200, 1e200, 1e200, 1e200, 1e200},
        {-32000, tiny, 0, 1, 1, 1},         {-tiny, tiny, tiny, tiny, -tiny, tiny},
        {-1e-300, 1e-300, 1e-300, 1, 1, 1}, {-32000, 1e160, 1e160, 1e160, 1e160, 1e160},
        {-1, 0, 1e-10, big, big, 0},
    };
    for (const Raw& raw : cases) {
        SCOPED_TRACE(testing::Message() << raw.GX << " " << raw.GY << " " << raw.GZ << " " << raw.HX
                                        << " " << raw.HY << " " << raw.HZ);
        OrientationResult result;
        const int status = run(raw, result, OrientationModes::MagneticNorth, 2, 30);
        EXPECT_TRUE(status == OrientationStatus::Complete ||
                    status == OrientationStatus::StoppedEarly);
        for (double v :
             {result.Roll, result.MagneticRoll, result.Inclination, result.Azimuth,
              result.TotalGravity, result.TotalMagnetic, result.FieldAngle, result.OrientedAngle}) {
            EXPECT_TRUE(std::isfinite(v)) << v;
        }
        for (double angle :
             {result.Roll, result.MagneticRoll, result.Azimuth, result.OrientedAngle}) {
            EXPECT_GE(angle, 0.0);
            EXPECT_LT(angle, 360.0);
        }
        EXPECT_EQ(result.InclinationText.view().find_first_of("ni"), std::string::npos);
        EXPECT_EQ(result.AzimuthText.view().find_first_of("ni"), std::string::npos);
    }
}

} // namespace
} // namespace zarn
