// The header of a LAS 2.0 file as the program writes it: "~VERSION INFORMATION" (VERS 2.0, WRAP
// NO), "~WELL INFORMATION" (STRT, STOP and STEP of the lines written, NULL, the well lines from
// the header's "[WellInfo]"), "~PARAMETER INFORMATION", "~OTHER INFORMATION SECTION" with its
// notes, "~CURVE INFORMATION" with the curves written, and the "~A" line with their column
// titles, which has no line end: each data line starts with one. The LAS export and the survey
// each say what goes into it (lasExportHeaderText, and the survey's own table).
//
// Mnemonics hold no blank or tab: the two curves of the inclination and azimuth referred to the
// image are IMGINCL and IMGAZ, magnetic roll is MROLL.
#pragma once

#include "acquisition/app/SettingsRecords.h"
#include "acquisition/logfiles/HeaderInfo.h"

#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// The index of a file's lines in "~WELL INFORMATION": its unit, and the width and decimals of
// STRT, STOP and STEP (the value field ends in the same column whatever the width).
struct LasIndexFormat {
    const char* unit = "M";
    int width = 8;
    int decimals = 2;
    int stepDecimals = 2;
};

// A curve: its line in "~CURVE INFORMATION" (" MNEM      .UNIT ... :  Description") and its
// column title in the "~A" line.
struct LasCurve {
    std::string_view mnemonic;
    std::string_view unit;
    std::string_view description;
    std::string_view title;
};

struct LasFileHeader {
    std::string_view firstLine; // the comment the file starts with, with its line end
    const HeaderInfo* info = nullptr;
    LasIndexFormat index;
    double start = 0, stop = 0, step = 0; // the first and last index written, signed step
    std::vector<std::string> parameters;  // the lines of "~PARAMETER INFORMATION"
    std::vector<std::string> notes;       // the lines of "~OTHER INFORMATION SECTION"
    std::vector<LasCurve> curves;         // the index first
};

std::string lasHeaderText(const LasFileHeader& header);

// A curve's line in "~CURVE INFORMATION".
std::string lasCurveLine(const LasCurve& curve);
// The "~PARAMETER INFORMATION" line of a value with two decimals.
std::string lasParameterLine(std::string_view mnemonic, double value, std::string_view description);

// A well line's value field: the value without surrounding blanks, "N/A" when that leaves
// nothing, then blanks: 40 - n of them for n < 40 characters, one for 40, n - 40 for more.
std::string lasWellValueField(const std::string& value);

// What the LAS export writes.
struct LasHeaderValues {
    const HeaderInfo* info = nullptr;
    LasColumns columns; // the curves written (gamma only with a gamma sensor)
    bool feet = false;
    double start = 0, stop = 0, step = 0; // the first and last depth written, signed step (m or ft)
    int logMode = 12;                     // 10 time, 11 up, 12 down
};

std::string lasExportHeaderText(const LasHeaderValues& values);

// The curves a choice of columns writes, in file order: mnemonic and unit, DEPTH first.
struct LasCurveName {
    std::string mnemonic;
    std::string unit;
};
std::vector<LasCurveName> lasCurvesOf(const LasColumns& columns, bool feet);

} // namespace zarn
