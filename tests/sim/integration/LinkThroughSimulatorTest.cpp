// The link through the simulated logger: CUSB binds libzarn_ftd2xx_sim.so by name, its threads
// read the simulator in fast mode and dispatch every frame to the stream decoder. What the link
// counted is compared with what the simulator reports it sent and injected (ZarnSim_Report).
//
// Every run starts the way the program does: the link's start sends the power-off and winch
// settings frames, and the probe control panel's part is played by the test, which marks the
// sonde powered and sends the line order (F11) as soon as the link has sent its power-off frame,
// while the link still waits before reading. So in fast mode the simulator's stream is, in
// order: the one status packet the link's start reads and throws away, a status frame while the
// sonde boots, two 16-byte frames while it starts, then full data frames, one per picture.
#include "acquisition/link/LinkState.h"
#include "acquisition/link/ShortFrameRebuild.h"
#include "acquisition/link/ToolsStreamDecoder.h"
#include "acquisition/link/USB.h"
#include "acquisition/link/VideoRecovery.h"
#include "acquisition/stream/ToolsStream.h"
#include "platform/Format.h"
#include "platform/ProfileDocument.h"
#include "sim/ftd2xx/SimulatorReport.h"
#include "tests/acquisition/link/FramingTestSupport.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <dlfcn.h>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zarn::test {
namespace {

using namespace std::chrono_literals;
using testing::ElementsAre;

// Generous: the runs are short, but they also run under the sanitizers on a busy machine.
constexpr auto Deadline = 60s;

// The simulator's report, read by section and key.
class SimReport {
public:
    explicit SimReport(const std::string& text) : doc_(ProfileDocument::parse(text)) {}
    int operator()(std::string_view section, std::string_view key) const {
        const std::optional<std::string> v = doc_.get(section, key);
        EXPECT_TRUE(v.has_value()) << section << " " << key;
        return v ? parseInt(*v) : -1;
    }

private:
    ProfileDocument doc_;
};

// The simulator library as the link binds it: ZARN_FTD2XX names it and ZARN_SIM_CONFIG its
// configuration while the object lives. The test holds the library open as well, to call its
// report.
class SimulatorBinding {
public:
    SimulatorBinding(const TempHome& home, const std::string& configuration) {
        // A text of its own for every binding, so that the simulator is made afresh even when
        // the library stayed loaded from an earlier test.
        static std::atomic<int> runs{0};
        home.write("sim.ini", format("; run %d\n", ++runs) + configuration);
        ::setenv("ZARN_SIM_CONFIG", home.file("sim.ini").c_str(), 1);
        ::setenv("ZARN_FTD2XX", ZARN_FTD2XX_SIM, 1);
        handle_ = dlopen(ZARN_FTD2XX_SIM, RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(handle_, nullptr) << dlerror();
        if (handle_)
            report_ = reinterpret_cast<ZarnSimReportFn>(dlsym(handle_, ZarnSimReportName));
        EXPECT_NE(report_, nullptr);
    }
    ~SimulatorBinding() {
        ::unsetenv("ZARN_FTD2XX");
        ::unsetenv("ZARN_SIM_CONFIG");
        if (handle_)
            dlclose(handle_);
    }
    SimulatorBinding(const SimulatorBinding&) = delete;
    SimulatorBinding& operator=(const SimulatorBinding&) = delete;

    std::string reportText() const {
        if (!report_)
            return {};
        // The counts may grow while the link runs: again with more room until the text fits.
        std::string text(512, '\0');
        for (;;) {
            const auto n =
                static_cast<std::size_t>(report_(text.data(), static_cast<unsigned>(text.size())));
            if (n < text.size()) {
                text.resize(n);
                return text;
            }
            text.assign(n + 64, '\0');
        }
    }
    SimReport report() const { return SimReport(reportText()); }

private:
    void* handle_ = nullptr;
    ZarnSimReportFn report_ = nullptr;
};

// The stream decoder behind the link, with a record of what reached it: every full data frame
// with the checks it really passes, and the 16-byte and 20-byte frames.
class RecordingStreamDecoder final : public FrameDecoder {
public:
    struct Full {
        std::uint32_t picture = 0;
        std::uint8_t index = 0;
        int result = 0;
        bool packValid = false;  // the sonde block's checksum
        bool videoValid = false; // the payload's checksum
    };

    explicit RecordingStreamDecoder(CToolsStream& stream) : inner_(stream) {}

    bool DecodeShortFrame(std::span<const std::uint8_t> f) override {
        {
            std::lock_guard lock(mutex_);
            ++shortFrames_;
            // Bit 7 of the communication status marks a frame rebuilt from a damaged one.
            if (f.size() == frame::shortframe::Size && (f[frame::shortframe::CommStatus] & 0x80))
                ++rebuilt_;
        }
        return inner_.DecodeShortFrame(f);
    }
    bool DecodeStatusFrame(std::span<const std::uint8_t> f) override {
        {
            std::lock_guard lock(mutex_);
            ++statusFrames_;
        }
        return inner_.DecodeStatusFrame(f);
    }
    int DecodeFullFrame(std::span<const std::uint8_t> f, bool current) override {
        namespace fu = frame::full;
        Full d;
        d.result = inner_.DecodeFullFrame(f, current);
        if (f.size() >= fu::Overhead) {
            d.picture = frame::u32(f, fu::SondeBlock + frame::sonde::PictureNumber);
            d.index = f[fu::SondeBlock + frame::sonde::PacketIndex];
            d.packValid = dataChecksumValid(f);
            d.videoValid = frame::sum16(f.subspan(fu::Payload, f.size() - fu::Overhead)) ==
                           frame::u16(f, f.size() - fu::VideoChecksumFromEnd);
        }
        std::lock_guard lock(mutex_);
        full_.push_back(d);
        return d.result;
    }
    bool DecodePacketHeader(std::span<const std::uint8_t> f) override {
        return inner_.DecodePacketHeader(f);
    }
    std::uint8_t sondeAlarmByte() const override { return inner_.sondeAlarmByte(); }
    double lastDepth() const override { return inner_.lastDepth(); }

    std::vector<Full> full() const {
        std::lock_guard lock(mutex_);
        return full_;
    }
    std::size_t fullCount() const {
        std::lock_guard lock(mutex_);
        return full_.size();
    }
    std::uint32_t lastPicture() const {
        std::lock_guard lock(mutex_);
        return full_.empty() ? 0 : full_.back().picture;
    }
    int shortFrames() const {
        std::lock_guard lock(mutex_);
        return shortFrames_;
    }
    int rebuilt() const {
        std::lock_guard lock(mutex_);
        return rebuilt_;
    }
    int statusFrames() const {
        std::lock_guard lock(mutex_);
        return statusFrames_;
    }

private:
    ToolsStreamDecoder inner_;
    mutable std::mutex mutex_;
    std::vector<Full> full_;
    int shortFrames_ = 0;
    int rebuilt_ = 0;
    int statusFrames_ = 0;
};

// Message boxes with what the simulator had seen when each was shown.
class ReportingMessages final : public UserMessages {
public:
    struct Shown {
        std::string text;
        int refusedOpens = 0; // open attempts the simulator had refused by then
    };
    explicit ReportingMessages(std::function<int()> refusedOpens)
        : refusedOpens_(std::move(refusedOpens)) {
        UserMessages::install(this);
    }
    ~ReportingMessages() override { UserMessages::install(nullptr); }
    MessageAnswer ask(const UserMessage& m) override {
        notify(m);
        return MessageAnswer::Ok;
    }
    void notify(const UserMessage& m) override {
        const int refused = refusedOpens_();
        std::lock_guard lock(mutex_);
        shown_.push_back({m.text, refused});
    }
    std::vector<Shown> shown() const {
        std::lock_guard lock(mutex_);
        return shown_;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        shown_.clear();
    }

private:
    std::function<int()> refusedOpens_;
    mutable std::mutex mutex_;
    std::vector<Shown> shown_;
};

// The simulator's base configuration: fast (or at the line's pace), the sonde off until the line
// order, short boot and start phases, a winch that moves from the first picture on.
std::string baseConfiguration(bool fast) {
    return sim::test::ini({"[Device]", fast ? "FastMode = yes" : "FastMode = no", "Seed = 11",
                           "[Logger]", "BootTime = 200", "SondeStartTime = 200", "[Winch]",
                           "StartDelay = 0", "Speed = 10"});
}

// Link waits: the pauses of the link's start leave the test time to switch the sonde on before
// the reader reads; the rest is short.
const LinkTimings Timings{50ms, 400ms, 400ms, 2ms};

class LinkThroughSimulator : public ::testing::Test {
protected:
    // Also between the cases of a table: everything of a run goes, the recorders are cleared.
    void TearDown() override {
        if (usb)
            static_cast<void>(usb->stopLink()); // a late link thread is joined by reset
        usb.reset();
        recovery.reset();
        decoder.reset();
        stream.reset();
        sim.reset();
        messages.clear();
        std::lock_guard lock(mutex);
        refreshes.clear();
    }

    // Binds the simulator with the base configuration and the extra text, starts the link and
    // switches the sonde on as the probe control panel would (unless told not to).
    void start(const std::string& extra, const LinkTimings& timings = Timings,
               bool switchOn = true) {
        sim = std::make_unique<SimulatorBinding>(home, baseConfiguration(fast) + extra);
        usb = std::make_unique<CUSB>(settings, logs, bus);
        usb->setTimings(timings);
        stream = std::make_unique<CToolsStream>(nullptr, usb.get(), bus);
        stream->setSettings(sim::test::ProgramSide().decoderSettings());
        decoder = std::make_unique<RecordingStreamDecoder>(*stream);
        usb->setDecoder(decoder.get());
        if (withRecovery) {
            recovery = std::make_unique<VideoRecovery>(
                *usb,
                [this](const std::function<void(Configuration&)>& edit) { settings.modify(edit); });
            usb->setSequencer(recovery.get());
        }
        usb->setRefreshDataView([this, link = usb.get()](bool statusOnly) {
            std::lock_guard lock(mutex);
            refreshes.emplace_back(statusOnly, link->linkState());
        });
        ASSERT_TRUE(usb->Start());
        if (switchOn) {
            // The link has sent its power-off frame and waits before it reads.
            ASSERT_TRUE(waitFor([&] { return usb->flags().frameSent.load(); }));
            usb->flags().sondePowered = true;
            ASSERT_TRUE(usb->sendF11());
        }
        ASSERT_TRUE(waitFor([&] { return connected(); }));
    }

    bool waitFor(const std::function<bool()>& condition,
                 std::chrono::milliseconds timeout = Deadline) {
        return waitDelivering(bus, condition, timeout);
    }
    bool connected() { return linkConnected(*usb); }
    // Waits until a full data frame of at least this picture number was decoded.
    void streamUntilPicture(std::uint32_t picture) {
        ASSERT_TRUE(waitFor([&] { return decoder->lastPicture() >= picture; }))
            << "last picture " << decoder->lastPicture();
    }
    std::vector<std::pair<bool, int>> refreshed() {
        std::lock_guard lock(mutex);
        return refreshes;
    }

    TempHome home;
    std::unique_ptr<SimulatorBinding> sim;
    ReportingMessages messages{[this] { return sim ? sim->report()("Chip", "RefusedOpens") : -1; }};
    RecordingBeeper beeper;
    RecordingStatusBar bar;
    DiagnosticLogs logs{home.path()};
    Shared<Configuration> settings;
    MessageBus bus;
    std::atomic<int> powerPresses{0};
    std::mutex mutex;
    std::vector<std::pair<bool, int>> refreshes; // (status only, link state then)
    bool fast = true;                            // the simulator's fast mode
    bool withRecovery = false;                   // the video packet recovery behind the dispatcher
    std::unique_ptr<CToolsStream> stream;
    std::unique_ptr<RecordingStreamDecoder> decoder;
    std::unique_ptr<VideoRecovery> recovery;
    std::unique_ptr<CUSB> usb;
};

// The pictures that never reached the decoder up to the last one that did; also checks that the
// decoded ones came once each and in order.
int missingPictures(const std::vector<RecordingStreamDecoder::Full>& full) {
    std::uint32_t last = 0;
    for (const auto& f : full) {
        EXPECT_GT(f.picture, last) << "picture " << f.picture << " after " << last;
        last = f.picture;
    }
    return static_cast<int>(last) - static_cast<int>(full.size());
}

TEST_F(LinkThroughSimulator, ACleanStreamIsDispatchedWholeInOrderAndCountedAsTheSimulatorSentIt) {
    ASSERT_NO_FATAL_FAILURE(start(""));
    ASSERT_NO_FATAL_FAILURE(streamUntilPicture(150));
    EXPECT_EQ(usb->linkState(), LinkState::FullData);
    ASSERT_TRUE(usb->stopLink());

    const SimReport sent = sim->report();
    const TransmissionCounts counts = usb->statistics().snapshot();
    const auto full = decoder->full();
    // Every picture from the first, each once, in order, with its packet index, decoded whole.
    ASSERT_GE(full.size(), 150u);
    for (std::size_t i = 0; i < full.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(full[i].picture, i + 1);
        EXPECT_EQ(full[i].index, static_cast<std::uint8_t>(i));
        EXPECT_EQ(full[i].result, FrameResult::Ok);
    }
    EXPECT_EQ(counts.invalidPackets, 0);
    EXPECT_EQ(counts.frameLengthErrors, 0);
    EXPECT_EQ(counts.lostFrames, 0);
    EXPECT_EQ(counts.videoRequests, 0);
    EXPECT_EQ(decoder->rebuilt(), 0);
    const MeasurementRecord m = stream->snapshot();
    EXPECT_EQ(m.Counters.GoodFrames, full.size());
    EXPECT_EQ(m.Counters.BadFrames, 0u);

    // The link counted what it dispatched; the simulator, what it sent.
    EXPECT_EQ(counts.fullFrames, static_cast<int>(full.size()));
    EXPECT_EQ(counts.shortFrames, decoder->shortFrames());
    EXPECT_EQ(counts.statusFrames, decoder->statusFrames());
    EXPECT_EQ(counts.receivedFrames, counts.fullFrames + counts.shortFrames + counts.statusFrames);
    EXPECT_EQ(sent("Logger", "Packets"), sent("Logger", "StatusFrames") +
                                             sent("Logger", "ShortFrames") +
                                             sent("Logger", "FullFrames"));
    EXPECT_EQ(sent("Logger", "ShortFrames"), 2);
    EXPECT_EQ(counts.shortFrames, 2);
    // The link's start threw away the one status packet waiting when it opened the device.
    EXPECT_EQ(counts.statusFrames, sent("Logger", "StatusFrames") - 1);
    // Every packet read whole was dispatched, but the one the start threw away; the last full
    // frames may still have been in the chip when the link stopped.
    EXPECT_EQ(counts.receivedFrames, sent("Chip", "PacketsRead") - 1);
    EXPECT_EQ(sent("Logger", "FullFrames"), counts.fullFrames + sent("Chip", "PacketsQueued"));
    EXPECT_LE(sent("Chip", "PacketsQueued"), 2);
    EXPECT_EQ(sent("Logger", "VideoPackets"), sent("Logger", "FullFrames"));
    EXPECT_EQ(sent("Chip", "PacketsDropped"), 0);
    EXPECT_EQ(sent("Chip", "PacketsDiscarded"), 0);
    for (const char* fault : {"LostBytes", "FlippedBits", "CutPackets", "WrongChecksums",
                              "LostVideoPackets", "Unplugs"})
        EXPECT_EQ(sent("Faults", fault), 0) << fault;
    EXPECT_EQ(sent("Chip", "Opens"), 1);
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_TRUE(beeper.beeps().empty());
}

// Each kind of damage to the USB packets, on a schedule of packets spaced so that two damaged
// packets never meet: once on full data frames (the schedule starts well after the sonde went
// on), once on the logger's status frames with the sonde left off (short packets, so that the
// damage often hits a packet's header). Each run stops once the frames after the last damaged
// packet were decoded, and the link's counters are compared with what the simulator injected.
TEST_F(LinkThroughSimulator, EachKindOfDamageIsCountedAsTheFramingSeesIt) {
    enum class Hit { FullFrames, StatusFrames };
    struct Outcome {
        Hit hit;
        int injected; // as the simulator reports it
        int lengthErrors;
        int invalidPackets;
        int missing;     // frames of the kind hit that never reached the decoder
        int rebuilt;     // 16-byte frames rebuilt from damaged frames
        int videoErrors; // full frames dispatched and dropped by the decoder
        int wrongPack;   // wrong checksums that hit a pack checksum
        int wrongVideo;  // ... a video checksum (the others hit a frame sum)
    };
    struct Case {
        const char* key;
        const char* counted; // the report's key
        std::function<void(const Outcome&)> check;
    };
    const Case cases[] = {
        // A lost byte spoils its packet whatever it hits, so its frame is lost. Lost from the
        // length field, the frame, its sum or the end marker, the packet fails its check and
        // ends at the next sync: a frame length error. Lost from the sync, the packet is never
        // found and the next packet's counter shows one packet missed. Lost from the counter,
        // the header is read one byte off: a length error, and the two counter checks around
        // it count 0, 1 or 256 packets missed.
        {"LostBytesAt", "LostBytes",
         [](const Outcome& o) {
             EXPECT_EQ(o.missing, o.injected);
             EXPECT_LE(o.lengthErrors, o.injected);
             EXPECT_GE(o.lengthErrors + o.invalidPackets, o.injected);
             EXPECT_LE(o.invalidPackets, 256 * o.injected);
             EXPECT_LE(o.rebuilt, o.lengthErrors);
             EXPECT_EQ(o.videoErrors, 0);
         }},
        // A flipped bit in the length, the frame, its sum or the end marker fails the packet's
        // check: a frame length error and the frame lost. In the sync the packet is never
        // found: one packet missed by the counter, the frame lost. In the counter the frame
        // arrives whole, and the counter checks count 1 (its lowest bit) or 256 missed packets.
        {"FlippedBitsAt", "FlippedBits",
         [](const Outcome& o) {
             EXPECT_LE(o.missing, o.injected);
             EXPECT_LE(o.lengthErrors, o.missing);
             EXPECT_LE(o.missing, o.lengthErrors + o.invalidPackets);
             EXPECT_GE(o.lengthErrors + o.invalidPackets, o.injected);
             EXPECT_LE(o.invalidPackets, 256 * (o.injected - o.lengthErrors));
             EXPECT_LE(o.rebuilt, o.lengthErrors);
             EXPECT_EQ(o.videoErrors, 0);
         }},
        // A cut packet keeps its header: the next packet's sync ends it, exactly one frame
        // length error, no counter gap, its frame lost; a cut full frame whose sonde block
        // survived may be salvaged as a 16-byte frame.
        {"CutPacketsAt", "CutPackets",
         [](const Outcome& o) {
             EXPECT_EQ(o.lengthErrors, o.injected);
             EXPECT_EQ(o.invalidPackets, 0);
             EXPECT_EQ(o.missing, o.injected);
             EXPECT_LE(o.rebuilt, o.injected);
             EXPECT_EQ(o.videoErrors, 0);
         }},
        // A wrong pack checksum: the dispatcher rebuilds the frame as a 16-byte frame. A wrong
        // video checksum: the frame is dispatched and the decoder drops it. A wrong frame sum:
        // the packet fails its check and ends at the next sync (a frame length error); a full
        // frame is salvaged as a 16-byte frame, its sonde block being whole, a status frame is
        // not. Status frames have only the frame sum.
        {"WrongChecksumAt", "WrongChecksums",
         [](const Outcome& o) {
             const int frameSum = o.injected - o.wrongPack - o.wrongVideo;
             if (o.hit == Hit::FullFrames) {
                 EXPECT_GT(o.wrongPack, 0);
                 EXPECT_GT(o.wrongVideo, 0);
             } else {
                 EXPECT_EQ(frameSum, o.injected);
             }
             EXPECT_EQ(o.lengthErrors, frameSum);
             EXPECT_EQ(o.invalidPackets, 0);
             EXPECT_EQ(o.missing, o.wrongPack + frameSum);
             EXPECT_EQ(o.rebuilt, o.wrongPack + (o.hit == Hit::FullFrames ? frameSum : 0));
             EXPECT_EQ(o.videoErrors, o.wrongVideo);
         }},
    };
    constexpr int First = 40, Step = 5;
    for (const Hit hit : {Hit::FullFrames, Hit::StatusFrames}) {
        const bool full = hit == Hit::FullFrames;
        const int count = full ? 20 : 60;
        std::string at;
        for (int i = 0; i < count; ++i)
            at += (i ? ", " : "") + std::to_string(First + i * Step);
        const int lastAt = First + (count - 1) * Step;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.key) +
                         (full ? " on full data frames" : " on status frames"));
            ASSERT_NO_FATAL_FAILURE(
                start(std::string("[Faults]\n") + c.key + " = " + at + "\n", Timings, full));
            // The frames after the last damaged packet have been decoded: every damaged packet
            // has been dealt with.
            const auto pastTheDamage = static_cast<std::uint32_t>(lastAt + 3);
            if (full)
                ASSERT_NO_FATAL_FAILURE(streamUntilPicture(pastTheDamage));
            else
                ASSERT_TRUE(waitFor([&] { return decoder->statusFrames() >= int(pastTheDamage); }));
            ASSERT_TRUE(usb->stopLink());

            const SimReport sent = sim->report();
            const TransmissionCounts counts = usb->statistics().snapshot();
            const auto decoded = decoder->full();
            ASSERT_EQ(sent("Faults", c.counted), count);
            const int queued = sent("Chip", "PacketsQueued");
            int missing = 0;
            if (full) {
                // The schedule hit full data frames only: the sonde was on before it began.
                ASSERT_LT(sent("Logger", "StatusFrames") + sent("Logger", "ShortFrames"), First)
                    << "the line order reached the logger after the link began to read";
                missing = missingPictures(decoded);
                // Every full frame sent was dispatched, lost, or is still in the chip.
                EXPECT_EQ(sent("Logger", "FullFrames"), counts.fullFrames + missing + queued);
            } else {
                ASSERT_EQ(sent("Logger", "FullFrames"), 0);
                // The link's start threw away the one packet waiting when it opened the device.
                missing = sent("Logger", "StatusFrames") - 1 - counts.statusFrames - queued;
                // A damaged status frame has no logger header to rebuild a 16-byte frame from.
                EXPECT_EQ(decoder->rebuilt(), 0);
            }

            // Whatever the damage, no frame that fails a checksum is decoded as good.
            int videoErrors = 0;
            for (const auto& f : decoded) {
                EXPECT_TRUE(f.packValid) << "picture " << f.picture;
                if (f.result == FrameResult::Ok)
                    EXPECT_TRUE(f.videoValid) << "picture " << f.picture;
                else
                    ++videoErrors;
            }
            EXPECT_EQ(stream->snapshot().Counters.BadFrames, 0u);
            EXPECT_EQ(counts.lostFrames, counts.invalidPackets + counts.frameLengthErrors);
            EXPECT_EQ(counts.fullFrames, static_cast<int>(decoded.size()));
            EXPECT_EQ(counts.statusFrames, decoder->statusFrames());
            EXPECT_EQ(counts.shortFrames, decoder->shortFrames());
            EXPECT_EQ(decoder->shortFrames(), sent("Logger", "ShortFrames") + decoder->rebuilt());
            c.check(Outcome{hit, count, counts.frameLengthErrors, counts.invalidPackets, missing,
                            decoder->rebuilt(), videoErrors, sent("Faults", "WrongPackChecksums"),
                            sent("Faults", "WrongVideoChecksums")});
            EXPECT_TRUE(messages.shown().empty());
            TearDown();
        }
    }
}

TEST_F(LinkThroughSimulator, UnpluggedWhilePoweredTheLinkBeepsLooksAgainAndReconnects) {
    bus.attach(Role::ProbePanel,
               [this](const Message& m) { powerPresses += m == command(Cmd::PowerButton); });
    // Pulled 3 s into the logger's time (about 50 pictures after the sonde's start), plugged
    // back 0.4 s later: a handful of link checks at 50 ms, far from the 35 that declare the link
    // stopped.
    ASSERT_NO_FATAL_FAILURE(start("[Faults]\nUnplugAt = 3\nUnplugFor = 0.4\n"));
    ASSERT_TRUE(waitFor([&] { return beeper.beeps().size() >= 4; })) << beeper.beeps().size();
    const int before = static_cast<int>(decoder->fullCount());
    EXPECT_GE(before, 20);
    // Frames flow again: full data frames, the sonde was never switched off.
    ASSERT_TRUE(waitFor([&] {
        return static_cast<int>(decoder->fullCount()) >= before + 30 &&
               usb->linkState() == LinkState::FullData;
    }));
    ASSERT_TRUE(usb->stopLink());

    // High then low when the device went, low then high when it came back.
    EXPECT_THAT(beeper.beeps(), ElementsAre(std::pair{1200, 100}, std::pair{300, 200},
                                            std::pair{300, 100}, std::pair{1200, 200}));
    EXPECT_THAT(refreshed(), testing::Contains(std::pair{false, LinkState::LinkLost}))
        << "the full refresh after the loss sees link state 4";
    EXPECT_EQ(usb->lastReaderExit(), CUSB::ReaderClosed);
    EXPECT_TRUE(bar.shown(2, "Sonde not responding."));
    const SimReport sent = sim->report();
    EXPECT_EQ(sent("Faults", "Unplugs"), 1);
    // A new link check tried while the cable was out and opened the device once it was back.
    EXPECT_EQ(sent("Chip", "Opens"), 2);
    EXPECT_GE(sent("Chip", "RefusedOpens"), 1);
    EXPECT_LT(sent("Chip", "RefusedOpens"), CUSB::RetriesBeforeStop);
    // Back within the retries: no power-off, no box, and the pictures go on from where the
    // sonde is (those lost with the cable are not decoded twice or out of order).
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(powerPresses.load(), 0);
    EXPECT_TRUE(usb->flags().sondePowered.load());
    EXPECT_GT(missingPictures(decoder->full()), 0);
    const TransmissionCounts counts = usb->statistics().snapshot();
    EXPECT_EQ(counts.invalidPackets, 0) << "the new reader starts a new packet count";
}

TEST_F(LinkThroughSimulator, ALongUnplugStopsTheLinkWithOneBoxAndTheLoggerIsFoundAgainLater) {
    // The probe control panel switches the sonde off when its power button is pressed.
    bus.attach(Role::ProbePanel, [this](const Message& m) {
        if (m == command(Cmd::PowerButton)) {
            ++powerPresses;
            usb->flags().sondePowered = false;
        }
    });
    // Out for 4 s: the 35 link checks at 5 ms that declare the link stopped come well before.
    LinkTimings timings = Timings;
    timings.retryInterval = 5ms;
    ASSERT_NO_FATAL_FAILURE(start("[Faults]\nUnplugAt = 3\nUnplugFor = 4\n", timings));
    ASSERT_TRUE(waitFor([&] { return !messages.shown().empty(); }));
    const std::string depth = CUSB::depthText(stream->snapshot().LoggerDepth);
    // Found again: the restart switches the logger off (F0) and sends the winch settings, so
    // 20-byte status frames flow.
    const int statusBefore = decoder->statusFrames();
    ASSERT_TRUE(waitFor([&] {
        return connected() && usb->linkState() == LinkState::LoggerOnly &&
               decoder->statusFrames() > statusBefore + 10;
    }));
    ASSERT_TRUE(usb->stopLink());

    const auto shown = messages.shown();
    ASSERT_EQ(shown.size(), 1u) << "the box shows once";
    EXPECT_EQ(shown[0].text, "I/O USB error.\nApplication stopped at " + depth + "m.");
    EXPECT_EQ(shown[0].refusedOpens, CUSB::RetriesBeforeStop) << "shown at the 35th failed attempt";
    EXPECT_NE(depth, " --- ");
    EXPECT_EQ(powerPresses.load(), 1);
    EXPECT_FALSE(usb->flags().sondePowered.load());
    // The loss beeped; the return did not, the sonde being off by then.
    EXPECT_THAT(beeper.beeps(), ElementsAre(std::pair{1200, 100}, std::pair{300, 200}));
    const SimReport sent = sim->report();
    EXPECT_EQ(sent("Chip", "Opens"), 2);
    EXPECT_GT(sent("Chip", "RefusedOpens"), CUSB::RetriesBeforeStop);
}

// Pictures lost on the wireline, with the video packet recovery behind the dispatcher: the link
// asks the sonde for each of them again, holds back the packets that come meanwhile, and every
// picture is decoded once, in order. At the line's pace the recovery's eight packets of waiting
// leave the request 400 ms to go out; in fast mode the simulator waits for the request after the
// packet that shows the gap (else the packets would come faster than a busy machine runs the
// sender thread).
class LostVideoPackets : public LinkThroughSimulator, public ::testing::WithParamInterface<bool> {};

INSTANTIATE_TEST_SUITE_P(Paces, LostVideoPackets, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "FastMode" : "LinePace"; });

TEST_P(LostVideoPackets, AreAskedForAgainAndEveryPictureIsDecodedInOrder) {
    fast = GetParam();
    withRecovery = true;
    ASSERT_NO_FATAL_FAILURE(start("[Faults]\nLostVideoPacketsAt = 30, 50, 70\n"));
    ASSERT_NO_FATAL_FAILURE(streamUntilPicture(75));
    ASSERT_TRUE(usb->stopLink());

    const SimReport sent = sim->report();
    const TransmissionCounts counts = usb->statistics().snapshot();
    const auto full = decoder->full();
    EXPECT_EQ(missingPictures(full), 0);
    for (const auto& f : full)
        EXPECT_EQ(f.result, FrameResult::Ok) << "picture " << f.picture;
    EXPECT_EQ(sent("Faults", "LostVideoPackets"), 3);
    EXPECT_EQ(sent("Logger", "ResentVideoPackets"), 3);
    EXPECT_EQ(counts.videoRequests, 3);
    EXPECT_EQ(counts.recoveries, 3);
    EXPECT_EQ(counts.lostFrames, 0);
    EXPECT_EQ(counts.videoDataErrors, 0);
    // Every full frame the logger sent, those sent again included, was dispatched, but those
    // still on their way or in the chip when the link stopped.
    EXPECT_EQ(sent("Logger", "FullFrames"),
              counts.fullFrames + sent("Chip", "PacketsQueued") + sent("Chip", "PacketsInFlight"));
    EXPECT_EQ(sent("Logger", "VideoPackets"), sent("Logger", "FullFrames") -
                                                  sent("Logger", "ResentVideoPackets") +
                                                  sent("Faults", "LostVideoPackets"));
}

TEST_F(LinkThroughSimulator, ShutdownWhileStreamingEndsEveryThreadInTime) {
    ASSERT_NO_FATAL_FAILURE(start(""));
    ASSERT_NO_FATAL_FAILURE(streamUntilPicture(20));
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_TRUE(usb->stopLink());
    EXPECT_LT(std::chrono::steady_clock::now() - begin, CUSB::ThreadWait);
    EXPECT_EQ(usb->lastReaderExit(), CUSB::ReaderClosed);
    EXPECT_FALSE(usb->flags().readerActive.load());
    EXPECT_FALSE(usb->flags().readerRunning.load());
    EXPECT_FALSE(usb->flags().linkCheckRunning.load());
    // Nothing is dispatched after the stop: once every link thread is joined, none can have
    // dispatched late.
    const std::size_t decoded = decoder->fullCount();
    usb->joinThreads();
    EXPECT_EQ(decoder->fullCount(), decoded);
}

} // namespace
} // namespace zarn::test
