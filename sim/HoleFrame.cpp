#include "sim/HoleFrame.h"

#include <cmath>
#include <numbers>

namespace zarn::sim {

Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.east * b.down - a.down * b.east, a.down * b.north - a.north * b.down,
            a.north * b.east - a.east * b.north};
}

double radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

double degrees(double radians) {
    return radians * 180.0 / std::numbers::pi;
}

double wrap360(double degrees) {
    double a = std::fmod(degrees, 360.0);
    if (a < 0)
        a += 360.0;
    return a >= 360.0 ? 0.0 : a;
}

HoleFrame HoleFrame::of(double inclinationDegrees, double azimuthDegrees) {
    const double i = radians(inclinationDegrees);
    const double a = radians(azimuthDegrees);
    HoleFrame f;
    f.down = {std::sin(i) * std::cos(a), std::sin(i) * std::sin(a), std::cos(i)};
    f.high = {std::cos(i) * std::cos(a), std::cos(i) * std::sin(a), -std::sin(i)};
    f.right = cross(f.down, f.high);
    return f;
}

Vec3 HoleFrame::wall(double betaDegrees) const {
    const double b = radians(betaDegrees);
    return std::cos(b) * high + std::sin(b) * right;
}

Vec3 planeNormal(double dipDegrees, double dipDirectionDegrees) {
    const double d = radians(dipDegrees);
    const double a = radians(dipDirectionDegrees);
    return {std::sin(d) * std::cos(a), std::sin(d) * std::sin(a), -std::cos(d)};
}

} // namespace zarn::sim
