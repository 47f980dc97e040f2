// The settings snapshot the decoder reads, and the fixed texts of the record.
#include "acquisition/stream/DecoderSettings.h"
#include "acquisition/stream/FixedText.h"

#include <gtest/gtest.h>
#include <string>

namespace zarn {
namespace {

TEST(DecoderSettings, TakesEachValueFromItsConfigurationKeyAndTheSelectedSonde) {
    Configuration c;
    c.logger.shutter = 23;
    c.logger.orientationMode = 2;
    c.logger.magneticOffset = -3.25;
    c.logger.pulsesPerTurn = 2048;
    c.logger.depthScale = 16.25;
    c.logger.viewMode = 3;
    c.program.wheelCircumferenceMm = 612.5;
    c.program.wheelCircumferenceInch = 99.0; // the inch value is not the wheel value
    SelectedSonde sonde;
    sonde.cameraOffset = 12.5;
    sonde.gammaCoefficient = 0.75;
    sonde.imageOffset = 181.5;
    sonde.deviationOffset = 55;

    const DecoderSettings s = DecoderSettings::from(c, sonde, true);
    EXPECT_EQ(s.shutter, 23);
    EXPECT_EQ(s.orientationMode, 2);
    EXPECT_EQ(s.magneticOffset, -3.25);
    EXPECT_EQ(s.pulsResolution, 2048);
    EXPECT_EQ(s.depthScale, 16.25);
    EXPECT_EQ(s.viewMode, 3);
    EXPECT_EQ(s.wheelValue, 612.5);
    EXPECT_EQ(s.cameraOffset, 12.5);
    EXPECT_EQ(s.gammaCoefficient, 0.75);
    EXPECT_EQ(s.imageOffset, 181.5);
    EXPECT_TRUE(s.replayRunning);
    EXPECT_FALSE(DecoderSettings::from(c, sonde, false).replayRunning);
}

TEST(FixedText, KeepsAtMostItsCapacityAndStaysTerminated) {
    struct Case {
        std::string in;
        std::string kept;
    };
    const Case cases[] = {
        {"", ""},
        {"-", "-"},
        {"1234567", "1234567"},
        {"12345678", "12345678"},
        {"123456789", "12345678"},
        {std::string(300, 'x'), "xxxxxxxx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        FixedText<8> t;
        t = "previous";
        t = c.in;
        EXPECT_EQ(t.view(), c.kept);
        EXPECT_EQ(std::string(t.c_str()), c.kept);
        EXPECT_EQ(t.size(), c.kept.size());
        FixedText<8> copy = t;
        EXPECT_EQ(copy, t);
    }
}

} // namespace
} // namespace zarn
