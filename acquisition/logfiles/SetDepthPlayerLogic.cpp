#include "acquisition/logfiles/SetDepthPlayerLogic.h"

#include "platform/Format.h"

#include <cmath>
#include <limits>

namespace zarn {
namespace {

constexpr double FeetPerMetre = 3.28083;
constexpr double MetresPerFoot = 0.3047995;

// value rounded half away from zero, saturated.
std::int64_t roundedMm(double value) {
    if (std::isnan(value))
        return 0;
    constexpr double limit = 9.0e15;
    if (value >= limit)
        return static_cast<std::int64_t>(limit);
    if (value <= -limit)
        return -static_cast<std::int64_t>(limit);
    return static_cast<std::int64_t>(std::round(value));
}

} // namespace

SetDepthPlayerLogic::SetDepthPlayerLogic(std::optional<std::int32_t> firstImageDepthUnits,
                                         int headerStartDepthMm, int headerEndDepthMm, bool feet)
    : feet_(feet) {
    // Centimetres, truncated toward zero.
    std::int64_t startCm = firstImageDepthUnits ? std::int64_t{*firstImageDepthUnits} / 100
                                                : std::int64_t{headerStartDepthMm} / 10;
    std::int64_t endCm = std::int64_t{headerEndDepthMm} / 10;
    if (startCm < endCm) {
        ++startCm;
        --endCm;
    } else {
        --startCm;
        ++endCm;
    }
    start_ = startCm * 10;
    end_ = endCm * 10;
}

std::string SetDepthPlayerLogic::depthText(std::int64_t mm) const {
    const double metres = static_cast<double>(mm) / 1000.0;
    return format("%.2f", feet_ ? metres * FeetPerMetre : metres);
}

std::string SetDepthPlayerLogic::RangeText() const {
    const double s = static_cast<double>(start_) / 1000.0;
    const double e = static_cast<double>(end_) / 1000.0;
    if (feet_)
        return format("Depth : %#.2f ft to %#.2f ft", s * FeetPerMetre, e * FeetPerMetre);
    return format("Depth : %#.2f m to %#.2f m", s, e);
}

std::string SetDepthPlayerLogic::InitialEntry() const {
    return depthText(start_);
}

std::string SetDepthPlayerLogic::boundMessage(const char* which, std::int64_t mm) const {
    const double metres = static_cast<double>(mm) / 1000.0;
    if (feet_)
        return format("Set at %s : %#.2f ft", which, metres * FeetPerMetre);
    return format("Set at %s : %#.2fm", which, metres);
}

SetDepthPlayerLogic::Outcome SetDepthPlayerLogic::Accept(std::string_view entry) const {
    if (!isDecimalEntry(entry))
        return Outcome{false, 0.0, "Please enter a number."};
    const double value = parseDouble(entry);
    const std::int64_t v = roundedMm(feet_ ? value * MetresPerFoot * 1000.0 : value * 1000.0);
    if (start_ <= end_) { // going down
        if (v >= end_ + 1)
            return Outcome{false, 0.0, boundMessage("max", end_)};
        if (v <= start_ - 1)
            return Outcome{false, 0.0, boundMessage("min", start_)};
    } else { // going up
        if (v <= end_ - 1)
            return Outcome{false, 0.0, boundMessage("min", end_)};
        if (v >= start_ + 1)
            return Outcome{false, 0.0, boundMessage("max", start_)};
    }
    return Outcome{true, static_cast<double>(v) / 1000.0, {}};
}

} // namespace zarn
