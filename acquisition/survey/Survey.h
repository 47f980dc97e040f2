// The deviation survey of a recorded log: every record carries the sonde's accelerometer and
// magnetometer values, so the log itself says where the hole goes. Stations lie every `step`
// along the hole (from the start of the range on); each is the robust average of the valid
// records within half a step of it: the median inclination, and the azimuth as the median
// angle around the records' mean direction (so that 359 and 1 degrees average to 0), taken over
// a sample of at most 16 records spread evenly over the station's stretch (so that a station's
// work does not grow with its records). Records without sensor data, or whose orientation could
// not be computed, never count; a station with fewer than the minimum of records is reported as
// such, not invented.
//
// Depths are those of the deviation sensor: the logger depth less the sensor's offset in the
// sonde (the header's "DeviationOffset"). Azimuths include the log's magnetic declination
// ("MagneticDeclination" of its header): referred to true north when one was set, to magnetic
// north when it is 0.
#pragma once

#include "acquisition/export/ExportSource.h"
#include "acquisition/survey/MinimumCurvature.h"
#include "platform/Progress.h"

#include <optional>
#include <string>
#include <vector>

namespace zarn {

struct SurveyOptions {
    double step = 1.0;              // m between stations
    std::optional<double> from, to; // m; the log's span by default
    int minimumRecords = 3;
};

struct SurveyStation {
    SurveyDirection direction; // md: the station's depth, m
    int records = 0;           // records with sensor data behind it
    bool valid = false;        // enough records
};

struct SurveyResult {
    std::vector<SurveyStation> stations;
    long long records = 0;      // records read
    long long validRecords = 0; // of them with sensor data
    double declination = 0;     // degrees added to the magnetic azimuths
    bool cancelled = false;
    std::string problem; // why there is no survey
};

[[nodiscard]] SurveyResult surveyStations(const ExportSource& source, const SurveyOptions& options,
                                          Progress& progress = noProgress());

// The valid stations as directions for the minimum curvature method.
std::vector<SurveyDirection> validDirections(const SurveyResult& survey);

} // namespace zarn
