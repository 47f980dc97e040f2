#include "acquisition/settings/DepthResetLogic.h"

#include "acquisition/app/ApplicationMessages.h"
#include "acquisition/app/SettingsRecords.h"
#include "platform/Format.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace zarn {
namespace {

constexpr double MetresPerFoot = 0.3047995;

// A decimal entry is written with digits, a sign and a decimal point; letters would let the
// number reader take "inf", "nan", exponents or hexadecimal.
bool decimalCharacters(std::string_view text) {
    return text.find_first_not_of("+-0123456789.") == std::string_view::npos;
}

// The depth-set frame sends the count truncated toward zero into a signed 32-bit field.
bool fitsDepthCounter(double counts) {
    constexpr double below = static_cast<double>(std::numeric_limits<std::int32_t>::min()) - 1.0;
    constexpr double above = static_cast<double>(std::numeric_limits<std::int32_t>::max()) + 1.0;
    return std::isfinite(counts) && counts > below && counts < above;
}

} // namespace

DepthResetLogic::DepthResetLogic(bool feet, int sondeLengthCm, double depthScale)
    : feet_(feet), sondeLengthCm_(sondeLengthCm), depthScale_(depthScale) {}

DepthResetLogic::Outcome DepthResetLogic::Accept(std::string_view entry) const {
    const Outcome refused{false, 0.0, std::string(appmessage::BadEntryFormat)};
    const std::string_view text = trim(entry);
    if (!decimalCharacters(text))
        return refused;
    const std::optional<double> value = parseWholeDouble(text);
    if (!value)
        return refused;
    const double metres = (feet_ ? *value * MetresPerFoot : *value) + sondeLengthCm_ / 100.0;
    if (!fitsDepthCounter(depthCounterCounts(depthScale_, metres)))
        return refused;
    return Outcome{true, metres, {}};
}

} // namespace zarn
