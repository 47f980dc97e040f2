#include "acquisition/settings/NumberEntry.h"

#include "platform/Format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace zarn {
namespace {

NumberEntry::Reading refused(const char* why) {
    return NumberEntry::Reading{std::nullopt, why};
}

// Digits with at most one sign in front.
bool signedDigits(std::string_view text) {
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

} // namespace

NumberEntry::Reading NumberEntry::readInteger(std::string_view text) {
    const std::string_view entry = trim(text);
    if (entry.empty())
        return refused(NoValueText);
    if (entry.size() > MostIntegerCharacters || !signedDigits(entry))
        return refused(NotANumberText);
    const std::string_view digits = entry.front() == '+' ? entry.substr(1) : entry;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() ||
        value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return refused(NotANumberText);
    return Reading{static_cast<double>(value), {}};
}

NumberEntry::Reading NumberEntry::readDouble(std::string_view text) {
    const std::string_view entry = trim(text);
    if (entry.empty())
        return refused(NoValueText);
    if (!isDecimalEntry(entry))
        return refused(NotANumberText);
    // One decimal separator at most, either of the two.
    const auto separators =
        std::count_if(entry.begin(), entry.end(), [](char c) { return c == ',' || c == '.'; });
    if (separators > 1)
        return refused(NotANumberText);
    std::string number(entry);
    std::replace(number.begin(), number.end(), ',', '.');
    const std::optional<double> value = parseWholeDouble(number);
    if (!value || !std::isfinite(*value))
        return refused(NotANumberText);
    return Reading{*value, {}};
}

std::string NumberEntry::writeInteger(int value, std::optional<int> lower,
                                      std::optional<int> upper) {
    if (lower && value < *lower)
        value = *lower;
    if (upper && value > *upper)
        value = *upper;
    return format("%d", value);
}

std::string NumberEntry::writeDouble(double value, int decimals, bool emptyForZero) {
    if (emptyForZero && value == 0.0)
        return {};
    return format("%.*f", std::clamp(decimals, 0, 12), value);
}

} // namespace zarn
