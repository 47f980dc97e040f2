// A synthetic borehole wall, unrolled: rock grain, bedding layers of different tints and planar
// fractures that cut the hole and so appear as dark sinusoids. Deterministic for a seed, periodic
// around the hole (column `width` is column 0 again) and unbounded down the hole. Texture sizes are
// in pixels, so every image width shows the same kind of detail.
#pragma once

#include <cstdint>
#include <span>

namespace zarn::sim {

class WallTexture {
public:
    // fractureTraces: whether the wall has its own scattered fracture traces; a borehole that
    // draws its fractures from given planes leaves them out.
    explicit WallTexture(std::uint32_t seed = 1, bool fractureTraces = true)
        : seed_(seed), fractureTraces_(fractureTraces) {}

    // The pixel, (R << 16) | (G << 8) | B, at column x (0 <= x < width) of row `row`.
    std::uint32_t pixel(int x, int width, long row) const;
    // Rows firstRow .. firstRow + rows - 1, row r at out[r * width]; out must hold rows * width.
    void render(std::span<std::uint32_t> out, int width, long firstRow, int rows) const;

private:
    std::uint32_t hash(std::uint32_t a, std::uint32_t b, std::uint32_t c) const;
    double lattice(long i, long j, std::uint32_t octave) const;
    double noise(double x, int width, double row, int cell, std::uint32_t octave) const;
    double fractureShade(double x, int width, double row) const;

    std::uint32_t seed_;
    bool fractureTraces_;
};

} // namespace zarn::sim
