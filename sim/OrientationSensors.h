// What the sonde's accelerometer (G) and magnetometer (H) read in a given pose, in the counts the
// sonde sends: 10000 counts per g, and 10000 counts per gauss (0.1 count per nanotesla), so that
// the program's field totals read about 1.0 and 0.5.
//
// Sensor axes: X runs along the sonde towards the bottom of the hole; Z and Y lie across it, Y a
// quarter turn clockwise from Z looking down the hole. The accelerometer reads the reaction to
// gravity (straight up, so X reads -1 g in a vertical hole); the magnetometer's axes are mounted
// reversed, so it reads the opposite of the Earth's field. Roll is the angle of the high side
// measured from Z towards Y; the camera's pixel columns run the same way (column j looks at
// j x 360 / W degrees from Z), so the high side is filmed at column roll x W / 360.
#pragma once

namespace zarn::sim {

struct SensorReadings {
    double gx = 0, gy = 0, gz = 0;
    double hx = 0, hy = 0, hz = 0;
};

class OrientationSensors {
public:
    static constexpr double CountsPerG = 10000.0;
    static constexpr double CountsPerNanotesla = 0.1;

    // The Earth's field: its strength in nanotesla and its dip below the horizontal (positive
    // downward, as in the northern hemisphere), pointing to magnetic north.
    OrientationSensors(double fieldNanotesla, double dipDegrees);

    // Inclination from the vertical, magnetic azimuth of the hole and roll of the sonde, in
    // degrees.
    SensorReadings read(double inclination, double azimuth, double roll) const;

private:
    double fieldCounts_;
    double dip_;
};

} // namespace zarn::sim
