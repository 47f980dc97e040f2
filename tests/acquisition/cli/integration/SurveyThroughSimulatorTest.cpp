// The deviation survey of logs recorded live from simulated holes whose path is known: a vertical
// hole, a straight inclined one, one with a build section and one whose azimuth turns through
// north. Every station lies within 0.2 degrees of the simulator's own inclination and azimuth at
// its depth, and the end of the surveyed path within 0.1 % of its measured depth of the
// simulator's geometry, found here by integrating the simulator's directions in 1 mm steps.
#include "acquisition/export/ExportSource.h"
#include "acquisition/survey/MinimumCurvature.h"
#include "acquisition/survey/Survey.h"
#include "sim/SimulatorSettings.h"
#include "sim/Trajectory.h"
#include "tests/acquisition/cli/integration/SimulatedAcquisition.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace zarn::test {
namespace {

namespace ExitCode = cli::ExitCode;

struct Hole {
    const char* name;
    const char* sonde; // the simulator's [Sonde] keys of the path
    bool headingDefined;
};

void PrintTo(const Hole& h, std::ostream* os) {
    *os << h.name;
}

// The winch logs down from 10 m to 34 m; the sensors sit 1.07 m above the depth reference, in the
// simulator as in the program's sonde, so the survey's depths run from about 9 m to 32.5 m. The
// build and the turn lie inside that span, so that every station sees records on both sides.
const Hole Holes[] = {
    {"Vertical", "Inclination = 0\nAzimuth = 0\n", false},
    {"Inclined", "Inclination = 25\nAzimuth = 130\n", true},
    {"Build", "Inclination = 5\nAzimuth = 60\nBuildFrom = 14\nBuildTo = 28\nBuildBy = 21\n", true},
    {"TurnThroughNorth",
     "Inclination = 20\nAzimuth = 340\nTurnFrom = 14\nTurnTo = 28\nTurnBy = 40\n", true},
};

double angleBetween(double a, double b) {
    return std::abs(std::remainder(a - b, 360.0));
}

// The simulator's hole from one depth to another, integrated along its directions.
struct Position {
    double tvd = 0, north = 0, east = 0;
};
Position integratedPath(const sim::Trajectory& path, double from, double to) {
    constexpr double Step = 0.001; // m
    constexpr double Radians = std::numbers::pi / 180;
    Position p{from, 0, 0};
    const auto steps = static_cast<long>(std::ceil((to - from) / Step));
    const double h = (to - from) / static_cast<double>(steps);
    for (long k = 0; k < steps; ++k) {
        const double md = from + (static_cast<double>(k) + 0.5) * h; // the middle of the step
        const double i = path.inclinationAt(md) * Radians;
        const double a = path.azimuthAt(md) * Radians;
        p.tvd += h * std::cos(i);
        p.north += h * std::sin(i) * std::cos(a);
        p.east += h * std::sin(i) * std::sin(a);
    }
    return p;
}

class SurveyThroughSimulatorTest : public SimulatedLoggerTest,
                                   public ::testing::WithParamInterface<Hole> {};

TEST_P(SurveyThroughSimulatorTest, StationsAndPathFollowTheSimulatedHole) {
    const Hole hole = GetParam();
    configureSimulator({10, 34, std::string("[Sonde]\n") + hole.sonde});
    const sim::Trajectory path(sim::SimulatorSettings::parse(home.read("simulator.ini")).sonde);
    const AcquireOutcome run = runAcquisition(recordOptions("hole", true, 33.5), programSettings());
    ASSERT_EQ(run.code, ExitCode::Ok) << run.err << run.out;
    ASSERT_FALSE(run.result.header.empty());

    const ExportSourceResult read = readExportSource(run.result.header);
    ASSERT_TRUE(read.source) << read.problem;
    const SurveyResult survey = surveyStations(*read.source, SurveyOptions{});
    ASSERT_EQ(survey.problem, "");
    EXPECT_EQ(survey.declination, 0); // magnetic north, as the simulator's azimuths
    const std::vector<SurveyDirection> stations = validDirections(survey);
    ASSERT_GE(stations.size(), 20u);
    EXPECT_LT(stations.front().md, 10.0);
    EXPECT_GT(stations.back().md, 31.5);

    bool beforeNorth = false, afterNorth = false;
    for (const SurveyDirection& s : stations) {
        EXPECT_NEAR(s.inclination, path.inclinationAt(s.md), 0.2) << "at " << s.md << " m";
        if (hole.headingDefined) {
            EXPECT_LE(angleBetween(s.azimuth, path.azimuthAt(s.md)), 0.2)
                << "at " << s.md << " m: " << s.azimuth << " against " << path.azimuthAt(s.md);
        }
        beforeNorth = beforeNorth || (s.azimuth > 340 && s.azimuth < 359);
        afterNorth = afterNorth || (s.azimuth > 1 && s.azimuth < 20);
    }
    if (std::string(hole.name) == "TurnThroughNorth") {
        EXPECT_TRUE(beforeNorth && afterNorth) << "the turn did not pass through north";
    }

    const std::vector<SurveyPoint> points = minimumCurvature(stations, 0, 30);
    const SurveyPoint& end = points.back();
    const Position expected = integratedPath(path, stations.front().md, end.at.md);
    const double tolerance = 0.001 * end.at.md;
    EXPECT_NEAR(end.tvd, expected.tvd, tolerance);
    EXPECT_NEAR(end.north, expected.north, tolerance);
    EXPECT_NEAR(end.east, expected.east, tolerance);
}

INSTANTIATE_TEST_SUITE_P(SimulatedHoles, SurveyThroughSimulatorTest, ::testing::ValuesIn(Holes),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace zarn::test
