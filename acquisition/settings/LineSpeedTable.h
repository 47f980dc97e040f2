// The line speeds of the uphole link: the communication speed in bauds shown for each divisor
// the logger accepts. The communication page lists them; a divisor read back from the sonde or
// recorded in a data file is shown through the same table.
#pragma once

#include <array>
#include <string_view>

namespace zarn {

struct LineSpeed {
    std::string_view bauds; // as shown
    int divisor;            // as sent and read back
};

inline constexpr std::array<LineSpeed, 12> LineSpeedTable = {{
    {"312500", 2},
    {"208333", 3},
    {"156250", 4},
    {"125000", 5},
    {"104167", 6},
    {"89286", 7},
    {"78125", 8},
    {"69444", 9},
    {"62500", 10},
    {"52083", 12},
    {"41667", 15},
    {"31250", 20},
}};

// The baud rate text of a divisor; "-" for a divisor that is not in the table.
std::string_view baudRateText(int divisor);

} // namespace zarn
