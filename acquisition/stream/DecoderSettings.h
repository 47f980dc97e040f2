// The settings the frame decoder reads on every frame, as one small plain record. The owner of
// the configuration publishes a new copy whenever one of them changes (configuration loaded,
// winch or camera settings changed, sonde selected, replay started or stopped); the decoder
// takes one snapshot per frame, so a frame is decoded with one consistent set of settings.
#pragma once

#include "acquisition/app/SettingsRecords.h"
#include "acquisition/app/SondeTable.h"

#include <cstdint>

namespace zarn {

struct DecoderSettings {
    std::uint8_t shutter = 10;          // configured "Shutter", 1 to 24
    std::int32_t orientationMode = 0;   // "OrientationMode": 0 none, 1 magnetic north, 2 high side
    double magneticOffset = 0.0;        // "MagneticOffset", degrees
    double wheelValue = 500.0;          // "PulleysDiameter" / 10
    std::int32_t pulsResolution = 1000; // "PulsResolution"
    double depthScale = 0.0;            // encoder counts per centimetre (winch settings)
    std::uint8_t viewMode = 0;          // 0 circle, 1 to 3 the calibration views
    double cameraOffset = 8.0;          // selected sonde, cm
    double gammaCoefficient = 1.0;      // selected sonde
    double imageOffset = 0.0;           // selected sonde, degrees
    bool replayRunning = false;

    static DecoderSettings from(const Configuration& configuration, const SelectedSonde& sonde,
                                bool replayRunning);
    bool operator==(const DecoderSettings&) const = default;
};

} // namespace zarn
