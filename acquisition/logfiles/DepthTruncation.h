// Depths go into the files as whole units (0.1 mm in the data log, mm in the header) truncated
// toward zero. A depth that is a whole number of units is often a hair below it in binary
// (22.99 m x 10000 = 229899.99999999997): truncated as it is, it would lose a whole unit. Values
// within a millionth of a unit of a whole number are taken as that number before truncating.
#pragma once

#include <cmath>

namespace zarn {

inline double truncatedUnits(double scaled) {
    const double whole = std::round(scaled);
    if (std::fabs(scaled - whole) < 1e-6)
        return whole;
    return std::trunc(scaled);
}

} // namespace zarn
