#include "sim/Borehole.h"

#include "sim/ColourSpace.h"
#include "sim/SimRandom.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zarn::sim {
namespace {

// A plane nearly parallel to the hole would meet the wall over an endless stretch; it is drawn
// as if it crossed the hole at this least angle (about 1 degree).
constexpr double LeastCrossing = 0.02;
constexpr double TraceBlur = 0.0006;     // m added to every fracture's half width
constexpr double TraceWidthLimit = 0.05; // m, widest trace along the hole
constexpr double TraceDarkening = 0.85;  // fraction of the light a fracture's centre takes

double smooth(double t) {
    return t * t * (3 - 2 * t);
}

} // namespace

Borehole::Borehole(const BoreholeSettings& settings, double inclination, double azimuth)
    : settings_(settings), frame_(HoleFrame::of(inclination, azimuth)), azimuth_(azimuth),
      radius_(settings.diameterMm / 2000.0),
      texturePitch_(std::numbers::pi * settings.diameterMm / 1000.0 / TextureWidth),
      texture_(settings.textureSeed, false),
      bedding_(planeOf(0, settings.beddingDip, settings.beddingDipDirection, 0)) {
    for (const FracturePlane& f : settings.fractures)
        fractures_.push_back(planeOf(f.depth, f.dip, f.dipDirection, f.aperture));
    std::sort(fractures_.begin(), fractures_.end(),
              [](const Plane& a, const Plane& b) { return a.depth < b.depth; });
    for (const Plane& p : fractures_)
        reach_ = std::max(reach_, p.amplitude + 5 * p.halfWidth);
}

Borehole::Plane Borehole::planeOf(double depth, double dip, double dipDirection,
                                  double aperture) const {
    const Vec3 n = planeNormal(dip, dipDirection);
    double across = dot(n, frame_.down);
    if (std::abs(across) < LeastCrossing)
        across = across < 0 ? -LeastCrossing : LeastCrossing;
    Plane p;
    p.depth = depth;
    p.alongHigh = dot(n, frame_.high) / across;
    p.alongRight = dot(n, frame_.right) / across;
    p.amplitude = radius_ * std::hypot(p.alongHigh, p.alongRight);
    p.halfWidth = std::min(TraceWidthLimit, aperture / 2000.0 / std::abs(across) + TraceBlur);
    return p;
}

// How far below the plane's axis crossing it meets the wall at this angle: the wall point at
// depth t, r (cos b high + sin b right) lies on the plane n . (p - c) = 0 when
// t = depth - r (cos b n.high + sin b n.right) / n.down.
double Borehole::offsetOf(const Plane& plane, double cosBeta, double sinBeta) const {
    return -radius_ * (cosBeta * plane.alongHigh + sinBeta * plane.alongRight);
}

double Borehole::traceDepth(const FracturePlane& f, double beta) const {
    const Plane p = planeOf(f.depth, f.dip, f.dipDirection, f.aperture);
    const double b = radians(beta);
    return p.depth + offsetOf(p, std::cos(b), std::sin(b));
}

std::uint32_t Borehole::wallPixel(double depth, double beta) const {
    const double b = radians(beta);
    const double c = std::cos(b), s = std::sin(b);
    // The texture follows the bedding: rows of the texture lie along planes parallel to it.
    const double beddingDepth = depth - offsetOf(bedding_, c, s);
    const long row = static_cast<long>(std::floor(beddingDepth / texturePitch_));
    const int column = std::clamp(static_cast<int>(wrap360(beta + azimuth_) / 360.0 * TextureWidth),
                                  0, TextureWidth - 1);
    const std::uint32_t rock = texture_.pixel(column, TextureWidth, row);

    double shade = 1.0;
    const auto first = std::lower_bound(fractures_.begin(), fractures_.end(), depth - reach_,
                                        [](const Plane& p, double d) { return p.depth < d; });
    for (auto it = first; it != fractures_.end() && it->depth <= depth + reach_; ++it) {
        const Plane& p = *it;
        const double d = (depth - (p.depth + offsetOf(p, c, s))) / p.halfWidth;
        if (std::abs(d) < 5)
            shade = std::min(shade, 1.0 - TraceDarkening * std::exp(-d * d));
    }
    if (shade >= 1.0)
        return rock;
    auto dark = [shade](int v) { return static_cast<int>(std::lround(v * shade)); };
    return makePixel(dark(redOf(rock)), dark(greenOf(rock)), dark(blueOf(rock)));
}

void Borehole::filmRow(double depth, double roll, std::span<std::uint32_t> row) const {
    const double width = static_cast<double>(row.size());
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = wallPixel(depth, static_cast<double>(j) * 360.0 / width - roll);
}

double Borehole::noise1(double x, std::uint64_t octave) const {
    const double cell = std::floor(x);
    const auto value = [&](double at) {
        return static_cast<double>(hashOf(settings_.textureSeed + octave * 7919,
                                          static_cast<std::int64_t>(at), 3) >>
                                   11) *
                   0x1.0p-52 -
               1.0;
    };
    const double t = smooth(x - cell);
    return value(cell) * (1 - t) + value(cell + 1) * t;
}

double Borehole::gammaRate(double depth) const {
    const double clay = 0.5 + 0.5 * (0.65 * noise1(depth / 2.0, 1) + 0.35 * noise1(depth / 0.6, 2));
    return settings_.gammaBase + settings_.gammaRange * std::clamp(clay, 0.0, 1.0);
}

double Borehole::temperature(double depth) const {
    return settings_.surfaceTemperature + settings_.temperatureGradient * depth / 100.0;
}

} // namespace zarn::sim
