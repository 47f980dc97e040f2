// Dispatch: the reader hands each complete frame here. The frame length selects the decoder
// (16: logger header and sonde communication status, 20: logger status without sonde, more:
// full data frame); full data frames pass their sonde block check and the picture order check,
// then the video packet sequencing, which decides when they are decoded. Keeps the link state,
// the transmission statistics and the status bar panes 2 and 3 up to date.
//
// Runs on the reader thread (or the thread that replays a capture). Talks to windows only
// through the message bus, the status bar interface and the records they read.
#pragma once

#include "acquisition/app/DiagnosticLogs.h"
#include "acquisition/link/ConfigurationAccess.h"
#include "acquisition/link/FrameDecoder.h"
#include "acquisition/link/FrameHandler.h"
#include "acquisition/link/LinkFlags.h"
#include "acquisition/link/TransmissionStatistics.h"
#include "acquisition/link/VideoPacketSequencer.h"
#include "platform/MessageBus.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <span>

namespace zarn {

class FrameDispatcher final : public FrameHandler {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // A sonde alarm byte above this beeps (unless SilenceMode).
    static constexpr std::uint8_t SondeAlarmLimit = 16;
    // While the tracking time is below this, the loss counters restart with every busy frame.
    static constexpr std::int64_t WarmUpMs = 10000;

    FrameDispatcher(LinkFlags& flags, TransmissionStatistics& statistics,
                    std::atomic<int>& linkState, ConfigurationAccess settings, DiagnosticLogs& logs,
                    MessageBus& bus);
    FrameDispatcher(const FrameDispatcher&) = delete;
    FrameDispatcher& operator=(const FrameDispatcher&) = delete;

    // The decoder the frames go to; null: frames are counted and shown but not decoded. Any
    // thread; takes effect with the next frame.
    void setDecoder(FrameDecoder* decoder) { decoder_ = decoder; }
    // The video packet sequencing; null: every full data frame is decoded at once.
    void setSequencer(VideoPacketSequencer* sequencer) { sequencer_ = sequencer; }
    // The clock of the tracking time (tests).
    void setClock(Clock clock) { clock_ = std::move(clock); }

    void Dispatch(std::span<const std::uint8_t> frame);

    // The length of the last full data frame that passed its sonde block check.
    std::size_t lastFullFrameLength() const { return lastFullLength_.load(); }

    // From the packet framing. Exceptions of a dispatch are caught and reported; the reader goes
    // on with the next frame.
    void frameReady(std::span<const std::uint8_t> frame) override;
    void cutFrameSalvaged(std::uint8_t videoPacketIndex) override;
    void packetsMissed(int count) override;
    void frameLengthError() override;

private:
    FrameDecoder& decoder();
    VideoPacketSequencer& sequencer();
    // Dispatch step for a full data frame; false when the frame was dropped.
    [[nodiscard]] bool dispatchFull(std::span<const std::uint8_t> frame);
    void frameShown(std::size_t length);
    void statisticsWindow(bool busy);

    LinkFlags& flags_;
    TransmissionStatistics& statistics_;
    std::atomic<int>& linkState_;
    ConfigurationAccess settings_;
    DiagnosticLogs& logs_;
    MessageBus& bus_;
    std::atomic<FrameDecoder*> decoder_{nullptr};
    std::atomic<VideoPacketSequencer*> sequencer_{nullptr};
    PassThroughSequencer passThrough_;
    Clock clock_;

    bool ezKitSeen_ = false; // the first full frame of a link marked the sonde powered
    std::atomic<std::size_t> lastFullLength_{0};
    bool busyPeriod_ = false;
    bool haveLastFrame_ = false;
    std::chrono::steady_clock::time_point lastFrame_{};
};

} // namespace zarn
