// The LAS 2.0 export of a recorded log (the engine of "LAS 2.0 exportation for ZARN"): the records
// are averaged onto the depth grid into a grid file (LasGridPass), then the LAS file is written
// from it: the header (LasHeaderText), then one line per grid depth of the exported range.
//
// Sensor alignment. The camera, the deviation sensor and the gamma sensor pass one depth at
// different moments; the deviation sensor sits m grid steps above the camera and the gamma sensor
// m + l steps above it (the header's offsets from the camera, each rounded to whole steps). The
// line for depth D takes each sensor's values from the grid record at which that sensor was at D:
//
//   log        image inclination, azimuth    speed, orientation, raw values    gamma
//   downward   record i - (m + l)            record i - l                      record i
//   upward     record i                      record i - m                      record i - (m + l)
//
// over the positions i of the grid records and the m + l after them; a record outside the grid
// file gives nulls. A line is written when D lies in the exported range (widened by a third of a
// step, a sixth in feet); "Reverse depth" writes the same lines in the opposite order. STRT and
// STOP are the first and last depths written, STEP the signed step between two lines.
//
// The file is written under a temporary name beside the output and renamed over it when
// complete: a failed or cancelled run leaves any earlier file of that name as it was. Every
// write is checked. Long work: reports its stages ("Create tempory file ...", "Create LAS file
// ...", "File migred.") and asks for the cancel once per record and per line.
#pragma once

#include "acquisition/export/ExportSource.h"
#include "acquisition/export/LasExportJob.h"
#include "acquisition/export/LasGridPass.h"
#include "acquisition/export/LasHeaderText.h"
#include "platform/Progress.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zarn {

struct LasExportResult {
    LasPassOutcome outcome = LasPassOutcome::Failed;
    std::string message; // why it failed, in the program's words
    std::vector<std::string> notes;
    std::filesystem::path path;
    long long lines = 0;
    double start = 0, stop = 0, step = 0; // as written in ~W (m or ft)
    std::vector<LasCurveName> curves;     // as written in ~C
};

class LasExport {
public:
    static constexpr const char* StageText = "Create LAS file ...";
    static constexpr const char* DoneText = "File migred.";
    static constexpr const char* OpenErrorText = "Trouble opening or create file. ";

    LasExport(const ExportSource& source, const LasExportJob& job);

    LasExportResult run(Progress& progress = noProgress());

private:
    const ExportSource& source_;
    LasExportJob job_;
};

} // namespace zarn
