// The arithmetic of a mode-16 block column: the inverse luma transform with its output stage, and
// the colour conversion. Three forms: one value at a time, two at a time (SSE2) and four at a
// time (AVX2, used when the processor has it). Every form performs the same IEEE double
// operations in the same order for each value, so all give the same pixels; the choice is only
// about speed.
#pragma once

#include <cstdint>

namespace zarn::kernels {

enum class VectorPath { Scalar, Sse2, Avx2 };

// The widest form this build and this processor offer.
VectorPath widestVectorPath();
// `wanted`, or the widest available when that is narrower.
VectorPath availableVectorPath(VectorPath wanted);

// Channel value: truncation toward zero, then 0..255. NaN (an absurd shutter factor) gives 0
// instead of an undefined conversion.
inline int clampChannel(double v) {
    if (v >= 255.0)
        return 255;
    return v > 0.0 ? static_cast<int>(v) : 0;
}

// (R << 16) | (G << 8) | B from unclamped channel values.
inline std::uint32_t packPixel(double r, double g, double b) {
    return (static_cast<std::uint32_t>(clampChannel(r)) << 16) |
           (static_cast<std::uint32_t>(clampChannel(g)) << 8) |
           static_cast<std::uint32_t>(clampChannel(b));
}

// The floating-point AAN inverse transform of an 8 x 8 block of dequantised coefficients
// (row-major, row = vertical frequency; multiplied by the prescaled table), columns first, then
// rows. Each output is descaled by 8 with rounding ((x + 4) >> 3 on its integer part), shifted by
// +128 and clamped to 0..255. The masks tell which columns hold any coefficient and which hold
// one below the first row, so that empty and constant columns are not transformed (the
// transform would give exactly zeros and the first value there). `work` holds 64 doubles.
void inverseLuma(VectorPath path, const double* coefficients, unsigned anyInColumn,
                 unsigned lowerInColumn, double* work, std::uint8_t* samples);

// Pixels of one block column: row y, pixel x (x < columns, 1 <= columns <= 8) from luma sample
// (y, x) and chroma samples (y / 2, x / 2) (16-bit, centred on 128), Cb and Cr minus 128:
// R = trunc((Y + 1.402 Cr) k), G = trunc((Y - 0.34414 Cb - 0.71414 Cr) k),
// B = trunc((Y + 1.772 Cb) k), each clamped to 0..255. Row y goes to output[y * width].
void convertColours(VectorPath path, const std::uint8_t* luma, const std::int16_t* cb,
                    const std::int16_t* cr, double shutterFactor, std::uint32_t* output, int width,
                    int columns);

} // namespace zarn::kernels
