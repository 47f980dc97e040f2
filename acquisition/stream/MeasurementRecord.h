// The measurement record: the one in-memory record of the current decoded sample. The frame
// decoder (live) and the replay fill it on their thread and publish it as a snapshot; the
// displays, the settings windows and the recorder read snapshots. Every member is a plain value
// or a fixed-size text, so a copy never allocates.
#pragma once

#include "acquisition/stream/FixedText.h"
#include "acquisition/stream/Orientation.h"

#include <array>
#include <cstdint>

namespace zarn {

using RecordText = FixedText<31>;

// The no-data value of the orientation inputs and outputs.
inline constexpr double NoOrientationData = OrientationNoData;

// The orientation group: the raw sensor values and what the orientation computation made of
// them.
using OrientationValues = OrientationResult;

struct LoggerStatusBytes {
    std::uint8_t Byte0 = 0; // status flags: bit 6 encoder error, bit 7 low battery
    std::uint8_t Byte1 = 0;
    std::uint8_t Byte2 = 0;
    std::uint16_t Word3 = 0; // 16-byte and 20-byte frames only
    std::uint8_t Flags = 0;  // the last status flags taken over (byte 0)
    std::uint8_t CommStatus = 0;
    // Set to 1 whenever a new logger status arrives (not by 16-byte frames); cleared by the
    // power sequences that wait for it.
    std::uint8_t StatusReceived = 0;
    // Echo of the winch settings the logger applied (20-byte frame).
    std::uint16_t EchoWord2 = 0;
    std::uint16_t EchoWord4 = 0;
    std::uint8_t EchoByte6 = 0;
};

struct SondeStatusBytes {
    std::uint8_t LightPower = 0;  // block byte 4, bits 0 to 6
    std::uint8_t Shutter = 0;     // block byte 5; the configured 21 to 24 when it applies
    std::uint8_t FramePeriod = 0; // block byte 6, ms; 255 unknown
    std::uint8_t BaudDivisor = 0; // block byte 7, bits 0 to 6
    std::uint8_t Byte19 = 0;
    std::uint8_t BufferFill = 0; // block byte 20, 0 to 16; 255 unknown
    std::uint8_t Byte21 = 0;
};

// Full data frames seen by the decoder.
struct FrameCounters {
    std::uint32_t GoodFrames = 0;
    std::uint32_t BadFrames = 0;        // counted only once a good frame has been counted
    std::uint32_t RecentGoodFrames = 0; // stops at RecentGoodFramesLimit; reset by the owner
    static constexpr std::uint32_t RecentGoodFramesLimit = 100;
};

struct MeasurementRecord {
    double LoggerDepth = 0; // m
    double ImageDepth = 0;  // m
    double Speed = 0;       // m/min
    int Direction = 1;      // 1 down (speed count 0 or positive), 0 up
    double ElapsedTime = 0; // s
    RecordText ElapsedTimeText;
    int ValueA = 0;
    RecordText ValueAText;
    int ValueB = 0;
    RecordText ValueBText;
    double CameraTemperature = 0; // °C
    RecordText CameraTemperatureText;
    double SecondTemperature = 0; // °C
    RecordText SecondTemperatureText;
    int GammaCount = 0; // counts per second
    double Gamma = 0;   // GammaCount × GammaCoef
    RecordText UpholeDriveText;
    RecordText BaudText;
    OrientationValues Orientation;
    std::uint8_t CommStatus = 0;
    LoggerStatusBytes LoggerStatus;
    SondeStatusBytes SondeStatus;
    int SondeDataFlag = -1; // 1, 0, or -1 when the last frame carried no sonde block
    int ResolutionCode = 0;
    int PixelsPerRow = 720;
    int CompressionMode = 0; // 0, 8 or 16
    int CompressionParameter = 0;
    int PayloadLength = 0;
    std::uint8_t ViewMode = 0;
    double ShutterFactor = 1.0;
    std::array<std::uint8_t, 6> ReadBack{}; // the sonde's DSP error bytes
    int PacketIndex = 0;
    std::uint32_t PictureNumber = 0;
    FrameCounters Counters;
};

} // namespace zarn
