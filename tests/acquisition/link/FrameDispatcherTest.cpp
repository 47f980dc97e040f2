#include "acquisition/link/FrameDispatcher.h"
#include "acquisition/link/LinkState.h"
#include "acquisition/link/ShortFrameRebuild.h"
#include "platform/DebugOutput.h"
#include "platform/ProfileFile.h"
#include "platform/Shared.h"
#include "tests/acquisition/link/FramingTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace zarn::test {
namespace {

using Kind = RecordingDecoder::Kind;
using namespace std::chrono_literals;

// Records what the dispatcher asks of the video packet sequencing; decodes nothing.
class RecordingSequencer : public VideoPacketSequencer {
public:
    void raiseHealth() override { ++raised; }
    void reset() override { ++resets; }
    bool recoverySwitchedOff() const override { return switchedOff; }
    std::uint32_t lastPictureSequence() const override { return lastPicture; }
    void fullFrame(std::span<const std::uint8_t> frame, FrameDecoder&) override {
        frames.emplace_back(frame.begin(), frame.end());
    }
    void cutFrameSalvaged(std::uint8_t index) override { salvaged.push_back(index); }

    int raised = 0;
    int resets = 0;
    bool switchedOff = false;
    std::uint32_t lastPicture = 0;
    std::vector<Bytes> frames;
    std::vector<std::uint8_t> salvaged;
};

class DispatcherFixture : public ::testing::Test {
protected:
    void SetUp() override { dispatcher.setDecoder(&decoder); }

    void debugging(bool on) {
        TechnicalSwitches s;
        s.debuggingTools = on;
        s.debuggingTrace = on;
        logs.setSwitches(s);
    }
    size_t framesShown() {
        size_t n = 0;
        for (const auto& r : recorder.received())
            n += r.message == command(Cmd::FrameShown) ? 1 : 0;
        return n;
    }
    std::string traceLog() { return home.read("Trace_ZARN.log"); }

    TempHome home;
    RecordingUserMessages messages;
    RecordingBeeper beeper;
    RecordingStatusBar bar;
    DiagnosticLogs logs{home.path()};
    Shared<Configuration> settings;
    ConfigurationAccess access = [this](const std::function<void(Configuration&)>& edit) {
        settings.modify(edit);
    };
    LinkFlags flags;
    TransmissionStatistics statistics;
    std::atomic<int> linkState{0};
    MessageBus bus;
    MessageRecorder recorder{bus, {Role::CameraPanel}};
    RecordingDecoder decoder;
    FrameDispatcher dispatcher{flags, statistics, linkState, access, logs, bus};
};

TEST_F(DispatcherFixture, TheFrameLengthChoosesTheDecoderTheLinkStateAndTheCounter) {
    Bytes badBlock = fullFrameNo(4, 30);
    badBlock[20] ^= 0x04; // the sonde block no longer matches its checksum
    const Bytes rebuiltFromBadBlock = [&] {
        const ShortFrame f = rebuildAsShortFrame(badBlock, badBlock[badBlock.size() - 3]);
        return Bytes(f.begin(), f.end());
    }();

    struct Case {
        const char* name;
        Bytes frame;
        Kind kind;
        Bytes decoded;
        int state;
        std::int32_t TransmissionCounts::*counter;
        const char* packetSize;
    };
    const std::vector<Case> cases = {
        {"16 bytes", shortFrameNo(1), Kind::Short, shortFrameNo(1), LinkState::SondeWithoutData,
         &TransmissionCounts::shortFrames, "Packet size 16 Bytes"},
        {"20 bytes", statusFrameNo(2), Kind::Status, statusFrameNo(2), LinkState::LoggerOnly,
         &TransmissionCounts::statusFrames, "Packet size 20 Bytes"},
        {"full data frame", fullFrameNo(3, 30), Kind::Full, fullFrameNo(3, 30), LinkState::FullData,
         &TransmissionCounts::fullFrames, "Packet size 86 Bytes"},
        {"full data frame with a bad sonde block", badBlock, Kind::Short, rebuiltFromBadBlock,
         LinkState::SondeWithoutData, &TransmissionCounts::shortFrames, "Packet size 16 Bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TransmissionStatistics stats;
        std::atomic<int> state{0};
        LinkFlags f;
        RecordingDecoder d;
        RecordingStatusBar panes;
        MessageBus b;
        MessageRecorder windows(b, {Role::CameraPanel, Role::MainWindow});
        FrameDispatcher dispatch(f, stats, state, access, logs, b);
        dispatch.setDecoder(&d);

        dispatch.frameReady(c.frame);

        const auto calls = d.calls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].kind, c.kind);
        EXPECT_EQ(calls[0].frame, c.decoded);
        EXPECT_EQ(calls[0].current, c.kind == Kind::Full);
        EXPECT_EQ(state.load(), c.state);
        TransmissionCounts expected;
        expected.*c.counter = 1;
        expected.receivedFrames = 1;
        EXPECT_EQ(stats.snapshot(), expected);
        EXPECT_THAT(
            windows.received(),
            testing::UnorderedElementsAre(
                MessageRecorder::Received{Role::CameraPanel, command(Cmd::FrameShown), false},
                MessageRecorder::Received{Role::MainWindow, command(Cmd::FrameShown), false}));
        EXPECT_EQ(panes.texts(2), std::vector<std::string>{c.packetSize});
        EXPECT_EQ(panes.texts(3), std::vector<std::string>{"1"});
        EXPECT_TRUE(f.newFrameArrived.load());
        EXPECT_TRUE(f.dataReceived.load());
    }
}

TEST_F(DispatcherFixture, VideoPacketsOfAnOlderPictureAreDroppedUntilTheSondeGoesAway) {
    struct Step {
        Bytes frame;
        bool decoded;
    };
    const std::uint8_t video = 0x90; // image mode: mode 16, a resolution
    const std::vector<Step> steps = {
        {fullFrameNo(1, 20, 0, 5, video), true},
        {fullFrameNo(2, 20, 1, 6, video), true},
        {fullFrameNo(3, 20, 2, 4, video), false}, // an older picture
        {fullFrameNo(4, 20, 3, 6, video), true},  // the same picture again is fine
        {fullFrameNo(5, 20, 4, 1, 0), true},      // no image: not checked
        {statusFrameNo(6), true},                 // no sonde: the order starts again
        {fullFrameNo(7, 20, 0, 2, video), true},
    };
    std::vector<std::int32_t> expected;
    for (size_t i = 0; i < steps.size(); ++i) {
        dispatcher.frameReady(steps[i].frame);
        if (steps[i].decoded)
            expected.push_back(static_cast<std::int32_t>(i + 1));
    }
    EXPECT_EQ(decoder.numbers(), expected);
    EXPECT_EQ(statistics.fullFrames.load(), 5);
    EXPECT_EQ(statistics.receivedFrames.load(), 6) << "a dropped frame is not counted";
    EXPECT_EQ(framesShown(), 6u);
    EXPECT_EQ(bar.texts(3).back(), "6");
}

TEST_F(DispatcherFixture, FullFramesGoThroughTheSequencingWhichDecidesTheDrop) {
    RecordingSequencer sequencer;
    dispatcher.setSequencer(&sequencer);
    sequencer.lastPicture = 100;
    const Bytes older = fullFrameNo(1, 10, 0, 50, 0x90);

    dispatcher.frameReady(older);
    EXPECT_TRUE(sequencer.frames.empty()) << "dropped: older than the last picture";
    sequencer.switchedOff = true;
    dispatcher.frameReady(older);
    EXPECT_THAT(sequencer.frames, testing::ElementsAre(older)) << "recovery off: no order check";
    EXPECT_TRUE(decoder.calls().empty()) << "the sequencing decodes, not the dispatcher";

    dispatcher.frameReady(statusFrameNo(2));
    dispatcher.frameReady(shortFrameNo(3));
    dispatcher.cutFrameSalvaged(42);
    EXPECT_EQ(sequencer.raised, 4) << "every frame raises the recovery health";
    EXPECT_EQ(sequencer.resets, 1);
    EXPECT_THAT(sequencer.salvaged, testing::ElementsAre(42));
}

TEST_F(DispatcherFixture, PaneThreeShowsLossesAndNothingIsShownOnceClosing) {
    dispatcher.frameReady(shortFrameNo(1));
    statistics.lostFrames = 3;
    statistics.videoRequests = 1;
    dispatcher.frameReady(fullFrameNo(2, 100));
    EXPECT_THAT(bar.texts(3), testing::ElementsAre("1", "2-3-1"));
    EXPECT_THAT(bar.texts(2),
                testing::ElementsAre("Packet size 16 Bytes", "Packet size 156 Bytes"));

    flags.closing = true;
    const size_t shown = bar.size();
    dispatcher.frameReady(shortFrameNo(3));
    EXPECT_EQ(bar.size(), shown);
    EXPECT_EQ(decoder.count(), 3u) << "frames are still decoded";
}

TEST_F(DispatcherFixture, ASondeAlarmOfThePreviousFrameBeepsUnlessSilenced) {
    struct Case {
        std::uint8_t alarm;
        bool silence;
        bool beeps;
    };
    const std::vector<Case> cases = {
        {0, false, false},  {16, false, false}, {17, false, true},
        {255, false, true}, {17, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.alarm) << (c.silence ? " silenced" : ""));
        RecordingBeeper beeps;
        settings.modify([&](Configuration& cfg) { cfg.program.silenceMode = c.silence; });
        decoder.alarmByte = c.alarm;
        dispatcher.frameReady(shortFrameNo(1)); // only full frames look at the alarm
        dispatcher.frameReady(fullFrameNo(2, 10));
        const std::vector<std::pair<int, int>> expected =
            c.beeps ? std::vector<std::pair<int, int>>{{3000, 100}}
                    : std::vector<std::pair<int, int>>{};
        EXPECT_EQ(beeps.beeps(), expected);
    }
}

TEST_F(DispatcherFixture, WithModeEZKitTheFirstFullFrameOfALinkMarksTheSondePowered) {
    dispatcher.frameReady(fullFrameNo(1, 10));
    EXPECT_FALSE(flags.sondePowered.load()) << "ModeEZKit off";

    settings.modify([](Configuration& c) { c.program.modeEZKit = true; });
    dispatcher.frameReady(shortFrameNo(2));
    EXPECT_FALSE(flags.sondePowered.load()) << "only full data frames";
    dispatcher.frameReady(fullFrameNo(3, 10));
    EXPECT_TRUE(flags.sondePowered.load());

    flags.sondePowered = false; // the operator switched it off
    dispatcher.frameReady(fullFrameNo(4, 10));
    EXPECT_FALSE(flags.sondePowered.load()) << "once per link";
    dispatcher.frameReady(statusFrameNo(5)); // the sonde went away
    dispatcher.frameReady(fullFrameNo(6, 10));
    EXPECT_TRUE(flags.sondePowered.load());
}

// 16-byte frame with the logger's busy bits set or clear.
Bytes busyFrame(bool busy) {
    LoggerHeader h;
    h.flags = busy ? 0x05 : 0x00;
    return shortFrame(h, 0x01);
}

TEST_F(DispatcherFixture, ABusyPeriodTracksTimeAndEndsWithTheStatisticsInTheTrace) {
    debugging(true);
    auto now = std::chrono::steady_clock::time_point{} + 1h;
    dispatcher.setClock([&] { return now; });

    dispatcher.frameReady(busyFrame(true));
    statistics.invalidPackets = 5;
    statistics.lostFrames = 5;
    now += 1s;
    dispatcher.frameReady(busyFrame(true));
    EXPECT_EQ(statistics.trackingTimeMs.load(), 1000);
    EXPECT_EQ(statistics.invalidPackets.load(), 0) << "the first ten seconds are a warm-up";
    EXPECT_EQ(statistics.lostFrames.load(), 0);

    now += 11s;
    statistics.frameLengthErrors = 2;
    statistics.lostFrames = 2;
    dispatcher.frameReady(busyFrame(true));
    EXPECT_EQ(statistics.trackingTimeMs.load(), 12000);
    EXPECT_EQ(statistics.lostFrames.load(), 2) << "counted after the warm-up";
    EXPECT_TRUE(traceLog().empty());

    now += 1s;
    TransmissionCounts expected = statistics.snapshot();
    expected.shortFrames += 1;
    expected.receivedFrames += 1;
    dispatcher.frameReady(busyFrame(false));
    EXPECT_THAT(traceLog(), testing::HasSubstr(transmissionStatisticsText(expected)));
    EXPECT_THAT(traceLog(), testing::HasSubstr("Tracking time : 00:00:12\n"));
    EXPECT_EQ(statistics.lostFrames.load(), 0);
    EXPECT_EQ(statistics.frameLengthErrors.load(), 0);
    EXPECT_EQ(statistics.trackingTimeMs.load(), 0);
    EXPECT_EQ(statistics.shortFrames.load(), 4) << "frame counts go on";
}

TEST_F(DispatcherFixture, OutsideDebuggingModeNoTimeIsTrackedAndNothingIsTraced) {
    auto now = std::chrono::steady_clock::time_point{} + 1h;
    dispatcher.setClock([&] { return now; });
    dispatcher.frameReady(busyFrame(true));
    now += 20s;
    dispatcher.frameReady(busyFrame(true));
    dispatcher.frameReady(busyFrame(false));
    EXPECT_EQ(statistics.trackingTimeMs.load(), 0);
    EXPECT_TRUE(traceLog().empty());
}

TEST(TransmissionStatistics, TheTraceTextHasTheProgramsLayout) {
    TransmissionCounts c;
    c.trackingTimeMs = 3723999; // 1 h 2 min 3.999 s: whole seconds
    c.shortFrames = 1;
    c.statusFrames = 2;
    c.fullFrames = 3;
    c.invalidPackets = 4;
    c.frameLengthErrors = 5;
    c.videoDataErrors = 6;
    c.videoChecksumErrors = 7;
    c.videoRequests = 8;
    c.recoveries = 9;
    EXPECT_EQ(transmissionStatisticsText(c),
              "Transmition stats\n\nTracking time : 01:02:03\n"
              "Counter 16B frame : 1\nCounter 20B frame : 2\nCounter full data frame :3\n"
              "Counter Invalid trame USB : 4 (trame lost or not valided)\n"
              "Counter lenght frame error: 5\nCounter video data error :6\n"
              "Counter video checksum error :7\n"
              "Resquest of video packet counter :8\n"
              "Success recovery video packet counter :9\n\n");
}

TEST_F(DispatcherFixture, AnExceptionInADecoderIsReportedAndTheNextFrameGoesThrough) {
    // Guarded code reports to the program's logs.
    DiagnosticLogs& programLogs = DiagnosticLogs::instance();
    programLogs.setFolder(home.path());
    programLogs.setSwitches(TechnicalSwitches{false, true, false, false});
    std::vector<std::string> debug;
    setDebugOutputSink([&](std::string_view text) { debug.emplace_back(text); });

    decoder.throwOnFull = true;
    EXPECT_NO_THROW(dispatcher.frameReady(fullFrameNo(1, 10)));
    decoder.throwOnFull = false;
    dispatcher.frameReady(shortFrameNo(2));

    setDebugOutputSink({});
    programLogs.setSwitches(TechnicalSwitches{});
    EXPECT_EQ(decoder.count(), 2u);
    const ProfileDocument log = ProfileFile::load(programLogs.errorLogPath());
    std::optional<std::string> entry;
    for (const std::string& section : log.sectionNames())
        if (!entry)
            entry = log.get(section, "CLumiLoggerApp :: L2020");
    EXPECT_EQ(entry, std::optional<std::string>("decoder failure"));
    ASSERT_EQ(debug.size(), 1u);
    EXPECT_THAT(debug[0], testing::StartsWith("Function: zarn::FrameDispatcher::frameReady\n"
                                              "File: FrameDispatcher.cpp\n"));
}

TEST_F(DispatcherFixture, ALengthNoFrameHasIsCountedAndNotDecoded) {
    for (const size_t n : {0u, 1u, 17u, 21u, 55u}) {
        SCOPED_TRACE(n);
        const Bytes odd(n, 0x01);
        dispatcher.Dispatch(odd);
    }
    EXPECT_TRUE(decoder.calls().empty());
    EXPECT_EQ(statistics.frameLengthErrors.load(), 5);
    EXPECT_EQ(statistics.receivedFrames.load(), 0);
}

} // namespace
} // namespace zarn::test
