// What the dispatcher hands frames to: the stream decoder's entries for the three frame kinds
// and the held video packet header, and the two values of the last decoded frames the link
// needs. Called on the reader thread (lastDepth also on the link check thread).
#pragma once

#include <cstdint>
#include <span>

namespace zarn {

class FrameDecoder {
public:
    virtual ~FrameDecoder() = default;
    [[nodiscard]] virtual bool DecodeShortFrame(std::span<const std::uint8_t> frame) = 0;
    [[nodiscard]] virtual bool DecodeStatusFrame(std::span<const std::uint8_t> frame) = 0;
    // current: just received, rather than replayed from held video packets. Returns the stream
    // decoder's result (FrameResult).
    [[nodiscard]] virtual int DecodeFullFrame(std::span<const std::uint8_t> frame,
                                              bool current) = 0;
    [[nodiscard]] virtual bool DecodePacketHeader(std::span<const std::uint8_t> frame) = 0;
    // The sonde alarm byte (sonde block byte 20) of the last decoded full data frame.
    virtual std::uint8_t sondeAlarmByte() const = 0;
    // The last logger depth in metres, for the operator's messages.
    virtual double lastDepth() const = 0;
};

} // namespace zarn
