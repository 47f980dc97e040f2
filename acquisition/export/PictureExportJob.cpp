#include "acquisition/export/PictureExportJob.h"

#include "platform/Format.h"

#include <algorithm>
#include <cmath>

namespace zarn {

namespace {

// An entry below the minimum by less than this is the minimum.
constexpr double IntervalTolerance = 0.00001;

} // namespace

long long PictureExportJob::totalLines() const {
    if (interval == 0 || !std::isfinite(interval))
        return 0;
    return std::llabs(std::llround((to - from) / interval));
}

long long PictureExportJob::linesPerFile() const {
    return std::min<long long>(std::max(maxLines, 1), totalLines());
}

long long PictureExportJob::fileCount() const {
    const long long m = std::max(maxLines, 1);
    return (totalLines() + m - 1) / m;
}

std::uint32_t scaleColourOf(int index) {
    switch (index) {
    case 0:
        return 0x000000;
    case 1:
        return 0x0000FF;
    case 3:
        return 0xFFFFFF;
    default:
        return 0x00FFFF;
    }
}

CBmpCreator::PictureType pictureTypeOfSetting(int saved) {
    switch (saved) {
    case 1:
        return CBmpCreator::PictureType::Tiff;
    case 2:
        return CBmpCreator::PictureType::Jpeg;
    default:
        return CBmpCreator::PictureType::Bmp;
    }
}

int settingOfPictureType(CBmpCreator::PictureType type) {
    switch (type) {
    case CBmpCreator::PictureType::Tiff:
        return 1;
    case CBmpCreator::PictureType::Jpeg:
        return 2;
    default:
        return 0;
    }
}

int lgxItemOfSetting(int saved) {
    return saved >= 1 && saved <= LgxIntervalCount ? saved : 1;
}

int lgxMilOf(int item) {
    constexpr int Mils[LgxIntervalCount] = {39, 78, 118, 157, 196};
    return Mils[lgxItemOfSetting(item) - 1];
}

std::string lgxIntervalText(int item, bool feet) {
    return feet ? format("%d", lgxMilOf(item)) : format("%.1f", lgxItemOfSetting(item) * 1.0);
}

const char* pictureExtensionOf(CBmpCreator::PictureType type) {
    switch (type) {
    case CBmpCreator::PictureType::Bmp:
        return ".bmp";
    case CBmpCreator::PictureType::Tiff:
        return ".tif";
    default:
        return ".jpg";
    }
}

double roundToCentimetre(double metres) {
    return std::round(metres * 100.0) / 100.0;
}

double roundToTenthMillimetre(double metres) {
    return std::round(metres * 10000.0) / 10000.0;
}

ExportSpan exportSpanOf(const ExportSource& source) {
    ExportSpan span{roundToCentimetre(source.startDepth), roundToCentimetre(source.endDepth)};
    const double inward = source.endDepth >= source.startDepth ? 0.01 : -0.01;
    // Outside the log: before its start, or past its end, in the log's direction.
    while ((span.start - source.startDepth) * inward < -1e-9)
        span.start = roundToCentimetre(span.start + inward);
    while ((source.endDepth - span.end) * inward < -1e-9)
        span.end = roundToCentimetre(span.end - inward);
    return span;
}

double defaultInterval(const ExportSource& source) {
    const double average = std::fabs(source.averageStep);
    double interval = roundToTenthMillimetre(average);
    if (interval < average)
        interval += PictureExportJob::SmallestInterval;
    return std::max(roundToTenthMillimetre(interval), PictureExportJob::SmallestInterval);
}

std::optional<std::string> checkDepthRange(const ExportSource& source, double from, double to) {
    const ExportSpan span = exportSpanOf(source);
    return checkDepthRange(span.start, span.end, from, to);
}

std::optional<std::string> checkDepthRange(double start, double end, double from, double to) {
    const auto hundredths = [](double value) { return std::llround(value * 100.0); };
    const long long s = hundredths(start);
    const long long e = hundredths(end);
    const long long low = std::min(s, e);
    const long long high = std::max(s, e);
    const auto inside = [&](double d) {
        return std::isfinite(d) && std::fabs(d) < 1e12 && hundredths(d) >= low &&
               hundredths(d) <= high;
    };
    if (!inside(from) || !inside(to))
        return format("Bad entry value (begining %#.2f ending %#.2f) \n", start, end);
    if (e > s && !(hundredths(from) < hundredths(to)))
        return std::string(
            "Bad entry value, the depth of beginning must be smaller than the depth of stop");
    if (e <= s && !(hundredths(from) > hundredths(to)))
        return std::string(
            "Bad entry value, the depth of stop must be smaller than the depth of beginning");
    return std::nullopt;
}

IntervalBounds intervalBoundsOf(const ExportSource& source) {
    const double a = std::fabs(source.averageStep);
    IntervalBounds bounds;
    // On the 0.1 mm grid; a product a hair off a whole number counts as that number.
    bounds.minimum =
        std::max(std::floor(a * 5000.0 + 1e-9) / 10000.0, PictureExportJob::SmallestInterval);
    bounds.maximum = std::max(std::ceil(a * 50000.0 - 1e-9) / 10000.0, bounds.minimum);
    bounds.minimumMil =
        std::max<long long>(1, static_cast<long long>(bounds.minimum / MetresPerMil));
    bounds.maximumMil =
        std::max(bounds.minimumMil, static_cast<long long>(bounds.maximum / MetresPerMil));
    return bounds;
}

IntervalCheck checkInterval(const ExportSource& source, double entry, bool feet) {
    const double a = std::fabs(source.averageStep);
    const IntervalBounds bounds = intervalBoundsOf(source);
    if (!std::isfinite(entry))
        entry = 0;
    IntervalCheck check;
    if (feet) {
        const long long mil = std::llabs(std::llround(entry));
        if (mil < bounds.minimumMil)
            check.message = format("Minimal interval : %lld mil", bounds.minimumMil);
        else if (mil > bounds.maximumMil)
            check.message = format("Maximal interval : %lld mil", bounds.maximumMil);
        else
            check.interval = static_cast<double>(mil) * MetresPerMil;
        return check;
    }
    const double interval = std::fabs(std::round(entry * 10.0)) / 10000.0;
    if (interval < bounds.minimum - IntervalTolerance ||
        interval < PictureExportJob::SmallestInterval)
        check.message = format("Minimal interval : %.1f mm", std::max(a * 500.0, 0.1));
    else if (interval > bounds.maximum + IntervalTolerance)
        check.message = format("Maximal interval : %.1f mm", a * 5000.0);
    else
        check.interval = interval;
    return check;
}

MaxLinesCheck checkMaxLines(long long totalLines, long long maxLines) {
    MaxLinesCheck check;
    if (maxLines > PictureExportJob::MaxLimit) {
        check.message = format("Sorry, the Max line is too big.\nMax limit is %d lines",
                               PictureExportJob::MaxLimit);
        check.accepted = PictureExportJob::MaxLimit;
        return check;
    }
    if (maxLines <= 0 || (totalLines + maxLines - 1) / maxLines > PictureExportJob::MaxFiles) {
        check.message = "Sorry, the Max line value is too small.\nMax limit of file genered is "
                        "99.\nChange start or end depth for limit your generation file";
        return check;
    }
    check.accepted = static_cast<int>(maxLines);
    return check;
}

} // namespace zarn
