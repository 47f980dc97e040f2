// The frames the simulated logger sends and the USB packets that carry them, laid out as the
// program's frame decoders and packet reader read them (acquisition/wire/FrameLayout.h):
//   USB packet: sync 55 AA 5A A5, packet counter, uint16 length counting the 7 header bytes,
//               the frame, the end marker 0x99;
//   every frame ends with the 16-bit sum of all its bytes before those two.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace zarn::sim {

// Bytes 0 to 12 of the 16-byte frame and of the full data frame.
struct LoggerHeader {
    std::uint8_t flags = 0; // bit 7 low battery, bit 6 encoder error, bits 4-5 wheel, 0-3 busy
    std::uint8_t status1 = 0;
    std::uint8_t status2 = 0;
    std::uint16_t statusWord = 0;
    std::int32_t depthCount = 0;
    std::int16_t speedCount = 0;
    std::uint8_t valueA = 0; // sonde supply voltage, V
    std::uint8_t valueB = 0; // sonde current, mA
};

// The 20-byte status frame of a logger without sonde data.
struct StatusFields {
    std::uint8_t flags = 0;
    std::uint16_t echoWord2 = 0; // the winch settings order's word at offset 2
    std::uint16_t echoWord4 = 0; // its word at offset 4
    std::uint8_t echoByte6 = 0;  // its byte at offset 6
    std::uint8_t status1 = 0;    // uphole gain applied
    std::uint8_t status2 = 0;    // downhole energy applied
    std::uint16_t statusWord = 0;
    std::int32_t depthCount = 0;
    std::int16_t speedCount = 0;
    std::uint8_t valueA = 0;
    std::uint8_t valueB = 0;
};

// The sonde's part of a full data frame: its 22-byte block, the six orientation values and the
// video payload.
struct SondePart {
    std::array<std::uint8_t, 22> block{};
    std::int16_t gx = 0, gy = 0, gz = 0, hx = 0, hy = 0, hz = 0;
    std::vector<std::uint8_t> payload;
};

namespace LoggerFrames {

inline constexpr std::array<std::uint8_t, 4> Sync{0x55, 0xAA, 0x5A, 0xA5};
inline constexpr std::uint8_t EndMarker = 0x99;
inline constexpr std::size_t PacketHeaderSize = 7;

std::vector<std::uint8_t> shortFrame(const LoggerHeader& header, std::uint8_t commStatus);
std::vector<std::uint8_t> statusFrame(const StatusFields& fields);
std::vector<std::uint8_t> fullFrame(const LoggerHeader& header, const SondePart& sonde,
                                    std::uint8_t commStatus);
std::vector<std::uint8_t> usbPacket(std::uint8_t counter, std::span<const std::uint8_t> frame);

// Rewrites the closing 16-bit sum of a frame after its bytes changed.
void sealFrame(std::vector<std::uint8_t>& frame);

} // namespace LoggerFrames
} // namespace zarn::sim
