// The simulated hole's path: straight by default, a build section and a turn read from the
// settings file, each changing its angle at a constant rate between its depths, a turn passing
// through north, and where the orientation sensors sit.
#include "sim/Trajectory.h"
#include "sim/SimulatorSettings.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zarn::sim {
namespace {

TEST(Trajectory, StraightUnlessTheSettingsBuildOrTurn) {
    const Trajectory straight(SimulatorSettings::parse("").sonde);
    for (const double depth : {-5.0, 0.0, 10.0, 250.0}) {
        EXPECT_EQ(straight.inclinationAt(depth), 4.0);
        EXPECT_EQ(straight.azimuthAt(depth), 35.0);
    }

    const Trajectory curved(SimulatorSettings::parse("[Sonde]\n"
                                                     "Inclination = 10\nAzimuth = 340\n"
                                                     "BuildFrom = 20\nBuildTo = 40\nBuildBy = 30\n"
                                                     "TurnFrom = 30\nTurnTo = 50\nTurnBy = 40\n")
                                .sonde);
    struct Case {
        double depth, inclination, azimuth;
    };
    for (const Case& c : {
             Case{0, 10, 340},    // above both sections
             Case{20, 10, 340},   // the build begins
             Case{25, 17.5, 340}, // a quarter of it
             Case{30, 25, 340},   // half way; the turn begins
             Case{40, 40, 0},     // the build done, the turn half way: through north
             Case{45, 40, 10},
             Case{50, 40, 20}, // both done
             Case{900, 40, 20},
         }) {
        EXPECT_NEAR(curved.inclinationAt(c.depth), c.inclination, 1e-12) << c.depth;
        EXPECT_NEAR(std::remainder(curved.azimuthAt(c.depth) - c.azimuth, 360.0), 0, 1e-9)
            << c.depth;
        EXPECT_GE(curved.azimuthAt(c.depth), 0);
        EXPECT_LT(curved.azimuthAt(c.depth), 360);
    }

    // A drop below the vertical stays vertical; a counter-clockwise turn.
    const Trajectory back(SimulatorSettings::parse("[Sonde]\nInclination = 3\nAzimuth = 10\n"
                                                   "BuildFrom = 0\nBuildTo = 10\nBuildBy = -6\n"
                                                   "TurnFrom = 0\nTurnTo = 10\nTurnBy = -30\n")
                              .sonde);
    EXPECT_EQ(back.inclinationAt(10), 0.0);
    EXPECT_NEAR(back.inclinationAt(2.5), 1.5, 1e-12);
    EXPECT_NEAR(back.azimuthAt(10), 340, 1e-9);

    // Where the sensors sit, as the program's default sonde has them unless set.
    EXPECT_EQ(SimulatorSettings::parse("").sonde.deviationOffsetCm, 107.0);
    EXPECT_EQ(SimulatorSettings::parse("[Sonde]\nDeviationOffset = 50\n").sonde.deviationOffsetCm,
              50.0);
}

} // namespace
} // namespace zarn::sim
