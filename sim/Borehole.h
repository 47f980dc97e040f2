// The simulated borehole: a straight hole of a given diameter, inclination and azimuth through
// rock whose wall carries a grain texture with dipping bedding and planar fractures. A plane
// that cuts the hole meets the wall along a closed curve that, unrolled, is one period of a
// sinusoid: deepest on the side the plane dips towards. The hole also gives the natural gamma
// rate and the temperature at each depth.
//
// Depths are measured along the hole in metres. Around the hole, a wall angle is measured from
// the high side, clockwise looking down the hole (HoleFrame).
#pragma once

#include "sim/HoleFrame.h"
#include "sim/SimulatorSettings.h"
#include "sim/WallTexture.h"

#include <cstdint>
#include <span>
#include <vector>

namespace zarn::sim {

class Borehole {
public:
    // Texture columns once around the hole; the texture is fixed to the rock, so every image
    // width shows the same wall.
    static constexpr int TextureWidth = 720;

    Borehole(const BoreholeSettings& settings, double inclination, double azimuth);

    // The wall's colour, (R << 16) | (G << 8) | B, at a depth and wall angle.
    std::uint32_t wallPixel(double depth, double beta) const;
    // One row of `row.size()` pixels as the camera films it at a depth: column j looks
    // j x 360 / W degrees from the sonde's Z axis, and the high side lies `roll` degrees from Z.
    void filmRow(double depth, double roll, std::span<std::uint32_t> row) const;

    // The depth at which a plane meets the wall at angle beta.
    double traceDepth(const FracturePlane& plane, double beta) const;

    double gammaRate(double depth) const;   // counts per second
    double temperature(double depth) const; // degrees Celsius

    const HoleFrame& frame() const { return frame_; }
    double radius() const { return radius_; } // m

private:
    struct Plane {
        double depth;     // where it crosses the axis
        double alongHigh; // n . high / n . down
        double alongRight;
        double amplitude; // m, half the height of its trace
        double halfWidth; // m, along the hole
    };
    Plane planeOf(double depth, double dip, double dipDirection, double aperture) const;
    double offsetOf(const Plane& plane, double cosBeta, double sinBeta) const;
    double noise1(double x, std::uint64_t octave) const;

    BoreholeSettings settings_;
    HoleFrame frame_;
    double azimuth_;
    double radius_;
    double texturePitch_; // m of depth per texture row
    WallTexture texture_;
    Plane bedding_;
    std::vector<Plane> fractures_; // sorted by depth
    double reach_ = 0;             // m, farthest any trace strays from its axis crossing
};

} // namespace zarn::sim
