// The winch: lowers or raises the sonde from a start depth to an end depth at a constant speed,
// from the moment it is started, and stops there.
#pragma once

namespace zarn::sim {

class Winch {
public:
    // Depths in metres (an end depth below the start means going down), speed in m/min.
    Winch(double startDepth, double endDepth, double speedMetresPerMinute);

    // Starts the travel at model time t (seconds); later calls do nothing.
    void start(double t);

    // Depth of the sonde's depth reference (m) at model time t.
    double depthAt(double t) const;
    // Speed at model time t in m/min: positive going down, negative going up, 0 at rest.
    double speedAt(double t) const;

private:
    double travelTime() const; // seconds from start to end
    double elapsed(double t) const;

    double startDepth_;
    double endDepth_;
    double speed_; // m/min, never negative
    bool started_ = false;
    double startTime_ = 0;
};

} // namespace zarn::sim
