// One record of a data log file (.lox): a 53-byte head followed by the video payload of the full
// data frame it was made from, unchanged. A data file is nothing but records one after the
// other, each starting with its own length; all multi-byte fields are little-endian.
//
// Head layout (offsets in the record):
//   0  u16  record length, head included (53 + payload length)
//   2  s32  logger depth, 0.1 mm
//   6  s16  speed, 0.01 m/min; its sign is the direction of travel (negative = going up)
//   8  u32  elapsed logging time, ms
//  12  u8   logger value A          13  u8  logger value B
//  14..47   bytes 13 to 46 of the frame (sonde block and orientation values), except:
//  19  u8   the applied shutter (the configured 21 to 24 when the sonde applied 20)
//  25  s32  image depth, 0.1 mm (in place of the sonde's raw camera depth count)
//  48  u8   not used (0)
//  49  u8   view mode of the frame
//  50..52   not used (0)
//  53...    video payload
//
// A length read from a file is never trusted: below 53, above the largest record a frame can
// give, or running past the end of the file, it ends the data.
#pragma once

#include "acquisition/stream/MeasurementRecord.h"
#include "acquisition/wire/FrameLayout.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace zarn::logrecord {

inline constexpr std::size_t HeadSize = 53;

inline constexpr std::size_t Length = 0;
inline constexpr std::size_t LoggerDepth = 2;
inline constexpr std::size_t Speed = 6;
inline constexpr std::size_t ElapsedMs = 8;
inline constexpr std::size_t ValueA = 12;
inline constexpr std::size_t ValueB = 13;
// The frame's sonde block and orientation values, copied from frame offset 13 on.
inline constexpr std::size_t FrameCopy = 14;
inline constexpr std::size_t FrameCopyFrom = frame::full::SondeBlock;
inline constexpr std::size_t FrameCopySize = frame::full::PackChecksum - frame::full::SondeBlock;
inline constexpr std::size_t GammaCount = 14;
inline constexpr std::size_t CameraTemperature = 16;
inline constexpr std::size_t SecondTemperature = 17;
inline constexpr std::size_t LightPower = 18; // bit 7 sonde data flag, bits 0 to 6 light power
inline constexpr std::size_t Shutter = 19;
inline constexpr std::size_t FramePeriod = 20;
inline constexpr std::size_t BaudDivisor = 21;
inline constexpr std::size_t UpholeDrive = 22;
inline constexpr std::size_t ImageMode = 23;
inline constexpr std::size_t PacketIndex = 24;
inline constexpr std::size_t ImageDepth = 25;
inline constexpr std::size_t PictureNumber = 29;
inline constexpr std::size_t Byte19 = 33;
inline constexpr std::size_t BufferFill = 34;
inline constexpr std::size_t Byte21 = 35;
inline constexpr std::size_t HX = 36;
inline constexpr std::size_t GX = 38;
inline constexpr std::size_t HY = 40;
inline constexpr std::size_t GY = 42;
inline constexpr std::size_t HZ = 44;
inline constexpr std::size_t GZ = 46;
inline constexpr std::size_t ViewMode = 49;
// The head bytes that are not used and always 0: 48 and 50 to 52.
inline constexpr std::size_t UnusedByte = 48;
inline constexpr std::size_t UnusedFrom = 50;

// The link assembles frames of at most 8192 bytes, so no record can hold a larger payload than
// such a frame carries.
inline constexpr std::size_t LargestFrame = 8192;
inline constexpr std::size_t MaxPayload = LargestFrame - frame::full::Overhead;
inline constexpr std::size_t MaxLength = HeadSize + MaxPayload;

// Depths are stored in 0.1 mm, speeds in 0.01 m/min.
inline constexpr double DepthUnitsPerMetre = 10000.0;
inline constexpr double SpeedUnitsPerMetrePerMinute = 100.0;

using Head = std::array<std::uint8_t, HeadSize>;

// Whether a record length read from a file can be a record at all.
inline bool soundLength(std::uint32_t length) {
    return length >= HeadSize && length <= MaxLength;
}

// metres x 10000 and m/min x 100, truncated toward zero and saturated to the field (not a
// number gives 0).
std::int32_t depthUnits(double metres);
std::int16_t speedUnits(double metresPerMinute);

// The head of the record for a full data frame (at least 47 bytes: logger header, sonde block
// and orientation values) with payloadLength bytes of payload, from the frame and the
// measurement record it was decoded into (depths, speed, values A and B, applied shutter, view
// mode).
Head buildHead(std::span<const std::uint8_t> frame, std::size_t payloadLength,
               const MeasurementRecord& record, std::uint32_t elapsedMs);

// Field readers on a head (or a whole record).
inline std::uint16_t lengthOf(std::span<const std::uint8_t> head) {
    return frame::u16(head, Length);
}
inline double loggerDepthOf(std::span<const std::uint8_t> head) {
    return frame::s32(head, LoggerDepth) / DepthUnitsPerMetre;
}
inline double imageDepthOf(std::span<const std::uint8_t> head) {
    return frame::s32(head, ImageDepth) / DepthUnitsPerMetre;
}
inline std::int16_t speedOf(std::span<const std::uint8_t> head) {
    return frame::s16(head, Speed);
}
inline std::uint32_t elapsedMsOf(std::span<const std::uint8_t> head) {
    return frame::u32(head, ElapsedMs);
}
// Whether a whole head can be the head of a record: a sound length and its unused bytes 0.
inline bool plausibleHead(std::span<const std::uint8_t> head) {
    if (head.size() < HeadSize || !soundLength(lengthOf(head)) || head[UnusedByte] != 0)
        return false;
    for (std::size_t i = UnusedFrom; i < HeadSize; ++i)
        if (head[i] != 0)
            return false;
    return true;
}

// The orientation inputs of a record's head: its six raw sensor values, with the reference,
// declination and image offset given; without the read-out texts (an export needs the angles
// only).
inline OrientationInputs orientationInputsOf(std::span<const std::uint8_t> head, int mode,
                                             double declination, double imageOffset) {
    OrientationInputs inputs;
    inputs.GX = frame::s16(head, GX);
    inputs.GY = frame::s16(head, GY);
    inputs.GZ = frame::s16(head, GZ);
    inputs.HX = frame::s16(head, HX);
    inputs.HY = frame::s16(head, HY);
    inputs.HZ = frame::s16(head, HZ);
    inputs.Mode = mode;
    inputs.Declination = declination;
    inputs.ImageOffset = imageOffset;
    inputs.Texts = false;
    return inputs;
}

// The elapsed time text of the measurement record: hours, minutes and seconds, each "%02.0f",
// joined by ":" ("01:02:03").
std::string elapsedTimeText(std::uint64_t milliseconds);

// The brightness factor of a recorded applied shutter: 21 to 24 give 1.2, 1.44, 1.73 and 2.0,
// any other value 1.0.
double shutterFactorOf(std::uint8_t shutter);

} // namespace zarn::logrecord
