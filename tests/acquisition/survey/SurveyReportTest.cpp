// The survey's plot is an XML document that a standard parser reads, whatever the log's name
// holds (markup characters, control characters, bytes that are not UTF-8), in metres and feet,
// with and without stations; the same parser refuses a plot cut short, so the check can fail.
#include "acquisition/survey/SurveyReport.h"
#include "platform/Format.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace zarn::test {
namespace {

// The files among these that a standard XML parser refuses, one name a line.
std::string refusedByParser(const std::vector<std::filesystem::path>& files) {
    std::string command = "python3 -c '\n"
                          "import sys, xml.dom.minidom\n"
                          "for f in sys.argv[1:]:\n"
                          "    try: xml.dom.minidom.parse(f)\n"
                          "    except Exception: print(f)\n"
                          "'";
    for (const std::filesystem::path& f : files)
        command += " '" + f.string() + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return "cannot run python3";
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    return ::pclose(pipe) == 0 ? text : text + "python3 failed";
}

void write(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

TEST(SurveyReport, ThePlotIsWellFormedXml) {
    if (std::system("python3 -c 'import xml.dom.minidom' 2>/dev/null") != 0)
        GTEST_SKIP() << "python3 with xml.dom.minidom is not installed";
    TempHome home;
    const std::vector<SurveyDirection> stations{
        {10, 0, 0}, {20, 15, 350}, {30, 30, 20}, {40, 45, 40}};
    std::vector<std::filesystem::path> plots;
    std::string cut; // the plots cut short, as the parser names them
    int n = 0;
    for (const char* name :
         {"WELL1.hed", "A&B <deep> \"north\" 'leg'.hed", "bad\x01\x1f\xff\xc3(name.hed",
          "\xc3\xa9tang.hed", "\xed\xa0\x80 \xef\xbf\xbe \xc0\xaf.hed", "\xf0\x9f\x8c\x8d.hed"}) {
        for (const bool feet : {false, true}) {
            for (const std::size_t count : {std::size_t{0}, std::size_t{1}, stations.size()}) {
                SurveyReport report;
                report.logName = name;
                report.feet = feet;
                report.declination = 2.5;
                report.points = minimumCurvature(
                    std::vector<SurveyDirection>(stations.begin(), stations.begin() + count), 30,
                    30);
                const std::string svg = surveySvg(report);
                plots.push_back(home.file(format("plot%d.svg", ++n)));
                write(plots.back(), svg);
                // The same plot cut short is not a document.
                plots.push_back(home.file(format("cut%d.svg", n)));
                write(plots.back(), svg.substr(0, svg.size() / 2));
                cut += plots.back().string() + "\n";
            }
        }
    }
    EXPECT_EQ(refusedByParser(plots), cut);
}

} // namespace
} // namespace zarn::test
