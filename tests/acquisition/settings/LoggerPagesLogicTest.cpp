// The number entry of the settings pages, the winch page's checks and its order with the
// logger's echo, and the communication page's line speeds, drives and indicators.
#include "FakeLoggerSetupHost.h"

#include "acquisition/link/CommandFrames.h"
#include "acquisition/settings/CommPageLogic.h"
#include "acquisition/settings/NumberEntry.h"
#include "acquisition/settings/WinchPageLogic.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace zarn::test {
namespace {

TEST(NumberEntry, TakesAFieldOnlyWhenTheWholeOfItIsOneNumber) {
    struct Case {
        const char* text;
        std::optional<double> integer; // readInteger
        std::optional<double> decimal; // readDouble
    };
    const Case cases[] = {
        {"1000", 1000, 1000},
        {"  42 ", 42, 42},
        {"-7", -7, -7},
        {"10,25", std::nullopt, 10.25}, // the comma is the decimal point, never a cut
        {"10.25", std::nullopt, 10.25},
        {".5", std::nullopt, 0.5},
        {"1-2", std::nullopt, std::nullopt},
        {"1.2.3", std::nullopt, std::nullopt},
        {"1,2.3", std::nullopt, std::nullopt},
        {"12abc", std::nullopt, std::nullopt},
        {"1e3", std::nullopt, std::nullopt},
        {"inf", std::nullopt, std::nullopt},
        {"-", std::nullopt, std::nullopt},
        {"--5", std::nullopt, std::nullopt},
        {"2147483647", 2147483647, 2147483647},
        {"2147483648", std::nullopt, 2147483648.0},
        {"1234567890123456789", std::nullopt, 1234567890123456789.0},
        {"-9999999999999999999", std::nullopt, -9999999999999999999.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NumberEntry::readInteger(c.text).value, c.integer) << '"' << c.text << '"';
        EXPECT_EQ(NumberEntry::readDouble(c.text).value, c.decimal) << '"' << c.text << '"';
        if (!c.integer) {
            EXPECT_EQ(NumberEntry::readInteger(c.text).message, NumberEntry::NotANumberText);
        }
    }
    EXPECT_EQ(NumberEntry::readInteger("  ").message, NumberEntry::NoValueText);
    EXPECT_EQ(NumberEntry::readDouble("").message, NumberEntry::NoValueText);
    EXPECT_EQ(NumberEntry::writeInteger(130, 90, 125), "125");
    EXPECT_EQ(NumberEntry::writeDouble(359.99, 2), "359.99");
    EXPECT_EQ(NumberEntry::writeDouble(0.0, 1, true), "");
}

struct WinchFixture : ::testing::Test {
    RecordingUserMessages messages;
    FakeLoggerSetupHost host;
    WinchPageLogic page{host};
    std::int64_t now = 0;

    void runFor(int ms) {
        for (int t = 0; t < ms; t += 50) {
            now += 50;
            page.order().service(now);
        }
    }
};

TEST_F(WinchFixture, ChecksTheWheelAndEncoderCombinationWithItsMessages) {
    struct Case {
        int pulses;
        double mm;
        const char* fault; // nullptr: accepted
        std::int32_t factor;
    };
    const Case cases[] = {
        {5000, 500.0, nullptr, 102400},                        // ratio 300
        {1000, 500.0, nullptr, 20480},                         // ratio 1500
        {500, 600.0, WinchPageLogic::TooHighText, 0},          // ratio 3600
        {10000, 250.0, WinchPageLogic::TooLowText, 0},         // ratio 75
        {10000, 1000.0, nullptr, 102400},                      // ratio 300, 400 counts/cm
        {10000, 750.0, WinchPageLogic::BadCombinationText, 0}, // ratio 225, 533 counts/cm
        {500, 500.0, nullptr, 10240},                          // ratio 3000 exactly
    };
    for (const Case& c : cases) {
        const std::optional<std::string> fault = WinchPageLogic::combinationFault(c.pulses, c.mm);
        if (c.fault) {
            EXPECT_EQ(fault, std::string(c.fault)) << c.pulses << "/" << c.mm;
        } else {
            EXPECT_FALSE(fault) << c.pulses << "/" << c.mm << ": " << fault.value_or("");
            EXPECT_EQ(CommandFrames::encoderScale(c.pulses, c.mm), c.factor);
        }
    }
    EXPECT_DOUBLE_EQ(WinchPageLogic::ratio(5000, 500.0), 300.0);
}

TEST_F(WinchFixture, TypedEntriesAreRefusedWithTheirMessagesAndNothingIsStoredOrSent) {
    struct Case {
        const char* resolution;
        const char* message;
    };
    const Case refused[] = {
        {"20000", WinchPageLogic::BadResolutionText}, // before any ratio check
        {"499", WinchPageLogic::BadResolutionText},
        {"1-2", NumberEntry::NotANumberText},
        {"10,25", NumberEntry::NotANumberText},
        {"1234567890123456789", NumberEntry::NotANumberText},
        {"", NumberEntry::NoValueText},
        {"12000", WinchPageLogic::BadResolutionText},
    };
    for (const Case& c : refused) {
        const Configuration before = host.config;
        EXPECT_FALSE(page.enterResolution(c.resolution)) << c.resolution;
        ASSERT_FALSE(messages.texts().empty());
        EXPECT_EQ(messages.texts().back(), c.message) << c.resolution;
        EXPECT_EQ(host.config.logger.pulsesPerTurn, before.logger.pulsesPerTurn);
    }
    EXPECT_FALSE(page.enterCircumference("1500.5"));
    EXPECT_EQ(messages.texts().back(), WinchPageLogic::BadMetricText);
    EXPECT_FALSE(page.enterCircumference("1.2.3"));
    EXPECT_EQ(messages.texts().back(), NumberEntry::NotANumberText);
    EXPECT_EQ(host.saves, 0);
    EXPECT_FALSE(page.order().waiting());
    runFor(2000);
    EXPECT_TRUE(host.sentOrders.empty());

    // The circumference with a comma is read whole, in inches in imperial mode.
    host.config.program.depthUnit = 1;
    EXPECT_FALSE(page.enterCircumference("61"));
    EXPECT_EQ(messages.texts().back(), WinchPageLogic::BadImperialText);
    EXPECT_TRUE(page.enterCircumference("19,69"));
    EXPECT_DOUBLE_EQ(host.config.program.wheelCircumferenceInch, 19.69);
    EXPECT_NEAR(host.config.program.wheelCircumferenceMm, 19.69 * 25.39996, 1e-9);
    EXPECT_EQ(page.shown().circumference, "19.69");
    EXPECT_EQ(page.shown().unit, "inch");
}

TEST_F(WinchFixture, ASpinStepThatBreaksTheCombinationIsNotTaken) {
    host.config.logger.pulsesPerTurn = 600;
    host.config.program.wheelCircumferenceMm = 600.0; // ratio 3000: at the top
    EXPECT_FALSE(page.stepResolution(-1));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{WinchPageLogic::BadCombinationText});
    EXPECT_FALSE(page.stepCircumference(+1));
    EXPECT_EQ(messages.texts().size(), 2u);
    EXPECT_EQ(host.config.program.wheelCircumferenceMm, 600.0);
    EXPECT_EQ(host.config.logger.pulsesPerTurn, 600);
    EXPECT_EQ(host.saves, 0);
    EXPECT_TRUE(page.stepCircumference(-1));
    EXPECT_DOUBLE_EQ(host.config.program.wheelCircumferenceMm, 599.9);
    EXPECT_TRUE(page.stepResolution(+1));
    EXPECT_EQ(host.config.logger.pulsesPerTurn, 601);
    // At the end of the range the spin stops without a message.
    host.config.logger.pulsesPerTurn = 500;
    host.config.program.wheelCircumferenceMm = 250.0;
    EXPECT_FALSE(page.stepResolution(-1));
    EXPECT_EQ(messages.texts().size(), 2u);
}

TEST_F(WinchFixture, AChangeIsSentWhenTheLinkIsReadyAndAcceptedOnItsEcho) {
    host.linkReady = false;
    ASSERT_TRUE(page.enterResolution("5000"));
    EXPECT_EQ(host.config.logger.pulsesPerTurn, 5000);
    EXPECT_EQ(host.saves, 1);
    runFor(500);
    EXPECT_TRUE(host.sentOrders.empty()) << "no order while the link is not ready";
    host.linkReady = true;
    runFor(50);
    ASSERT_EQ(host.sendsOf(SetupOrder::WinchSettings), 1u);
    EXPECT_TRUE(page.order().checking());
    // No frame has come back yet: the check waits.
    runFor(1500);
    EXPECT_TRUE(page.order().checking());
    ++host.logger.frames;
    runFor(400);
    EXPECT_FALSE(page.order().checking());
    EXPECT_EQ(host.sendsOf(SetupOrder::WinchSettings), 1u);
    EXPECT_TRUE(messages.texts().empty());
}

TEST_F(WinchFixture, AWrongEchoIsSentAgainFiveTimesInAllAndWarnedOnce) {
    host.echoes = false;
    host.logger.echoWord2 = 1500;
    host.logger.echoWord4 = 1234; // a logger that does not take the scale
    page.setCableType(1);
    for (int i = 0; i < 20; ++i) {
        ++host.logger.frames;
        runFor(400);
    }
    EXPECT_EQ(host.sendsOf(SetupOrder::WinchSettings), size_t(SettingsOrder::MostAttempts));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{WinchPageLogic::EchoWarningText});
    EXPECT_FALSE(page.order().checking());
    EXPECT_FALSE(page.order().waiting());
    EXPECT_EQ(host.config.logger.cableType, 1) << "the setting stays stored";
}

// Near the divider threshold a recomputation from the settings of now can disagree with what
// went out; the check compares the echo with the bytes of the frame sent.
TEST_F(WinchFixture, TheEchoIsComparedWithTheFrameSentNotARecomputation) {
    host.config.logger.pulsesPerTurn = 7500;
    host.config.program.wheelCircumferenceMm = 2000.0; // 150 counts/cm: at ENCDIV 150
    host.config.program.encoderDivider = 150;
    ASSERT_TRUE(page.enterCircumference("1000")); // 300 counts/cm: halved in the frame
    ++host.logger.frames;
    runFor(50);
    ASSERT_TRUE(host.winchFrame);
    // Meanwhile the divider threshold changed (another window): the frame sent still stands.
    host.config.program.encoderDivider = 400;
    ++host.logger.frames;
    runFor(1500);
    EXPECT_FALSE(page.order().checking());
    EXPECT_EQ(host.sendsOf(SetupOrder::WinchSettings), 1u);
    EXPECT_TRUE(messages.texts().empty());
    const LoggerReadBack wrongMode = [&] {
        LoggerReadBack r = host.logger;
        r.statusFlags ^= 0x20;
        return r;
    }();
    EXPECT_FALSE(WinchPageLogic::echoMatches(*host.winchFrame, wrongMode));
}

struct CommFixture : ::testing::Test {
    RecordingUserMessages messages;
    FakeLoggerSetupHost host;
    CommPageLogic page{host};
    std::int64_t now = 0;
    void runFor(int ms) {
        for (int t = 0; t < ms; t += 50) {
            now += 50;
            page.downholeOrder().service(now);
            page.surfaceOrder().service(now);
        }
    }
};

TEST_F(CommFixture, ALineSpeedSetsTheMaximumUpholeDriveAndLowersTheDriveToFit) {
    host.config.logger.upholePulseWidth = 15;
    ASSERT_TRUE(page.chooseSpeed(20)); // "31250"
    EXPECT_EQ(page.shown().maximum, "Max : 60");
    EXPECT_EQ(host.config.logger.upholePulseWidth, 15);
    EXPECT_TRUE(page.enterUpholeDrive("60"));
    ASSERT_TRUE(page.chooseSpeed(2)); // "312500"
    EXPECT_EQ(page.shown().maximum, "Max : 8");
    EXPECT_EQ(host.config.logger.upholePulseWidth, 8);
    EXPECT_EQ(host.config.surface.upholeBaudDivisor, 2);
    EXPECT_FALSE(page.chooseSpeed(11)) << "not a divisor of the table";
    runFor(100);
    EXPECT_EQ(host.sendsOf(SetupOrder::SurfaceVoltage), 1u) << "one order for the changes";
    EXPECT_FALSE(page.enterUpholeDrive("9"));
    EXPECT_EQ(messages.texts().back(), CommPageLogic::BadValueText);
    EXPECT_EQ(host.config.logger.upholePulseWidth, 8);
}

TEST_F(CommFixture, DrivesAndGainAreCheckedAgainstTheirReadBack) {
    EXPECT_FALSE(page.enterGain("41"));
    EXPECT_FALSE(page.enterDownholeDrive("5"));
    EXPECT_FALSE(page.enterDownholeDrive("10,5"));
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{CommPageLogic::BadValueText, CommPageLogic::BadValueText,
                                        NumberEntry::NotANumberText}));
    ASSERT_TRUE(page.enterGain("30"));
    ASSERT_TRUE(page.enterDownholeDrive("20"));
    host.echoes = false; // the logger keeps its gain of 25 and applies no drive
    host.logger.upholeGain = 25;
    host.logger.downholeEnergy = 20;
    for (int i = 0; i < 20; ++i) {
        ++host.logger.frames;
        runFor(400);
    }
    EXPECT_EQ(host.sendsOf(SetupOrder::DownholeSettings), size_t(SettingsOrder::MostAttempts));
    ASSERT_EQ(messages.texts().size(), 4u);
    EXPECT_EQ(messages.texts().back(),
              "UPHOLE RECEIVER GAIN\nWarning consign error\n Send:30  Read back:25");
}

TEST(CommIndicators, LightFromTheStatusBitsAndGoGreyAfterTheirHold) {
    CommIndicators ind;
    using C = CommIndicators::Colour;
    ind.tick(0x01);
    EXPECT_EQ(ind.colour(CommIndicators::UpholeDataValid), C::Green);
    ind.tick(0x09); // checksum error
    EXPECT_EQ(ind.colour(CommIndicators::ChecksumError), C::Red);
    EXPECT_EQ(ind.colour(CommIndicators::UpholeDataValid), C::Grey);
    ind.tick(0x11); // parameter update, error gone
    EXPECT_EQ(ind.colour(CommIndicators::ParameterUpdate), C::Yellow);
    for (int i = 0; i < CommIndicators::HoldTicks; ++i)
        ind.tick(0x01);
    EXPECT_EQ(ind.colour(CommIndicators::ChecksumError), C::Grey) << "held 3 ticks, then grey";
    EXPECT_EQ(ind.colour(CommIndicators::ParameterUpdate), C::Yellow);
    ind.tick(0x01);
    EXPECT_EQ(ind.colour(CommIndicators::ParameterUpdate), C::Grey);
    ind.tick(0x01);
    EXPECT_EQ(ind.colour(CommIndicators::UpholeDataValid), C::Green);
    ind.frameDecoded(0x01, 1);
    EXPECT_EQ(ind.colour(CommIndicators::DownholeDataValid), C::Red);
    ind.frameDecoded(0x01, 0);
    EXPECT_EQ(ind.colour(CommIndicators::DownholeDataValid), C::Green);
    ind.frameDecoded(0x01, -1);
    EXPECT_EQ(ind.colour(CommIndicators::DownholeDataValid), C::Grey);
    ind.tick(0x41);
    ind.clear();
    for (int i = 0; i < CommIndicators::Count; ++i)
        EXPECT_EQ(ind.colour(i), C::Grey);
}

} // namespace
} // namespace zarn::test
