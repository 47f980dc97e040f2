#include "acquisition/displays/ViewMeterModel.h"

#include <cmath>

namespace zarn {

bool ViewMeterModel::setValue(double degrees) {
    if (!(degrees >= 0.0 && degrees <= 360.0))
        return false;
    needleAngle_ = static_cast<int>(degrees + 270.0);
    if (needleAngle_ > 360)
        needleAngle_ -= 360;
    return true;
}

MeterPoint ViewMeterModel::needleEnd(int clientWidth) const {
    constexpr double RadiansPerDegree = 0.017453292;
    const double r = radiusOf(clientWidth);
    const double theta = needleAngle_ * RadiansPerDegree;
    return MeterPoint{r + std::cos(theta) * r, r + std::sin(theta) * r};
}

} // namespace zarn
