#include "acquisition/survey/MinimumCurvature.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zarn {

namespace {

constexpr double Radians = std::numbers::pi / 180.0;

double wrapped(double degrees) {
    const double a = std::fmod(degrees, 360.0);
    return a < 0 ? a + 360.0 : a;
}

} // namespace

std::vector<SurveyPoint> minimumCurvature(const std::vector<SurveyDirection>& stations,
                                          double sectionAzimuth, double severityLength) {
    std::vector<SurveyPoint> points;
    points.reserve(stations.size());
    const double sectionSin = std::sin(sectionAzimuth * Radians);
    const double sectionCos = std::cos(sectionAzimuth * Radians);
    for (std::size_t k = 0; k < stations.size(); ++k) {
        SurveyPoint p;
        p.at = stations[k];
        if (k == 0) {
            p.tvd = p.at.md;
        } else {
            const SurveyPoint& q = points.back();
            const double i1 = q.at.inclination * Radians;
            const double i2 = p.at.inclination * Radians;
            const double a1 = q.at.azimuth * Radians;
            const double a2 = p.at.azimuth * Radians;
            const double cosDl = std::clamp(std::cos(i2 - i1) - std::sin(i1) * std::sin(i2) *
                                                                    (1 - std::cos(a2 - a1)),
                                            -1.0, 1.0);
            const double dl = std::acos(cosDl);
            // The ratio factor tends to 1 as the dogleg vanishes; below a microradian its
            // series is 1 to well within a double.
            const double rf = dl < 1e-6 ? 1.0 + dl * dl / 12.0 : 2.0 / dl * std::tan(dl / 2.0);
            const double half = (p.at.md - q.at.md) / 2.0;
            p.north =
                q.north + half * (std::sin(i1) * std::cos(a1) + std::sin(i2) * std::cos(a2)) * rf;
            p.east =
                q.east + half * (std::sin(i1) * std::sin(a1) + std::sin(i2) * std::sin(a2)) * rf;
            p.tvd = q.tvd + half * (std::cos(i1) + std::cos(i2)) * rf;
            p.dogleg = dl / Radians;
            const double length = p.at.md - q.at.md;
            p.doglegSeverity = length > 0 ? p.dogleg * severityLength / length : 0.0;
        }
        p.verticalSection = p.north * sectionCos + p.east * sectionSin;
        p.closureDistance = std::hypot(p.north, p.east);
        p.closureAzimuth =
            p.closureDistance > 0 ? wrapped(std::atan2(p.east, p.north) / Radians) : 0.0;
        points.push_back(p);
    }
    return points;
}

} // namespace zarn
