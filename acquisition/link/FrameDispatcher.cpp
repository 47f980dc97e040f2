#include "acquisition/link/FrameDispatcher.h"

#include "acquisition/app/Guarded.h"
#include "acquisition/link/LinkState.h"
#include "acquisition/link/ShortFrameRebuild.h"
#include "acquisition/wire/FrameLayout.h"
#include "platform/Beeper.h"
#include "platform/StatusBar.h"

#include <cstdio>
#include <exception>

namespace zarn {
namespace {

// Accepts every frame and decodes nothing.
class NoDecoder final : public FrameDecoder {
public:
    [[nodiscard]] bool DecodeShortFrame(std::span<const std::uint8_t>) override { return true; }
    [[nodiscard]] bool DecodeStatusFrame(std::span<const std::uint8_t>) override { return true; }
    [[nodiscard]] int DecodeFullFrame(std::span<const std::uint8_t>, bool) override { return 1; }
    [[nodiscard]] bool DecodePacketHeader(std::span<const std::uint8_t>) override { return true; }
    std::uint8_t sondeAlarmByte() const override { return 0; }
    double lastDepth() const override { return 0.0; }
};

constexpr std::size_t ImageModeByte = frame::full::SondeBlock + frame::sonde::ImageMode;
constexpr std::size_t PictureNumberAt = frame::full::SondeBlock + frame::sonde::PictureNumber;

} // namespace

FrameDispatcher::FrameDispatcher(LinkFlags& flags, TransmissionStatistics& statistics,
                                 std::atomic<int>& linkState, ConfigurationAccess settings,
                                 DiagnosticLogs& logs, MessageBus& bus)
    : flags_(flags), statistics_(statistics), linkState_(linkState), settings_(std::move(settings)),
      logs_(logs), bus_(bus), clock_([] { return std::chrono::steady_clock::now(); }) {}

FrameDecoder& FrameDispatcher::decoder() {
    static NoDecoder none;
    FrameDecoder* d = decoder_.load();
    return d ? *d : none;
}

VideoPacketSequencer& FrameDispatcher::sequencer() {
    VideoPacketSequencer* s = sequencer_.load();
    return s ? *s : passThrough_;
}

void FrameDispatcher::frameReady(std::span<const std::uint8_t> frame) {
    // Guarded by hand: the site is built only when there is something to report.
    try {
        Dispatch(frame);
    } catch (const std::exception& e) {
        reportGuardedException(ZARN_GUARD_AT("CLumiLoggerApp :: L2020"), &e);
    } catch (...) {
        reportGuardedException(ZARN_GUARD_AT("CLumiLoggerApp :: L2020"), nullptr);
    }
}

void FrameDispatcher::cutFrameSalvaged(std::uint8_t videoPacketIndex) {
    sequencer().cutFrameSalvaged(videoPacketIndex);
}

void FrameDispatcher::packetsMissed(int count) {
    statistics_.invalidPackets += count;
    statistics_.lostFrames += count;
}

void FrameDispatcher::frameLengthError() {
    ++statistics_.frameLengthErrors;
    ++statistics_.lostFrames;
}

void FrameDispatcher::Dispatch(std::span<const std::uint8_t> f) {
    const std::size_t n = f.size();
    flags_.newFrameArrived = true;
    sequencer().raiseHealth();
    const bool busy = n > 0 && (f[0] & 0x0F) != 0;

    if (n == frame::shortframe::Size) {
        linkState_ = LinkState::SondeWithoutData;
        // A frame the decoder refuses is traced there; it still counts as received.
        static_cast<void>(decoder().DecodeShortFrame(f));
        ++statistics_.shortFrames;
    } else if (n == frame::status::Size) {
        linkState_ = LinkState::LoggerOnly;
        // A frame the decoder refuses is traced there (or marked by its communication status);
        // it still counts as received.
        static_cast<void>(decoder().DecodeStatusFrame(f));
        ++statistics_.statusFrames;
        sequencer().reset();
        ezKitSeen_ = false;
    } else if (n >= frame::full::MinimumSize) {
        if (!dataChecksumValid(f)) {
            // A corrupt sonde block is never decoded: the logger header goes on as a 16-byte
            // frame marked as rebuilt.
            const ShortFrame rebuilt =
                rebuildAsShortFrame(f, f[n - frame::full::CommStatusFromEnd]);
            Dispatch(rebuilt);
            return;
        }
        if (!dispatchFull(f))
            return;
    } else {
        // No frame of this length exists; the framing never hands one on.
        frameLengthError();
        return;
    }
    frameShown(n);
    statisticsWindow(busy);
}

bool FrameDispatcher::dispatchFull(std::span<const std::uint8_t> f) {
    bool ezKit = false;
    bool silence = false;
    settings_([&](Configuration& c) {
        ezKit = c.program.modeEZKit;
        silence = c.program.silenceMode;
    });
    if (ezKit && !ezKitSeen_) {
        ezKitSeen_ = true;
        flags_.sondePowered = true;
    }
    FrameDecoder& d = decoder();
    if (d.sondeAlarmByte() > SondeAlarmLimit && !silence)
        Beeper::current().beep(3000, 100);

    lastFullLength_ = f.size();
    VideoPacketSequencer& s = sequencer();
    // A video packet of an older picture than the last one decoded is dropped.
    if (f[ImageModeByte] != 0 && !s.recoverySwitchedOff() &&
        frame::u32(f, PictureNumberAt) < s.lastPictureSequence())
        return false;
    ++statistics_.fullFrames;
    linkState_ = LinkState::FullData;
    s.fullFrame(f, d);
    return true;
}

void FrameDispatcher::frameShown(std::size_t length) {
    // The camera control panel refreshes; the main window redraws the image strip.
    bus_.post(Role::CameraPanel, command(Cmd::FrameShown));
    bus_.post(Role::MainWindow, command(Cmd::FrameShown));
    const int frames = ++statistics_.receivedFrames;
    if (!flags_.closing) {
        StatusBar& bar = StatusBar::current();
        char text[64];
        int written = std::snprintf(text, sizeof text, "Packet size %d Bytes", int(length));
        bar.setPaneText(2, std::string_view(text, static_cast<std::size_t>(written)));
        const int lost = statistics_.lostFrames;
        const int requests = statistics_.videoRequests;
        written = lost || requests
                      ? std::snprintf(text, sizeof text, "%d-%d-%d", frames, lost, requests)
                      : std::snprintf(text, sizeof text, "%d", frames);
        bar.setPaneText(3, std::string_view(text, static_cast<std::size_t>(written)));
    }
    flags_.dataReceived = true;
}

void FrameDispatcher::statisticsWindow(bool busy) {
    const bool debugging = logs_.switches().debuggingMode();
    const auto now = debugging ? clock_() : std::chrono::steady_clock::time_point{};
    if (busy) {
        if (debugging && haveLastFrame_) {
            statistics_.trackingTimeMs +=
                std::chrono::duration_cast<std::chrono::milliseconds>(now - lastFrame_).count();
            if (statistics_.trackingTimeMs < WarmUpMs)
                statistics_.resetLossCounters();
        }
        busyPeriod_ = true;
    } else if (busyPeriod_) {
        logs_.statisticsTrace(transmissionStatisticsText(statistics_.snapshot()));
        statistics_.resetLossCounters();
        statistics_.trackingTimeMs = 0;
        busyPeriod_ = false;
    }
    lastFrame_ = now;
    haveLastFrame_ = debugging;
}

} // namespace zarn
