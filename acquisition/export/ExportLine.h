// What the export keeps of each decoded image line besides its pixels: its depth, the rotation
// it was turned by (and, for the bicubic run, the part of a pixel left over), and the values of
// its record stepped toward the next record's over the record's lines: time, raw orientation
// values, gamma and the camera temperature byte.
#pragma once

#include <array>
#include <cstdint>

namespace zarn {

struct ExportLine {
    double depth = 0; // m
    double angle = 0; // degrees the line was turned by, 0 to 360
    int fraction = 0; // 1/128 pixel left over from a whole-pixel turn (bicubic run)
    std::int32_t timeMs = 0;
    std::array<std::int16_t, 6> raw{}; // HX, GX, HY, GY, HZ, GZ
    std::int32_t gamma = 0;            // counts per second
    std::uint8_t temperature = 0;      // camera temperature byte
};

} // namespace zarn
