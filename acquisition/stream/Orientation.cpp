#include "acquisition/stream/Orientation.h"

#include "platform/Format.h"

#include <algorithm>
#include <cmath>

namespace zarn {
namespace {

// acos gives radians; the sonde's angles are converted to degrees with this value of pi.
constexpr double Pi = 3.1415926535;
// Degrees per radian of the angle between the fields.
constexpr double FieldAngleDegreesPerRadian = 57.29577951471995;

// Rounding can carry a cosine a hair beyond +-1, where acos has no value.
double clampedAcos(double value) {
    return std::acos(std::clamp(value, -1.0, 1.0));
}

double acosDegrees(double value) {
    return clampedAcos(value) * 180.0 / Pi;
}

// Brings an angle into [0, 360); one that is not finite stays so. Within one turn of that
// range this is the single addition or subtraction of 360; an angle farther out (a declination or
// image offset beyond one turn) is brought in as well, so no user ever sees one outside the range.
double wrapDegrees(double angle) {
    double wrapped = std::fmod(angle, 360.0);
    if (wrapped < 0) {
        wrapped += 360.0;
    }
    // A tiny negative angle becomes exactly 360 after the addition.
    if (wrapped >= 360.0) {
        wrapped -= 360.0;
    }
    return wrapped + 0.0; // never -0, which would print as "-0.0"
}

double length(const std::array<double, 3>& v) {
    return std::hypot(v[0], v[1], v[2]);
}

// Stores a computed output. A value that is not finite (raw values near the top of the double
// range overflow, a declination or image offset that is not a number) is never stored: the
// computation stops there and the output keeps its previous value.
[[nodiscard]] bool assign(double& output, double value) {
    if (!std::isfinite(value)) {
        return false;
    }
    output = value;
    return true;
}

int stop(OrientationResult& result) {
    result.Validity = OrientationStatus::StoppedEarly;
    return result.Validity;
}

void markNoData(OrientationResult& result) {
    result.GX = result.GY = result.GZ = OrientationNoData;
    result.HX = result.HY = result.HZ = OrientationNoData;
    result.Roll = OrientationNoData;
    result.MagneticRoll = OrientationNoData;
    result.Inclination = OrientationNoData;
    result.Azimuth = OrientationNoData;
    result.TotalGravity = OrientationNoData;
    result.TotalMagnetic = OrientationNoData;
}

} // namespace

double AngleFull(double x, double y) {
    const double a = acosDegrees(y);
    return (x > 0 || a == 0) ? a : 360.0 - a;
}

double AngleHalf(double x, double y) {
    const double a = acosDegrees(y);
    return (x > 0 || a == 0) ? 180.0 + a : 180.0 - a;
}

double AngleFromVertical(double y) {
    return 180.0 - acosDegrees(y);
}

double AngleBetween(const std::array<double, 3>& u, const std::array<double, 3>& v) {
    const double lu = length(u);
    const double lv = length(v);
    if (lu == 0 || lv == 0) {
        return OrientationNoFieldAngle;
    }
    double cosine = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        cosine += (u[i] / lu) * (v[i] / lv);
    }
    return clampedAcos(cosine) * FieldAngleDegreesPerRadian;
}

int OrientedFormula(const OrientationInputs& in, OrientationResult& result) {
    const std::array<double, 3> g{in.GX, in.GY, in.GZ};
    const std::array<double, 3> h{in.HX, in.HY, in.HZ};

    // No sensor data. A value that is not a number cannot be computed with either.
    const auto finite = [](double v) { return std::isfinite(v); };
    if (!std::all_of(g.begin(), g.end(), finite) || !std::all_of(h.begin(), h.end(), finite) ||
        in.GX <= OrientationNoSensorLimit) {
        markNoData(result);
        return stop(result);
    }

    result.GX = in.GX;
    result.GY = in.GY;
    result.GZ = in.GZ;
    result.HX = in.HX;
    result.HY = in.HY;
    result.HZ = in.HZ;

    // Sonde along the vertical: neither roll nor heading is defined.
    const double gyz = std::hypot(in.GY, in.GZ);
    if (gyz == 0) {
        return stop(result);
    }
    if (!assign(result.FieldAngle, AngleBetween(g, h)) ||
        !assign(result.Roll, AngleFull(in.GY / gyz, in.GZ / gyz))) {
        return stop(result);
    }

    const double hyz = std::hypot(in.HY, in.HZ);
    if (hyz == 0 || !assign(result.MagneticRoll, AngleFull(-in.HY / hyz, -in.HZ / hyz))) {
        return stop(result);
    }

    const double gTotal = length(g);
    if (gTotal == 0 || !assign(result.Inclination, AngleFromVertical(in.GX / gTotal))) {
        return stop(result);
    }

    // Heading: the magnetic field turned into the horizontal plane of the sonde.
    const double scale = gTotal * gyz;
    if (scale == 0) {
        return stop(result);
    }
    const double x = (in.GY * in.HZ - in.GZ * in.HY) / gyz;
    const double y =
        ((in.GY * in.GY + in.GZ * in.GZ) * in.HX - in.GX * (in.GY * in.HY + in.GZ * in.HZ)) / scale;
    const double n = std::hypot(x, y);
    if (n == 0 || !assign(result.Azimuth, wrapDegrees(AngleHalf(x / n, y / n) + in.Declination))) {
        return stop(result);
    }

    if (!assign(result.TotalGravity, gTotal / 10000.0) ||
        !assign(result.TotalMagnetic, length(h) / 10000.0)) {
        return stop(result);
    }

    // Angle of the reference from the sonde's image start.
    double theta = 0; // "None" and any mode this system does not know
    if (in.Mode == OrientationModes::MagneticNorth) {
        theta = wrapDegrees(result.Roll - result.Azimuth);
    } else if (in.Mode == OrientationModes::HighSide) {
        theta = result.Roll;
    }
    if (!assign(result.OrientedAngle, wrapDegrees(360.0 - theta + in.ImageOffset))) {
        return stop(result);
    }

    if (in.Texts) {
        result.InclinationText = format("%5.1f", result.Inclination);
        result.AzimuthText = format("%5.1f", result.Azimuth);
    }
    result.Validity = OrientationStatus::Complete;
    return result.Validity;
}

int OrientedFormula(double gx, double gy, double gz, double hx, double hy, double hz,
                    OrientationResult& result, int orientationMode, double declination,
                    double imageOffset) {
    return OrientedFormula(
        OrientationInputs{gx, gy, gz, hx, hy, hz, orientationMode, declination, imageOffset, true},
        result);
}

} // namespace zarn
