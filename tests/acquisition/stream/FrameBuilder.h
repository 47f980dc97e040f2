// Builds the logger's frames for the decoder tests: fields by name, checksums fixed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zarn::test {

using Frame = std::vector<std::uint8_t>;

inline void put16(Frame& f, std::size_t at, std::uint16_t v) {
    f.at(at) = static_cast<std::uint8_t>(v & 0xFF);
    f.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}

inline void put32(Frame& f, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i)
        f.at(at + i) = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}

inline std::uint16_t sumOf(const Frame& f, std::size_t from, std::size_t count) {
    unsigned sum = 0;
    for (std::size_t i = from; i < from + count; ++i)
        sum += f.at(i);
    return static_cast<std::uint16_t>(sum);
}

struct LoggerHeader {
    std::uint8_t flags = 0;
    std::uint8_t byte1 = 0;
    std::uint8_t byte2 = 0;
    std::uint16_t word3 = 0;
    std::int32_t depthCount = 0;
    std::int16_t speedCount = 0;
    std::uint8_t valueA = 0;
    std::uint8_t valueB = 0;

    void writeTo(Frame& f) const {
        f.at(0) = flags;
        f.at(1) = byte1;
        f.at(2) = byte2;
        put16(f, 3, word3);
        put32(f, 5, static_cast<std::uint32_t>(depthCount));
        put16(f, 9, static_cast<std::uint16_t>(speedCount));
        f.at(11) = valueA;
        f.at(12) = valueB;
    }
};

// The 16-byte logger frame.
inline Frame shortFrame(const LoggerHeader& header, std::uint8_t commStatus) {
    Frame f(16, 0);
    header.writeTo(f);
    f.at(13) = commStatus;
    put16(f, 14, sumOf(f, 0, 14));
    return f;
}

// The 20-byte logger status frame.
struct StatusFields {
    std::uint8_t flags = 0;
    std::uint16_t echoWord2 = 0;
    std::uint16_t echoWord4 = 0;
    std::uint8_t echoByte6 = 0;
    std::uint8_t byte1 = 0;
    std::uint8_t byte2 = 0;
    std::uint16_t statusWord = 0;
    std::int32_t depthCount = 0;
    std::int16_t speedCount = 0;
    std::uint8_t valueA = 0;
    std::uint8_t valueB = 0;

    Frame build() const {
        Frame f(20, 0);
        f.at(0) = flags;
        put16(f, 1, echoWord2);
        put16(f, 3, echoWord4);
        f.at(5) = echoByte6;
        f.at(6) = byte1;
        f.at(7) = byte2;
        put16(f, 8, statusWord);
        put32(f, 10, static_cast<std::uint32_t>(depthCount));
        put16(f, 14, static_cast<std::uint16_t>(speedCount));
        f.at(16) = valueA;
        f.at(17) = valueB;
        put16(f, 18, sumOf(f, 0, 18));
        return f;
    }
};

// A full data frame: logger header, sonde block, orientation values, payload and trailer.
struct FullFrameFields {
    LoggerHeader header;
    // Sonde block
    std::uint16_t gammaCount = 0;
    std::uint8_t cameraTemperature = 0;
    std::uint8_t secondTemperature = 0;
    std::uint8_t lightPower = 0x80; // sonde data flag set
    std::uint8_t shutter = 10;
    std::uint8_t framePeriod = 0;
    std::uint8_t baudDivisor = 0;
    std::uint8_t upholeDrive = 0;
    std::uint8_t imageMode = 0;
    std::uint8_t packetIndex = 0;
    std::int32_t cameraDepthCount = 0;
    std::uint32_t pictureNumber = 0;
    std::uint8_t byte19 = 0;
    std::uint8_t bufferFill = 0;
    std::uint8_t byte21 = 0;
    // Orientation
    std::int16_t hx = 0, gx = 0, hy = 0, gy = 0, hz = 0, gz = 0;
    std::vector<std::uint8_t> payload;
    std::uint8_t commStatus = 0x01;

    Frame build() const {
        const std::size_t n = 56 + payload.size();
        Frame f(n, 0);
        header.writeTo(f);
        put16(f, 3, 0); // the status word belongs to the 16-byte frame only
        put16(f, 13, gammaCount);
        f.at(15) = cameraTemperature;
        f.at(16) = secondTemperature;
        f.at(17) = lightPower;
        f.at(18) = shutter;
        f.at(19) = framePeriod;
        f.at(20) = baudDivisor;
        f.at(21) = upholeDrive;
        f.at(22) = imageMode;
        f.at(23) = packetIndex;
        put32(f, 24, static_cast<std::uint32_t>(cameraDepthCount));
        put32(f, 28, pictureNumber);
        f.at(32) = byte19;
        f.at(33) = bufferFill;
        f.at(34) = byte21;
        put16(f, 35, static_cast<std::uint16_t>(hx));
        put16(f, 37, static_cast<std::uint16_t>(gx));
        put16(f, 39, static_cast<std::uint16_t>(hy));
        put16(f, 41, static_cast<std::uint16_t>(gy));
        put16(f, 43, static_cast<std::uint16_t>(hz));
        put16(f, 45, static_cast<std::uint16_t>(gz));
        put16(f, 47, sumOf(f, 13, 34));
        for (std::size_t i = 0; i < payload.size(); ++i)
            f.at(49 + i) = payload[i];
        put16(f, n - 7, sumOf(f, 49, payload.size()));
        f.at(n - 3) = commStatus;
        put16(f, n - 2, sumOf(f, 0, n - 2));
        return f;
    }
};

} // namespace zarn::test
