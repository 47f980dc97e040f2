// How replayed records reach the decoding and drawing path: the replay fills a measurement
// record from each data log record and hands it over here, then hands the payload to the same
// decoder entries the live frames use. The owner composes this from the stream decoder (which
// publishes the record for the displays) and the image path. Calls come from the thread that
// owns the windows (opening a log, rewinding) and from the playback thread, never from both at
// once; an implementation must not wait for the thread that stops the playback.
#pragma once

#include "acquisition/stream/MeasurementRecord.h"

#include <cstdint>
#include <span>

namespace zarn {

class ReplaySink {
public:
    virtual ~ReplaySink() = default;

    // Whether the link is receiving live frames (16-byte, 20-byte or full): then the displayed
    // logger depth and speed stay those of the live frames.
    virtual bool liveFramesArriving() const { return false; }

    // A record was read: record becomes the current measurement record. recordLength is the
    // length of the data log record, which stands for the frame length in the camera panel's
    // read-back and load bars.
    virtual void publishRecord(const MeasurementRecord& /*record*/, int /*recordLength*/) {}

    // The main window's decoder entries, as for live frames; direction: 1 down, 0 up. record is
    // the replayed record (image depth, oriented angle, shutter factor, view mode for the rows).
    // Mode 0 payloads are not drawn in replay.
    virtual void decodeMode8(std::span<const std::uint8_t> /*payload*/, int /*pixelsPerRow*/,
                             int /*direction*/, int /*parameter*/,
                             const MeasurementRecord& /*record*/) {}
    virtual void decodeMode16(std::span<const std::uint8_t> /*payload*/, int /*pixelsPerRow*/,
                              int /*direction*/, int /*parameter*/,
                              const MeasurementRecord& /*record*/) {}

    // The main window re-reads the read-outs after a replayed record was drawn.
    virtual void refreshMainWindow() {}

    // The replay state was entered: clear the image memory and redraw the window.
    virtual void enterReplayState() {}

    // The playback reached the end of the last data file (on the playback thread).
    virtual void playbackEnded() {}
};

} // namespace zarn
