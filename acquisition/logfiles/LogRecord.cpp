#include "acquisition/logfiles/LogRecord.h"

#include "acquisition/logfiles/DepthTruncation.h"
#include "platform/Format.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace zarn::logrecord {
namespace {

void put16(Head& head, std::size_t at, std::uint16_t value) {
    head[at] = static_cast<std::uint8_t>(value & 0xFF);
    head[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(Head& head, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        head[at + i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
}

} // namespace

std::int32_t depthUnits(double metres) {
    return truncatedUnits<std::int32_t>(metres * DepthUnitsPerMetre);
}

std::int16_t speedUnits(double metresPerMinute) {
    return truncatedUnits<std::int16_t>(metresPerMinute * SpeedUnitsPerMetrePerMinute);
}

Head buildHead(std::span<const std::uint8_t> frame, std::size_t payloadLength,
               const MeasurementRecord& record, std::uint32_t elapsedMs) {
    Head head{};
    put16(head, Length, static_cast<std::uint16_t>(HeadSize + payloadLength));
    put32(head, LoggerDepth, static_cast<std::uint32_t>(depthUnits(record.LoggerDepth)));
    std::copy_n(frame.begin() + FrameCopyFrom, FrameCopySize, head.begin() + FrameCopy);
    put32(head, ImageDepth, static_cast<std::uint32_t>(depthUnits(record.ImageDepth)));
    put16(head, Speed, static_cast<std::uint16_t>(speedUnits(record.Speed)));
    put32(head, ElapsedMs, elapsedMs);
    head[ValueA] = static_cast<std::uint8_t>(record.ValueA);
    head[ValueB] = static_cast<std::uint8_t>(record.ValueB);
    head[ViewMode] = record.ViewMode;
    head[Shutter] = record.SondeStatus.Shutter;
    return head;
}

std::string elapsedTimeText(std::uint64_t milliseconds) {
    const std::uint64_t seconds = milliseconds / 1000;
    return format("%02.0f:%02.0f:%02.0f", static_cast<double>(seconds / 3600),
                  static_cast<double>(seconds / 60 % 60), static_cast<double>(seconds % 60));
}

double shutterFactorOf(std::uint8_t shutter) {
    switch (shutter) {
    case 21:
        return 1.2;
    case 22:
        return 1.44;
    case 23:
        return 1.73;
    case 24:
        return 2.0;
    default:
        return 1.0;
    }
}

} // namespace zarn::logrecord
