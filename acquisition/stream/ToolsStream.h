// The stream decoder: turns the frames the link hands over into the measurement record, checks
// their checksums, hands the video payload on to the image path and the data log, and tells the
// windows that new values are there.
//
// Threads: the decode calls run on the link's processing thread (or the playback thread; never
// both at once). They work on a private copy of the record and publish it as a consistent
// snapshot before every notification and at the end of every call; any thread may read
// snapshots. The requests of other threads (counter resets, clearing the status-received byte,
// a flash record read) are taken over by the decoder under the same lock as the publication,
// so they are never lost and never undone by a later publication.
#pragma once

#include "acquisition/stream/DecoderSettings.h"
#include "acquisition/stream/FrameSource.h"
#include "acquisition/stream/MeasurementRecord.h"
#include "acquisition/stream/StreamSink.h"
#include "acquisition/wire/FrameResult.h"
#include "platform/MessageBus.h"
#include "platform/Shared.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zarn {

// The sonde's calibration record, sent in place of a video payload when asked for.
using SondeFlashRecord = std::array<std::uint8_t, 128>;

class CToolsStream {
public:
    // sink and link may be null (nothing is handed on; frame counter 0, no winch settings).
    explicit CToolsStream(StreamSink* sink = nullptr, FrameSource* link = nullptr,
                          MessageBus& bus = MessageBus::instance());
    CToolsStream(const CToolsStream&) = delete;
    CToolsStream& operator=(const CToolsStream&) = delete;

    // The 16-byte logger frame. False when its length or checksum is wrong.
    [[nodiscard]] bool DecodeShortFrame(std::span<const std::uint8_t> frame);
    // The 20-byte logger status frame. False when its length or checksum is wrong.
    [[nodiscard]] bool DecodeStatusFrame(std::span<const std::uint8_t> frame);
    // A full data frame of frame.size() bytes. current: just received (its logger header is
    // taken over) rather than replayed from the held video packets. Returns FrameResult::Ok,
    // FrameResult::Dropped, or FrameResult::LoggerError + the communication status.
    [[nodiscard]] int DecodeFullFrame(std::span<const std::uint8_t> frame, bool current);
    // Applies the logger header and the communication status of a full data frame that the
    // link holds back for reordering. False when the frame is too short for a full data frame.
    [[nodiscard]] bool DecodePacketHeader(std::span<const std::uint8_t> frame);

    // A consistent copy of the record, from any thread.
    MeasurementRecord snapshot() const;

    // Publishes the settings the next frames are decoded with (any thread).
    void setSettings(const DecoderSettings& settings);
    DecoderSettings settings() const;

    // Requests from other threads.
    void resetGoodFrameCount();     // the statistics reset
    void resetRecentGoodFrames();   // the flashing page waits on this counter
    void clearStatusReceived();     // the power sequences wait for a new logger status
    void clearOrientationResults(); // power-on, replay start: the ten results show no data
    void requestFlashRecord();      // "Read Flash": the next frame without video is the record
    bool flashRecordRequested() const;
    SondeFlashRecord flashRecord() const;

private:
    enum Request : unsigned {
        ResetGood = 1u << 0,
        ResetRecent = 1u << 1,
        ClearStatusReceived = 1u << 2,
        ClearOrientation = 1u << 3,
    };
    static void applyRequests(unsigned requests, MeasurementRecord& record);
    void request(unsigned requests);
    void publish();

    void trace(const std::string& text) const;
    static std::string communicationStatusLine(std::string head, std::uint8_t status);
    void takeLoggerHeader(std::span<const std::uint8_t> frame, const DecoderSettings& s);
    void setDepthAndSpeed(std::int32_t depthCount, std::int16_t speedCount,
                          const DecoderSettings& s);
    void setValues(int a, int b);
    void clearTemperatures();
    void raiseAlarms(std::uint8_t statusFlags);
    void countBadFrame();
    void takeSondeBlock(std::span<const std::uint8_t> frame, const DecoderSettings& s);
    void handOnImage(std::span<const std::uint8_t> frame, int payloadLength);
    void storeFlashRecord(std::span<const std::uint8_t> frame);

    StreamSink& sink_;
    FrameSource& link_;
    MessageBus& bus_;

    MeasurementRecord record_; // the decoding thread's working copy
    Shared<MeasurementRecord> published_;
    std::atomic<unsigned> requests_{0};
    Shared<DecoderSettings> settings_;
    std::atomic<bool> flashRequested_{false};
    Shared<SondeFlashRecord> flashRecord_;

    std::vector<std::uint8_t> payload_; // the video payload of the last full data frame
    int rememberedDirection_ = 1;       // direction of the last frame that moved
    int lastDirectionUsed_ = 1;         // direction of the last compressed slice drawn
};

} // namespace zarn
