#include "acquisition/link/VideoRecovery.h"
#include "acquisition/stream/ToolsStream.h"
#include "acquisition/wire/FrameLayout.h"
#include "platform/DebugOutput.h"
#include "tests/acquisition/link/FramingTestSupport.h"
#include "tests/acquisition/link/LinkTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace zarn::test {
namespace {

using Kind = RecordingDecoder::Kind;
using namespace std::chrono_literals;

constexpr std::size_t PacketIndexByte = 23;
constexpr std::uint8_t F12 = 0x0C;

// A link through the recording bridge with the recovery behind its dispatcher. Frames go in
// through Dispatch; re-requests come out as F12 frames on the bridge.
class RecoveryFixture : public LinkFixture {
protected:
    void SetUp() override {
        LinkFixture::SetUp();
        recovery = std::make_unique<VideoRecovery>(*usb, access);
        recovery->setReplayPause(0ms);
        usb->setDecoder(&decoder);
        usb->setSequencer(recovery.get());
    }
    void TearDown() override {
        usb->setSequencer(nullptr);
        LinkFixture::TearDown();
    }

    Bytes frameWith(std::uint8_t index, std::size_t payload = 40, std::uint32_t picture = 0,
                    std::uint8_t imageMode = 0) {
        return fullFrameNo(++serial, payload, index, picture, imageMode);
    }
    void arrive(std::uint8_t index) {
        if (readerEntry)
            usb->dispatcher().frameReady(frameWith(index));
        else
            usb->dispatcher().Dispatch(frameWith(index));
    }
    // Thirty good frames ending with the given index: recovery is enabled with health 110.
    void warmUpTo(std::uint8_t last) {
        for (int i = 29; i >= 0; --i)
            arrive(static_cast<std::uint8_t>(last - i));
        ASSERT_TRUE(recovery->enabled());
        ASSERT_GT(recovery->health(), VideoRecovery::EnableHealth);
        mark = decoder.count();
        drain();
        writeMark = bridge.writes().size();
    }
    // What reached the decoder since the warm-up: "h<i>" logger header of a held packet,
    // "r<i>" held or re-sent packet decoded, "<i>" packet decoded as it arrived.
    std::vector<std::string> decoded() {
        std::vector<std::string> out;
        const auto calls = decoder.calls();
        for (std::size_t i = mark; i < calls.size(); ++i) {
            const auto& c = calls[i];
            const std::string index = std::to_string(int(c.frame.at(PacketIndexByte)));
            if (c.kind == Kind::Header)
                out.push_back("h" + index);
            else if (c.kind == Kind::Full)
                out.push_back((c.current ? "" : "r") + index);
        }
        return out;
    }
    // The packet indexes of the F12 re-requests written to the logger.
    std::vector<int> requested() {
        drain();
        std::vector<int> out;
        const auto writes = bridge.writes();
        for (std::size_t i = writeMark; i < writes.size(); ++i)
            if (writes[i].size() > 8 && writes[i][0] == F12)
                out.push_back(writes[i][8]);
        return out;
    }
    void secondRecall(bool on) {
        settings.modify([on](Configuration& c) { c.program.secondRecall = on; });
    }

    ConfigurationAccess access = [this](const std::function<void(Configuration&)>& edit) {
        settings.modify(edit);
    };
    RecordingStatusBar bar;
    RecordingDecoder decoder;
    std::unique_ptr<VideoRecovery> recovery;
    std::int32_t serial = 0;
    std::size_t mark = 0;
    std::size_t writeMark = 0;
    // Frames go in as the reader hands them over, behind the dispatcher's own guard.
    bool readerEntry = false;
};

std::vector<int> range(int from, int count) {
    std::vector<int> out;
    for (int i = 0; i < count; ++i)
        out.push_back((from + i) & 0xFF);
    return out;
}
std::vector<int> join(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}
std::vector<std::string> tagged(const std::string& tag, const std::vector<int>& indexes) {
    std::vector<std::string> out;
    for (int i : indexes)
        out.push_back(tag + std::to_string(i));
    return out;
}
std::vector<std::string> joinText(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

struct Scenario {
    std::string name;
    bool secondRecall;
    std::uint8_t warmUpTo;
    std::vector<int> arrivals;
    std::vector<std::string> decoded;
    std::vector<int> requested;
    int videoRequests;
    int recoveries;
    int videoDataErrors;
};

TEST_F(RecoveryFixture, LostPacketsAreAskedForAgainAndHeldPacketsFollowInIndexOrder) {
    const std::vector<Scenario> scenarios = {
        {"one packet missing",
         false,
         9,
         {10, 11, 13, 12, 14},
         {"10", "11", "h13", "r12", "r13", "14"},
         {12},
         1,
         1,
         0},
        {"ten missing across 255", false, 249, join({{250, 5}, range(251, 10), {6}}),
         joinText({{"250", "h5"}, tagged("r", range(251, 10)), {"r5", "6"}}), range(251, 10), 10,
         10, 0},
        {"seventeen missing are not recovered",
         false,
         249,
         {250, 12, 13},
         {"250", "12", "13"},
         {},
         0,
         0,
         1},
        {"no second recall: given up after nine more held packets",
         false,
         9,
         join({{10}, range(12, 10), {22}}),
         joinText({{"10"}, tagged("h", range(12, 10)), tagged("r", range(12, 10)), {"22"}}),
         {11},
         1,
         0,
         0},
        {"second recall brings the packet back",
         true,
         9,
         join({{10}, range(12, 10), {11, 22}}),
         joinText(
             {{"10"}, tagged("h", range(12, 10)), {"r11"}, tagged("r", range(12, 10)), {"22"}}),
         {11, 11},
         1,
         1,
         0},
        {"second recall answered by nothing: given up after nine more",
         true,
         9,
         join({{10}, range(12, 19), {31}}),
         joinText({{"10"}, tagged("h", range(12, 19)), tagged("r", range(12, 19)), {"31"}}),
         {11, 11},
         1,
         0,
         0},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        usb->dispatcher().Dispatch(statusFrameNo(0)); // a new link: everything starts again
        secondRecall(s.secondRecall);
        warmUpTo(s.warmUpTo);
        const TransmissionCounts before = usb->statistics().snapshot();
        for (int index : s.arrivals)
            arrive(static_cast<std::uint8_t>(index));
        EXPECT_EQ(decoded(), s.decoded);
        EXPECT_EQ(requested(), s.requested);
        const TransmissionCounts after = usb->statistics().snapshot();
        EXPECT_EQ(after.videoRequests - before.videoRequests, s.videoRequests);
        EXPECT_EQ(after.recoveries - before.recoveries, s.recoveries);
        EXPECT_EQ(after.videoDataErrors - before.videoDataErrors, s.videoDataErrors);
        EXPECT_EQ(after.videoChecksumErrors, before.videoChecksumErrors);
        EXPECT_TRUE(recovery->heldIndexes().empty());
        EXPECT_FALSE(recovery->requestPending());
        EXPECT_EQ(usb->requestTable().used(), 0);
    }
}

TEST_F(RecoveryFixture, SwitchingRecoveryOffDiscardsHeldPacketsWithoutDecodingThem) {
    warmUpTo(9);
    arrive(10);
    arrive(13); // 11 and 12 are missing: 13 is held, 11 is asked for
    ASSERT_EQ(recovery->heldIndexes(), (std::vector<std::uint8_t>{13}));
    ASSERT_TRUE(recovery->requestPending());
    recovery->switchOff(true);
    EXPECT_TRUE(recovery->recoverySwitchedOff());
    arrive(14);
    arrive(11); // the re-sent packet is just another frame now
    EXPECT_EQ(decoded(), (std::vector<std::string>{"10", "h13", "14", "11"}));
    EXPECT_TRUE(recovery->heldIndexes().empty());
    EXPECT_FALSE(recovery->requestPending());
    EXPECT_FALSE(recovery->enabled());
    EXPECT_EQ(usb->requestTable().used(), 0);
    EXPECT_EQ(requested(), (std::vector<int>{11}));

    // Switched on again, recovery needs its twenty good frames once more.
    recovery->switchOff(false);
    for (int i = 0; i < 19; ++i)
        arrive(static_cast<std::uint8_t>(15 + i));
    EXPECT_FALSE(recovery->enabled());
    arrive(34);
    EXPECT_TRUE(recovery->enabled());
}

TEST_F(RecoveryFixture, TwentyGoodFramesEnableRecoveryAndElevenVideoErrorsSwitchItOff) {
    std::uint8_t index = 0;
    for (int i = 1; i <= 19; ++i)
        arrive(index++);
    EXPECT_FALSE(recovery->enabled());
    EXPECT_EQ(recovery->health(), 99);
    arrive(index++);
    EXPECT_TRUE(recovery->enabled());
    EXPECT_EQ(recovery->health(), 100);
    for (int i = 0; i < 10; ++i)
        arrive(index++);

    const int checksumErrors = usb->statistics().videoChecksumErrors;
    decoder.fullResult = FrameResult::Dropped; // every video packet fails its checksum
    for (int i = 1; i <= 10; ++i)
        arrive(index++);
    EXPECT_TRUE(recovery->enabled());
    EXPECT_EQ(recovery->errorStreak(), 10);
    EXPECT_EQ(recovery->health(), VideoRecovery::GapHealth);
    arrive(index++);
    EXPECT_FALSE(recovery->enabled());
    EXPECT_EQ(recovery->health(), VideoRecovery::FloorHealth);
    EXPECT_EQ(recovery->errorStreak(), 0);
    EXPECT_EQ(usb->statistics().videoChecksumErrors - checksumErrors, 11);
    EXPECT_TRUE(requested().empty()); // a damaged packet in sequence is not asked for

    // Good frames bring it back at health 100.
    decoder.fullResult = FrameResult::Ok;
    for (int i = 0; i < 19; ++i)
        arrive(index++);
    EXPECT_FALSE(recovery->enabled());
    arrive(index++);
    EXPECT_TRUE(recovery->enabled());

    // A 20-byte frame (no sonde) starts everything again.
    usb->dispatcher().Dispatch(statusFrameNo(1));
    EXPECT_FALSE(recovery->enabled());
    EXPECT_EQ(recovery->health(), 0);
    arrive(index++);
    EXPECT_EQ(recovery->health(), VideoRecovery::FloorHealth + 1);
}

TEST_F(RecoveryFixture, AGoodFrameBetweenErrorsDoesNotEndTheStreakBelowFullHealth) {
    warmUpTo(0);
    std::uint8_t index = 1;
    for (int i = 0; i < 10; ++i) {
        decoder.fullResult = FrameResult::Dropped;
        arrive(index++);
        decoder.fullResult = FrameResult::Ok;
        arrive(index++);
    }
    EXPECT_TRUE(recovery->enabled());
    EXPECT_EQ(recovery->errorStreak(), 10);
    decoder.fullResult = FrameResult::Dropped;
    arrive(index++);
    EXPECT_FALSE(recovery->enabled());
}

TEST_F(RecoveryFixture, HeldPacketsReplayInIndexOrderAcross255AndImpossibleLengthsAreDropped) {
    warmUpTo(251);
    arrive(252);
    arrive(254); // 253 missing: asked for
    usb->dispatcher().Dispatch(frameWith(1));
    usb->dispatcher().Dispatch(frameWith(0, 9000)); // longer than any frame can be
    arrive(255);
    arrive(253); // the awaited packet
    // 0 is next after 255 but its held copy is discarded: it is asked for before 1 is replayed.
    EXPECT_EQ(decoded(), (std::vector<std::string>{"252", "h254", "h1", "h0", "h255", "r253",
                                                   "r254", "r255"}));
    EXPECT_EQ(requested(), (std::vector<int>{253, 0}));
    EXPECT_EQ(recovery->heldIndexes(), (std::vector<std::uint8_t>{1}));
    EXPECT_TRUE(recovery->requestPending());
    arrive(0);
    EXPECT_EQ(decoded().back(), "r1");
    EXPECT_TRUE(recovery->heldIndexes().empty());
    EXPECT_FALSE(recovery->requestPending());
    EXPECT_EQ(usb->statistics().panelRecoveries.load(), 2);
}

TEST_F(RecoveryFixture, TheNearTestTakesIndexesAbove200AsSignedBytes) {
    struct Case {
        std::uint8_t lastGood;
        std::uint8_t index;
        bool isNear;
    };
    const std::vector<Case> cases = {
        {250, 5, true},    {5, 250, true},   {255, 0, true},    {10, 34, true},
        {10, 35, false},   {34, 10, true},   {35, 10, false},   {176, 200, true},
        {200, 225, false}, {201, 180, true}, {150, 250, false}, {100, 130, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.lastGood) << " -> " << int(c.index));
        arrive(c.lastGood); // recovery is not enabled yet: the frame is decoded and good
        ASSERT_EQ(recovery->lastGoodIndex(), c.lastGood);
        EXPECT_EQ(recovery->nearIndex(c.index), c.isNear);
    }
}

TEST_F(RecoveryFixture, PictureSequenceNumbersCompareAsUnsigned32Bit) {
    struct Step {
        std::uint32_t picture;
        bool decoded;
    };
    const std::vector<Step> steps = {
        {0x7FFFFFF0u, true}, {0x80000000u, true},  {0x7FFFFFFFu, false},
        {0xFFFFFFFFu, true}, {0x80000000u, false}, {0xFFFFFFFFu, true},
    };
    std::uint8_t index = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << std::hex << s.picture);
        const std::size_t calls = decoder.count();
        usb->dispatcher().Dispatch(frameWith(index++, 40, s.picture, 1));
        EXPECT_EQ(decoder.count() > calls, s.decoded);
    }
    EXPECT_EQ(recovery->lastPictureSequence(), 0xFFFFFFFFu);
    // With recovery switched off the picture order is not checked.
    recovery->switchOff(true);
    const std::size_t calls = decoder.count();
    usb->dispatcher().Dispatch(frameWith(index++, 40, 5, 1));
    EXPECT_GT(decoder.count(), calls);
}

TEST_F(RecoveryFixture, GivingUpOnTheAwaitedPacketMovesOnToTheNextWaitingOne) {
    warmUpTo(9);
    arrive(10);
    arrive(20); // 11 to 19 missing: 12..19 wait behind 11, which is asked for
    EXPECT_EQ(usb->requestTable().used(), 9);
    // Nine further packets without 11: given up; 12 becomes the awaited one.
    for (int i = 21; i <= 29; ++i)
        arrive(static_cast<std::uint8_t>(i));
    EXPECT_EQ(requested(), (std::vector<int>{11, 12}));
    EXPECT_EQ(usb->requestTable().used(), 8);
    EXPECT_TRUE(recovery->requestPending());
    EXPECT_EQ(recovery->heldIndexes().size(), 10u);
}

TEST_F(RecoveryFixture, ARequestThatCannotBeSentGivesUpTheGapAndDecodesWhatIsHeld) {
    warmUpTo(9);
    arrive(10);
    bridge.hold(true); // the send buffer stays busy
    ASSERT_TRUE(usb->sendF3());
    ASSERT_TRUE(bridge.waitHeldWriter());
    const int dataErrors = usb->statistics().videoDataErrors;
    arrive(13);
    bridge.hold(false);
    EXPECT_EQ(decoded(), (std::vector<std::string>{"10", "h13", "r13"}));
    EXPECT_TRUE(requested().empty());
    // 12 waited behind 11 and is counted lost.
    EXPECT_EQ(usb->statistics().videoDataErrors - dataErrors, 1);
    EXPECT_FALSE(recovery->requestPending());
    EXPECT_EQ(usb->requestTable().used(), 0);
    arrive(14);
    EXPECT_EQ(decoded().back(), "14");
    EXPECT_TRUE(requested().empty());
}

// Guarded sections report to the program's logs.
class RecoveryGuardFixture : public RecoveryFixture {
protected:
    void SetUp() override {
        RecoveryFixture::SetUp();
        readerEntry = true;
        programLogs.setFolder(home.path());
        TechnicalSwitches on;
        on.debuggingTools = true;
        programLogs.setSwitches(on);
        setDebugOutputSink([this](std::string_view text) { debug.emplace_back(text); });
    }
    void TearDown() override {
        setDebugOutputSink({});
        programLogs.setSwitches(TechnicalSwitches{});
        RecoveryFixture::TearDown();
    }
    std::optional<std::string> programLogEntry(const std::string& location) {
        const ProfileDocument doc = ProfileFile::load(programLogs.errorLogPath());
        for (const std::string& section : doc.sectionNames())
            if (auto value = doc.get(section, location))
                return value;
        return std::nullopt;
    }

    DiagnosticLogs& programLogs = DiagnosticLogs::instance();
    std::vector<std::string> debug;
};

TEST_F(RecoveryGuardFixture, AnExceptionReplayingAHeldPacketIsReportedAndThePacketIsNotLost) {
    struct Case {
        std::string name;
        int throws;
        std::vector<std::string> decoded;
        int videoDataErrors;
        std::string next; // what the decoder sees of packet 14
    };
    // The packet stays held until a decode of it returns: it is decoded once more at once, and
    // dropped as a video data error only when that throws too.
    const std::vector<Case> cases = {
        // 13 came through: 14 follows without a gap.
        {"throws once", 1, {"10", "11", "h13", "r12", "r13", "r13"}, 0, "14"},
        // 13 was dropped: its gap shows again, 14 is held.
        {"throws every time", 5, {"10", "11", "h13", "r12", "r13", "r13"}, 1, "h14"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        usb->dispatcher().Dispatch(statusFrameNo(0));
        warmUpTo(9);
        debug.clear();
        const TransmissionCounts before = usb->statistics().snapshot();
        decoder.replayThrowIndex = 13;
        decoder.replayThrows = c.throws;
        for (int index : {10, 11, 13, 12})
            arrive(static_cast<std::uint8_t>(index));
        decoder.replayThrows = 0;

        EXPECT_EQ(decoded(), c.decoded);
        EXPECT_EQ(programLogEntry("CUSB :: L2580"), std::optional<std::string>("decoder failure"));
        ASSERT_FALSE(debug.empty());
        EXPECT_THAT(debug[0],
                    testing::StartsWith("Function: zarn::VideoRecovery::restoreHeldPackets\n"));
        EXPECT_FALSE(programLogEntry("CLumiLoggerApp :: L2020").has_value())
            << "nothing reached the dispatcher's guard";
        EXPECT_TRUE(recovery->heldIndexes().empty());
        EXPECT_FALSE(recovery->requestPending());
        EXPECT_EQ(requested(), (std::vector<int>{12}));
        const TransmissionCounts after = usb->statistics().snapshot();
        EXPECT_EQ(after.videoDataErrors - before.videoDataErrors, c.videoDataErrors);
        EXPECT_EQ(after.recoveries - before.recoveries, 1);
        arrive(14);
        EXPECT_EQ(decoded().back(), c.next);
        std::filesystem::remove(programLogs.errorLogPath());
    }
}

TEST_F(RecoveryGuardFixture, AnExceptionFlushingAFullRequestTableIsReportedAndThePacketDecoded) {
    warmUpTo(9);
    arrive(10);
    // Ten requests wait already: the next gap gives recovery up and decodes what is held.
    for (int i = 0; i < VideoRecovery::MaxWaiting; ++i)
        EXPECT_GE(usb->requestTable().remember(static_cast<std::uint8_t>(100 + i)), 0);
    decoder.replayThrowIndex = 13;
    decoder.replayThrows = 1;
    arrive(13);

    EXPECT_EQ(decoded(), (std::vector<std::string>{"10", "h13", "r13", "r13"}));
    EXPECT_EQ(programLogEntry("CUSB :: L2484"), std::optional<std::string>("decoder failure"));
    ASSERT_EQ(debug.size(), 1u);
    EXPECT_THAT(debug[0],
                testing::StartsWith("Function: zarn::VideoRecovery::checkVideoFrameNumber\n"));
    EXPECT_TRUE(recovery->heldIndexes().empty());
    EXPECT_FALSE(recovery->requestPending());
    EXPECT_EQ(usb->requestTable().used(), 0);
    arrive(14);
    EXPECT_EQ(decoded().back(), "14") << "13 was decoded: no gap before 14";
    EXPECT_TRUE(requested().empty());
}

TEST_F(RecoveryFixture, ASalvagedCutFrameAsksForItsPacketOnlyWhileRecoveryIsIdle) {
    usb->dispatcher().cutFrameSalvaged(7); // not enabled yet
    EXPECT_TRUE(requested().empty());
    warmUpTo(9);
    usb->dispatcher().cutFrameSalvaged(10);
    EXPECT_EQ(requested(), (std::vector<int>{10}));
    EXPECT_EQ(usb->requestTable().used(), 0);
    arrive(10);
    arrive(12);                             // 11 missing: pending
    usb->dispatcher().cutFrameSalvaged(13); // another packet while one is awaited
    EXPECT_EQ(requested(), (std::vector<int>{10, 11}));
    usb->dispatcher().cutFrameSalvaged(11); // the awaited one was cut again
    EXPECT_EQ(requested(), (std::vector<int>{10, 11, 11}));
}

TEST_F(RecoveryFixture, TheSwitchMayBeFlippedFromAnotherThreadWhileFramesArrive) {
    warmUpTo(0);
    std::atomic<bool> stop{false};
    std::thread ui([&] {
        bool off = false;
        while (!stop) {
            off = !off;
            recovery->switchOff(off);
            std::this_thread::sleep_for(200us);
        }
        recovery->switchOff(false);
    });
    std::uint8_t index = 1;
    for (int i = 0; i < 600; ++i) {
        arrive(index);
        index =
            static_cast<std::uint8_t>(index + (i % 7 == 3 ? 2 : 1)); // a packet lost now and then
    }
    stop = true;
    ui.join();
    // Each frame reaches the decoder whole at most once, and every frame that is not held any
    // more was either decoded or discarded with the held list.
    std::map<std::int32_t, int> decodedWhole;
    for (const auto& c : decoder.calls())
        if (c.kind == Kind::Full)
            ++decodedWhole[frame::s32(c.frame, frame::DepthCount)];
    for (const auto& [serialNo, times] : decodedWhole)
        EXPECT_EQ(times, 1) << "frame " << serialNo;
    EXPECT_LE(recovery->heldIndexes().size(), 20u);
}

} // namespace
} // namespace zarn::test
