#include "acquisition/settings/LineSpeedTable.h"

namespace zarn {

std::string_view baudRateText(int divisor) {
    for (const LineSpeed& speed : LineSpeedTable)
        if (speed.divisor == divisor)
            return speed.bauds;
    return "-";
}

} // namespace zarn
