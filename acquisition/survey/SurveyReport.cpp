#include "acquisition/survey/SurveyReport.h"

#include "acquisition/export/LasGridFile.h"
#include "acquisition/export/LasHeaderText.h"
#include "acquisition/export/LasLineWriter.h"
#include "platform/Format.h"
#include "platform/MarkupText.h"

#include <algorithm>
#include <cmath>

namespace zarn {

namespace {

constexpr double FeetPerMetre = 3.28083;

double lengthOf(const SurveyReport& r, double metres) {
    return r.feet ? metres * FeetPerMetre : metres;
}
const char* unitOf(const SurveyReport& r) {
    return r.feet ? "ft" : "m";
}
std::string referenceOf(const SurveyReport& r) {
    return r.declination == 0
               ? std::string("magnetic north")
               : format("true north (declination %.2f degrees applied)", r.declination);
}

std::string jsonEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (static_cast<unsigned char>(c) < 0x20)
            out += format("\\u%04x", c);
        else
            out += c;
    }
    return out;
}

// A round length for a scale bar of about a fifth of span.
double niceLength(double span) {
    const double raw = std::max(span / 5, 1e-3);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0})
        if (m * power >= raw)
            return m * power;
    return 10 * power;
}

} // namespace

std::string surveyCsv(const SurveyReport& r) {
    const char* u = unitOf(r);
    std::string text = format("# Deviation survey of %s; azimuths referred to %s; vertical "
                              "section along %.2f degrees; minimum curvature\n",
                              r.logName.c_str(), referenceOf(r).c_str(), r.sectionAzimuth);
    text += format("MD (%s),INCL (deg),AZ (deg),TVD (%s),NORTH (%s),EAST (%s),DLS (deg/%s),"
                   "VS (%s),CLOSURE (%s),CLOSURE AZ (deg)\n",
                   u, u, u, u, r.feet ? "100ft" : "30m", u, u);
    for (const SurveyPoint& p : r.points)
        text += format("%.2f,%.2f,%.2f,%.3f,%.3f,%.3f,%.2f,%.3f,%.3f,%.2f\n", lengthOf(r, p.at.md),
                       p.at.inclination, p.at.azimuth, lengthOf(r, p.tvd), lengthOf(r, p.north),
                       lengthOf(r, p.east), p.doglegSeverity, lengthOf(r, p.verticalSection),
                       lengthOf(r, p.closureDistance), p.closureAzimuth);
    for (const SurveyStation& s : r.missing)
        text += format("# no station at %.2f %s: %d valid record(s)\n", lengthOf(r, s.direction.md),
                       u, s.records);
    return text;
}

std::string surveyJson(const SurveyReport& r) {
    std::string text = format("{\"Log\":\"%s\",\"Reference\":\"%s\",\"Declination\":%.2f,"
                              "\"SectionAzimuth\":%.2f,\"Unit\":\"%s\",\"Stations\":[",
                              jsonEscaped(r.logName).c_str(), referenceOf(r).c_str(), r.declination,
                              r.sectionAzimuth, unitOf(r));
    for (std::size_t i = 0; i < r.points.size(); ++i) {
        const SurveyPoint& p = r.points[i];
        text += format("%s{\"MD\":%.2f,\"Inclination\":%.2f,\"Azimuth\":%.2f,\"TVD\":%.3f,"
                       "\"North\":%.3f,\"East\":%.3f,\"DoglegSeverity\":%.2f,"
                       "\"VerticalSection\":%.3f}",
                       i ? "," : "", lengthOf(r, p.at.md), p.at.inclination, p.at.azimuth,
                       lengthOf(r, p.tvd), lengthOf(r, p.north), lengthOf(r, p.east),
                       p.doglegSeverity, lengthOf(r, p.verticalSection));
    }
    text += "],\"Missing\":[";
    for (std::size_t i = 0; i < r.missing.size(); ++i)
        text += format("%s{\"MD\":%.2f,\"Records\":%d}", i ? "," : "",
                       lengthOf(r, r.missing[i].direction.md), r.missing[i].records);
    text += "]}\n";
    return text;
}

std::string surveyLas(const SurveyReport& r, const HeaderInfo& info) {
    // The lines: every station in order of depth, the valid ones with their point.
    struct Line {
        double md;
        const SurveyPoint* point; // nullptr: too few records
    };
    std::vector<Line> lines;
    lines.reserve(r.points.size() + r.missing.size());
    for (const SurveyPoint& p : r.points)
        lines.push_back({p.at.md, &p});
    for (const SurveyStation& s : r.missing)
        lines.push_back({s.direction.md, nullptr});
    std::sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return a.md < b.md; });

    const char* length = r.feet ? "ft" : "M";
    LasFileHeader h;
    h.firstLine = "#ZARN deviation survey\n";
    h.info = &info;
    h.index = LasIndexFormat{length, 8, 2, 2};
    if (!lines.empty()) {
        h.start = lengthOf(r, lines.front().md);
        h.stop = lengthOf(r, lines.back().md);
        h.step = lengthOf(r, r.step);
    }
    h.parameters.push_back(
        lasParameterLine("MAGN-DEC", r.declination, "Magnetic declination in degree."));
    h.parameters.push_back(
        lasParameterLine("SECT-AZ", r.sectionAzimuth, "Vertical section azimuth in degree."));
    h.notes.push_back(format("     Notes: Deviation survey by minimum curvature; azimuths referred "
                             "to %s.\n",
                             referenceOf(r).c_str()));
    h.notes.push_back("     Notes: A station with too few valid records has null values.\n");
    h.curves = {
        {"DEPTH", length, "Measured depth", "  DEPTH"},
        {"INCL", "DEGREE", "Inclination", "      INCL"},
        {"AZ", "DEGREE", "Azimuth", "        AZ"},
        {"TVD", length, "True vertical depth", "       TVD"},
        {"NORTH", length, "Northing", "     NORTH"},
        {"EAST", length, "Easting", "      EAST"},
        {"DLS", r.feet ? "DEG/100ft" : "DEG/30M", "Dogleg severity", "       DLS"},
        {"VS", length, "Vertical section", "        VS"},
        {"CLOSURE", length, "Closure distance", "   CLOSURE"},
        {"CLOSAZ", "DEGREE", "Closure azimuth", "    CLOSAZ"},
    };
    std::string text = lasHeaderText(h);
    LasLineWriter line;
    for (const Line& l : lines) {
        line.begin(lengthOf(r, l.md), 2);
        if (const SurveyPoint* p = l.point) {
            line.angle(p->at.inclination);
            line.angle(p->at.azimuth);
            line.value(lengthOf(r, p->tvd), 3);
            line.value(lengthOf(r, p->north), 3);
            line.value(lengthOf(r, p->east), 3);
            line.value(p->doglegSeverity);
            line.value(lengthOf(r, p->verticalSection), 3);
            line.value(lengthOf(r, p->closureDistance), 3);
            line.angle(p->closureAzimuth);
        } else {
            for (int k = 0; k < 9; ++k)
                line.value(LasNull);
        }
        text += line.line();
    }
    return text;
}

std::string surveySvg(const SurveyReport& r) {
    constexpr double Panel = 400, Margin = 60, Gap = 80;
    const double width = 2 * Panel + Gap + 2 * Margin;
    const double height = Panel + 2 * Margin + 30;
    const char* u = unitOf(r);
    std::string svg = format("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" "
                             "height=\"%.0f\" viewBox=\"0 0 %.0f %.0f\" font-family=\"sans-serif\" "
                             "font-size=\"12\">\n<rect width=\"100%%\" height=\"100%%\" "
                             "fill=\"white\"/>\n",
                             width, height, width, height);
    svg += format("<text x=\"%.0f\" y=\"24\" font-size=\"16\">Deviation survey: %s</text>\n",
                  Margin, markupEscaped(r.logName).c_str());
    svg += format("<text x=\"%.0f\" y=\"42\">Azimuths referred to %s; vertical section along "
                  "%.1f degrees</text>\n",
                  Margin, markupEscaped(referenceOf(r)).c_str(), r.sectionAzimuth);

    // Each panel: its own square scale, so that the plan view is true to shape.
    const auto panel = [&](double left, const char* title, const char* xLabel, const char* yLabel,
                           const std::vector<std::pair<double, double>>& xy, bool yDown) {
        double minX = 0, maxX = 0, minY = 0, maxY = 0;
        for (const auto& [x, y] : xy) {
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
        const double span = std::max({maxX - minX, maxY - minY, 1.0});
        const double scale = Panel / span;
        const double top = Margin + 20;
        const auto px = [&](double x) { return left + (x - minX) * scale; };
        const auto py = [&](double y) {
            return yDown ? top + (y - minY) * scale : top + Panel - (y - minY) * scale;
        };
        std::string out =
            format("<rect x=\"%.1f\" y=\"%.1f\" width=\"%.0f\" height=\"%.0f\" fill=\"none\" "
                   "stroke=\"#888\"/>\n<text x=\"%.1f\" y=\"%.1f\">%s</text>\n",
                   left, top, Panel, Panel, left, top - 6, title);
        out += format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%s (%s)</text>\n",
                      left + Panel / 2, top + Panel + 18, xLabel, u);
        out += format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\" "
                      "transform=\"rotate(-90 %.1f %.1f)\">%s (%s)</text>\n",
                      left - 14, top + Panel / 2, left - 14, top + Panel / 2, yLabel, u);
        out += "<polyline fill=\"none\" stroke=\"#c00\" stroke-width=\"2\" points=\"";
        for (const auto& [x, y] : xy)
            out += format("%.1f,%.1f ", px(x), py(y));
        out += "\"/>\n";
        // The scale bar.
        const double bar = niceLength(span);
        out += format("<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"black\" "
                      "stroke-width=\"3\"/>\n<text x=\"%.1f\" y=\"%.1f\">%g %s</text>\n",
                      left + 10, top + Panel - 10, left + 10 + bar * scale, top + Panel - 10,
                      left + 10, top + Panel - 16, bar, u);
        return out;
    };
    std::vector<std::pair<double, double>> plan, section;
    for (const SurveyPoint& p : r.points) {
        plan.emplace_back(lengthOf(r, p.east), lengthOf(r, p.north));
        section.emplace_back(lengthOf(r, p.verticalSection), lengthOf(r, p.tvd));
    }
    svg += panel(Margin, "Plan view (north up)", "East", "North", plan, false);
    // North arrow of the plan view.
    svg += format("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">N</text>\n<line x1=\"%.1f\" "
                  "y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"black\"/>\n",
                  Margin + Panel - 16, Margin + 36, Margin + Panel - 16, Margin + 40,
                  Margin + Panel - 16, Margin + 60);
    svg += panel(Margin + Panel + Gap, "Vertical section", "Vertical section",
                 "True vertical depth", section, true);
    svg += "</svg>\n";
    return svg;
}

} // namespace zarn
