// The step between the dispatcher and the decoder for full data frames: it decides whether and
// when each frame is decoded (video packets may be held back, asked for again and replayed in
// order). The dispatcher calls it on the reader thread only.
#pragma once

#include "acquisition/link/FrameDecoder.h"

#include <cstdint>
#include <span>

namespace zarn {

class VideoPacketSequencer {
public:
    virtual ~VideoPacketSequencer() = default;
    // Every dispatched frame: the recovery health rises to at least 80.
    virtual void raiseHealth() = 0;
    // A 20-byte frame (no sonde): everything held is discarded and the state starts again.
    virtual void reset() = 0;
    // The operator switched video recovery off.
    virtual bool recoverySwitchedOff() const = 0;
    // The picture sequence number of the last decoded frame (0 after a reset).
    virtual std::uint32_t lastPictureSequence() const = 0;
    // A full data frame that was not dropped; decodes it now, later or not at all.
    virtual void fullFrame(std::span<const std::uint8_t> frame, FrameDecoder& decoder) = 0;
    // A cut frame whose sonde block checked out was salvaged: its video packet may be asked for
    // again.
    virtual void cutFrameSalvaged(std::uint8_t packetIndex) = 0;
};

// Decodes every full data frame at once, in arrival order, and asks for nothing again.
class PassThroughSequencer final : public VideoPacketSequencer {
public:
    void raiseHealth() override {}
    void reset() override { lastPictureSequence_ = 0; }
    bool recoverySwitchedOff() const override { return false; }
    std::uint32_t lastPictureSequence() const override { return lastPictureSequence_; }
    void fullFrame(std::span<const std::uint8_t> frame, FrameDecoder& decoder) override;
    void cutFrameSalvaged(std::uint8_t) override {}

private:
    std::uint32_t lastPictureSequence_ = 0;
};

} // namespace zarn
