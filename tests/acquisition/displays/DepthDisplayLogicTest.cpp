#include "acquisition/displays/DepthDisplayLogic.h"

#include <gtest/gtest.h>

#include <string>

namespace zarn {
namespace {

using namespace depthdisplay;

DepthDisplayInputs inputs(int kind, bool replay, bool feet = false) {
    DepthDisplayInputs in;
    in.frameKind = kind;
    in.replay = replay;
    in.feet = feet;
    in.depthAsMeasured = true;
    in.sondeLengthCm = 162;
    in.depth = 10.0;
    in.speed = 3.0;
    in.resolution = 0.001;
    return in;
}

TEST(DepthDisplayLogic, DepthSpeedAndResolutionByFrameKindReplayAndUnit) {
    struct Case {
        const char* what;
        int kind;
        bool replay;
        bool feet;
        double speed;
        double resolution;
        std::uint32_t colour;
        const char* depth;
        const char* speedText;
        const char* resolutionText;
    };
    const Case cases[] = {
        {"live, no logger", 1, false, false, 3.0, 0.001, Aqua, "", "", ""},
        {"replay, no logger", 1, true, false, 3.0, 0.001, Aqua, "   10.00", "  3.00", "  1.00"},
        {"replay, speed exactly 0", 4, true, false, 0.0, 0.001, Aqua, "   10.00", "", "  1.00"},
        {"replay in feet", 1, true, true, 3.0, 0.001, Aqua, "   32.81", "  9.84", "39"},
        {"replay, resolution unknown", 1, true, false, 3.0, NoResolution, Aqua, "   10.00",
         "  3.00", ""},
        {"logger status frames", 16, false, false, 0.0, 0.001, Yellow, "   10.00", "  0.00", ""},
        {"short frames", 32, false, false, 3.0, 0.001, Yellow, "   10.00", "  3.00", ""},
        {"full data", 64, false, false, -2.5, 0.00125, Yellow, "   10.00", " -2.50", "  1.25"},
        {"full data in feet", 64, false, true, 3.0, 0.001, Yellow, "   32.81", "  9.84", "39"},
        {"full data, resolution unknown", 64, false, false, 3.0, NoResolution, Yellow, "   10.00",
         "  3.00", ""},
        // A log replayed while the logger answers (the sonde off) is still shown as replayed.
        {"replay with logger frames", 16, true, false, 0.0, 0.001, Aqua, "   10.00", "", "  1.00"},
    };
    for (const Case& c : cases) {
        DepthDisplayInputs in = inputs(c.kind, c.replay, c.feet);
        in.speed = c.speed;
        in.resolution = c.resolution;
        const DepthReadout out = DepthDisplayLogic::depthReadout(in);
        EXPECT_EQ(out.colour, c.colour) << c.what;
        EXPECT_EQ(out.depth, c.depth) << c.what;
        EXPECT_EQ(out.speed, c.speedText) << c.what;
        EXPECT_EQ(out.resolution, c.resolutionText) << c.what;
    }
}

TEST(DepthDisplayLogic, LiveDepthFollowsTheDepthReferenceReplayShowsItAsMeasured) {
    DepthDisplayInputs in = inputs(64, false);
    in.depthAsMeasured = false;
    EXPECT_EQ(DepthDisplayLogic::depthReadout(in).depth, "    8.38"); // 10 m less 1.62 m
    in.feet = true;
    EXPECT_EQ(DepthDisplayLogic::depthReadout(in).depth, "   27.49");
    DepthDisplayInputs replayed = inputs(1, true);
    replayed.depthAsMeasured = false;
    EXPECT_EQ(DepthDisplayLogic::depthReadout(replayed).depth, "   10.00");
}

OrientationResult validOrientation() {
    OrientationResult o;
    o.Roll = 12.0;
    o.OrientedAngle = 45.0;
    o.TotalGravity = 1.0004;
    o.TotalMagnetic = 0.4567;
    o.FieldAngle = 62.34;
    o.AzimuthText = "123.4";
    o.InclinationText = "  2.5";
    o.Validity = OrientationStatus::Complete;
    return o;
}

TEST(DepthDisplayLogic, OrientationReadoutsByOriginModeAndValidity) {
    struct Case {
        const char* what;
        int kind;
        bool replay;
        int mode;
        bool valid;
        double gravity;
        bool dial;
        std::uint32_t colour;
        OrientationReadout::Blink blink;
        const char* gravityText;
        const char* inclination;
    };
    using B = OrientationReadout::Blink;
    const Case cases[] = {
        {"replay, valid", 1, true, 1, true, 1.0004, true, Aqua, B::Keep, " 1.000", "  2.5"},
        {"replay, no data", 1, true, 1, false, 1.0004, true, Aqua, B::Keep, "", ""},
        {"live, no full data", 32, false, 1, true, 1.0004, false, Yellow, B::Stop, "", ""},
        {"live, north", 64, false, 1, true, 1.0004, true, Yellow, B::Stop, " 1.000", "  2.5"},
        {"live, no reference", 64, false, 0, true, 1.0004, true, Green, B::Stop, " 1.000", "  2.5"},
        // Without a reference an invalid orientation is shown as it is.
        {"live, no reference, invalid", 64, false, 0, false, 1.0004, true, Green, B::Stop, " 1.000",
         "  2.5"},
        {"live, no gravity", 64, false, 2, true, -99999.0, false, Yellow, B::Stop, "", ""},
        {"live, invalid", 64, false, 2, false, 1.0004, false, Yellow, B::Start, Dashes, Dashes},
    };
    for (const Case& c : cases) {
        DepthDisplayInputs in = inputs(c.kind, c.replay);
        in.orientationMode = c.mode;
        in.orientation = validOrientation();
        in.orientation.TotalGravity = c.gravity;
        if (!c.valid) {
            in.orientation.Validity = OrientationStatus::StoppedEarly;
            if (c.replay)
                in.orientation.Roll = -99999.0;
        }
        DepthDisplayLogic logic;
        const OrientationReadout out = logic.orientationReadout(in);
        EXPECT_TRUE(out.write) << c.what;
        EXPECT_EQ(out.dialShown, c.dial) << c.what;
        EXPECT_EQ(out.colour, c.colour) << c.what;
        EXPECT_EQ(out.blink, c.blink) << c.what;
        EXPECT_EQ(out.gravity, c.gravityText) << c.what;
        ASSERT_TRUE(out.inclination) << c.what;
        EXPECT_EQ(*out.inclination, c.inclination) << c.what;
        if (std::string(c.gravityText) == " 1.000") {
            EXPECT_EQ(out.angle, " 62.3") << c.what;
            EXPECT_EQ(out.magnetic, " 0.457") << c.what;
            EXPECT_EQ(out.azimuth, "123.4") << c.what;
            EXPECT_DOUBLE_EQ(out.dialAngle, 45.0) << c.what;
        }
    }
}

TEST(DepthDisplayLogic, DashesAreWrittenOnceAndNumbersReturnWithValidData) {
    DepthDisplayLogic logic;
    DepthDisplayInputs in = inputs(64, false);
    in.orientationMode = 1;
    in.orientation = validOrientation();
    in.orientation.Validity = OrientationStatus::StoppedEarly;
    const OrientationReadout first = logic.orientationReadout(in);
    EXPECT_EQ(first.blink, OrientationReadout::Blink::Start);
    EXPECT_EQ(first.azimuth, Dashes);
    // While the orientation stays invalid the blinking dashes are left alone.
    const OrientationReadout again = logic.orientationReadout(in);
    EXPECT_FALSE(again.write);
    EXPECT_FALSE(again.dialShown);
    EXPECT_TRUE(logic.dashesShown());

    in.orientation.Validity = OrientationStatus::Complete;
    const OrientationReadout valid = logic.orientationReadout(in);
    EXPECT_TRUE(valid.write);
    EXPECT_EQ(valid.blink, OrientationReadout::Blink::Stop);
    EXPECT_EQ(valid.azimuth, "123.4");
    EXPECT_FALSE(logic.dashesShown());
    // Invalid again: the dashes come back.
    in.orientation.Validity = OrientationStatus::StoppedEarly;
    EXPECT_EQ(logic.orientationReadout(in).blink, OrientationReadout::Blink::Start);
    // Losing the full data frames clears them, so they are written again when data returns.
    in.frameKind = 32;
    EXPECT_EQ(logic.orientationReadout(in).gravity, "");
    in.frameKind = 64;
    EXPECT_TRUE(logic.orientationReadout(in).write);
}

TEST(DepthDisplayLogic, InclinationOfUnusualLengthKeepsItsTextWithAReference) {
    DepthDisplayLogic logic;
    DepthDisplayInputs in = inputs(64, false);
    in.orientation = validOrientation();
    in.orientation.InclinationText = "1234567890"; // ten characters
    in.orientationMode = 1;
    EXPECT_FALSE(logic.orientationReadout(in).inclination);
    in.orientation.InclinationText = "";
    EXPECT_FALSE(logic.orientationReadout(in).inclination);
    in.orientationMode = 0;
    ASSERT_TRUE(logic.orientationReadout(in).inclination);
    EXPECT_EQ(*logic.orientationReadout(in).inclination, "");
}

TEST(DepthDisplayLogic, SerialTextAndUnitLabels) {
    struct Case {
        bool replay;
        int serial;
        bool powerUpDone;
        const char* text;
        bool replayBackground;
        bool blinking;
    };
    const Case cases[] = {
        {true, 1234, false, "SN: 1234", true, false},
        {true, 0, false, "SN : -", true, false},
        {false, 1234, true, "SN: 1234", false, false},
        {false, 1234, false, "SN: 1234", false, true},
        {false, 0, true, "SN : -", false, true},
        {false, -5, true, "SN : -", false, true},
    };
    for (const Case& c : cases) {
        const SerialReadout out =
            DepthDisplayLogic::serialReadout(c.replay, c.serial, c.powerUpDone);
        EXPECT_EQ(out.text, c.text) << c.serial;
        EXPECT_EQ(out.replayBackground, c.replayBackground) << c.serial;
        EXPECT_EQ(out.blinking, c.blinking) << c.serial << " " << c.powerUpDone;
    }
    EXPECT_STREQ(DepthDisplayLogic::unitLabels(false).depth, "M");
    EXPECT_STREQ(DepthDisplayLogic::unitLabels(false).speed, "M/min");
    EXPECT_STREQ(DepthDisplayLogic::unitLabels(false).resolution, "mm");
    EXPECT_STREQ(DepthDisplayLogic::unitLabels(true).depth, "ft");
    EXPECT_STREQ(DepthDisplayLogic::unitLabels(true).speed, "ft/min");
    EXPECT_STREQ(DepthDisplayLogic::unitLabels(true).resolution, "mil");
}

} // namespace
} // namespace zarn
