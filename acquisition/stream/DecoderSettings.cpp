#include "acquisition/stream/DecoderSettings.h"

namespace zarn {

DecoderSettings DecoderSettings::from(const Configuration& configuration,
                                      const SelectedSonde& sonde, bool replayRunning) {
    const LoggerParameters& logger = configuration.logger;
    DecoderSettings s;
    s.shutter = logger.shutter;
    s.orientationMode = logger.orientationMode;
    s.magneticOffset = logger.magneticOffset;
    s.wheelValue = configuration.program.wheelCircumferenceMm;
    s.pulsResolution = logger.pulsesPerTurn;
    s.depthScale = logger.depthScale;
    s.viewMode = logger.viewMode;
    s.cameraOffset = sonde.cameraOffset;
    s.gammaCoefficient = sonde.gammaCoefficient;
    s.imageOffset = sonde.imageOffset;
    s.replayRunning = replayRunning;
    return s;
}

} // namespace zarn
