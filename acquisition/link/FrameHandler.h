// What the packet framing hands on: each complete frame, and the events the statistics count.
// Called on the thread that feeds the framing (the reader, a capture replay, a test).
#pragma once

#include <cstdint>
#include <span>

namespace zarn {

class FrameHandler {
public:
    virtual ~FrameHandler() = default;
    // A complete frame of 16, 20, or 56 to 8191 bytes whose trailing 16-bit sum checked out.
    // The bytes are valid only during the call.
    virtual void frameReady(std::span<const std::uint8_t> frame) = 0;
    // A cut full data frame whose sonde block checked out was salvaged as a 16-byte frame: its
    // video packet may be asked for again. Called just before that 16-byte frame is handed on.
    virtual void cutFrameSalvaged(std::uint8_t /*videoPacketIndex*/) {}
    // The packet counter jumped: this many packets were missed (invalid packets, lost frames).
    virtual void packetsMissed(int /*count*/) {}
    // A packet was given up because of its length: cut short by the next sync, a length field
    // that holds no valid frame, or the assembly bound reached (a frame length error and a lost
    // frame).
    virtual void frameLengthError() {}
};

} // namespace zarn
