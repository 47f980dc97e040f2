#include "acquisition/export/LasExportJob.h"

#include "acquisition/export/PictureExportJob.h"
#include "acquisition/logfiles/LogRecord.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace zarn {

namespace {

constexpr std::array<LasInterval, 2> MetreIntervals{{{"1cm", 1}, {"5cm", 5}}};
constexpr std::array<LasInterval, 3> FeetIntervals{{{"1 \"", 1}, {"2 \"", 2}, {"4 \"", 4}}};

// The grid step of the range: 5 cm, 4 inches.
constexpr long long RangeStepMetres = 5;
constexpr long long RangeStepFeet = 4;

long long floorDiv(long long a, long long b) {
    const long long q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

long long ceilDiv(long long a, long long b) {
    return -floorDiv(-a, b);
}

long long metreUnits(double metres) {
    return std::llround(metres * logrecord::DepthUnitsPerMetre);
}

} // namespace

long long LasDepthGrid::unitsOf(long long ticks) const {
    return feet ? std::llround(static_cast<double>(ticks) * UnitsPerInch)
                : ticks * UnitsPerCentimetre;
}

double LasDepthGrid::depthOf(long long ticks) const {
    return static_cast<double>(ticks) / (feet ? 12.0 : 100.0);
}

long long LasDepthGrid::ceilTicks(long long units, long long step) const {
    long long t = 0;
    if (!feet) {
        t = ceilDiv(units, UnitsPerCentimetre);
    } else {
        t = static_cast<long long>(std::ceil(static_cast<double>(units) / UnitsPerInch));
        while (unitsOf(t) < units)
            ++t;
        while (unitsOf(t - 1) >= units)
            --t;
    }
    return ceilDiv(t, step) * step;
}

long long LasDepthGrid::floorTicks(long long units, long long step) const {
    long long t = 0;
    if (!feet) {
        t = floorDiv(units, UnitsPerCentimetre);
    } else {
        t = static_cast<long long>(std::floor(static_cast<double>(units) / UnitsPerInch));
        while (unitsOf(t) > units)
            --t;
        while (unitsOf(t + 1) <= units)
            ++t;
    }
    return floorDiv(t, step) * step;
}

long long LasDepthGrid::unitsOfDepth(double depth) const {
    return feet ? std::llround(depth * 12.0 * UnitsPerInch) : metreUnits(depth);
}

long long LasDepthGrid::stepsIn(long long units, long long step) const {
    if (units <= 0 || step <= 0)
        return 0;
    if (!feet)
        return units / (step * UnitsPerCentimetre);
    return static_cast<long long>(
        std::floor(static_cast<double>(units) / (static_cast<double>(step) * UnitsPerInch) + 1e-9));
}

long long LasDepthGrid::roundedSteps(long long units, long long step) const {
    if (units <= 0 || step <= 0)
        return 0;
    const double perStep = feet ? static_cast<double>(step) * UnitsPerInch
                                : static_cast<double>(step * UnitsPerCentimetre);
    return std::llround(static_cast<double>(units) / perStep);
}

std::span<const LasInterval> lasIntervals(bool feet) {
    if (feet)
        return FeetIntervals;
    return MetreIntervals;
}

const LasInterval& lasIntervalAt(bool feet, int index) {
    const std::span<const LasInterval> list = lasIntervals(feet);
    return index >= 0 && static_cast<std::size_t>(index) < list.size()
               ? list[static_cast<std::size_t>(index)]
               : list.front();
}

std::optional<LasInterval> lasIntervalOf(bool feet, int ticks) {
    for (const LasInterval& interval : lasIntervals(feet))
        if (interval.ticks == ticks)
            return interval;
    return std::nullopt;
}

bool lasLogGoesDown(const ExportSource& source) {
    if (source.info.LogMode == 12)
        return true;
    if (source.info.LogMode == 11)
        return false;
    return source.endDepth >= source.startDepth;
}

LasSensorOffsets lasSensorOffsetsOf(const HeaderInfo& info) {
    // Centimetres in the header.
    const auto units = [](double centimetres) {
        return std::max(0LL, std::llround(centimetres * 100.0));
    };
    return LasSensorOffsets{units(info.DeviationOffset - info.CameraOffset),
                            units(info.GammaOffset - info.DeviationOffset)};
}

LasRange lasRangeOf(const ExportSource& source, bool feet) {
    const LasDepthGrid grid{feet};
    const long long s = feet ? RangeStepFeet : RangeStepMetres;
    const long long step = grid.unitsOf(s);
    const LasSensorOffsets offsets = lasSensorOffsetsOf(source.info);
    const long long shift = offsets.deviation + (source.info.GammaOnBoard ? offsets.gamma : 0);
    const long long start = metreUnits(source.startDepth);
    const long long end = metreUnits(source.endDepth);
    LasRange range;
    long long from = 0, to = 0;
    bool enough = false;
    if (lasLogGoesDown(source)) {
        from = grid.ceilTicks(start - shift + step, s);
        to = grid.floorTicks(end - step, s);
        enough = to - from >= s;
    } else {
        from = grid.floorTicks(start - step, s);
        to = grid.ceilTicks(end - shift + step, s);
        enough = from - to >= s;
    }
    if (!enough) {
        range.message = ExportSourceText::SpanTooSmall;
        return range;
    }
    range.from = from;
    range.to = to;
    return range;
}

LasRangeEntry checkLasRange(const LasRange& range, bool feet, double from, double to) {
    LasRangeEntry entry;
    if (!range.from || !range.to) {
        entry.message = range.message;
        return entry;
    }
    const LasDepthGrid grid{feet};
    const auto hundredths = [](double value) { return std::round(value * 100.0) / 100.0; };
    const double start = hundredths(grid.depthOf(*range.from));
    const double end = hundredths(grid.depthOf(*range.to));
    from = hundredths(from);
    to = hundredths(to);
    if (std::optional<std::string> refused = checkDepthRange(start, end, from, to)) {
        entry.message = *refused;
        return entry;
    }
    // The proposed ends keep their exact grid depth; other entries are taken as typed.
    entry.fromUnits = from == start ? grid.unitsOf(*range.from) : grid.unitsOfDepth(from);
    entry.toUnits = to == end ? grid.unitsOf(*range.to) : grid.unitsOfDepth(to);
    return entry;
}

bool LasExportJob::anyColumn() const {
    const LasColumns& c = columns;
    return c.inclinationGroup || c.speed || c.gamma || c.inclination || c.azimuth || c.tDelta ||
           c.roll || c.magneticRoll || c.totalGravity || c.totalMagnetic || c.raw;
}

std::filesystem::path defaultLasPath(const std::filesystem::path& header) {
    std::string name = header.filename().string();
    name = name.size() >= 3 ? name.substr(0, name.size() - 3) + "las" : name + ".las";
    return header.parent_path() / "LAS20" / name;
}

} // namespace zarn
