// The bicubic resampling of the picture export: an output line at depth W is made from four
// source lines around W (the first line that reached W, the two before it and the one after)
// and, for each output column x, the four columns x - 2 to x + 1 of each, weighted by a cubic
// convolution kernel of the distance from the sample point, in 1/128 pixel:
//   - vertically, the distance from the line's depth to W in output steps;
//   - horizontally, the part of a pixel the line's turn left over (the sample point lies that
//     far left of column x).
// The kernel is evaluated through integer tables: the cubic weights (14-bit fixed point,
// 16383 = 1, built for 136 steps a pixel and looked up with 128, so the kernel is stretched by
// 136/128), a linear fallback for targets far from the lines, and the distance table that
// replaces square roots. The weights of a line depend only on the four lines and their
// fractions, so they are made once per output line and used for every column.
#pragma once

#include <array>
#include <cstdint>

namespace zarn {

class BicubicKernel {
public:
    static constexpr int CubicSize = 512;
    static constexpr int LinearSize = 360;
    // Distances of 0 to 256 (a fraction of 0 puts column x - 2 at 256).
    static constexpr int DistanceSize = 257;
    static constexpr int One = 16383;

    BicubicKernel();

    int cubic(int i) const { return cubic_[static_cast<std::size_t>(i)]; }
    int linear(int i) const { return linear_[static_cast<std::size_t>(i)]; }
    int distance(int dy, int dx) const {
        return distance_[static_cast<std::size_t>(dy) * DistanceSize +
                         static_cast<std::size_t>(dx)];
    }

    // The sixteen weights of one output line: weight[r * 4 + c] for contributing line r
    // (p - 2, p - 1, p, p + 1) and column c (x - 2, x - 1, x, x + 1).
    struct Weights {
        std::array<std::int32_t, 16> weight{};
        std::int32_t sum = 0;
    };
    // dy: each line's vertical distance to the target, in 1/128 output step (0 to 255);
    // fraction: each line's horizontal fraction (0 to 127). The cubic weights when they are
    // strong enough (a sum of at least 4000, the four central ones at least 20000); else the
    // linear weights of the four central pixels when they reach 2000; else line p, column x
    // alone.
    Weights weightsFor(const std::array<int, 4>& dy, const std::array<int, 4>& fraction) const;
    // The sixteen cubic weights, before that choice.
    Weights cubicWeights(const std::array<int, 4>& dy, const std::array<int, 4>& fraction) const;

    // The output line from the four lines (each width pixels) with those weights.
    static void apply(const Weights& weights, const std::array<const std::uint32_t*, 4>& lines,
                      int width, std::uint32_t* out);

private:
    std::array<std::int32_t, CubicSize> cubic_{};
    std::array<std::int32_t, LinearSize> linear_{};
    std::array<std::int16_t, DistanceSize * DistanceSize> distance_{};
};

} // namespace zarn
