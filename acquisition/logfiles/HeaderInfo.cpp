#include "acquisition/logfiles/HeaderInfo.h"

namespace zarn {

bool isLogRangeKey(std::string_view key) {
    for (const char* range :
         {"DepthUnit", "Startdepth", "EndDepth", "StartTime", "EndTime", "step", "LogMode", "Zero"})
        if (equalsNoCase(key, range))
            return true;
    return false;
}

std::string headerDate(const std::tm& localTime) {
    static constexpr const char* months[] = {"January",   "February", "March",    "April",
                                             "May",       "June",     "July",     "August",
                                             "September", "October",  "November", "December"};
    const int month = localTime.tm_mon;
    const char* name = (month >= 0 && month < 12) ? months[month] : "?";
    return format("%02d %s %d", localTime.tm_mday, name, localTime.tm_year + 1900);
}

} // namespace zarn
