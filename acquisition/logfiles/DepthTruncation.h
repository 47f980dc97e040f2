// Depths go into the files as whole units (0.1 mm in the data log, mm in the header) truncated
// toward zero. A depth that is a whole number of units is often a hair below it in binary
// (22.99 m x 10000 = 229899.99999999997): truncated as it is, it would lose a whole unit. Values
// within a millionth of a unit of a whole number are taken as that number before truncating.
// The result is held in the range of the file's field (not-a-number gives 0).
#pragma once

#include "platform/Format.h"

#include <cmath>
#include <concepts>

namespace zarn {

template <std::integral Int> Int truncatedUnits(double scaled) {
    const double whole = std::round(scaled);
    return saturatedTrunc<Int>(std::fabs(scaled - whole) < 1e-6 ? whole : scaled);
}

} // namespace zarn
