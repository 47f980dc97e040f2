// Orientation of the sonde from one set of raw sensor values: the three-axis accelerometer (G)
// and magnetometer (H), whose X axis lies along the sonde. OrientedFormula gives the borehole
// inclination, the magnetic azimuth, the gravity roll (high side), the magnetic roll, the field
// totals, the angle between the two fields, and the angle by which the image rows are shifted so
// that they start at the chosen reference.
//
// The computation is a pure function of its inputs and of the previous result: when it stops
// early, the outputs it did not reach keep the values the caller's OrientationResult already
// holds. The caller owns that result (the live decoder keeps one per measurement record; an
// export keeps its own while it walks a log) and must pass the same object on every call. Every
// value it stores is finite, so the oriented angle can go straight to an index computation.
#pragma once

#include "acquisition/stream/FixedText.h"

#include <array>
#include <string>

namespace zarn {

// Marks missing sonde data, in the raw values and in the outputs.
inline constexpr double OrientationNoData = -99999.0;

// A GX at or below this means the frame carried no sensor data (decoders pass OrientationNoData).
inline constexpr double OrientationNoSensorLimit = -32767.0;

// What AngleBetween gives when one of the vectors has zero length.
inline constexpr double OrientationNoFieldAngle = -999.0;

// The reference the image rows start at ("OrientationMode").
namespace OrientationModes {
inline constexpr int None = 0;
inline constexpr int MagneticNorth = 1;
inline constexpr int HighSide = 2;
} // namespace OrientationModes

// Result codes of OrientedFormula, kept by the caller as the orientation validity flag.
namespace OrientationStatus {
inline constexpr int Complete = 0;     // every output was computed
inline constexpr int StoppedEarly = 1; // the outputs not reached keep their previous values
} // namespace OrientationStatus

struct OrientationInputs {
    // Raw counts.
    double GX = 0, GY = 0, GZ = 0;
    double HX = 0, HY = 0, HZ = 0;
    int Mode = OrientationModes::None;
    double Declination = 0; // degrees, added to the magnetic heading
    double ImageOffset = 0; // degrees, the sonde's image offset (0 to 359.9)
    // The read-out texts of inclination and azimuth are made; an export that needs only the
    // numbers leaves them as they are.
    bool Texts = true;
};

// Every output of the computation, named as in the orientation group of the measurement record.
// Angles in degrees.
struct OrientationResult {
    double GX = 0, GY = 0, GZ = 0; // raw values as received
    double HX = 0, HY = 0, HZ = 0;
    double Roll = 0; // gravity roll (high-side angle), 0 <= value < 360
    double MagneticRoll = 0;
    double Inclination = 0;        // angle of the sonde axis from the vertical
    FixedText<31> InclinationText; // "%5.1f"
    double Azimuth = 0;            // magnetic heading plus declination, 0 <= value < 360
    FixedText<31> AzimuthText;     // "%5.1f"
    double TotalGravity = 0;       // |G| / 10000
    double TotalMagnetic = 0;      // |H| / 10000
    double FieldAngle = 0;         // angle between G and H; OrientationNoFieldAngle without one
    double OrientedAngle = 0;      // row shift of the image row builder, 0 <= value < 360
    int Validity = OrientationStatus::StoppedEarly; // the last result code
};

// Angle functions on the C library's acos, degrees. Arguments of acos are clamped to [-1, 1].
// With x the sine and y the cosine of an angle, AngleFull gives that angle in [0, 360).
double AngleFull(double x, double y);
// 180 + acos(y) when x > 0 or acos(y) = 0, else 180 - acos(y).
double AngleHalf(double x, double y);
// 180 - acos(y).
double AngleFromVertical(double y);
// Angle between two vectors (x, y, z); OrientationNoFieldAngle when either has zero length.
double AngleBetween(const std::array<double, 3>& u, const std::array<double, 3>& v);

// Fills result from the inputs and returns its new Validity (an OrientationStatus). Raw values
// that are missing (GX at or below OrientationNoSensorLimit) or not finite mark the result as
// no data: raw values, Roll, MagneticRoll, Inclination, Azimuth and the totals become
// OrientationNoData; FieldAngle, OrientedAngle and the texts keep their values.
int OrientedFormula(const OrientationInputs& inputs, OrientationResult& result);

// The same in the argument order the decoders use.
int OrientedFormula(double gx, double gy, double gz, double hx, double hy, double hz,
                    OrientationResult& result, int orientationMode, double declination,
                    double imageOffset);

} // namespace zarn
