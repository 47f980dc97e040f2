// The orientation of the rows of successive mode-16 payloads.
#include "acquisition/stream/OrientationSweep.h"

#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace zarn {
namespace {

// The angles of the eight rows of one payload, and the angle reached after it.
struct Payload {
    std::vector<double> rows;
    double after;
};

Payload run(OrientationSweep& sweep, double target, bool withoutOrientation = false) {
    Payload p;
    sweep.begin(target, withoutOrientation);
    for (int r = 0; r < OrientationSweep::RowsPerPayload; ++r)
        p.rows.push_back(sweep.nextRow());
    sweep.finish();
    p.after = sweep.current();
    return p;
}

void expectRows(const Payload& p, const std::vector<double>& expected) {
    ASSERT_EQ(p.rows.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(p.rows[i], expected[i], 1e-9) << "row " << i;
}

TEST(OrientationSweep, TheFirstPayloadStaysAtItsTarget) {
    OrientationSweep sweep;
    const Payload p = run(sweep, 123.0);
    expectRows(p, std::vector<double>(8, 123.0));
    EXPECT_EQ(p.after, 123.0);
    EXPECT_FALSE(sweep.firstPayload());
}

// From one payload's angle to the next in eight even steps; across north the short way.
TEST(OrientationSweep, RowsTurnEvenlyTowardsTheTarget) {
    struct Case {
        const char* name;
        double from, to;
        std::vector<double> rows;
    };
    const std::vector<Case> cases = {
        {"ahead", 100, 120, {102.5, 105, 107.5, 110, 112.5, 115, 117.5, 120}},
        {"back", 120, 100, {117.5, 115, 112.5, 110, 107.5, 105, 102.5, 100}},
        {"350 to 10 through north", 350, 10, {352.5, 355, 357.5, 0, 2.5, 5, 7.5, 10}},
        {"10 to 350 through north", 10, 350, {7.5, 5, 2.5, 0, 357.5, 355, 352.5, 350}},
        {"280 to 80 through north", 280, 80, {300, 320, 340, 0, 20, 40, 60, 80}},
        // Only the first and fourth quarters are unwrapped: 100 to 300 goes the long way.
        {"100 to 300", 100, 300, {125, 150, 175, 200, 225, 250, 275, 300}},
        {"same", 45, 45, {45, 45, 45, 45, 45, 45, 45, 45}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OrientationSweep sweep;
        run(sweep, c.from);
        const Payload p = run(sweep, c.to);
        expectRows(p, c.rows);
        EXPECT_EQ(p.after, c.to == 360.0 ? 0.0 : c.to);
    }
}

// Targets that cannot be an angle keep the angle reached; 360 is north.
TEST(OrientationSweep, UnusableTargetsKeepThePreviousAngle) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double target : {400.0, -0.5, -90.0, 360.0001, nan, inf, -inf}) {
        SCOPED_TRACE(target);
        OrientationSweep sweep;
        run(sweep, 200.0);
        const Payload p = run(sweep, target);
        expectRows(p, std::vector<double>(8, 200.0));
        EXPECT_EQ(p.after, 200.0);
        // The next usable target is reached from there.
        expectRows(run(sweep, 220.0), {202.5, 205, 207.5, 210, 212.5, 215, 217.5, 220});
    }
    OrientationSweep sweep;
    run(sweep, 350.0);
    const Payload north = run(sweep, 360.0);
    expectRows(north, {351.25, 352.5, 353.75, 355, 356.25, 357.5, 358.75, 0});
    EXPECT_EQ(north.after, 0.0);
    // With nothing to keep, an unusable first target leaves the rows unturned.
    OrientationSweep fresh;
    expectRows(run(fresh, nan), std::vector<double>(8, 0.0));
}

TEST(OrientationSweep, RestartAndCalibrationViewsStartAfresh) {
    OrientationSweep sweep;
    run(sweep, 10.0);
    sweep.restart();
    expectRows(run(sweep, 300.0), std::vector<double>(8, 300.0));

    // Calibration views: no orientation, and the payload after starts at its own target.
    const Payload calibration = run(sweep, 90.0, true);
    expectRows(calibration, std::vector<double>(8, 0.0));
    EXPECT_EQ(calibration.after, 0.0);
    EXPECT_TRUE(sweep.firstPayload());
    expectRows(run(sweep, 77.0), std::vector<double>(8, 77.0));
}

} // namespace
} // namespace zarn
