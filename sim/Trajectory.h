// The path of the simulated hole: its inclination and azimuth along the hole. The hole starts in
// the direction of [Sonde] Inclination and Azimuth; over a build section the inclination changes
// by a set angle at a constant rate per metre (BuildFrom to BuildTo, BuildBy degrees, negative
// to drop), and over a turn the azimuth does (TurnFrom to TurnTo, TurnBy degrees, clockwise when
// positive, so that a turn may pass through north). Without them the hole is straight. The two
// sections may overlap.
//
// The sonde's orientation sensors read the direction at their own depth: DeviationOffset above
// the sonde's depth reference. The wall the camera films is drawn as that of the straight hole
// of the starting direction.
#pragma once

#include "sim/SimulatorSettings.h"

namespace zarn::sim {

class Trajectory {
public:
    explicit Trajectory(const SondeSettings& settings);

    // Degrees from the vertical, 0 to 180, at a depth along the hole (m).
    double inclinationAt(double depth) const;
    // Degrees clockwise from magnetic north, 0 to 360.
    double azimuthAt(double depth) const;

private:
    // The part of a section passed at a depth: 0 before it, 1 after it.
    static double passed(double depth, double from, double to);

    SondeSettings settings_;
};

} // namespace zarn::sim
