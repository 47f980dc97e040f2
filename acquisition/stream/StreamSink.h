// What the frame decoder hands on while it decodes: the main window's refresh and image decoder
// entries, the recording rule and the data log writer, and the alarm window. Every call is made on
// the decoding thread, in the order the decoder needs it, with the decoder's working copy of the
// measurement record. The defaults do nothing, so an owner overrides only what it provides.
#pragma once

#include "acquisition/stream/MeasurementRecord.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace zarn {

// What the recording rule decides for one frame that carries video.
struct RecordingDecision {
    bool draw = true;   // the frame becomes image rows
    bool write = false; // the frame is appended to the data log (WriteLogFile)
    bool operator==(const RecordingDecision&) const = default;
};

class StreamSink {
public:
    virtual ~StreamSink() = default;

    // The main window re-reads the read-outs.
    virtual void refreshMainWindow() {}

    // The recording rule for a frame whose image mode byte is not 0. May update the record (the
    // reverse-motion state lives with the recorder).
    virtual RecordingDecision recordingRule(MeasurementRecord& /*record*/) {
        return RecordingDecision{};
    }
    // Appends the frame to the data log; called only when the recording rule said so, after the
    // frame was drawn.
    virtual void writeLogFile(std::span<const std::uint8_t> /*frame*/, int /*payloadLength*/,
                              MeasurementRecord& /*record*/) {}

    // The main window's decoder entries. direction: 1 down, 0 up. The record is the frame's:
    // its image depth, oriented angle, gamma, shutter factor and view mode go into the rows.
    virtual void decodeMode8(std::span<const std::uint8_t> /*payload*/, int /*pixelsPerRow*/,
                             int /*direction*/, int /*parameter*/,
                             const MeasurementRecord& /*record*/) {}
    virtual void decodeMode16(std::span<const std::uint8_t> /*payload*/, int /*pixelsPerRow*/,
                              int /*direction*/, int /*parameter*/,
                              const MeasurementRecord& /*record*/) {}
    virtual void decodeUncompressed(std::span<const std::uint8_t> /*payload*/, int /*pixelsPerRow*/,
                                    int /*direction*/, const MeasurementRecord& /*record*/) {}

    // The alarm window: code 0 encoder error, 1 low battery or power failure.
    virtual void showAlarm(int /*code*/, std::string_view /*title*/, std::string_view /*message*/) {
    }
};

} // namespace zarn
