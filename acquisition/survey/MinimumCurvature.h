// The path of a borehole from its survey stations by the minimum curvature method: between two
// stations the hole is taken as a circular arc through both directions, so that
//   cos(DL) = cos(I2 - I1) - sin I1 sin I2 (1 - cos(A2 - A1))      (the dogleg angle)
//   RF = 2 / DL tan(DL / 2)   (1 for a straight section, its limit as DL goes to 0)
//   dN = dMD / 2 (sin I1 cos A1 + sin I2 cos A2) RF
//   dE = dMD / 2 (sin I1 sin A1 + sin I2 sin A2) RF
//   dTVD = dMD / 2 (cos I1 + cos I2) RF
// with I the inclination from the vertical and A the azimuth from north. The first station is
// the origin (north, east 0, true vertical depth its measured depth).
#pragma once

#include <vector>

namespace zarn {

// One station's measured depth and direction, degrees.
struct SurveyDirection {
    double md = 0;
    double inclination = 0;
    double azimuth = 0;
};

struct SurveyPoint {
    SurveyDirection at;
    double tvd = 0;
    double north = 0;
    double east = 0;
    double dogleg = 0;          // degrees between this station and the one before
    double doglegSeverity = 0;  // degrees per severity length (30 m, or 100 ft)
    double verticalSection = 0; // along the section azimuth
    double closureDistance = 0;
    double closureAzimuth = 0; // degrees, 0 to 360
};

// The points of the stations in order of measured depth. severityLength: 30 in metres, 100 in
// feet (the depths' unit). Two stations at the same depth give a dogleg severity of 0.
std::vector<SurveyPoint> minimumCurvature(const std::vector<SurveyDirection>& stations,
                                          double sectionAzimuth, double severityLength);

} // namespace zarn
