#include "sim/Winch.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zarn::sim {

Winch::Winch(double startDepth, double endDepth, double speedMetresPerMinute)
    : startDepth_(startDepth), endDepth_(endDepth), speed_(std::max(0.0, speedMetresPerMinute)) {}

void Winch::start(double t) {
    if (started_)
        return;
    started_ = true;
    startTime_ = t;
}

double Winch::travelTime() const {
    if (speed_ <= 0)
        return std::numeric_limits<double>::infinity();
    return std::abs(endDepth_ - startDepth_) / speed_ * 60.0;
}

double Winch::elapsed(double t) const {
    if (!started_ || t <= startTime_)
        return 0;
    return std::min(t - startTime_, travelTime());
}

double Winch::depthAt(double t) const {
    const double travelled = speed_ * elapsed(t) / 60.0;
    return endDepth_ >= startDepth_ ? startDepth_ + travelled : startDepth_ - travelled;
}

double Winch::speedAt(double t) const {
    if (!started_ || t < startTime_ || t >= startTime_ + travelTime() || speed_ <= 0)
        return 0;
    return endDepth_ >= startDepth_ ? speed_ : -speed_;
}

} // namespace zarn::sim
