// The header of a LAS 2.0 file as the export writes it: "~VERSION INFORMATION" (VERS 2.0, WRAP
// NO), "~WELL INFORMATION" (STRT, STOP and STEP of the lines written, NULL, the well lines from
// the header's "[WellInfo]"), "~PARAMETER INFORMATION", "~OTHER INFORMATION SECTION" with the
// log mode's note, "~CURVE INFORMATION" with the curves written, and the "~A" line with their
// column titles, which has no line end: each data line starts with one.
//
// Mnemonics hold no blank or tab: the two curves of the inclination and azimuth referred to the
// image are IMGINCL and IMGAZ, magnetic roll is MROLL.
#pragma once

#include "acquisition/app/SettingsRecords.h"
#include "acquisition/logfiles/HeaderInfo.h"

#include <string>
#include <vector>

namespace zarn {

struct LasHeaderValues {
    const HeaderInfo* info = nullptr;
    LasColumns columns; // the curves written (gamma only with a gamma sensor)
    bool feet = false;
    double start = 0, stop = 0, step = 0; // the first and last depth written, signed step (m or ft)
    int logMode = 12;                     // 10 time, 11 up, 12 down
};

std::string lasHeaderText(const LasHeaderValues& values);

// The curves a choice of columns writes, in file order: mnemonic and unit, DEPTH first.
struct LasCurveName {
    std::string mnemonic;
    std::string unit;
};
std::vector<LasCurveName> lasCurvesOf(const LasColumns& columns, bool feet);

// A well line's value field: the value without surrounding blanks, "N/A" when that leaves
// nothing, then blanks: 40 - n of them for n < 40 characters, one for 40, n - 40 for more.
std::string lasWellValueField(const std::string& value);

} // namespace zarn
