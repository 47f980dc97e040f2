#include "acquisition/survey/Survey.h"

#include "acquisition/export/ExportRecordReader.h"
#include "acquisition/logfiles/LogRecord.h"
#include "acquisition/stream/Orientation.h"
#include "platform/Format.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zarn {

namespace {

constexpr double Radians = std::numbers::pi / 180.0;

double median(std::vector<double>& values) {
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle),
                     values.end());
    const double upper = values[middle];
    if (values.size() % 2 == 1)
        return upper;
    const double lower =
        *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle));
    return (lower + upper) / 2;
}

// The median azimuth around the mean direction of a set of azimuths, degrees 0 to 360.
double medianAzimuth(const std::vector<double>& azimuths, std::vector<double>& work) {
    double s = 0, c = 0;
    for (const double a : azimuths) {
        s += std::sin(a * Radians);
        c += std::cos(a * Radians);
    }
    const double mean = std::atan2(s, c) / Radians;
    work.clear();
    for (const double a : azimuths)
        work.push_back(std::remainder(a - mean, 360.0)); // -180 to 180 around the mean
    const double result = std::fmod(mean + median(work) + 720.0, 360.0);
    return result >= 360.0 ? result - 360.0 : result;
}

// What a station keeps: a bounded sample of its records' directions. Its stretch of the hole is cut
// into SamplesPerStation equal parts, and the first record of each part whose orientation can be
// computed is the part's sample; the others are counted only (their orientation is not computed).
// So a station keeps at most SamplesPerStation directions however many records it has (a sonde
// that stood still, a slow log), the sample is spread evenly over the stretch, and the median of
// it is the median of the records to well within the sensors' noise (a few hundredths of a
// degree; the station of a 1 m spacing has about 125 records at 8 mm a record, one in eight
// sampled). With a short spacing every record has a part of its own and all count.
constexpr int SamplesPerStation = 16;

struct StationSamples {
    int records = 0;         // with sensor data
    std::uint32_t taken = 0; // the parts that have their sample
    std::vector<double> inclinations, azimuths;
};
static_assert(SamplesPerStation <= 32, "a bit of `taken` for each part");

} // namespace

SurveyResult surveyStations(const ExportSource& source, const SurveyOptions& options,
                            Progress& progress) {
    SurveyResult result;
    result.declination = source.info.MagneticDeclination;
    const double step = std::fabs(options.step);
    if (!(step >= 0.01) || !std::isfinite(step)) {
        result.problem = "the station spacing must be at least 0.01 m";
        return result;
    }
    const double sensorOffset = source.info.DeviationOffset / 100.0; // cm in the header
    const double shallow = std::min(source.startDepth, source.endDepth) - sensorOffset;
    const double deep = std::max(source.startDepth, source.endDepth);
    const double from = options.from.value_or(shallow);
    const double to = options.to.value_or(deep);
    if (!(to > from)) {
        result.problem = format("the survey range %.2f m to %.2f m is empty", from, to);
        return result;
    }
    const auto count = static_cast<std::size_t>(std::floor((to - from) / step + 1e-9)) + 1;
    if (count > 1000000) {
        result.problem = "too many stations: choose a larger spacing or a shorter range";
        return result;
    }
    std::vector<StationSamples> samples(count);

    // The sensors are in the record heads: the payloads are skipped.
    ExportRecordReader reader(source.files, ExportRecordReader::Read::HeadsOnly);
    OrientationResult orientation;
    while (reader.next()) {
        if (progress.cancelled()) {
            result.cancelled = true;
            return result;
        }
        if (++result.records % 500 == 0)
            progress.fraction(static_cast<double>(reader.bytesRead()) /
                              static_cast<double>(std::max<std::uint64_t>(reader.totalBytes(), 1)));
        const std::span<const std::uint8_t> record = reader.record();
        if (frame::s16(record, logrecord::GX) <= OrientationNoSensorLimit)
            continue; // no sensor data
        ++result.validRecords;
        const double md = logrecord::loggerDepthOf(record) - sensorOffset;
        const double k = std::round((md - from) / step);
        if (k < 0 || k >= static_cast<double>(count))
            continue;
        const auto index = static_cast<std::size_t>(k);
        StationSamples& station = samples[index];
        ++station.records;
        // The part of the station's stretch the record lies in: the first record of each part
        // is its sample.
        const double within = (md - from) / step - k + 0.5; // 0 to 1 across the stretch
        const auto part = static_cast<unsigned>(
            std::clamp(within * SamplesPerStation, 0.0, SamplesPerStation - 1.0));
        if (station.taken & (1U << part))
            continue;
        const int status =
            OrientedFormula(logrecord::orientationInputsOf(record, source.info.OrientationMode,
                                                           source.info.MagneticDeclination,
                                                           source.info.ImageOffset),
                            orientation);
        if (status != OrientationStatus::Complete || orientation.Inclination == OrientationNoData ||
            orientation.Azimuth == OrientationNoData)
            continue; // the next record of this part may do
        station.taken |= 1U << part;
        station.inclinations.push_back(orientation.Inclination);
        station.azimuths.push_back(orientation.Azimuth);
    }
    if (result.validRecords == 0) {
        result.problem = "the log holds no record with orientation data";
        return result;
    }
    std::vector<double> work;
    for (std::size_t k = 0; k < count; ++k) {
        StationSamples& station = samples[k];
        SurveyStation out;
        out.direction.md = from + static_cast<double>(k) * step;
        out.records = station.records;
        out.valid =
            out.records >= std::max(1, options.minimumRecords) && !station.inclinations.empty();
        if (!station.inclinations.empty()) {
            out.direction.inclination = median(station.inclinations);
            out.direction.azimuth = medianAzimuth(station.azimuths, work);
        }
        result.stations.push_back(out);
    }
    progress.fraction(1.0);
    return result;
}

std::vector<SurveyDirection> validDirections(const SurveyResult& survey) {
    std::vector<SurveyDirection> directions;
    for (const SurveyStation& s : survey.stations)
        if (s.valid)
            directions.push_back(s.direction);
    return directions;
}

} // namespace zarn
