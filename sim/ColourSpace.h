// Pixel channels and the luma / colour-difference split the video schemes code, the inverse of
// the decoder's colour conversion.
#pragma once

#include "acquisition/wire/CompressionTables.h"

#include <cstdint>

namespace zarn::sim {

inline int redOf(std::uint32_t pixel) {
    return static_cast<int>((pixel >> 16) & 0xFF);
}
inline int greenOf(std::uint32_t pixel) {
    return static_cast<int>((pixel >> 8) & 0xFF);
}
inline int blueOf(std::uint32_t pixel) {
    return static_cast<int>(pixel & 0xFF);
}

inline std::uint32_t makePixel(int r, int g, int b) {
    return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
           static_cast<std::uint32_t>(b);
}

struct YCbCr {
    double y;
    double cb; // centred on 0
    double cr; // centred on 0
};

inline double lumaOf(double r, double g, double b) {
    return 0.299 * r + 0.587 * g + 0.114 * b;
}
inline double lumaOf(std::uint32_t pixel) {
    return lumaOf(redOf(pixel), greenOf(pixel), blueOf(pixel));
}

inline YCbCr toYCbCr(double r, double g, double b) {
    const double y = lumaOf(r, g, b);
    return {y, (b - y) / compression::kBlueFromCb, (r - y) / compression::kRedFromCr};
}

} // namespace zarn::sim
