#include "acquisition/export/BicubicKernel.h"

#include <algorithm>
#include <cmath>

namespace zarn {

namespace {

constexpr std::uint32_t OpaqueBlack = 0xFF000000u;

} // namespace

BicubicKernel::BicubicKernel() {
    // The cubic convolution kernel with a = -(0.5 + 0.17), over 128 + 8 steps a pixel.
    const double a = std::clamp(-(0.5 + 0.17), -1.5, -0.1);
    const int n = std::clamp(128 + 8, 64, 200);
    for (int i = 0; i < CubicSize; ++i) {
        const double t = static_cast<double>(i) / n;
        double v = 0;
        if (i < n)
            v = ((a + 2) * t * t * t - (a + 3) * t * t + 1) * One;
        else if (i < 2 * n)
            v = a * (t * t * t - 5 * t * t + 8 * t - 4) * One;
        cubic_[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(v);
    }
    constexpr int length = 128;
    for (int i = 0; i < length; ++i)
        linear_[static_cast<std::size_t>(i)] =
            static_cast<std::int32_t>(static_cast<double>(length - i) / length * One);
    for (int i = 0; i < DistanceSize; ++i)
        for (int j = 0; j < DistanceSize; ++j)
            distance_[static_cast<std::size_t>(i) * DistanceSize + static_cast<std::size_t>(j)] =
                static_cast<std::int16_t>(
                    std::min(359L, std::lround(std::sqrt(static_cast<double>(i * i + j * j)))));
}

BicubicKernel::Weights BicubicKernel::cubicWeights(const std::array<int, 4>& dy,
                                                   const std::array<int, 4>& fraction) const {
    Weights w;
    for (int r = 0; r < 4; ++r) {
        const int f = std::clamp(fraction[static_cast<std::size_t>(r)], 0, 127);
        const int y = std::clamp(dy[static_cast<std::size_t>(r)], 0, 255);
        const int dx[4] = {256 - f, 128 - f, f, 128 + f};
        for (int c = 0; c < 4; ++c) {
            const std::int32_t v = cubic(distance(y, dx[c]));
            w.weight[static_cast<std::size_t>(r * 4 + c)] = v;
            w.sum += v;
        }
    }
    return w;
}

BicubicKernel::Weights BicubicKernel::weightsFor(const std::array<int, 4>& dy,
                                                 const std::array<int, 4>& fraction) const {
    const Weights w = cubicWeights(dy, fraction);
    // The four central weights: lines p - 1 and p, columns x - 1 and x.
    const std::int32_t centre = w.weight[5] + w.weight[6] + w.weight[9] + w.weight[10];
    if (w.sum >= 4000 && centre >= 20000)
        return w;
    // Far from the lines: the four central pixels, linearly; farther still, line p alone.
    Weights near;
    for (int r = 1; r <= 2; ++r) {
        const int f = std::clamp(fraction[static_cast<std::size_t>(r)], 0, 127);
        const int y = std::clamp(dy[static_cast<std::size_t>(r)], 0, 255);
        const int dx[4] = {256 - f, 128 - f, f, 128 + f};
        for (int c = 1; c <= 2; ++c) {
            const std::int32_t v = linear(distance(y, dx[c]));
            near.weight[static_cast<std::size_t>(r * 4 + c)] = v;
            near.sum += v;
        }
    }
    if (near.sum >= 2000)
        return near;
    Weights single;
    single.weight[2 * 4 + 2] = 16384;
    single.sum = 16384;
    return single;
}

void BicubicKernel::apply(const Weights& weights, const std::array<const std::uint32_t*, 4>& lines,
                          int width, std::uint32_t* out) {
    // The weights that are not zero, with their line and column offset.
    struct Tap {
        const std::uint32_t* line;
        int offset; // -2 to 1
        std::int32_t weight;
    };
    std::array<Tap, 16> taps{};
    int count = 0;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (const std::int32_t w = weights.weight[static_cast<std::size_t>(r * 4 + c)]; w != 0)
                taps[static_cast<std::size_t>(count++)] = {lines[static_cast<std::size_t>(r)],
                                                           c - 2, w};
    const std::int32_t sum = weights.sum;
    // Columns left of 0 wrap to the end of the line, the one past its end to column 0; inside
    // the line no column needs to wrap.
    const auto pixelAt = [&](int x, bool wrap) {
        std::int32_t red = 0, green = 0, blue = 0;
        for (int t = 0; t < count; ++t) {
            const Tap& tap = taps[static_cast<std::size_t>(t)];
            int column = x + tap.offset;
            if (wrap)
                column = column < 0 ? column + width : column >= width ? column - width : column;
            const std::uint32_t p = tap.line[column];
            red += tap.weight * static_cast<std::int32_t>((p >> 16) & 0xFF);
            green += tap.weight * static_cast<std::int32_t>((p >> 8) & 0xFF);
            blue += tap.weight * static_cast<std::int32_t>(p & 0xFF);
        }
        const auto channel = [&](std::int32_t v) {
            return static_cast<std::uint32_t>(std::clamp(v / sum, 0, 255));
        };
        return OpaqueBlack | (channel(red) << 16) | (channel(green) << 8) | channel(blue);
    };
    for (int x = 0; x < width; ++x)
        out[x] = (x >= 2 && x + 1 < width) ? pixelAt(x, false) : pixelAt(x, true);
}

} // namespace zarn
