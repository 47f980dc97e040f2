// The fixed tables of the two video compression schemes: the parameter tables of mode 8 (two-row
// DPCM) and mode 16 (eight-row transform), the base quantisation tables, the scan orders and the
// quantiser steps derived from them. Shared by the decoder and by the encoders of the simulated
// sonde, so that both read the same numbers.
#pragma once

#include <array>
#include <cstdint>

namespace zarn::compression {

// Compression parameters 1 to 5; index = parameter - 1.
inline constexpr int kFirstParameter = 1;
inline constexpr int kLastParameter = 5;
constexpr bool isValidParameter(int parameter) {
    return parameter >= kFirstParameter && parameter <= kLastParameter;
}

struct DpcmParameters {
    int lumaLiteralBits;
    int chromaLiteralBits;
    int redBlueOffset; // "A": added to red and blue after the colour conversion
};

inline constexpr std::array<DpcmParameters, 5> kDpcmParameters{{
    {4, 3, 6},
    {5, 3, 4},
    {5, 4, 2},
    {6, 6, 1},
    {7, 7, 0},
}};

struct DctParameters {
    int lumaDivisor;   // "a"
    int chromaDivisor; // "h"
    int lumaDcBits;
    int chromaDcBits;
    int lumaCountBits; // width of the luma coefficient count k
};

inline constexpr std::array<DctParameters, 5> kDctParameters{{
    {8, 9, 8, 7, 5},
    {12, 10, 9, 7, 5},
    {15, 10, 9, 7, 6},
    {16, 12, 9, 8, 6},
    {24, 16, 10, 8, 6},
}};

// Width of the chroma coefficient count and of the "large value" width field of both blocks.
inline constexpr int kChromaCountBits = 4;
inline constexpr int kLargeWidthBits = 4;

// Base luma table, row-major: row = vertical frequency, column = horizontal frequency.
inline constexpr std::array<int, 64> kLumaBase{
    16, 24, 32, 24, 16, 24, 24,  32,  //
    24, 32, 24, 16, 24, 24, 32,  32,  //
    32, 48, 24, 24, 24, 32, 32,  32,  //
    24, 24, 24, 24, 24, 32, 48,  48,  //
    24, 24, 24, 24, 32, 32, 54,  64,  //
    32, 32, 32, 48, 48, 64, 80,  96,  //
    32, 32, 48, 48, 48, 80, 100, 110, //
    48, 48, 48, 48, 64, 96, 110, 128, //
};

// Base chroma table, row-major.
inline constexpr std::array<int, 16> kChromaBase{
    14, 14, 22, 32, //
    14, 20, 28, 36, //
    22, 28, 36, 42, //
    32, 36, 42, 50, //
};

// Scale factors of the floating-point AAN inverse transform (1 and cos(k pi / 16) * sqrt 2).
inline constexpr std::array<double, 8> kAanScale{1.0, 1.387039845, 1.306562965, 1.175875602,
                                                 1.0, 0.785694958, 0.5411961,   0.275899379};

inline constexpr double kChromaTableScale = 1.1507479861910241;

// Scan orders: value index -> row-major block position.
inline constexpr std::array<std::uint8_t, 64> kLumaScan{
    0,  8,  1,  24, 17, 16, 10, 9,  2,  3,  18, 25, 4,  41, 11, 40, 19, 33, 26, 32, 12, 27,
    48, 34, 20, 56, 49, 28, 42, 50, 5,  13, 35, 6,  57, 58, 43, 21, 51, 22, 36, 7,  14, 29,
    30, 59, 15, 44, 52, 60, 37, 45, 38, 54, 23, 31, 39, 46, 47, 53, 61, 62, 55, 63};

inline constexpr std::array<std::uint8_t, 16> kChromaScan{0, 1, 4,  2,  3,  5,  8,  6,
                                                          7, 9, 12, 10, 11, 13, 14, 15};

// Quantiser step of the luma coefficient at (row, column), in the units of the orthonormal 8 x 8
// transform: a coefficient value v stands for v times this step. The inverse transform's
// prescaled table is this step times kAanScale[row] * kAanScale[column].
constexpr double lumaStep(const DctParameters& p, int row, int column) {
    if (row == 0 && column == 0)
        return 3.8 * kLumaBase[0] / p.lumaDivisor;
    const int base = 4 * kLumaBase[row * 8 + column] + 10 * (2 * row / 3 + column);
    return static_cast<double>(base) / p.lumaDivisor;
}

// Quantiser step of the chroma coefficient at row-major position i, in the units of the
// orthonormal 4 x 4 transform (the decoder truncates v times this step to an integer).
constexpr double chromaStep(const DctParameters& p, int i) {
    return static_cast<double>(4 * kChromaBase[i]) / p.chromaDivisor * kChromaTableScale;
}

// The colour conversion constants of both modes (Cb and Cr centred on 0).
inline constexpr double kRedFromCr = 1.402;
inline constexpr double kGreenFromCb = 0.34414;
inline constexpr double kGreenFromCr = 0.71414;
inline constexpr double kBlueFromCb = 1.772;

} // namespace zarn::compression
