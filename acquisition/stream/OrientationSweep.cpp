#include "acquisition/stream/OrientationSweep.h"

#include <cmath>

namespace zarn {

namespace {

bool usable(double angle) {
    return std::isfinite(angle) && angle >= 0.0 && angle <= 360.0;
}

} // namespace

void OrientationSweep::begin(double target, bool withoutOrientation) {
    double a1 = target;
    if (a1 == 360.0)
        a1 = 0.0;
    if (firstPayload_) {
        firstPayload_ = false;
        // No angle reached yet to keep: an unusable first target starts the image unturned.
        current_ = usable(a1) ? a1 : 0.0;
        a1 = current_;
        step_ = 0.0;
    } else {
        if (!usable(a1))
            a1 = current_;
        // Crossing north, both ends are moved half a turn so that the step takes the short way.
        // Only the step comes from the moved ends: the rows go on from the angle reached.
        double to = a1;
        double from = current_;
        if (to < 90.0 && from > 270.0) {
            to += 180.0;
            from -= 180.0;
        } else if (to > 270.0 && from < 90.0) {
            to -= 180.0;
            from += 180.0;
        }
        step_ = (to - from) * 0.125;
    }
    target_ = a1;

    if (withoutOrientation) {
        firstPayload_ = true;
        current_ = 0.0;
        step_ = 0.0;
        target_ = 0.0;
    }
}

double OrientationSweep::nextRow() {
    current_ += step_;
    if (current_ >= 360.0)
        current_ -= 360.0;
    else if (current_ < 0.0)
        current_ += 360.0;
    return current_;
}

} // namespace zarn
