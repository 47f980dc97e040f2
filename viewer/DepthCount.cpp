#include "viewer/DepthCount.h"

#include "platform/Format.h"

#include <cmath>

namespace lvviewer {

std::int64_t roundCount(double v) {
    return zarn::saturatedTrunc<std::int64_t>(v >= 0 ? v + 0.499 : v - 0.499);
}

int roundCount32(double v) {
    return zarn::saturatedTrunc<int>(v >= 0 ? v + 0.499 : v - 0.499);
}

std::string depthText(std::int64_t count) {
    const bool negative = count < 0;
    // The magnitude in 64 bits, so that the lowest count has one too.
    const std::uint64_t magnitude =
        negative ? std::uint64_t(0) - static_cast<std::uint64_t>(count) : std::uint64_t(count);
    // A depth shown as zero carries no sign.
    return zarn::format("%s%llu.%02llu", negative && magnitude >= 10 ? "-" : "",
                        static_cast<unsigned long long>(magnitude / 1000),
                        static_cast<unsigned long long>((magnitude % 1000) / 10));
}

std::string depthRangeText(std::int64_t from, std::int64_t to, bool imperial) {
    const char* unit = imperial ? "ft" : "meter";
    return "DEPTH: from " + depthText(from) + " " + unit + " to " + depthText(to) + " " + unit;
}

std::int64_t raisedToHundredth(std::int64_t count) {
    const std::int64_t rest = ((count % 10) + 10) % 10;
    return rest == 0 ? count : count + (10 - rest);
}

} // namespace lvviewer
