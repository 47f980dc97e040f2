// Mode-16 encoder of the simulated sonde: eight rows of pixels to the transform payload the video
// decoder reads (8 x 8 luma blocks, 4 x 4 chroma blocks from 2 x 2 pixel means).
#pragma once

#include "acquisition/wire/CompressionTables.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace zarn::sim {

class BitWriter;

class DctEncoder {
public:
    DctEncoder();

    // Encodes eight rows of `width` pixels, row r at pixels[r * width], (R << 16) | (G << 8) | B,
    // with compression parameter 1 to 5. The last block column of a width that is not a multiple
    // of 8 repeats its last pixel column. Returns false, with an empty payload, for an invalid
    // parameter, width < 1 or fewer than 8 * width pixels.
    [[nodiscard]] bool encode(std::span<const std::uint32_t> pixels, int width, int parameter,
                              std::vector<std::uint8_t>& payload);

private:
    void encodeLuma(BitWriter& out, const compression::DctParameters& p);
    void encodeChroma(BitWriter& out, const std::array<double, 16>& block,
                      const compression::DctParameters& p);

    std::array<double, 64> basis8_{}; // orthonormal 8-point transform, [frequency][sample]
    std::array<double, 16> basis4_{}; // orthonormal 4-point transform
    std::array<double, 64> luma_{};   // luma block, centred on 0
    std::array<double, 16> cb_{};
    std::array<double, 16> cr_{};
};

} // namespace zarn::sim
