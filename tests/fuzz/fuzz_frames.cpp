// The frame decoders with arbitrary bytes of any length: the 16-byte, 20-byte and full data
// decoders and the held-packet header. The first input byte chooses the settings and the
// requests; the rest is the frame. A decoder must never touch a byte outside the frame or hand
// on a payload that is not inside it, and must give only its documented results.
#include "acquisition/stream/ToolsStream.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>

namespace {

// Reads every byte it is handed, so that a payload reaching outside the frame is caught.
class TouchingSink : public zarn::StreamSink {
public:
    zarn::RecordingDecision recordingRule(zarn::MeasurementRecord&) override {
        return zarn::RecordingDecision{true, true};
    }
    void writeLogFile(std::span<const std::uint8_t> frame, int payloadLength,
                      zarn::MeasurementRecord&) override {
        if (payloadLength < 0 || static_cast<std::size_t>(payloadLength) + 56 != frame.size())
            std::abort();
        touch(frame);
    }
    void decodeMode8(std::span<const std::uint8_t> payload, int, int, int,
                     const zarn::MeasurementRecord&) override {
        touch(payload);
    }
    void decodeMode16(std::span<const std::uint8_t> payload, int, int, int,
                      const zarn::MeasurementRecord&) override {
        touch(payload);
    }
    void decodeUncompressed(std::span<const std::uint8_t> payload, int, int,
                            const zarn::MeasurementRecord&) override {
        touch(payload);
    }
    unsigned sum = 0;

private:
    void touch(std::span<const std::uint8_t> bytes) {
        for (std::uint8_t b : bytes)
            sum += b;
    }
};

class EchoLink : public zarn::FrameSource {
public:
    std::uint32_t frameCounter() const override { return 0x1234; }
    std::optional<zarn::WinchSettingsEcho> lastWinchSettings() const override {
        return zarn::WinchSettingsEcho{1, 2, 3};
    }
};

bool knownResult(int result) {
    return result == zarn::FrameResult::Ok || result == zarn::FrameResult::Dropped ||
           (result > zarn::FrameResult::LoggerError &&
            result <= zarn::FrameResult::LoggerError + 0xFF);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t control = data[0];
    // The frame in a buffer of exactly its length.
    const std::size_t n = size - 1;
    std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[n ? n : 1]);
    if (n)
        std::memcpy(bytes.get(), data + 1, n);
    const std::span<const std::uint8_t> frame(bytes.get(), n);

    zarn::MessageBus bus;
    TouchingSink sink;
    EchoLink link;
    zarn::CToolsStream stream(&sink, &link, bus);
    zarn::DecoderSettings settings;
    settings.shutter = static_cast<std::uint8_t>(18 + (control & 0x07));
    settings.depthScale = (control & 0x08) ? 0.0 : 12.5;
    settings.pulsResolution = (control & 0x10) ? 0 : 1000;
    settings.replayRunning = control & 0x20;
    stream.setSettings(settings);
    if (control & 0x40)
        stream.requestFlashRecord();

    (void)stream.DecodeShortFrame(frame);
    (void)stream.DecodeStatusFrame(frame);
    const bool header = stream.DecodePacketHeader(frame);
    if (header != (n >= 56))
        std::abort();
    const int result = stream.DecodeFullFrame(frame, (control & 0x80) != 0);
    if (!knownResult(result))
        std::abort();
    const zarn::MeasurementRecord record = stream.snapshot();
    if (result == zarn::FrameResult::Ok) {
        const int length = record.PayloadLength;
        if (length != static_cast<int>(n) - 56 && length != static_cast<int>(n) - 54)
            std::abort();
    }
    (void)stream.flashRecord();
    bus.deliverPosted();
    return 0;
}
