// Byte layout of the frames the logger sends: the 16-byte logger frame, the 20-byte logger
// status frame and the full data frame (logger header, sonde block, orientation values, video
// payload, trailer). All multi-byte fields are little-endian. The readers here do not check
// bounds: callers check the frame length against the layout first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace zarn::frame {

using Bytes = std::span<const std::uint8_t>;

// Logger header, common to the 16-byte frame and the full data frame.
inline constexpr std::size_t StatusFlags = 0; // bit 6 encoder error, bit 7 low battery
inline constexpr std::size_t StatusByte1 = 1;
inline constexpr std::size_t StatusByte2 = 2;
inline constexpr std::size_t StatusWord3 = 3; // 16-byte frame only
inline constexpr std::size_t DepthCount = 5;  // signed 32-bit
inline constexpr std::size_t SpeedCount = 9;  // signed 16-bit, negative = going up
inline constexpr std::size_t ValueA = 11;
inline constexpr std::size_t ValueB = 12;
inline constexpr std::size_t LoggerHeaderSize = 13;

inline constexpr std::uint8_t EncoderErrorBit = 0x40;
inline constexpr std::uint8_t LowBatteryBit = 0x80;

// 16-byte logger frame.
namespace shortframe {
inline constexpr std::size_t Size = 16;
inline constexpr std::size_t CommStatus = 13;
inline constexpr std::size_t Checksum = 14; // sum of bytes 0 to 13
} // namespace shortframe

// 20-byte logger status frame (logger without sonde data).
namespace status {
inline constexpr std::size_t Size = 20;
inline constexpr std::size_t StatusFlags = 0;
inline constexpr std::size_t EchoWord2 = 1; // echo of the winch settings word at offset 2
inline constexpr std::size_t EchoWord4 = 3; // echo of the word at offset 4
inline constexpr std::size_t EchoByte6 = 5; // echo of the byte at offset 6
inline constexpr std::size_t StatusByte1 = 6;
inline constexpr std::size_t StatusByte2 = 7;
inline constexpr std::size_t StatusWord = 8;
inline constexpr std::size_t DepthCount = 10;
inline constexpr std::size_t SpeedCount = 14;
inline constexpr std::size_t ValueA = 16;
inline constexpr std::size_t ValueB = 17;
inline constexpr std::size_t Checksum = 18; // sum of bytes 0 to 17
} // namespace status

// Full data frame of N bytes.
namespace full {
inline constexpr std::size_t SondeBlock = 13;
inline constexpr std::size_t SondeBlockSize = 22;
// Six signed 16-bit orientation values, interleaved.
inline constexpr std::size_t HX = 35;
inline constexpr std::size_t GX = 37;
inline constexpr std::size_t HY = 39;
inline constexpr std::size_t GY = 41;
inline constexpr std::size_t HZ = 43;
inline constexpr std::size_t GZ = 45;
inline constexpr std::size_t PackChecksum = 47; // sum of bytes 13 to 46
inline constexpr std::size_t Payload = 49;
// Counted back from the end of the frame.
inline constexpr std::size_t VideoChecksumFromEnd = 7; // sum of the payload bytes
inline constexpr std::size_t CommStatusFromEnd = 3;
inline constexpr std::size_t FrameSumFromEnd = 2; // sum of bytes 0 to N - 3
// Everything but the payload: a frame of this length carries no payload.
inline constexpr std::size_t Overhead = 56;
inline constexpr std::size_t MinimumSize = Overhead;
} // namespace full

// Sonde block, offsets within the block.
namespace sonde {
inline constexpr std::size_t GammaCount = 0;        // unsigned 16-bit, counts per second
inline constexpr std::size_t CameraTemperature = 2; // half degrees Celsius
inline constexpr std::size_t SecondTemperature = 3;
inline constexpr std::size_t LightPower = 4; // bit 7 sonde data flag, bits 0 to 6 light power
inline constexpr std::size_t Shutter = 5;
inline constexpr std::size_t FramePeriod = 6;
inline constexpr std::size_t BaudDivisor = 7; // bits 0 to 6
inline constexpr std::size_t UpholeDrive = 8;
inline constexpr std::size_t ImageMode = 9;
inline constexpr std::size_t PacketIndex = 10;
inline constexpr std::size_t CameraDepthCount = 11; // signed 32-bit
inline constexpr std::size_t PictureNumber = 15;    // unsigned 32-bit
inline constexpr std::size_t Byte19 = 19;
inline constexpr std::size_t BufferFill = 20;
inline constexpr std::size_t Byte21 = 21;
} // namespace sonde

inline std::uint16_t u16(Bytes b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
inline std::int16_t s16(Bytes b, std::size_t at) {
    return static_cast<std::int16_t>(u16(b, at));
}
inline std::uint32_t u32(Bytes b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
inline std::int32_t s32(Bytes b, std::size_t at) {
    return static_cast<std::int32_t>(u32(b, at));
}

// The 16-bit sum of the bytes.
inline std::uint16_t sum16(Bytes bytes) {
    std::uint32_t sum = 0;
    for (const std::uint8_t b : bytes)
        sum += b;
    return static_cast<std::uint16_t>(sum);
}

} // namespace zarn::frame
