#include "acquisition/export/LasGridPass.h"

#include "acquisition/export/ExportRecordReader.h"
#include "acquisition/logfiles/LogRecord.h"
#include "acquisition/stream/Orientation.h"
#include "platform/Format.h"

#include <algorithm>
#include <array>

namespace zarn {

namespace {

// Records between two progress reports.
constexpr long long ProgressRecords = 200;

// A depth in 0.1 mm rounded to whole millimetres (half away from zero).
long long toWholeMillimetres(long long units) {
    return (units >= 0 ? (units + 5) / 10 : (units - 5) / 10) * 10;
}

// The sums of the records added since the last grid depth.
struct Sums {
    long long count = 0;
    double speed = 0, gamma = 0;
    long long rawCount = 0; // records with sensor data
    double gx = 0, gy = 0, gz = 0, hx = 0, hy = 0, hz = 0;
};

// The seven orientation values of a grid record, in its order.
struct Orientation7 {
    double azimuth, inclination, roll, magneticRoll, totalGravity, hgDelta, totalMagnetic;
};

double present(double value) {
    return value == OrientationNoData || !std::isfinite(value) ? LasNull : value;
}

} // namespace

LasGridResult LasGridPass::run(LasGridFile& file, Progress& progress, double progressShare) const {
    LasGridResult result;
    progress.stage(StageText);
    ExportRecordReader reader(source.files, ExportRecordReader::Read::HeadsOnly);
    const HeaderInfo& info = source.info;
    const long long direction = down ? 1 : -1;
    const double gammaCoefficient = info.GammaCoef;

    Sums sums;
    OrientationResult orientation;
    Orientation7 lastValid{};
    bool haveLastValid = false;
    LasGridRecord previous;
    bool havePrevious = false;
    long long g = 0;      // the grid depth ahead, ticks
    long long gUnits = 0; // and in 0.1 mm
    bool started = false;
    long long skipped = 0;

    const auto metres = [&](long long ticks) {
        return static_cast<double>(grid.unitsOf(ticks)) / logrecord::DepthUnitsPerMetre;
    };
    const auto fail = [&](std::string message) {
        result.outcome = LasPassOutcome::Failed;
        result.message = std::move(message);
        result.notes = reader.notes();
        return result;
    };

    // The grid record of g from the sums, written to the file.
    const auto close = [&]() -> bool {
        LasGridRecord record;
        if (sums.count == 0 && havePrevious) {
            record = previous;
        } else if (sums.count > 0) {
            const double k = static_cast<double>(sums.count);
            record.speed = sums.speed / k;
            record.gamma = sums.gamma / k;
            if (sums.rawCount > 0) {
                const double r = static_cast<double>(sums.rawCount);
                record.GX = sums.gx / r;
                record.GY = sums.gy / r;
                record.GZ = sums.gz / r;
                record.HX = sums.hx / r;
                record.HY = sums.hy / r;
                record.HZ = sums.hz / r;
                const OrientationInputs inputs{record.GX,
                                               record.GY,
                                               record.GZ,
                                               record.HX,
                                               record.HY,
                                               record.HZ,
                                               info.OrientationMode,
                                               info.MagneticDeclination,
                                               info.ImageOffset,
                                               false}; // no read-out texts
                const int status = OrientedFormula(inputs, orientation);
                Orientation7 values{};
                bool valid = false;
                if (status == OrientationStatus::Complete) {
                    values = {present(orientation.Azimuth),
                              present(orientation.Inclination),
                              present(orientation.Roll),
                              present(orientation.MagneticRoll),
                              present(orientation.TotalGravity),
                              orientation.FieldAngle == OrientationNoFieldAngle
                                  ? LasNull
                                  : present(orientation.FieldAngle),
                              present(orientation.TotalMagnetic)};
                    lastValid = values;
                    haveLastValid = true;
                    valid = true;
                } else if (haveLastValid) {
                    values = lastValid;
                    valid = true;
                }
                const bool allZero = values.azimuth == 0 && values.inclination == 0 &&
                                     values.roll == 0 && values.magneticRoll == 0 &&
                                     values.totalGravity == 0 && values.hgDelta == 0 &&
                                     values.totalMagnetic == 0;
                if (valid && !allZero) {
                    record.azimuth = values.azimuth;
                    record.inclination = values.inclination;
                    record.roll = values.roll;
                    record.magneticRoll = values.magneticRoll;
                    record.totalGravity = values.totalGravity;
                    record.hgDelta = values.hgDelta;
                    record.totalMagnetic = values.totalMagnetic;
                }
            }
        }
        record.cameraDepth = metres(g);
        record.gridDepth = record.cameraDepth;
        record.deviationDepth = metres(g - deviationSteps * stepTicks);
        record.gammaDepth = metres(g - (deviationSteps + gammaSteps) * stepTicks);
        record.unused1 = 0;
        record.unused2 = 0;
        previous = record;
        havePrevious = true;
        sums = Sums{};
        if (result.count == 0)
            result.firstTick = g;
        ++result.count;
        g += direction * stepTicks;
        gUnits = grid.unitsOf(g);
        return file.append(record);
    };

    for (long long n = 1; reader.next(); ++n) {
        if (progress.cancelled()) {
            result.outcome = LasPassOutcome::Cancelled;
            result.notes = reader.notes();
            return result;
        }
        if (n % ProgressRecords == 0)
            progress.fraction(progressShare * static_cast<double>(reader.bytesRead()) /
                              static_cast<double>(std::max<std::uint64_t>(reader.totalBytes(), 1)));
        const std::span<const std::uint8_t> head = reader.record();
        const long long e = toWholeMillimetres(frame::s32(head, logrecord::ImageDepth));
        if (!started) {
            g = down ? grid.ceilTicks(e, stepTicks) : grid.floorTicks(e, stepTicks);
            gUnits = grid.unitsOf(g);
            started = true;
        }
        // Behind the grid depth before g: depths already written.
        if (direction * (e - grid.unitsOf(g - direction * stepTicks)) <= 0) {
            ++skipped;
            continue;
        }
        if (direction * (e - gUnits) > 0) {
            if (grid.stepsIn(direction * (e - gUnits), stepTicks) >= LargestGap)
                return fail(GapText);
            while (direction * (e - gUnits) > 0)
                if (!close())
                    return fail(LasGridFile::CreateErrorText);
        }
        ++sums.count;
        sums.speed += logrecord::speedOf(head) / logrecord::SpeedUnitsPerMetrePerMinute;
        sums.gamma += frame::u16(head, logrecord::GammaCount) * gammaCoefficient;
        const double gx = frame::s16(head, logrecord::GX);
        if (gx > OrientationNoSensorLimit) {
            ++sums.rawCount;
            sums.gx += gx;
            sums.gy += frame::s16(head, logrecord::GY);
            sums.gz += frame::s16(head, logrecord::GZ);
            sums.hx += frame::s16(head, logrecord::HX);
            sums.hy += frame::s16(head, logrecord::HY);
            sums.hz += frame::s16(head, logrecord::HZ);
        }
        if (e == gUnits && !close())
            return fail(LasGridFile::CreateErrorText);
    }
    result.notes = reader.notes();
    if (skipped > 0)
        result.notes.push_back(
            format("%lld record(s) behind the depths already written (the sonde went back) "
                   "were left out",
                   skipped));
    if (reader.troubleOpening())
        return fail(TroubleOpeningText);
    if (!file.finish())
        return fail(LasGridFile::CreateErrorText);
    if (result.count == 0)
        return fail(ExportSourceText::NotEnoughData);
    result.outcome = LasPassOutcome::Done;
    return result;
}

} // namespace zarn
