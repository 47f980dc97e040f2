// Directions around a straight stretch of borehole, in the Earth's north / east / down axes.
//
// A hole of inclination i (degrees from the vertical) heading towards azimuth A (degrees
// clockwise from north) runs down along `down`. `high` is the high side of its cross-section
// (the wall direction that points most upward; for a vertical hole, the direction A), and
// `right` is a quarter turn clockwise from it as seen looking down the hole. A wall direction is
// given by its angle from the high side, clockwise looking down the hole.
#pragma once

namespace zarn::sim {

struct Vec3 {
    double north = 0, east = 0, down = 0;
};

inline double dot(const Vec3& a, const Vec3& b) {
    return a.north * b.north + a.east * b.east + a.down * b.down;
}
Vec3 cross(const Vec3& a, const Vec3& b);
inline Vec3 operator*(double s, const Vec3& v) {
    return {s * v.north, s * v.east, s * v.down};
}
inline Vec3 operator+(const Vec3& a, const Vec3& b) {
    return {a.north + b.north, a.east + b.east, a.down + b.down};
}
inline Vec3 operator-(const Vec3& a, const Vec3& b) {
    return {a.north - b.north, a.east - b.east, a.down - b.down};
}

double radians(double degrees);
double degrees(double radians);
// An angle brought into [0, 360).
double wrap360(double degrees);

struct HoleFrame {
    Vec3 down;  // along the hole, towards its bottom
    Vec3 high;  // high side of the cross-section
    Vec3 right; // a quarter turn clockwise from the high side, looking down the hole

    static HoleFrame of(double inclinationDegrees, double azimuthDegrees);
    // The unit wall direction at `beta` degrees from the high side, clockwise looking down.
    Vec3 wall(double betaDegrees) const;
};

// A plane given the way geologists give it: dip below the horizontal and the azimuth of the
// steepest way down, both in degrees. The normal points up (towards the plane's upper side).
Vec3 planeNormal(double dipDegrees, double dipDirectionDegrees);

} // namespace zarn::sim
