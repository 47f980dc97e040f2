// Depths inside the viewer: integers in thousandths of the depth unit (metres, or feet when the
// pictures were named in feet), called depth counts, shown with two decimals.
#pragma once

#include <cstdint>
#include <string>

namespace lvviewer {

// v + 0.499 truncated toward zero for v >= 0, v - 0.499 for v < 0 (an exact half goes toward
// zero), held in the 64-bit range; not-a-number gives 0.
std::int64_t roundCount(double v);
// The same held in the 32-bit range of depth counts and piece heights.
int roundCount32(double v);

// "12.34" for 12345, "-1.50" for -1500: the sign once, then whole units and hundredths (the
// thousandth cut off).
std::string depthText(std::int64_t count);

// The count raised to the next hundredth when it falls between two (toward the deeper side for
// negative depths as well): the top depth of what is shown, so that its text does not name a
// depth above it.
std::int64_t raisedToHundredth(std::int64_t count);

// "DEPTH: from 12.35 meter to 14.00 meter", or "ft" for feet: the depths on screen or on a
// printed page.
std::string depthRangeText(std::int64_t from, std::int64_t to, bool imperial);

// "m" or "ft".
inline const char* unitText(bool imperial) {
    return imperial ? "ft" : "m";
}

} // namespace lvviewer
