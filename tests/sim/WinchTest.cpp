// The winch: at rest until started, then at constant speed from the start depth to the end
// depth, down or up, and at rest there.
#include "sim/Winch.h"

#include <gtest/gtest.h>

namespace zarn::sim {
namespace {

TEST(Winch, TravelsFromStartToEndAtItsSpeed) {
    struct Case {
        double start, end, speed, startedAt, at;
        double depth, metresPerMinute;
    };
    const Case cases[] = {
        {10, 40, 2, 5, 0, 10, 0},    // not started yet
        {10, 40, 2, 5, 5, 10, 2},    // starting
        {10, 40, 2, 5, 65, 12, 2},   // one minute later
        {10, 40, 2, 5, 905, 40, 0},  // arrived after 15 minutes
        {10, 40, 2, 5, 5000, 40, 0}, // and stays
        {40, 10, 3, 0, 60, 37, -3},  // going up
        {40, 10, 3, 0, 601, 10, 0},  // arrived at the top
        {25, 25, 2, 0, 10, 25, 0},   // nowhere to go
        {25, 30, 0, 0, 10, 25, 0},   // no speed
    };
    for (const Case& c : cases) {
        Winch w(c.start, c.end, c.speed);
        w.start(c.startedAt);
        w.start(c.startedAt + 100); // later starts change nothing
        EXPECT_NEAR(w.depthAt(c.at), c.depth, 1e-9) << c.start << "->" << c.end << " at " << c.at;
        EXPECT_EQ(w.speedAt(c.at), c.metresPerMinute) << c.start << "->" << c.end << " at " << c.at;
    }
    EXPECT_EQ(Winch(10, 40, 2).depthAt(100), 10); // never started
}

} // namespace
} // namespace zarn::sim
