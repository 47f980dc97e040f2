#include "acquisition/settings/RecordingModeLogic.h"

#include <gtest/gtest.h>

namespace zarn {
namespace {

TEST(RecordingModeLogic, OpeningFollowsTheCableTheUnitAndTheOrientationMode) {
    struct Case {
        double speed;
        bool feet;
        int orientationMode;
        bool downhole;
        const char* first;
        const char* second;
        const char* orientation;
    };
    const Case cases[] = {
        {12.5, false, 0, true, "50 m", "100 m", "Orientation : None"},
        {0.0, false, 1, true, "50 m", "100 m", "Orientation : Vertical"},
        {-0.01, false, 2, false, "50 m", "100 m", "Orientation : Horizontal"},
        {-30.0, true, 1, false, "200 feet", "500 feet", "Orientation : Vertical"},
        {3.0, true, 3, true, "200 feet", "500 feet", ""},
        {3.0, false, -1, true, "50 m", "100 m", ""},
    };
    for (const Case& c : cases) {
        const RecordingModeLogic logic(c.speed, c.feet, c.orientationMode);
        EXPECT_EQ(logic.DownholePreselected(), c.downhole) << c.speed;
        EXPECT_EQ(logic.SplitChoices()[0].text, c.first);
        EXPECT_EQ(logic.SplitChoices()[1].text, c.second);
        EXPECT_EQ(logic.OrientationLine(), c.orientation) << c.orientationMode;
    }
}

TEST(RecordingModeLogic, OkTakesTheCheckedDirectionAndTheSelectedSplitLength) {
    struct Case {
        bool feet;
        bool downhole, uphole;
        int splitIndex;
        int previousDirection;
        int direction;
        int splitLength;
    };
    const Case cases[] = {
        {false, true, false, 0, 0, 1, 50},
        {false, false, true, 1, 1, 0, 100},
        {true, true, false, 1, 0, 1, 500},
        {true, false, true, 0, 1, 0, 200},
        // Neither button: the direction stays as it was.
        {false, false, false, 0, 0, 0, 50},
        {false, false, false, 1, 1, 1, 100},
        // No selection (or one beyond the list): the first entry.
        {false, true, false, -1, 0, 1, 50},
        {true, true, false, 2, 0, 1, 200},
    };
    for (const Case& c : cases) {
        const RecordingModeLogic logic(1.0, c.feet, 0);
        const RecordingModeLogic::Result r =
            logic.Accept(c.downhole, c.uphole, c.splitIndex, c.previousDirection);
        EXPECT_EQ(r.logDirection, c.direction)
            << c.downhole << c.uphole << " previous " << c.previousDirection;
        EXPECT_EQ(r.splitLength, c.splitLength) << "index " << c.splitIndex;
    }
}

} // namespace
} // namespace zarn
