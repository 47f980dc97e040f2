// Mode-8 encoder of the simulated sonde: two rows of pixels to the DPCM payload the video decoder
// reads. Luma is coded per pixel and chroma per pair of columns (the mean of four pixels), both
// quantised to a step chosen from the rows' range, then predicted exactly: every symbol is a delta
// when the code set has one that reaches the next value, a literal otherwise. The short or the
// long code set is chosen per payload by which gives fewer bits, and its table is ordered so that
// the most frequent symbols get the shortest codewords.
#pragma once

#include "acquisition/wire/CompressionTables.h"

#include <cstdint>
#include <span>
#include <vector>

namespace zarn::sim {

class DpcmEncoder {
public:
    enum class CodeSet { Shorter, Short, Long };

    // Encodes two rows of `width` pixels, row r at pixels[r * width], (R << 16) | (G << 8) | B,
    // with compression parameter 1 to 5. An odd width repeats its last column in the last pair.
    // Returns false, with an empty payload, for an invalid parameter, width < 1 or fewer than
    // 2 * width pixels.
    [[nodiscard]] bool encode(std::span<const std::uint32_t> pixels, int width, int parameter,
                              std::vector<std::uint8_t>& payload,
                              CodeSet codeSet = CodeSet::Shorter);

    // The code set the last encode used.
    bool usedLongCodeSet() const { return usedLong_; }

private:
    struct Symbol {
        bool luma;
        int code;  // quantised value (luma steps or chroma code)
        int delta; // code minus its prediction
    };

    std::vector<Symbol> symbols_;
    std::vector<int> luma_;    // quantiser input per pixel, 0..255, two rows of the padded width
    std::vector<int> cr_, cb_; // per pair, 0..255
    std::vector<double> crSum_, cbSum_; // colour differences summed per pair
    bool usedLong_ = false;
};

} // namespace zarn::sim
