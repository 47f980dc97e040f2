// The link check and reader threads through the tests' bridge library, bound by name like a
// real driver: scripted reads, unplugging and plugging back, the device's identity.
#include "acquisition/link/LinkState.h"
#include "acquisition/link/ShortFrameRebuild.h"
#include "acquisition/link/ThreadPriority.h"
#include "acquisition/link/VideoRecovery.h"
#include "tests/acquisition/link/FramingTestSupport.h"
#include "tests/acquisition/link/LinkTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

namespace zarn::test {
namespace {

using namespace std::chrono_literals;
using testing::ElementsAre;

const LinkTimings Fast{5ms, 5ms, 5ms, 2ms};

// Message boxes with the number of open attempts the bridge had seen when each was shown.
class CountingMessages : public UserMessages {
public:
    explicit CountingMessages(TestBridge& bridge) : bridge_(bridge) { UserMessages::install(this); }
    ~CountingMessages() override { UserMessages::install(nullptr); }
    MessageAnswer ask(const UserMessage& m) override {
        notify(m);
        return MessageAnswer::Ok;
    }
    void notify(const UserMessage& m) override {
        const size_t opens = bridge_.openCount();
        std::lock_guard lock(mutex_);
        shown_.emplace_back(m, opens);
    }
    std::vector<std::pair<UserMessage, size_t>> shown() const {
        std::lock_guard lock(mutex_);
        return shown_;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& s : shown())
            out.push_back(s.first.text);
        return out;
    }

private:
    TestBridge& bridge_;
    mutable std::mutex mutex_;
    std::vector<std::pair<UserMessage, size_t>> shown_;
};

// Records the priority each thread asks for, instead of asking the system.
class RecordingPriorities : public ThreadPriorities {
public:
    RecordingPriorities() { ThreadPriorities::install(this); }
    ~RecordingPriorities() override { ThreadPriorities::install(nullptr); }
    bool request(ThreadPriority priority) override {
        std::lock_guard lock(mutex_);
        requests_.emplace_back(std::this_thread::get_id(), priority);
        return true;
    }
    std::vector<std::pair<std::thread::id, ThreadPriority>> requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<std::thread::id, ThreadPriority>> requests_;
};

class LinkThreads : public ::testing::Test {
protected:
    void SetUp() override {
        TechnicalSwitches on;
        on.debuggingTools = true;
        logs.setSwitches(on);
        usb = std::make_unique<CUSB>(settings, logs, bus);
        usb->setTimings(Fast);
        usb->setDecoder(&decoder);
        usb->setRefreshDataView([this, link = usb.get()](bool statusOnly) {
            std::lock_guard lock(mutex);
            refreshes.emplace_back(statusOnly, link->linkState());
        });
        bus.attach(Role::ProbePanel, [this](const Message& m) {
            if (m == command(Cmd::PowerButton)) {
                ++powerPresses;
                if (panelSwitchesOff)
                    usb->flags().sondePowered = false;
            }
        });
    }
    void TearDown() override { usb.reset(); }

    // Waits, delivering the posted messages as the window thread would.
    bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 10s) {
        return waitDelivering(bus, condition, timeout);
    }
    bool connected() { return linkConnected(*usb); }
    void startAndConnect() {
        ASSERT_TRUE(usb->Start());
        ASSERT_TRUE(waitFor([&] { return connected(); }));
        // The first start sends the power-off frame and the winch settings, twice each.
        ASSERT_TRUE(waitFor([&] { return bridge.writes().size() == 4; }));
    }
    // Queues the stream and waits until the decoder has seen `frames` calls in all.
    void stream(const Bytes& bytes, size_t frames, size_t piece = 24) {
        bridge.queueStream(bytes, piece);
        ASSERT_TRUE(waitFor([&] { return decoder.count() >= frames; }))
            << decoder.count() << " of " << frames;
    }
    std::optional<std::string> errorLogEntry(const std::string& location) {
        const ProfileDocument doc = ProfileFile::load(logs.errorLogPath());
        for (const std::string& section : doc.sectionNames())
            if (auto value = doc.get(section, location))
                return value;
        return std::nullopt;
    }
    std::vector<std::string> journalWithoutWrites() {
        std::vector<std::string> out;
        for (const std::string& line : bridge.journal())
            if (!line.starts_with("Write"))
                out.push_back(line);
        return out;
    }

    TempHome home;
    TestBridge bridge;
    CountingMessages messages{bridge};
    RecordingBeeper beeper;
    RecordingStatusBar bar;
    RecordingPriorities priorities;
    DiagnosticLogs logs{home.path()};
    Shared<Configuration> settings;
    MessageBus bus;
    RecordingDecoder decoder;
    std::atomic<int> powerPresses{0};
    std::atomic<bool> panelSwitchesOff{true};
    std::mutex mutex;
    std::vector<std::pair<bool, int>> refreshes; // (status only, link state then)
    std::unique_ptr<CUSB> usb;
};

TEST(LinkStart, WithoutTheLibraryTheLinkStaysUnavailable) {
    TempHome home;
    RecordingUserMessages messages;
    RecordingStatusBar bar;
    Shared<Configuration> settings;
    DiagnosticLogs logs(home.path());
    ::setenv("ZARN_FTD2XX", (home.path() / "libnothing.so").c_str(), 1);
    {
        CUSB usb(settings, logs);
        EXPECT_FALSE(usb.Start());
        EXPECT_FALSE(usb.flags().linkAvailable.load());
        EXPECT_THAT(bar.texts(1), ElementsAre("USB not installed."));
        EXPECT_THAT(messages.texts(), ElementsAre("USB Driver not installed."));
        EXPECT_TRUE(usb.stopLink(100ms)) << "no thread was started";
    }
    ::unsetenv("ZARN_FTD2XX");
}

TEST_F(LinkThreads, TheLinkCheckIdentifiesTheLoggerPreparesItAndHandsItToTheReader) {
    // Bytes waiting from before the link started are stale.
    bridge.queueStream(packet(1, shortFrameNo(1)));
    bridge.identity(0x0403, 0x6001, "LG123456");
    startAndConnect();
    ASSERT_TRUE(waitFor([&] {
        const auto j = bridge.journal();
        return std::find(j.begin(), j.end(), "Timeouts 300 100") != j.end();
    }));

    EXPECT_THAT(journalWithoutWrites(),
                ElementsAre("Open 0", "EE_Read", "Reset", "Timeouts 3000 3000", "Purge 1",
                            "Timeouts 3 3", "Latency 2", "Timeouts 1500 100", "Latency 1",
                            "Timeouts 300 100"));
    Configuration c = settings.snapshot();
    const CommandFrame f0 = CommandFrames::F0(c.logger);
    const CommandFrame f1 = *CommandFrames::F1(c.logger, c.program);
    const Bytes b0(f0.view().begin(), f0.view().end());
    const Bytes b1(f1.view().begin(), f1.view().end());
    EXPECT_THAT(bridge.writes(), ElementsAre(b0, b0, b1, b1));

    EXPECT_EQ(usb->texts(), (LinkTexts{"USB link connected", "Logger", "LG123456"}));
    EXPECT_EQ(usb->aboutIdentity(), (LinkTexts{"", "Logger", "LG123456"}));
    EXPECT_EQ(usb->linkState(), LinkState::LookingForLogger);
    // Found at the first attempt: the animation never shows.
    const std::vector<std::string> pane1 = bar.texts(1);
    ASSERT_GE(pane1.size(), 2u);
    EXPECT_EQ(pane1[0], "Checking USB status.");
    EXPECT_EQ(pane1[1], "USB link connected");
    EXPECT_EQ(bar.texts(3).front(), "0");
    EXPECT_TRUE(usb->flags().linkEverStarted.load());
    EXPECT_FALSE(usb->flags().linkCheckRunning.load()) << "the link check ended";
    EXPECT_EQ(bridge.readsLeft(), 0u);
    EXPECT_EQ(decoder.count(), 0u) << "stale bytes are discarded";
    EXPECT_TRUE(messages.texts().empty());
}

TEST_F(LinkThreads, AWinchSettingsFrameThatCannotBeBuiltIsNotMadeUpForByTheFrameBefore) {
    // No encoder scale without a wheel circumference: the reader's start has no F1 to send, and
    // its second pass must not repeat the power-off frame in its place.
    settings.modify([](Configuration& c) { c.program.wheelCircumferenceMm = 0; });
    bridge.identity(0x0403, 0x6001, "LG123456");
    ASSERT_TRUE(usb->Start());
    ASSERT_TRUE(waitFor([&] {
        const auto j = bridge.journal();
        return std::find(j.begin(), j.end(), "Timeouts 300 100") != j.end();
    }));
    ASSERT_TRUE(usb->waitUntilSent(5s));

    const CommandFrame f0 = CommandFrames::F0(settings.snapshot().logger);
    const Bytes b0(f0.view().begin(), f0.view().end());
    EXPECT_THAT(bridge.writes(), ElementsAre(b0, b0));
}

TEST_F(LinkThreads, EachLinkThreadAsksForItsOwnPriority) {
    startAndConnect(); // the link check ran, the reader runs, the sender wrote four frames
    std::map<ThreadPriority, std::thread::id> askedBy;
    for (const auto& [thread, priority] : priorities.requests()) {
        EXPECT_FALSE(askedBy.contains(priority)) << "asked twice: " << int(priority);
        askedBy[priority] = thread;
    }
    ASSERT_EQ(askedBy.size(), 3u);
    const std::set<std::thread::id> threads = {askedBy[ThreadPriority::Normal],
                                               askedBy[ThreadPriority::TimeCritical],
                                               askedBy[ThreadPriority::Highest]};
    EXPECT_EQ(threads.size(), 3u) << "link check, reader and sender are three threads";
    EXPECT_FALSE(threads.contains(std::this_thread::get_id()));
}

TEST_F(LinkThreads, OnlyTheLoggersVendorAndProductIdsAreAccepted) {
    struct Case {
        std::uint16_t vendor;
        std::uint16_t product;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {0x0403, 0x6001, true},
        {0x0403, 0xED30, true},
        {0x0403, 0x6010, false},
        {0x0404, 0x6001, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.vendor << ":" << c.product);
        bridge.identity(c.vendor, c.product, "S1");
        RecordingStatusBar panes;
        CUSB link(settings, logs, bus);
        link.setTimings(Fast);
        ASSERT_TRUE(link.Start());
        if (c.accepted) {
            EXPECT_TRUE(waitFor([&] { return link.flags().readerActive.load(); }));
            EXPECT_EQ(link.texts().serialNumber, "S1");
        } else {
            const size_t opens = bridge.openCount();
            EXPECT_TRUE(waitFor([&] { return bridge.openCount() >= opens + 3; }));
            EXPECT_TRUE(panes.shown(1, "USB unknown"));
            EXPECT_TRUE(panes.shown(2, "Sonde not responding."));
            EXPECT_FALSE(link.flags().readerActive.load());
            EXPECT_EQ(link.texts().serialNumber, "QV-00000000");
        }
        EXPECT_TRUE(link.stopLink());
    }
}

TEST_F(LinkThreads, WithoutALoggerTheLinkCheckKeepsTryingWithTheAnimatedText) {
    for (const bool powered : {false, true}) {
        SCOPED_TRACE(powered ? "sonde marked powered" : "sonde off");
        bridge.plugged(false);
        RecordingStatusBar panes;
        powerPresses = 0;
        panelSwitchesOff = false;
        CUSB link(settings, logs, bus);
        link.setTimings(Fast);
        link.flags().sondePowered = powered;
        ASSERT_TRUE(link.Start());
        const size_t opens = bridge.openCount();
        ASSERT_TRUE(waitFor([&] { return bridge.openCount() >= opens + 11; }));
        ASSERT_TRUE(link.stopLink());

        std::vector<std::string> expected = {"Checking USB status."};
        for (int dots = 1; dots <= 10; ++dots)
            expected.push_back("Checking USB Link " + std::string(size_t((dots - 1) % 9 + 1), '.'));
        std::vector<std::string> shown = panes.texts(1);
        shown.resize(expected.size());
        EXPECT_EQ(shown, expected);
        EXPECT_TRUE(panes.shown(2, "Sonde not responding."));
        EXPECT_EQ(link.linkState(), LinkState::LookingForLogger);
        // The link never started: a sonde marked powered is switched off at every attempt.
        bus.deliverPosted();
        EXPECT_EQ(powerPresses.load() > 0, powered);
        EXPECT_TRUE(messages.texts().empty());
    }
}

TEST_F(LinkThreads, TheReaderFramesTheStreamAndDispatchesEveryFrame) {
    startAndConnect();
    const Bytes full = packet(6, fullFrameNo(6, 300));
    Bytes cutPayload = shortFrameNo(8);
    cutPayload.push_back(0x99);
    cutPayload.insert(cutPayload.end(), 13, 0x42);
    const Bytes streamBytes = concat({
        Bytes(full.end() - 40, full.end()), // the stream starts in the middle of a packet
        packet(5, shortFrameNo(5)),
        full,
        packet(9, statusFrameNo(9)),   // counters 5, 6, 9: two packets missed
        rawPacket(10, 60, cutPayload), // cut after 30 bytes by the next sync
        packet(11, fullFrameNo(11, 20)),
    });
    // Reads of 5 bytes: headers are split across reads everywhere.
    stream(streamBytes, 5, 5);

    const auto calls = decoder.calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_THAT(decoder.numbers(), ElementsAre(5, 6, 9, 8, 11));
    EXPECT_EQ(calls[3].kind, RecordingDecoder::Kind::Short);
    EXPECT_EQ(calls[3].frame[13], 0x81) << "the salvaged frame is marked as rebuilt";
    const TransmissionCounts counts = usb->statistics().snapshot();
    EXPECT_EQ(counts.shortFrames, 2);
    EXPECT_EQ(counts.statusFrames, 1);
    EXPECT_EQ(counts.fullFrames, 2);
    EXPECT_EQ(counts.invalidPackets, 2);
    EXPECT_EQ(counts.frameLengthErrors, 1);
    EXPECT_EQ(counts.lostFrames, 3);
    EXPECT_EQ(counts.receivedFrames, 5);
    EXPECT_EQ(usb->frameCounter(), 5u);
    EXPECT_EQ(usb->linkState(), LinkState::FullData);
    EXPECT_EQ(bar.last(2), "Packet size 76 Bytes");
    EXPECT_EQ(bar.last(3), "5-3-0");
}

TEST_F(LinkThreads, DataWaitShowsAfterTenEmptyReadsAndAFull24ByteReadRestoresTheLinkText) {
    startAndConnect();
    ASSERT_TRUE(waitFor([&] { return bar.last(1) == "Data wait ..."; }));
    const Bytes p1 = packet(1, shortFrameNo(1));
    ASSERT_EQ(p1.size(), 24u);

    // Nine empty reads between full reads never show it.
    size_t mark = bar.texts(1).size();
    bridge.queueReads({p1,
                       {},
                       {},
                       {},
                       {},
                       {},
                       {},
                       {},
                       {},
                       {},
                       packet(2, shortFrameNo(2)),
                       {},
                       {},
                       {},
                       {},
                       {},
                       {},
                       {},
                       {},
                       {},
                       packet(3, shortFrameNo(3))});
    ASSERT_TRUE(waitFor([&] { return decoder.count() == 3 && bar.last(1) == "Data wait ..."; }));
    std::vector<std::string> since = bar.texts(1);
    since.erase(since.begin(), since.begin() + static_cast<std::ptrdiff_t>(mark));
    EXPECT_THAT(since, ElementsAre("USB link connected", "Data wait ..."));

    // Reads shorter than 24 bytes deliver frames but leave "Data wait ..." on. A later frame
    // proves that the reads before it were handled whole.
    mark = bar.texts(1).size();
    const Bytes p4 = packet(4, shortFrameNo(4));
    const Bytes p5 = packet(5, shortFrameNo(5));
    bridge.queueReads({Bytes(p4.begin(), p4.begin() + 12), Bytes(p4.begin() + 12, p4.end()),
                       Bytes(p5.begin(), p5.begin() + 20), Bytes(p5.begin() + 20, p5.end())});
    ASSERT_TRUE(waitFor([&] { return decoder.count() == 5; }));
    EXPECT_EQ(bar.texts(1).size(), mark);
}

TEST_F(LinkThreads, UnpluggedWhilePoweredTheLinkBeepsReportsAndReconnects) {
    startAndConnect();
    usb->flags().sondePowered = true;
    stream(packet(1, fullFrameNo(1, 50)), 1);
    const size_t opens = bridge.openCount();

    bridge.plugged(false);
    ASSERT_TRUE(waitFor([&] { return bridge.openCount() >= opens + 3; }));
    EXPECT_THAT(beeper.beeps(), ElementsAre(std::pair{1200, 100}, std::pair{300, 200}));
    EXPECT_EQ(usb->lastReaderExit(), CUSB::ReaderDeviceGone);
    EXPECT_EQ(errorLogEntry("Thread_USB_Read : USB disconnected ? - err 5500"),
              std::optional<std::string>("IO Error"));
    {
        std::lock_guard lock(mutex);
        EXPECT_THAT(refreshes, testing::Contains(std::pair{false, LinkState::LinkLost}))
            << "the full refresh after the loss sees link state 4";
    }
    EXPECT_TRUE(bar.shown(2, "Sonde not responding."));

    bridge.plugged(true);
    ASSERT_TRUE(waitFor([&] { return connected(); }));
    EXPECT_THAT(beeper.beeps(), ElementsAre(std::pair{1200, 100}, std::pair{300, 200},
                                            std::pair{300, 100}, std::pair{1200, 200}));
    // The new reader reads: frames flow again. A frame through the new reader proves that the
    // link check and the reader's start are over, and the sender has written what they handed
    // over.
    stream(packet(2, shortFrameNo(2)), 2);
    EXPECT_THAT(decoder.numbers(), ElementsAre(1, 2));
    ASSERT_TRUE(usb->waitUntilSent(5s));
    // A reconnection within the retries: no power-off, no winch settings again, no box.
    EXPECT_EQ(bridge.writes().size(), 4u);
    EXPECT_TRUE(messages.texts().empty());
    EXPECT_EQ(powerPresses.load(), 0);
}

TEST_F(LinkThreads, ALinkLostForThirtyFiveAttemptsIsDeclaredStoppedOnceAndRestartsLater) {
    decoder.depth = 12.5;
    startAndConnect();
    usb->flags().sondePowered = true;
    const size_t opensBefore = bridge.openCount();
    bridge.plugged(false);

    const std::string stopped = "I/O USB error.\nApplication stopped at 12.50m.";
    ASSERT_TRUE(waitFor([&] { return !messages.texts().empty(); }));
    const auto first = messages.shown().front();
    EXPECT_EQ(first.first.text, stopped);
    EXPECT_EQ(first.first.icon, MessageIcon::Error);
    EXPECT_EQ(first.second, opensBefore + CUSB::RetriesBeforeStop)
        << "shown at the 35th failed attempt";
    // The sonde is switched off through the probe control panel (pressed once, however long
    // the panel takes), and the box stays single.
    ASSERT_TRUE(waitFor([&] { return bridge.openCount() >= opensBefore + 80; }));
    EXPECT_THAT(messages.texts(), ElementsAre(stopped));
    EXPECT_EQ(powerPresses.load(), 1);
    EXPECT_FALSE(usb->flags().sondePowered.load());
    EXPECT_FALSE(usb->flags().linkEverStarted.load());

    // The sonde marked powered again while the link is stopped: switched off once more (a panel
    // that does not react is not pressed again).
    panelSwitchesOff = false;
    usb->flags().sondePowered = true;
    ASSERT_TRUE(waitFor([&] { return powerPresses.load() == 2; }));
    const size_t opens = bridge.openCount();
    ASSERT_TRUE(waitFor([&] { return bridge.openCount() >= opens + 10; }));
    EXPECT_EQ(powerPresses.load(), 2);

    // Back with the sonde still powered: switched off again, the restart box, and a fresh start
    // of the link (power-off and winch settings frames again).
    bridge.plugged(true);
    ASSERT_TRUE(waitFor([&] { return connected() && bridge.writes().size() == 8; }));
    EXPECT_THAT(messages.texts(),
                ElementsAre(stopped, "I/O USB error.\nThe USB communication to restart\n"
                                     "Application stopped at 12.50m."));
    EXPECT_EQ(powerPresses.load(), 3);
    stream(packet(1, shortFrameNo(1)), 1);
}

TEST_F(LinkThreads, AFailingReadIsReportedAndTheReaderGoesOn) {
    startAndConnect();
    bridge.readStatus(FT_IO_ERROR);
    ASSERT_TRUE(
        waitFor([&] { return errorLogEntry("Thread_USB_Read : L281 - err 1052").has_value(); }));
    EXPECT_EQ(errorLogEntry("Thread_USB_Read : L281 - err 1052"),
              std::optional<std::string>("IO Error"));
    bridge.readStatus(FT_OK);
    stream(packet(1, shortFrameNo(7)), 1);
    EXPECT_TRUE(usb->flags().readerActive.load());
}

TEST_F(LinkThreads, ShutdownWhileStreamingEndsEveryThreadInTime) {
    decoder.delay = 1ms;
    startAndConnect();
    std::vector<Bytes> frames;
    for (int i = 0; i < 3000; ++i)
        frames.push_back(packet(static_cast<std::uint8_t>(i), fullFrameNo(i, 200)));
    bridge.queueStream(concat(frames));
    ASSERT_TRUE(waitFor([&] { return decoder.count() > 10; }));

    const auto begin = std::chrono::steady_clock::now();
    EXPECT_TRUE(usb->stopLink());
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2000ms);
    EXPECT_EQ(usb->lastReaderExit(), CUSB::ReaderClosed);
    EXPECT_FALSE(usb->flags().readerActive.load());
    EXPECT_FALSE(usb->flags().readerRunning.load());
    EXPECT_GT(bridge.readsLeft(), 0u) << "stopped in the middle of the stream";
    // Every link thread is over: what they showed is all they ever show.
    const size_t decoded = decoder.count();
    const size_t shown = bar.size();
    usb->joinThreads();
    EXPECT_EQ(decoder.count(), decoded) << "nothing is dispatched after the stop";
    EXPECT_EQ(bar.size(), shown) << "nothing is shown once closing";
}

TEST_F(LinkThreads, ShutdownInterruptsTheLinkChecksWait) {
    bridge.plugged(false);
    LinkTimings slow = Fast;
    slow.retryInterval = 60s;
    usb->setTimings(slow);
    ASSERT_TRUE(usb->Start());
    ASSERT_TRUE(waitFor([&] { return bar.shown(2, "Sonde not responding."); }));
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_TRUE(usb->stopLink());
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2000ms);
    EXPECT_FALSE(usb->flags().linkCheckRunning.load());
}

TEST_F(LinkThreads, ARawCaptureReplaysToTheSameFramesAsTheLiveLink) {
    startAndConnect();
    const std::filesystem::path file = home.file("link.cap");
    ASSERT_TRUE(usb->startRawCapture(file));
    Bytes cutPayload = shortFrameNo(3);
    cutPayload.push_back(0x99);
    cutPayload.insert(cutPayload.end(), 20, 0x00);
    const Bytes bytes = concat({Bytes{0x01, 0x55, 0xAA}, packet(1, fullFrameNo(1, 500)),
                                packet(2, statusFrameNo(2)), rawPacket(3, 300, cutPayload),
                                packet(7, shortFrameNo(4)), packet(8, fullFrameNo(5, 64))});
    stream(bytes, 5, 11);
    usb->stopRawCapture();

    RecordingHandler replayed;
    PacketFramer framer(replayed);
    const CaptureReplay result = replayRawCapture(file, framer);
    EXPECT_TRUE(result.complete) << result.error;
    EXPECT_EQ(result.bytes, bytes.size());
    std::vector<Bytes> live;
    for (const auto& call : decoder.calls())
        live.push_back(call.frame);
    EXPECT_EQ(replayed.frames, live);
    const TransmissionCounts counts = usb->statistics().snapshot();
    EXPECT_EQ(framer.counts().invalidPackets, std::uint64_t(counts.invalidPackets));
    EXPECT_EQ(framer.counts().frameLengthErrors, std::uint64_t(counts.frameLengthErrors));
}

TEST_F(LinkThreads, TheDecoderSeesTheLinksCounterAndWinchSettings) {
    EXPECT_FALSE(usb->lastWinchSettings().has_value()) << "before the first F1";
    startAndConnect();
    Configuration c = settings.snapshot();
    const CommandFrame f1 = *CommandFrames::F1(c.logger, c.program);
    const WinchSettingsEcho echo{static_cast<std::uint16_t>(f1.bytes[2] | (f1.bytes[3] << 8)),
                                 static_cast<std::uint16_t>(f1.bytes[4] | (f1.bytes[5] << 8)),
                                 f1.bytes[6]};
    EXPECT_EQ(usb->lastWinchSettings(), std::optional<WinchSettingsEcho>(echo));
    usb->resendWinchSettings();
    ASSERT_TRUE(waitFor([&] { return bridge.writes().size() == 5; }));
    EXPECT_EQ(bridge.writes().back(), Bytes(f1.view().begin(), f1.view().end()));
}

TEST(LinkTimings, TheDefaultsAreTheProgramsOwn) {
    const LinkTimings t;
    struct Row {
        const char* what;
        long long value;
        long long expected;
    };
    const std::vector<Row> rows = {
        {"ms between two link checks", t.retryInterval.count(), 250},
        {"ms after the power-off frame of a link start", t.afterPowerOff.count(), 500},
        {"ms after the winch settings at the first reader start", t.afterWinchSettings.count(),
         300},
        {"ms after each empty read from the tenth on", t.dataWaitPause.count(), 20},
        {"ms the shutdown waits for each link thread", t.threadWait.count(), 2000},
        {"ms the shutdown waits (constant)", CUSB::ThreadWait.count(), 2000},
        {"link checks after a loss before the link is declared stopped", CUSB::RetriesBeforeStop,
         35},
        {"empty reads before \"Data wait ...\"", CUSB::EmptyReadsBeforeDataWait, 10},
        {"waits of a re-request for a free link", CUSB::RequestWaits, 50},
        {"ms per wait of a re-request", CUSB::RequestWaitStep.count(), 15},
        {"read timeout ms while preparing the logger", CUSB::PrepareTimeouts.readMs, 3000},
        {"write timeout ms while preparing the logger", CUSB::PrepareTimeouts.writeMs, 3000},
        {"read timeout ms after the link check", CUSB::LinkCheckTimeouts.readMs, 3},
        {"write timeout ms after the link check", CUSB::LinkCheckTimeouts.writeMs, 3},
        {"latency ms after the link check", CUSB::LinkCheckLatencyMs, 2},
        {"read timeout ms at the reader's start", CUSB::ReaderStartTimeouts.readMs, 1500},
        {"write timeout ms at the reader's start", CUSB::ReaderStartTimeouts.writeMs, 100},
        {"latency ms of the reader", CUSB::ReaderLatencyMs, 1},
        {"read timeout ms of each read", CUSB::ReadTimeouts.readMs, 300},
        {"write timeout ms of each read", CUSB::ReadTimeouts.writeMs, 100},
        {"bytes per read at most", static_cast<long long>(PacketFramer::ReadSize), 24},
        {"ms after each replayed held packet", VideoRecovery::ReplayPause.count(), 10},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.value, r.expected) << r.what;
}

TEST(LinkTexts, TheDepthOfTheOperatorsMessages) {
    const std::vector<std::pair<double, std::string>> cases = {
        {12.5, "12.50"},     {-3.256, "-3.26"},    {0.0, "0.00"},           {100000.0, "100000.00"},
        {100000.5, " --- "}, {-100001.0, " --- "}, {std::nan(""), " --- "}, {HUGE_VAL, " --- "},
    };
    for (const auto& [depth, text] : cases)
        EXPECT_EQ(CUSB::depthText(depth), text) << depth;
}

} // namespace
} // namespace zarn::test
