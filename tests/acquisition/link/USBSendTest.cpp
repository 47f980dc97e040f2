#include "platform/DebugOutput.h"
#include "tests/acquisition/link/LinkTestSupport.h"

#include <chrono>
#include <functional>
#include <gmock/gmock.h>

namespace zarn::test {
namespace {

using namespace std::chrono_literals;

Bytes bytesOf(const CommandFrame& frame) {
    return Bytes(frame.view().begin(), frame.view().end());
}

struct FrameCase {
    const char* name;
    std::function<void(Configuration&, CommandWorkingValues&)> setup;
    bool (CUSB::*send)();
    Bytes expected;
    std::function<void(const Configuration&)> after; // what the send left in the settings
};

// A camera block with every F12 field given.
void camera(Configuration& c, std::uint8_t shutter, std::uint8_t period) {
    c.logger.lightPower = 10;
    c.logger.shutter = shutter;
    c.logger.captureAdjustPeriod = period;
    c.logger.imageResolution = 116;
    c.surface.upholeBaudDivisor = 10;
    c.logger.upholePulseWidth = 15;
    c.logger.filterCutOffFrequency = 64768;
}

// The winch settings of the encoder example: 1000 pulses on a 500 mm wheel.
void winch(Configuration& c, std::uint16_t divider, std::int32_t power) {
    c.logger.pulsesPerTurn = 1000;
    c.program.wheelCircumferenceMm = 500.0;
    c.program.encoderDivider = divider;
    c.logger.cableType = 0;
    c.logger.pulleyDirection = 1;
    c.logger.sondeSupplyVoltage = power;
}

const std::vector<FrameCase>& frameCases() {
    static const std::vector<FrameCase> cases = {
        {"F0 mono cable, normal pulley",
         [](Configuration& c, CommandWorkingValues&) {
             c.logger.cableType = 1;
             c.logger.pulleyDirection = 1;
         },
         &CUSB::sendF0,
         {0x00, 0x30, 0x30},
         {}},
        {"F0 four conductors, reversed pulley",
         [](Configuration& c, CommandWorkingValues&) {
             c.logger.cableType = 0;
             c.logger.pulleyDirection = 0;
         },
         &CUSB::sendF0,
         {0x00, 0x00, 0x00},
         {}},
        {"F1 k = 20480 under the divider 150",
         [](Configuration& c, CommandWorkingValues&) { winch(c, 150, 100); },
         &CUSB::sendF1,
         {0x01, 0x20, 0xDC, 0x05, 0x00, 0x50, 0x64, 0xB6},
         [](const Configuration& c) {
             EXPECT_EQ(c.logger.encoderScale, 20480);
             EXPECT_EQ(c.logger.depthScale, 80.0);
             EXPECT_EQ(c.logger.encoderFrequency, 1500);
             EXPECT_EQ(c.logger.encoderFrequencyD, 1500.0);
         }},
        {"F1 k = 20480 over the divider 50 carries k / 2",
         [](Configuration& c, CommandWorkingValues&) { winch(c, 50, 100); },
         &CUSB::sendF1,
         {0x01, 0x20, 0xDC, 0x05, 0x00, 0x28, 0x64, 0x8E},
         [](const Configuration& c) {
             EXPECT_EQ(c.logger.encoderScale, 20480); // the block keeps the whole scale
             EXPECT_EQ(c.logger.depthScale, 80.0);
         }},
        {"F1 supply 130 goes out as 125",
         [](Configuration& c, CommandWorkingValues&) { winch(c, 150, 130); },
         &CUSB::sendF1,
         {0x01, 0x20, 0xDC, 0x05, 0x00, 0x50, 0x7D, 0xCF},
         [](const Configuration& c) { EXPECT_EQ(c.logger.sondeSupplyVoltage, 130); }},
        {"F1 supply 60 goes out as 80",
         [](Configuration& c, CommandWorkingValues&) { winch(c, 150, 60); },
         &CUSB::sendF1,
         {0x01, 0x20, 0xDC, 0x05, 0x00, 0x50, 0x50, 0xA2},
         [](const Configuration& c) { EXPECT_EQ(c.logger.sondeSupplyVoltage, 60); }},
        {"F2 preset 2.5 m",
         [](Configuration& c, CommandWorkingValues&) {
             c.logger.depthScale = 80.0;
             c.logger.presetDepthMetres = 2.5;
         },
         &CUSB::sendF2,
         {0x02, 0x20, 0x4E, 0x00, 0x00, 0x70},
         {}},
        {"F2 negative preset truncated toward zero",
         [](Configuration& c, CommandWorkingValues&) {
             c.logger.depthScale = 80.0;
             c.logger.presetDepthMetres = -0.00135;
         },
         &CUSB::sendF2,
         {0x02, 0xF6, 0xFF, 0xFF, 0xFF, 0xF5},
         {}},
        {"F3",
         [](Configuration& c, CommandWorkingValues&) {
             c.logger.upholeGain = 25;
             c.logger.downholeEnergy = 15;
         },
         &CUSB::sendF3,
         {0x03, 0x19, 0x0F, 0x2B},
         {}},
        {"F11 supply 130 is not clamped",
         [](Configuration& c, CommandWorkingValues&) {
             c.logger.sondeSupplyVoltage = 130;
             c.surface.upholeBaudDivisor = 10;
             c.logger.upholePulseWidth = 15;
         },
         &CUSB::sendF11,
         {0x0B, 0x00, 0x82, 0x0A, 0x0F, 0xA6},
         {}},
        {"F12 shutter 22 goes out as 20 and sets the period",
         [](Configuration& c, CommandWorkingValues&) { camera(c, 22, 40); },
         &CUSB::sendF12,
         {0x0C, 0x0A, 0x14, 0x14, 0x74, 0x00, 0x0A, 0x0F, 0xFD, 0xC8},
         [](const Configuration& c) {
             EXPECT_EQ(c.logger.captureAdjustPeriod, 20);
             EXPECT_EQ(c.logger.shutter, 22);
         }},
        {"F12 shutter 10 keeps the period",
         [](Configuration& c, CommandWorkingValues&) { camera(c, 10, 40); },
         &CUSB::sendF12,
         {0x0C, 0x0A, 0x0A, 0x28, 0x74, 0x00, 0x0A, 0x0F, 0xFD, 0xD2},
         [](const Configuration& c) { EXPECT_EQ(c.logger.captureAdjustPeriod, 40); }},
        {"F13.0 view mode",
         [](Configuration& c, CommandWorkingValues& w) {
             c.logger.viewMode = 2;
             c.logger.holeDiameter = 15;
             c.logger.probeSpeed = 0x1234;
             w.recordByte36 = 1;
         },
         &CUSB::sendF13ViewMode,
         {0x0D, 0x00, 0x02, 0x00, 0x0F, 0x34, 0x12, 0x01, 0x65},
         {}},
        {"F13.1 flash clears the flash word",
         [](Configuration& c, CommandWorkingValues&) { c.logger.flashWord = 2; },
         &CUSB::sendF13Flash,
         {0x0D, 0x01, 0x55, 0xAA, 0x02, 0x00, 0x00, 0x00, 0x0F},
         [](const Configuration& c) { EXPECT_EQ(c.logger.flashWord, 0); }},
        {"F13.2 colour gains",
         [](Configuration& c, CommandWorkingValues&) {
             c.logger.redGain = 223;
             c.logger.greenGain = 186;
             c.logger.blueGain = 255;
             c.logger.bayerResolution = 9;
         },
         &CUSB::sendF13ColourGains,
         {0x0D, 0x02, 0xDF, 0xBA, 0xFF, 0x00, 0x00, 0x09, 0xB0},
         {}},
        {"F13.3 picture circle",
         [](Configuration& c, CommandWorkingValues&) {
             c.logger.imageCircleRadius = 318;
             c.logger.imageCircleCentreX = 652;
             c.logger.imageCircleCentreY = 600;
         },
         &CUSB::sendF13PictureCircle,
         {0x0D, 0x03, 0x3E, 0x01, 0x8C, 0x02, 0x58, 0x02, 0x37},
         {}},
        {"F13.4 grey calibration clears the trigger",
         [](Configuration& c, CommandWorkingValues&) {
             c.logger.useGreyCalibration = 0x0101; // only the low byte goes out
             c.logger.greyCalibrationTrigger = 1;
         },
         &CUSB::sendF13GreyCalibration,
         {0x0D, 0x04, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0x13},
         [](const Configuration& c) {
             EXPECT_EQ(c.logger.greyCalibrationTrigger, 0);
             EXPECT_EQ(c.logger.useGreyCalibration, 0x0101);
         }},
        {"F13.5 orientation filter",
         [](Configuration& c, CommandWorkingValues&) { c.logger.filterCutOffFrequency = 64768; },
         &CUSB::sendF13OrientationFilter,
         {0x0D, 0x05, 0x00, 0xFD, 0x00, 0x00, 0x00, 0x00, 0x0F},
         {}},
        {"F13.6 diagnostic",
         [](Configuration&, CommandWorkingValues& w) {
             w.diagnosticByteA = 255;
             w.diagnosticByteB = 255;
         },
         &CUSB::sendF13Diagnostic,
         {0x0D, 0x06, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x11},
         {}},
        {"F13.7 calibration date",
         [](Configuration& c, CommandWorkingValues&) {
             c.logger.productIdentity = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
         },
         &CUSB::sendF13CalibrationDate,
         {0x0D, 0x07, 0x11, 0x22, 0x44, 0x33, 0x66, 0x55, 0x79},
         {}},
    };
    return cases;
}

TEST_F(LinkFixture, EveryFrameIsWrittenByteExactFromTheSettings) {
    for (const FrameCase& c : frameCases()) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(CommandFrames::verifyChecksum(c.expected)) << "the row itself is wrong";
        Configuration config;
        CommandWorkingValues working;
        c.setup(config, working);
        settings.publish(config);
        usb->setWorkingValues(working);
        const size_t before = bridge.writes().size();

        ASSERT_TRUE(((*usb).*c.send)());
        drain();

        const auto writes = bridge.writes();
        ASSERT_EQ(writes.size(), before + 1);
        EXPECT_EQ(writes.back(), c.expected);
        if (c.after)
            c.after(settings.snapshot());
    }
    EXPECT_THAT(messages.texts(), testing::IsEmpty());
}

TEST_F(LinkFixture, AnImpossibleWheelSendsNoF1AndSaysSoInTheErrorLog) {
    settings.modify([](Configuration& c) { c.program.wheelCircumferenceMm = 0.0; });
    EXPECT_FALSE(usb->sendF1());
    drain();
    EXPECT_TRUE(bridge.writes().empty());
    EXPECT_TRUE(errorLogEntry("CUSB :: L1398").has_value());
}

TEST(LinkSendGuards, AnExceptionWhileSendingIsReportedUnderTheFramesLocationText) {
    TempHome home;
    RecordingUserMessages messages;
    DiagnosticLogs& programLogs = DiagnosticLogs::instance();
    programLogs.setFolder(home.path());
    TechnicalSwitches on;
    on.debuggingTools = true;
    programLogs.setSwitches(on);
    std::vector<std::string> debug;
    setDebugOutputSink([&](std::string_view text) { debug.emplace_back(text); });
    // Every frame is built from the configuration: reaching it fails.
    CUSB usb(ConfigurationAccess([](const std::function<void(Configuration&)>&) {
        throw std::runtime_error("configuration unreadable");
    }));
    struct Case {
        const char* location;
        std::function<bool()> send;
        const char* function;
    };
    const std::vector<Case> cases = {
        {"CUSB :: L1398", [&] { return usb.sendF1(); }, "zarn::CUSB::sendF1"},
        {"CUSB :: L1430", [&] { return usb.sendF2(); }, "zarn::CUSB::sendF2"},
        {"CUSB :: L1456", [&] { return usb.sendF3(); }, "zarn::CUSB::sendF3"},
        {"CUSB :: L1499", [&] { return usb.sendF11(); }, "zarn::CUSB::sendF11"},
        {"CUSB :: L1546", [&] { return usb.sendF12(); }, "zarn::CUSB::sendF12"},
        {"CUSB :: L1546", [&] { return usb.requestVideoPacket(3, false, false); },
         "zarn::CUSB::requestVideoPacket"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.location);
        std::filesystem::remove(programLogs.errorLogPath());
        debug.clear();
        EXPECT_FALSE(c.send());
        const ProfileDocument log = ProfileFile::load(programLogs.errorLogPath());
        ASSERT_EQ(log.sectionNames().size(), 1u);
        EXPECT_EQ(log.get(log.sectionNames()[0], c.location),
                  std::optional<std::string>("configuration unreadable"));
        ASSERT_EQ(debug.size(), 1u);
        EXPECT_THAT(debug[0], testing::StartsWith(std::string("Function: ") + c.function + "\n"));
    }
    setDebugOutputSink({});
    programLogs.setSwitches(TechnicalSwitches{});
    EXPECT_EQ(usb.pendingLength(), 0u) << "nothing was handed over";
}

TEST_F(LinkFixture, PendingLengthStaysSetUntilTheLastQueuedFrameIsWritten) {
    std::vector<bool> refreshes;
    std::mutex refreshMutex;
    usb->setRefreshDataView([&](bool statusOnly) {
        std::lock_guard lock(refreshMutex);
        refreshes.push_back(statusOnly);
    });
    usb->flags().newFrameArrived = true;
    bridge.hold(true);
    ASSERT_TRUE(usb->sendF3());
    ASSERT_TRUE(bridge.waitHeldWriter());
    // The frame is inside the write: still pending, the link is not ready for an order.
    EXPECT_EQ(usb->pendingLength(), 4u);
    EXPECT_TRUE(usb->flags().senderRunning.load());
    EXPECT_FALSE(usb->linkReadyForCommand());
    EXPECT_FALSE(usb->claimLinkForCommand());
    EXPECT_TRUE(usb->flags().newFrameArrived.load()) << "a refused claim keeps the frame";

    ASSERT_TRUE(usb->sendF11()); // queued behind, not written over the first
    EXPECT_EQ(usb->pendingLength(), 10u);
    bridge.hold(false);
    drain();

    EXPECT_EQ(usb->pendingLength(), 0u);
    EXPECT_TRUE(usb->flags().frameSent.load());
    EXPECT_FALSE(usb->flags().senderRunning.load());
    const Configuration c = settings.snapshot();
    EXPECT_EQ(bridge.writes(),
              (std::vector<Bytes>{bytesOf(CommandFrames::F3(c.logger)),
                                  bytesOf(CommandFrames::F11(c.logger, c.surface))}));
    std::lock_guard lock(refreshMutex);
    EXPECT_EQ(refreshes, (std::vector<bool>{true, true}));
}

TEST_F(LinkFixture, OneOrderPerReceivedFrame) {
    EXPECT_FALSE(usb->linkReadyForCommand()) << "no frame received yet";
    EXPECT_FALSE(usb->claimLinkForCommand());
    usb->flags().newFrameArrived = true;
    EXPECT_TRUE(usb->linkReadyForCommand());
    EXPECT_TRUE(usb->claimLinkForCommand());
    EXPECT_FALSE(usb->claimLinkForCommand()) << "the second page waits for the next frame";
    EXPECT_FALSE(usb->linkReadyForCommand());
}

TEST_F(LinkFixture, TheDeliberateSecondWriteGoesOutAsTwoWholeWrites) {
    settings.modify([](Configuration& c) {
        c.logger.cableType = 1;
        c.logger.pulleyDirection = 1;
    });
    ASSERT_TRUE(usb->sendF0());
    ASSERT_TRUE(usb->sendAgain());
    drain();
    EXPECT_EQ(bridge.writes(), (std::vector<Bytes>{{0x00, 0x30, 0x30}, {0x00, 0x30, 0x30}}));
}

TEST_F(LinkFixture, ShortWritesAreResumedUntilTheFrameIsWhole) {
    bridge.writeChunk(3);
    settings.modify([](Configuration& c) { camera(c, 10, 40); });
    ASSERT_TRUE(usb->sendF12());
    ASSERT_TRUE(usb->sendF3());
    drain();
    const auto writes = bridge.writes();
    ASSERT_EQ(writes.size(), 6u); // 3 + 3 + 3 + 1, then 3 + 1
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(writes[i].size(), 3u);
    Configuration c = settings.snapshot();
    Bytes expected = bytesOf(CommandFrames::F12(c.logger, c.surface));
    const Bytes f3 = bytesOf(CommandFrames::F3(c.logger));
    expected.insert(expected.end(), f3.begin(), f3.end());
    EXPECT_EQ(bridge.stream(), expected);
    EXPECT_FALSE(errorLogEntry(CUSB::errorLocation(CUSB::SendErrorCode)).has_value());
}

TEST_F(LinkFixture, AFailedWriteIsReportedAndTheLinkIsFreedAgain) {
    bridge.writeStatus(FT_IO_ERROR);
    ASSERT_TRUE(usb->sendF3());
    drain();
    EXPECT_TRUE(bridge.writes().empty());
    EXPECT_TRUE(usb->flags().frameSent.load());
    EXPECT_EQ(errorLogEntry("Thread_USB_Send : driver error. Data not send - err 5570"),
              std::optional<std::string>("IO Error"));
}

TEST_F(LinkFixture, NothingIsWrittenWhenClosingButCallersAreNotLeftWaiting) {
    usb->flags().closing = true;
    ASSERT_TRUE(usb->sendF3());
    drain();
    EXPECT_EQ(usb->pendingLength(), 0u);
    EXPECT_TRUE(bridge.writes().empty());
    EXPECT_FALSE(usb->flags().frameSent.load());
}

TEST(CUSB, WithoutABoundLibraryFramesAreDroppedAndThePendingLengthCleared) {
    TempHome home;
    RecordingUserMessages messages;
    Shared<Configuration> settings;
    DiagnosticLogs logs(home.path());
    CUSB usb(settings, logs);
    ASSERT_TRUE(usb.sendF1());
    ASSERT_TRUE(usb.waitUntilSent(5s));
    EXPECT_EQ(usb.pendingLength(), 0u);
    EXPECT_FALSE(usb.flags().frameSent.load());
    EXPECT_THAT(messages.texts(), testing::IsEmpty()) << "no 'not valid' box from the sender";
}

// ---- Video packet re-request ----

TEST_F(LinkFixture, ARequestForPacket7SendsF12WithTheMarkAndTheIndexAndRestoresNothing) {
    settings.modify([](Configuration& c) { camera(c, 10, 40); });
    ASSERT_TRUE(usb->requestVideoPacket(7, true, true));
    drain();
    EXPECT_EQ(bridge.writes(),
              (std::vector<Bytes>{{0x0C, 0x8A, 0x0A, 0x28, 0x74, 0x00, 0x0A, 0x0F, 0x07, 0x5C}}));
    const Configuration c = settings.snapshot();
    EXPECT_EQ(c.logger.lightPower, 10);
    EXPECT_EQ(c.logger.filterCutOffFrequency, 64768);
    EXPECT_EQ(usb->lastRequestedIndex(), 7);
    EXPECT_EQ(usb->requestTable().at(0), 7);
    EXPECT_EQ(usb->statistics().videoRequests.load(), 1);
    EXPECT_EQ(usb->statistics().panelRequests.load(), 1);
}

TEST_F(LinkFixture, TheRequestTableKeepsEachIndexOnceAndOnlyWhenAskedTo) {
    struct Step {
        std::uint8_t index;
        bool remember;
        bool count;
        std::vector<std::int32_t> table; // used entries afterwards, from entry 0
        std::int32_t requests;
    };
    const std::vector<Step> steps = {
        {12, true, true, {12}, 1},
        {12, true, false, {12}, 1}, // already there, not counted
        {13, false, true, {12}, 2}, // sent and counted, not remembered
        {14, true, true, {12, 14}, 3},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "index " << int(s.index));
        ASSERT_TRUE(usb->requestVideoPacket(s.index, s.remember, s.count));
        drain();
        std::vector<std::int32_t> table;
        for (int i = 0; i <= usb->requestTable().highestUsed(); ++i)
            table.push_back(usb->requestTable().at(i));
        EXPECT_EQ(table, s.table);
        EXPECT_EQ(usb->statistics().videoRequests.load(), s.requests);
        EXPECT_EQ(bridge.writes().back()[8], s.index);
    }
    EXPECT_EQ(bridge.writes().size(), steps.size());
}

TEST_F(LinkFixture, ARequestWhileTheLinkStaysBusyGivesUpAfter50WaitsAndSendsNothing) {
    bridge.hold(true);
    ASSERT_TRUE(usb->sendF3());
    ASSERT_TRUE(bridge.waitHeldWriter());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(usb->requestVideoPacket(7, true, true));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 50 * CUSB::RequestWaitStep);
    EXPECT_EQ(usb->requestTable().used(), 0);
    EXPECT_EQ(usb->statistics().videoRequests.load(), 0);
    bridge.hold(false);
    drain();
    ASSERT_EQ(bridge.writes().size(), 1u);
    EXPECT_EQ(bridge.writes()[0][0], 0x03);
}

TEST_F(LinkFixture, ARequestWaitsForAFrameThatFinishesInTime) {
    bridge.hold(true);
    ASSERT_TRUE(usb->sendF3());
    ASSERT_TRUE(bridge.waitHeldWriter());
    std::thread release([&] {
        std::this_thread::sleep_for(100ms);
        bridge.hold(false);
    });
    EXPECT_TRUE(usb->requestVideoPacket(9, false, false));
    release.join();
    drain();
    const auto writes = bridge.writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0][0], 0x03);
    EXPECT_EQ(writes[1][0], 0x0C);
    EXPECT_EQ(writes[1][8], 9);
}

TEST(VideoRequestTable, IsBoundedToItsFiftyEntries) {
    VideoRequestTable table;
    EXPECT_EQ(table.highestUsed(), -1);
    for (int i = 0; i < VideoRequestTable::Size; ++i)
        ASSERT_EQ(table.remember(i), i);
    EXPECT_EQ(table.remember(99), -1);
    EXPECT_FALSE(table.contains(99));
    EXPECT_EQ(table.at(-1), VideoRequestTable::Empty);
    EXPECT_EQ(table.at(VideoRequestTable::Size), VideoRequestTable::Empty);
    table.clear(VideoRequestTable::Size); // out of range: nothing happens
    table.clear(3);
    EXPECT_EQ(table.remember(99), 3) << "the first empty entry is reused";
    EXPECT_EQ(table.highestUsed(), VideoRequestTable::Size - 1);
    EXPECT_EQ(table.clearAll(), VideoRequestTable::Size);
    EXPECT_EQ(table.used(), 0);
}

} // namespace
} // namespace zarn::test

namespace zarn::test {
namespace {

// The owner's configuration as a plain record behind its own lock.
TEST(CUSB, BuildsThatChangeTheConfigurationTellTheOwner) {
    TempHome home;
    DiagnosticLogs logs(home.path());
    Configuration config;
    std::mutex lock;
    CUSB usb(
        [&](const std::function<void(Configuration&)>& edit) {
            std::lock_guard guard(lock);
            edit(config);
        },
        logs);
    std::atomic<int> changes{0};
    usb.setSettingsChanged([&] { ++changes; });
    auto set = [&](const std::function<void(LoggerParameters&)>& change) {
        std::lock_guard guard(lock);
        change(config.logger);
    };
    EXPECT_FALSE(usb.lastWinchSettingsFrame().has_value());

    struct Step {
        const char* what;
        std::function<void(LoggerParameters&)> before;
        bool (CUSB::*send)();
        int changes;
    };
    const std::vector<Step> steps = {
        {"F3 stores nothing", {}, &CUSB::sendF3, 0},
        {"first F1 stores the encoder scale", {}, &CUSB::sendF1, 1},
        {"the same F1 again changes nothing", {}, &CUSB::sendF1, 0},
        {"a long shutter sets the period",
         [](LoggerParameters& l) {
             l.shutter = 22;
             l.captureAdjustPeriod = 40;
         },
         &CUSB::sendF12, 1},
        {"the period is already set", {}, &CUSB::sendF12, 0},
        {"a flash order clears its word", [](LoggerParameters& l) { l.flashWord = 1; },
         &CUSB::sendF13Flash, 1},
        {"no flash word to clear", {}, &CUSB::sendF13Flash, 0},
        {"the grey calibration trigger is cleared",
         [](LoggerParameters& l) { l.greyCalibrationTrigger = 1; }, &CUSB::sendF13GreyCalibration,
         1},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.before)
            set(s.before);
        const int before = changes;
        ASSERT_TRUE((usb.*s.send)());
        EXPECT_EQ(changes - before, s.changes);
    }
    std::lock_guard guard(lock);
    EXPECT_EQ(config.logger.encoderScale, 20480);
    EXPECT_EQ(config.logger.captureAdjustPeriod, 20);
    LoggerParameters logger = config.logger;
    EXPECT_EQ(usb.lastWinchSettingsFrame(), CommandFrames::F1(logger, config.program));
}

} // namespace
} // namespace zarn::test
