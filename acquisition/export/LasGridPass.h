// The first pass of a LAS export: the records of the log, head by head (the image payloads are
// skipped), averaged onto the depth grid into the grid file.
//
// The first record fixes the first grid depth: the first grid depth at or past it in the log's
// direction. Each record (its image depth rounded to whole millimetres) is added to the sums of
// the grid depth ahead of it; a record that reaches the grid depth closes it: the grid record is
// the average of the records added since the previous grid depth. A record past one or more grid
// depths closes them with the sums made before it: the first with their average, the others
// (a gap in the log) with the same values. A grid depth closed with no record of its own (the
// records stepped over it) repeats the values of the one before, never nulls. A record behind
// the last grid depth written (the sonde backed up) adds nothing: the grid only advances where
// the camera went. A gap of 1001 steps or more stops the export.
//
// The orientation of a grid record is computed on the averaged raw sensor values of the records
// that carried sensor data, with the header's deviation reference, magnetic declination and
// image offset; while the computation reports an error the last valid values repeat, values the
// computation marks as missing are written as nulls, and so are all seven when they are all 0.
#pragma once

#include "acquisition/export/ExportSource.h"
#include "acquisition/export/LasExportJob.h"
#include "acquisition/export/LasGridFile.h"
#include "platform/Progress.h"

#include <string>
#include <vector>

namespace zarn {

enum class LasPassOutcome { Done, Cancelled, Failed };

struct LasGridResult {
    LasPassOutcome outcome = LasPassOutcome::Failed;
    std::string message;            // why it failed, in the program's words
    std::vector<std::string> notes; // damaged data files, records skipped behind the grid
    long long firstTick = 0;        // the grid depth of the first grid record
    long long count = 0;            // grid records written
};

struct LasGridPass {
    static constexpr const char* StageText = "Create tempory file ...";
    static constexpr const char* TroubleOpeningText =
        "Trouble opening file.\nFile busy or missing !!!";
    static constexpr const char* GapText =
        "Interval reading in original file too big!!!\nRecording aborded.";
    // Grid steps between two records that stop the export.
    static constexpr long long LargestGap = 1001;

    const ExportSource& source;
    LasDepthGrid grid;
    bool down = true;
    long long stepTicks = 1;      // positive
    long long deviationSteps = 0; // m: the deviation sensor above the camera, in grid steps
    long long gammaSteps = 0;     // l: the gamma sensor above the deviation sensor

    // progressShare: the part of the whole export this pass reports as its fraction.
    LasGridResult run(LasGridFile& file, Progress& progress, double progressShare = 1.0) const;
};

} // namespace zarn
