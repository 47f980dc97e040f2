// The command frames the program sends to the logger and, through it, to the sonde.
//
// Every frame starts with its identifying byte (F13 orders add a sub-command byte), carries its
// multi-byte numbers little-endian and ends with a checksum: the sum of all bytes before it,
// modulo 256. Frames are built from the logger parameter block, the surface settings, the
// program settings and a few working values of the settings windows. Some frames also write
// back into the parameter block (the encoder scale of F1, the capture period of F12, the
// one-shot orders of F13.1 and F13.4); their builders take the block by reference for that.
#pragma once

#include "acquisition/app/SettingsRecords.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace zarn {

struct CommandFrame {
    static constexpr size_t MaxLength = 10;
    std::array<std::uint8_t, MaxLength> bytes{};
    size_t length = 0;

    std::span<const std::uint8_t> view() const { return {bytes.data(), length}; }
    bool operator==(const CommandFrame& other) const {
        return length == other.length &&
               std::equal(bytes.begin(), bytes.begin() + length, other.bytes.begin());
    }
};

// Values the settings windows keep outside the configuration and that go into F13 orders.
struct CommandWorkingValues {
    std::uint8_t diagnosticByteA = 0; // 255 while the active diagnostic is on
    std::uint8_t diagnosticByteB = 0; // 255: the reset order of the diagnostic panel
    std::uint8_t recordByte36 = 0;    // byte 36 of the sonde flash record
};

class CommandFrames {
public:
    static constexpr std::uint16_t EncoderFrequency = 1500;
    static constexpr std::uint8_t SupplyMinimum = 80;  // F1 only
    static constexpr std::uint8_t SupplyMaximum = 125; // F1 only
    static constexpr std::uint8_t ShutterLimit = 21;   // from here on F12 sends ShutterSent
    static constexpr std::uint8_t ShutterSent = 20;
    static constexpr std::uint8_t RequestMark = 0x80; // light power bit of a packet re-request

    // The wheel byte of F0 and F1: cable type x 16, plus 32 for the normal pulley direction.
    static std::uint8_t wheelByte(const LoggerParameters& logger);
    // k = round(pulses per turn / circumference in mm x 40 x 256), halves away from zero.
    // Empty when the circumference is not a positive number or k does not fit 32 bits.
    [[nodiscard]] static std::optional<std::int32_t> encoderScale(std::int32_t pulsesPerTurn,
                                                                  double circumferenceMm);

    // F0: power-off order.
    static CommandFrame F0(const LoggerParameters& logger);
    // F1: winch settings. Stores k, k / 256 (depth scale) and the encoder frequency in the
    // block. Empty (and the block unchanged) when k cannot be computed.
    [[nodiscard]] static std::optional<CommandFrame> F1(LoggerParameters& logger,
                                                        const ProgramSettings& program);
    // F2: depth preset in encoder counts (depth scale x 100 x preset metres, truncated).
    static CommandFrame F2(const LoggerParameters& logger);
    // F3: uphole gain and downhole energy.
    static CommandFrame F3(const LoggerParameters& logger);
    // F11: supply voltage and uphole link.
    static CommandFrame F11(const LoggerParameters& logger, const SurfaceSettings& surface);
    // F12: camera settings. A shutter of 21 or more goes out as 20 and sets the block's
    // capture adjust period to 20.
    static CommandFrame F12(LoggerParameters& logger, const SurfaceSettings& surface);
    // F12 asking the sonde to send a video packet again: the light byte carries the request
    // mark and the filter byte the packet index; the block's light power and filter cut-off are
    // not touched.
    static CommandFrame F12Request(LoggerParameters& logger, const SurfaceSettings& surface,
                                   std::uint8_t packetIndex);
    static CommandFrame F13ViewMode(const LoggerParameters& logger,
                                    const CommandWorkingValues& working);
    // Clears the flash word (a one-shot order).
    static CommandFrame F13Flash(LoggerParameters& logger);
    static CommandFrame F13ColourGains(const LoggerParameters& logger);
    static CommandFrame F13PictureCircle(const LoggerParameters& logger);
    // Clears the grey calibration trigger (a one-shot order).
    static CommandFrame F13GreyCalibration(LoggerParameters& logger);
    static CommandFrame F13OrientationFilter(const LoggerParameters& logger);
    static CommandFrame F13Diagnostic(const CommandWorkingValues& working);
    static CommandFrame F13CalibrationDate(const LoggerParameters& logger);

    // The checksum of a frame: the sum of all bytes before the last one, modulo 256.
    static std::uint8_t checksum(std::span<const std::uint8_t> frame);
    // Writes the checksum into the last byte.
    static void setChecksum(CommandFrame& frame);
    // True when the last byte is the checksum of the bytes before it.
    static bool verifyChecksum(std::span<const std::uint8_t> frame);
};

} // namespace zarn
