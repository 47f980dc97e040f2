// What a survey is handed over as: a table (CSV, JSON or LAS 2.0) of the stations with their path,
// and a plot (SVG): the plan view, north up with a scale bar, beside the vertical section along
// the section azimuth. Lengths in metres, or feet when feet is set (the dogleg severity then per
// 100 ft instead of per 30 m).
//
// The LAS file follows the rules of the LAS export and shares its header and line writers: the
// measured depth is the index (DEPTH), one line per station at the station spacing from the first
// station to the last, so that STEP is the spacing; a station with too few records is a line of
// nulls. The well lines come from the log's header.
#pragma once

#include "acquisition/logfiles/HeaderInfo.h"
#include "acquisition/survey/Survey.h"

#include <string>
#include <vector>

namespace zarn {

struct SurveyReport {
    std::string logName;
    double declination = 0; // degrees; 0: azimuths referred to magnetic north
    double sectionAzimuth = 0;
    bool feet = false;
    std::vector<SurveyPoint> points;
    std::vector<SurveyStation> missing; // stations with too few records
    double step = 1.0;                  // m between stations
};

std::string surveyCsv(const SurveyReport& report);
std::string surveyJson(const SurveyReport& report);
std::string surveyLas(const SurveyReport& report, const HeaderInfo& info);
std::string surveySvg(const SurveyReport& report);

} // namespace zarn
