// The deviation survey: the minimum curvature method against hand-worked holes, and stations
// from a log whose records carry the sensor readings of known directions (the simulated sonde's
// sensor model), through 0/360 and past records without sensor data.
#include "acquisition/survey/Survey.h"
#include "sim/OrientationSensors.h"
#include "tests/acquisition/export/ExportTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace zarn::test {
namespace {

TEST(MinimumCurvature, HandWorkedHoles) {
    const double quarterArc = 100 * std::numbers::pi / 2; // a 90 degree build of radius 100 m
    struct Case {
        const char* name;
        std::vector<SurveyDirection> stations;
        double tvd, north, east, dogleg, severity, closure, closureAzimuth;
    };
    const Case cases[] = {
        {"vertical", {{10, 0, 0}, {110, 0, 0}}, 110, 0, 0, 0, 0, 0, 0},
        {"straight, inclined 30 degrees to the east",
         {{0, 30, 90}, {100, 30, 90}},
         100 * std::cos(30 * std::numbers::pi / 180),
         0,
         50,
         0,
         0,
         50,
         90},
        {"a 90 degree build to the north",
         {{0, 0, 0}, {quarterArc, 90, 0}},
         100,
         100,
         0,
         90,
         90 * 30 / quarterArc,
         100,
         0},
        {"an almost straight section",
         {{0, 20, 45}, {50, 20 + 1e-9, 45}},
         50 * std::cos(20 * std::numbers::pi / 180),
         50 * std::sin(20 * std::numbers::pi / 180) * std::cos(std::numbers::pi / 4),
         50 * std::sin(20 * std::numbers::pi / 180) * std::sin(std::numbers::pi / 4),
         0,
         0,
         50 * std::sin(20 * std::numbers::pi / 180),
         45},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<SurveyPoint> points = minimumCurvature(c.stations, 90, 30);
        ASSERT_EQ(points.size(), c.stations.size());
        const SurveyPoint& end = points.back();
        EXPECT_NEAR(end.tvd, c.tvd, 1e-6);
        EXPECT_NEAR(end.north, c.north, 1e-6);
        EXPECT_NEAR(end.east, c.east, 1e-6);
        EXPECT_NEAR(end.dogleg, c.dogleg, 1e-6);
        EXPECT_NEAR(end.doglegSeverity, c.severity, 1e-6);
        EXPECT_NEAR(end.closureDistance, c.closure, 1e-6);
        if (c.closure > 0) {
            EXPECT_NEAR(end.closureAzimuth, c.closureAzimuth, 1e-6);
        }
        EXPECT_NEAR(end.verticalSection, end.east, 1e-6); // the section runs east
        EXPECT_TRUE(std::isfinite(end.tvd) && std::isfinite(end.north));
    }
    // Two stations at one depth: no division by zero.
    const std::vector<SurveyPoint> same = minimumCurvature({{5, 10, 10}, {5, 12, 10}}, 0, 30);
    EXPECT_EQ(same.back().doglegSeverity, 0);
    EXPECT_NEAR(same.back().tvd, 5, 1e-12);
}

TEST(Survey, StationsAverageTheValidRecordsAroundThemAcrossNorth) {
    // A hole inclined 12 degrees, its azimuth turning from 350 through north to 10 degrees
    // over 4 m; every tenth record has no sensor data.
    const sim::OrientationSensors sensors(50000, 60);
    TempHome home;
    TestLogShape shape;
    const auto azimuthOf = [](int n) { return std::fmod(350.0 + n * 0.04 + 360.0, 360.0); };
    // 8 mm a record from 10 m: 500 records over 4 m.
    std::vector<TestRecord> records = evenRecords(100000, 80, 501);
    for (int n = 0; n < static_cast<int>(records.size()); ++n) {
        TestRecord& r = records[static_cast<std::size_t>(n)];
        if (n % 10 == 5) {
            r.gx = r.gy = r.gz = -32768;
            continue;
        }
        setSensors(r, sensors.read(12.0, azimuthOf(n), n * 3.0));
    }
    const auto header = writeTestLog(home.file("log"), records, shape);
    const ExportSourceResult read = readExportSource(header);
    ASSERT_TRUE(read.source) << read.problem;
    ExportSource source = *read.source;
    source.info.DeviationOffset = 0;
    SurveyOptions options;
    options.from = 10.5;
    options.to = 13.5;
    const SurveyResult survey = surveyStations(source, options);
    ASSERT_TRUE(survey.problem.empty()) << survey.problem;
    EXPECT_EQ(survey.records, 501);
    EXPECT_EQ(survey.validRecords, 501 - 50);
    ASSERT_EQ(survey.stations.size(), 4u);
    for (const SurveyStation& s : survey.stations) {
        SCOPED_TRACE(s.direction.md);
        EXPECT_TRUE(s.valid);
        EXPECT_NEAR(s.records, 113, 3);
        EXPECT_NEAR(s.direction.inclination, 12.0, 0.2);
        const double expected =
            azimuthOf(static_cast<int>(std::lround((s.direction.md - 10) / 0.008)));
        EXPECT_LT(std::fabs(std::remainder(s.direction.azimuth - expected, 360.0)), 0.3)
            << s.direction.azimuth << " expected " << expected;
    }
    // Stations with too few records (14.5 m holds the last record alone) or none (15.5 m) are
    // reported as such, not invented.
    options.to = 16;
    const SurveyResult longer = surveyStations(source, options);
    ASSERT_EQ(longer.stations.size(), 6u);
    EXPECT_FALSE(longer.stations[4].valid);
    EXPECT_EQ(longer.stations[4].records, 1);
    EXPECT_FALSE(longer.stations[5].valid);
    EXPECT_EQ(longer.stations[5].records, 0);
    EXPECT_EQ(validDirections(longer).size(), 4u);

    // A log without any sensor data says so.
    std::vector<TestRecord> blind = evenRecords(100000, 80, 50);
    for (TestRecord& r : blind)
        r.gx = r.gy = r.gz = -32768;
    const auto none = writeTestLog(home.file("blind"), blind);
    const SurveyResult nothing = surveyStations(*readExportSource(none).source, {});
    EXPECT_EQ(nothing.problem, "the log holds no record with orientation data");
}

} // namespace
} // namespace zarn::test
