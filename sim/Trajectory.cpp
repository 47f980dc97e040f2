#include "sim/Trajectory.h"

#include "sim/HoleFrame.h"

#include <algorithm>

namespace zarn::sim {

Trajectory::Trajectory(const SondeSettings& settings) : settings_(settings) {}

double Trajectory::passed(double depth, double from, double to) {
    if (to <= from) // a section of no length is a step at its depth
        return depth < from ? 0.0 : 1.0;
    return std::clamp((depth - from) / (to - from), 0.0, 1.0);
}

double Trajectory::inclinationAt(double depth) const {
    const double built = settings_.buildBy * passed(depth, settings_.buildFrom, settings_.buildTo);
    return std::clamp(settings_.inclination + built, 0.0, 180.0);
}

double Trajectory::azimuthAt(double depth) const {
    const double turned = settings_.turnBy * passed(depth, settings_.turnFrom, settings_.turnTo);
    return wrap360(settings_.azimuth + turned);
}

} // namespace zarn::sim
