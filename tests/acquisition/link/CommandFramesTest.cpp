#include "acquisition/link/CommandFrames.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <vector>

namespace zarn {
namespace {

TEST(CommandFrames, EncoderScaleRoundsHalvesAwayFromZeroAndRefusesImpossibleWheels) {
    struct Case {
        std::int32_t pulses;
        double circumferenceMm;
        std::optional<std::int32_t> k;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Case> cases = {
        {1000, 500.0, 20480},      {1, 20480.0, 1}, // 0.5
        {5, 20480.0, 3},                            // 2.5: not to even
        {-1, 20480.0, -1},                          // -0.5
        {7, 20480.0 * 2, 2},                        // 1.75
        {1000, 0.0, std::nullopt}, {1000, -500.0, std::nullopt},
        {1000, nan, std::nullopt}, {std::numeric_limits<std::int32_t>::max(), 0.001, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pulses << " / " << c.circumferenceMm);
        EXPECT_EQ(CommandFrames::encoderScale(c.pulses, c.circumferenceMm), c.k);
    }
}

TEST(CommandFrames, F1WithAnImpossibleWheelIsNotBuiltAndLeavesTheBlockAlone) {
    LoggerParameters logger;
    logger.encoderScale = 123;
    logger.depthScale = 4.5;
    ProgramSettings program;
    program.wheelCircumferenceMm = 0.0;
    EXPECT_FALSE(CommandFrames::F1(logger, program).has_value());
    EXPECT_EQ(logger.encoderScale, 123);
    EXPECT_EQ(logger.depthScale, 4.5);
    EXPECT_EQ(logger.encoderFrequency, 0);
}

TEST(CommandFrames, DepthPresetTruncatesTowardZeroAndSaturates) {
    struct Case {
        double depthScale;
        double presetMetres;
        std::int32_t counts;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Case> cases = {
        {80.0, 2.5, 20000},
        {80.0, -0.00135, -10}, // -10.8
        {80.0, 0.00135, 10},
        {80.0, 1e12, std::numeric_limits<std::int32_t>::max()},
        {80.0, -1e12, std::numeric_limits<std::int32_t>::min()},
        {80.0, nan, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.depthScale << " x " << c.presetMetres);
        LoggerParameters logger;
        logger.depthScale = c.depthScale;
        logger.presetDepthMetres = c.presetMetres;
        const CommandFrame frame = CommandFrames::F2(logger);
        ASSERT_EQ(frame.length, 6u);
        std::int32_t carried = 0;
        std::memcpy(&carried, &frame.bytes[1], 4); // little-endian host
        EXPECT_EQ(carried, c.counts);
        EXPECT_TRUE(CommandFrames::verifyChecksum(frame.view()));
    }
}

TEST(CommandFrames, TheVerifierCatchesAnyChangedByte) {
    LoggerParameters logger;
    SurfaceSettings surface;
    const CommandFrame frame = CommandFrames::F12(logger, surface);
    ASSERT_TRUE(CommandFrames::verifyChecksum(frame.view()));
    for (size_t i = 0; i < frame.length; ++i) {
        CommandFrame changed = frame;
        changed.bytes[i] ^= 0x01;
        EXPECT_FALSE(CommandFrames::verifyChecksum(changed.view())) << "byte " << i;
    }
    EXPECT_FALSE(CommandFrames::verifyChecksum({}));
}

TEST(CommandFrames, ARequestNeverChangesTheSharedLightAndFilterButKeepsTheShutterRule) {
    LoggerParameters logger;
    logger.lightPower = 0x85; // already has the mark's bit: the frame keeps it set
    logger.filterCutOffFrequency = 0xFD00;
    logger.shutter = 24;
    logger.captureAdjustPeriod = 40;
    SurfaceSettings surface;
    const CommandFrame frame = CommandFrames::F12Request(logger, surface, 200);
    EXPECT_EQ(frame.bytes[1], 0x85);
    EXPECT_EQ(frame.bytes[8], 200);
    EXPECT_EQ(frame.bytes[2], 20);
    EXPECT_EQ(logger.lightPower, 0x85);
    EXPECT_EQ(logger.filterCutOffFrequency, 0xFD00);
    EXPECT_EQ(logger.captureAdjustPeriod, 20);
}

} // namespace
} // namespace zarn
