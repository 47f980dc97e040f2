// What a survey is handed over as: a table (CSV or JSON) of the stations with their path, and a
// plot (SVG): the plan view, north up with a scale bar, beside the vertical section along the
// section azimuth. Lengths in metres, or feet when feet is set (the dogleg severity then per
// 100 ft instead of per 30 m).
#pragma once

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
};

std::string surveyCsv(const SurveyReport& report);
std::string surveyJson(const SurveyReport& report);
std::string surveySvg(const SurveyReport& report);

} // namespace zarn
