#include "acquisition/displays/DeviationData.h"

#include "platform/Format.h"

namespace zarn {

DeviationData::Texts DeviationData::textsOf(const OrientationResult& o) {
    const auto whole = [](double value) { return format("%d", saturatedTrunc<int>(value)); };
    return {whole(o.HX),
            whole(o.HY),
            whole(o.HZ),
            whole(o.GX),
            whole(o.GY),
            whole(o.GZ),
            format("%6.2f", o.Roll),
            format("%6.2f", o.MagneticRoll),
            format("%5.1f", o.Azimuth),
            format("%6.2f", o.Inclination),
            format("%6.3f", o.TotalGravity),
            format("%6.3f", o.TotalMagnetic)};
}

DeviationData::Texts DeviationData::cleared() {
    Texts texts;
    texts.fill("-");
    return texts;
}

} // namespace zarn
