// The stream decoder behind the dispatcher.
#pragma once

#include "acquisition/link/FrameDecoder.h"
#include "acquisition/stream/ToolsStream.h"

namespace zarn {

class ToolsStreamDecoder final : public FrameDecoder {
public:
    explicit ToolsStreamDecoder(CToolsStream& stream) : stream_(stream) {}

    [[nodiscard]] bool DecodeShortFrame(std::span<const std::uint8_t> frame) override {
        return stream_.DecodeShortFrame(frame);
    }
    [[nodiscard]] bool DecodeStatusFrame(std::span<const std::uint8_t> frame) override {
        return stream_.DecodeStatusFrame(frame);
    }
    [[nodiscard]] int DecodeFullFrame(std::span<const std::uint8_t> frame, bool current) override {
        return stream_.DecodeFullFrame(frame, current);
    }
    [[nodiscard]] bool DecodePacketHeader(std::span<const std::uint8_t> frame) override {
        return stream_.DecodePacketHeader(frame);
    }
    std::uint8_t sondeAlarmByte() const override {
        return stream_.snapshot().SondeStatus.BufferFill;
    }
    double lastDepth() const override { return stream_.snapshot().LoggerDepth; }

private:
    CToolsStream& stream_;
};

} // namespace zarn
