#include "acquisition/link/CommandFrames.h"

#include "platform/Format.h"

#include <cmath>
#include <limits>

namespace zarn {
namespace {

// Frame identifying bytes.
constexpr std::uint8_t IdPowerOff = 0x00;
constexpr std::uint8_t IdWinch = 0x01;
constexpr std::uint8_t IdDepthSet = 0x02;
constexpr std::uint8_t IdDownhole = 0x03;
constexpr std::uint8_t IdSurface = 0x0B;
constexpr std::uint8_t IdCamera = 0x0C;
constexpr std::uint8_t IdOrder = 0x0D;

constexpr size_t OrderLength = 9;

// Fills a frame byte by byte; the checksum byte is reserved at the end.
class FrameWriter {
public:
    explicit FrameWriter(size_t length) { frame_.length = length; }
    FrameWriter& byte(std::uint32_t value) {
        frame_.bytes[at_++] = static_cast<std::uint8_t>(value & 0xFF);
        return *this;
    }
    FrameWriter& word(std::uint32_t value) { return byte(value).byte(value >> 8); }
    FrameWriter& dword(std::uint32_t value) { return word(value).word(value >> 16); }
    CommandFrame& frame() { return frame_; }
    CommandFrame seal() {
        CommandFrames::setChecksum(frame_);
        return frame_;
    }

private:
    CommandFrame frame_;
    size_t at_ = 0;
};

FrameWriter order(std::uint8_t subCommand) {
    FrameWriter w(OrderLength);
    w.byte(IdOrder).byte(subCommand);
    return w;
}

CommandFrame camera(LoggerParameters& logger, const SurfaceSettings& surface,
                    std::uint8_t lightByte, std::uint8_t filterByte) {
    std::uint8_t shutter = logger.shutter;
    if (shutter >= CommandFrames::ShutterLimit) {
        shutter = CommandFrames::ShutterSent;
        logger.captureAdjustPeriod = CommandFrames::ShutterSent;
    }
    FrameWriter w(10);
    w.byte(IdCamera)
        .byte(lightByte)
        .byte(shutter)
        .byte(logger.captureAdjustPeriod)
        .byte(logger.imageResolution)
        .byte(0)
        .byte(static_cast<std::uint32_t>(surface.upholeBaudDivisor))
        .byte(static_cast<std::uint32_t>(logger.upholePulseWidth))
        .byte(filterByte);
    return w.seal();
}

} // namespace

std::uint8_t CommandFrames::wheelByte(const LoggerParameters& logger) {
    std::uint32_t value = static_cast<std::uint32_t>(logger.cableType) * 16u;
    if (logger.pulleyDirection == 1)
        value += 32u;
    return static_cast<std::uint8_t>(value & 0xFF);
}

std::optional<std::int32_t> CommandFrames::encoderScale(std::int32_t pulsesPerTurn,
                                                        double circumferenceMm) {
    if (!(circumferenceMm > 0.0) || !std::isfinite(circumferenceMm))
        return std::nullopt;
    const double k = std::round(pulsesPerTurn / circumferenceMm * 40.0 * 256.0);
    if (!std::isfinite(k) || k < std::numeric_limits<std::int32_t>::min() ||
        k > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(k);
}

CommandFrame CommandFrames::F0(const LoggerParameters& logger) {
    FrameWriter w(3);
    w.byte(IdPowerOff).byte(wheelByte(logger));
    return w.seal();
}

std::optional<CommandFrame> CommandFrames::F1(LoggerParameters& logger,
                                              const ProgramSettings& program) {
    const auto k = encoderScale(logger.pulsesPerTurn, program.wheelCircumferenceMm);
    if (!k)
        return std::nullopt;
    logger.encoderScale = *k;
    logger.depthScale = *k / 256.0;
    logger.encoderFrequency = EncoderFrequency;
    logger.encoderFrequencyD = EncoderFrequency;
    // Above the divider threshold the logger counts at half the scale.
    const std::int32_t carried = logger.depthScale > program.encoderDivider ? *k / 2 : *k;

    FrameWriter w(8);
    w.byte(IdWinch)
        .byte(wheelByte(logger))
        .word(EncoderFrequency)
        .word(static_cast<std::uint32_t>(carried))
        .byte(static_cast<std::uint32_t>(logger.sondeSupplyVoltage));
    CommandFrame& frame = w.frame();
    frame.bytes[6] = std::clamp(frame.bytes[6], SupplyMinimum, SupplyMaximum);
    return w.seal();
}

CommandFrame CommandFrames::F2(const LoggerParameters& logger) {
    const double counts = depthCounterCounts(logger.depthScale, logger.presetDepthMetres);
    const std::int32_t preset = saturatedTrunc<std::int32_t>(counts);
    FrameWriter w(6);
    w.byte(IdDepthSet).dword(static_cast<std::uint32_t>(preset));
    return w.seal();
}

CommandFrame CommandFrames::F3(const LoggerParameters& logger) {
    FrameWriter w(4);
    w.byte(IdDownhole)
        .byte(static_cast<std::uint32_t>(logger.upholeGain))
        .byte(static_cast<std::uint32_t>(logger.downholeEnergy));
    return w.seal();
}

CommandFrame CommandFrames::F11(const LoggerParameters& logger, const SurfaceSettings& surface) {
    FrameWriter w(6);
    w.byte(IdSurface)
        .byte(0)
        .byte(static_cast<std::uint32_t>(logger.sondeSupplyVoltage))
        .byte(static_cast<std::uint32_t>(surface.upholeBaudDivisor))
        .byte(static_cast<std::uint32_t>(logger.upholePulseWidth));
    return w.seal();
}

CommandFrame CommandFrames::F12(LoggerParameters& logger, const SurfaceSettings& surface) {
    return camera(logger, surface, logger.lightPower,
                  static_cast<std::uint8_t>(logger.filterCutOffFrequency >> 8));
}

CommandFrame CommandFrames::F12Request(LoggerParameters& logger, const SurfaceSettings& surface,
                                       std::uint8_t packetIndex) {
    return camera(logger, surface, static_cast<std::uint8_t>(logger.lightPower | RequestMark),
                  packetIndex);
}

CommandFrame CommandFrames::F13ViewMode(const LoggerParameters& logger,
                                        const CommandWorkingValues& working) {
    FrameWriter w = order(0);
    w.byte(logger.viewMode)
        .byte(0)
        .byte(logger.holeDiameter)
        .word(logger.probeSpeed)
        .byte(working.recordByte36);
    return w.seal();
}

CommandFrame CommandFrames::F13Flash(LoggerParameters& logger) {
    FrameWriter w = order(1);
    w.byte(0x55).byte(0xAA).word(logger.flashWord).byte(0).byte(0);
    logger.flashWord = 0;
    return w.seal();
}

CommandFrame CommandFrames::F13ColourGains(const LoggerParameters& logger) {
    FrameWriter w = order(2);
    w.byte(logger.redGain)
        .byte(logger.greenGain)
        .byte(logger.blueGain)
        .byte(0)
        .byte(0)
        .byte(logger.bayerResolution);
    return w.seal();
}

CommandFrame CommandFrames::F13PictureCircle(const LoggerParameters& logger) {
    FrameWriter w = order(3);
    w.word(logger.imageCircleRadius)
        .word(logger.imageCircleCentreX)
        .word(logger.imageCircleCentreY);
    return w.seal();
}

CommandFrame CommandFrames::F13GreyCalibration(LoggerParameters& logger) {
    FrameWriter w = order(4);
    w.byte(0)
        .byte(0)
        .byte(logger.useGreyCalibration)
        .byte(0)
        .byte(0)
        .byte(logger.greyCalibrationTrigger);
    logger.greyCalibrationTrigger = 0;
    return w.seal();
}

CommandFrame CommandFrames::F13OrientationFilter(const LoggerParameters& logger) {
    FrameWriter w = order(5);
    w.word(logger.filterCutOffFrequency).byte(0).byte(0).byte(0).byte(0);
    return w.seal();
}

CommandFrame CommandFrames::F13Diagnostic(const CommandWorkingValues& working) {
    FrameWriter w = order(6);
    w.byte(working.diagnosticByteA).byte(working.diagnosticByteB).byte(0).byte(0).byte(0).byte(0);
    return w.seal();
}

CommandFrame CommandFrames::F13CalibrationDate(const LoggerParameters& logger) {
    const auto& id = logger.productIdentity;
    FrameWriter w = order(7);
    // Identity bytes 1, 2, 4, 3, 6, 5: the product identifier as kept, the two dates with their
    // bytes swapped.
    w.byte(id[0]).byte(id[1]).byte(id[3]).byte(id[2]).byte(id[5]).byte(id[4]);
    return w.seal();
}

std::uint8_t CommandFrames::checksum(std::span<const std::uint8_t> frame) {
    std::uint32_t sum = 0;
    for (size_t i = 0; i + 1 < frame.size(); ++i)
        sum += frame[i];
    return static_cast<std::uint8_t>(sum & 0xFF);
}

void CommandFrames::setChecksum(CommandFrame& frame) {
    if (frame.length == 0)
        return;
    frame.bytes[frame.length - 1] = checksum(frame.view());
}

bool CommandFrames::verifyChecksum(std::span<const std::uint8_t> frame) {
    return !frame.empty() && frame.back() == checksum(frame);
}

} // namespace zarn
