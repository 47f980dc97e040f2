#include "sim/OrientationSensors.h"

#include "sim/HoleFrame.h"

#include <cmath>

namespace zarn::sim {

OrientationSensors::OrientationSensors(double fieldNanotesla, double dipDegrees)
    : fieldCounts_(fieldNanotesla * CountsPerNanotesla), dip_(dipDegrees) {}

SensorReadings OrientationSensors::read(double inclination, double azimuth, double roll) const {
    const HoleFrame hole = HoleFrame::of(inclination, azimuth);
    const double r = radians(roll);
    const Vec3 x = hole.down;
    const Vec3 z = std::cos(r) * hole.high - std::sin(r) * hole.right;
    const Vec3 y = std::sin(r) * hole.high + std::cos(r) * hole.right;
    const Vec3 up{0, 0, -1};
    const double d = radians(dip_);
    const Vec3 field{std::cos(d), 0, std::sin(d)};
    SensorReadings s;
    s.gx = CountsPerG * dot(up, x);
    s.gy = CountsPerG * dot(up, y);
    s.gz = CountsPerG * dot(up, z);
    s.hx = -fieldCounts_ * dot(field, x);
    s.hy = -fieldCounts_ * dot(field, y);
    s.hz = -fieldCounts_ * dot(field, z);
    return s;
}

} // namespace zarn::sim
