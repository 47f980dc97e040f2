#include "sim/WallTexture.h"

#include "sim/ColourSpace.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace zarn::sim {

namespace {

double smooth(double t) {
    return t * t * (3 - 2 * t);
}

long floorDiv(double v) {
    return static_cast<long>(std::floor(v));
}

struct Tint {
    double r, g, b;
};
// Sandstone, shale, limestone, mudstone.
constexpr std::array<Tint, 4> kLayerTints{
    {{168, 142, 108}, {112, 110, 104}, {182, 176, 160}, {92, 80, 70}}};

constexpr double kLayerThickness = 46.0; // rows
constexpr double kFractureSpacing = 170.0;

} // namespace

std::uint32_t WallTexture::hash(std::uint32_t a, std::uint32_t b, std::uint32_t c) const {
    std::uint32_t h = seed_ * 0x27D4EB2Fu ^ a * 0x9E3779B1u ^ b * 0x85EBCA77u ^ c * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

// A value in [-1, 1] at a lattice node.
double WallTexture::lattice(long i, long j, std::uint32_t octave) const {
    return hash(static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(j), octave) /
               2147483647.5 -
           1.0;
}

// Smooth value noise with cells of about `cell` pixels, periodic around the hole.
double WallTexture::noise(double x, int width, double row, int cell, std::uint32_t octave) const {
    const long around = std::max(1L, std::lround(static_cast<double>(width) / cell));
    const double u = x * around / width;
    const double v = row / cell;
    const long i = floorDiv(u), j = floorDiv(v);
    const double fu = smooth(u - i), fv = smooth(v - j);
    const long i0 = ((i % around) + around) % around, i1 = (i0 + 1) % around;
    const double top = lattice(i0, j, octave) * (1 - fu) + lattice(i1, j, octave) * fu;
    const double bottom = lattice(i0, j + 1, octave) * (1 - fu) + lattice(i1, j + 1, octave) * fu;
    return top * (1 - fv) + bottom * fv;
}

// 1 away from fractures, down to about 0.35 on a fracture trace.
double WallTexture::fractureShade(double x, int width, double row) const {
    double shade = 1.0;
    const long nearest = floorDiv(row / kFractureSpacing);
    for (long k = nearest - 2; k <= nearest + 2; ++k) {
        const std::uint32_t h = hash(static_cast<std::uint32_t>(k), 7, 1000);
        if ((h & 3) == 0)
            continue; // not every interval holds a fracture
        const double centre = (k + 0.5) * kFractureSpacing;
        const double amplitude = 10.0 + (h >> 8 & 63); // rows: the dip of the plane
        const double phase = (h >> 16 & 1023) / 1024.0 * 2 * std::numbers::pi;
        const double trace =
            centre + amplitude * std::sin(2 * std::numbers::pi * x / width + phase);
        const double halfWidth = 1.2 + (h >> 26 & 3) * 0.6;
        const double d = (row - trace) / halfWidth;
        shade = std::min(shade, 1.0 - 0.65 * std::exp(-d * d));
    }
    return shade;
}

std::uint32_t WallTexture::pixel(int x, int width, long row) const {
    const double r = static_cast<double>(row);
    const double xd = x;
    // Bedding: layers of varying tint whose boundaries wander slightly.
    const double layerCoord = (r + 12.0 * noise(xd, width, r, 96, 1)) / kLayerThickness;
    const long layer = floorDiv(layerCoord);
    const Tint& a = kLayerTints[hash(static_cast<std::uint32_t>(layer), 3, 2000) % 4];
    const Tint& b = kLayerTints[hash(static_cast<std::uint32_t>(layer + 1), 3, 2000) % 4];
    const double blend = smooth(std::clamp((layerCoord - layer - 0.85) / 0.15, 0.0, 1.0));
    // Rock: large mottling, then finer grain.
    const double mottle = 0.5 * noise(xd, width, r, 48, 2) + 0.25 * noise(xd, width, r, 20, 3);
    // Grain, then a little per-pixel speckle like sensor noise.
    const double speckle = lattice(x, row, 6);
    const double grain =
        18.0 * noise(xd, width, r, 6, 4) + 10.0 * noise(xd, width, r, 3, 5) + 4.0 * speckle;
    const double light =
        (1.0 + 0.45 * mottle) * (fractureTraces_ ? fractureShade(xd, width, r) : 1.0);
    auto channel = [&](double ca, double cb) {
        const double v = (ca * (1 - blend) + cb * blend) * light + grain;
        return static_cast<int>(std::clamp(std::lround(v), 0L, 255L));
    };
    return makePixel(channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b));
}

void WallTexture::render(std::span<std::uint32_t> out, int width, long firstRow, int rows) const {
    if (width < 1 || rows < 1)
        return;
    rows = static_cast<int>(std::min<std::size_t>(rows, out.size() / width));
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < width; ++x)
            out[static_cast<std::size_t>(y) * width + x] = pixel(x, width, firstRow + y);
}

} // namespace zarn::sim
