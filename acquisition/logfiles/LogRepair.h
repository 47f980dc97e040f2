// The repair of a log whose recording did not stop normally (its header still says "CORRUPT"):
// the end depth is rebuilt from the last whole record of the last data file the header lists
// (going back file by file when that one holds no whole record) and written to "[WellInfo]"
// "EndDepth", to that file's section and into the header record. It is that record's image
// depth, the depth a recording that stops writes (the image depth of the last record written):
// the logger depth lies the camera offset further on, beyond the last picture, so a repaired
// header would otherwise claim more of the hole than its records show.
#pragma once

#include "acquisition/logfiles/Header.h"
#include "platform/Progress.h"

#include <filesystem>

namespace zarn {

enum class RepairResult {
    Repaired,
    TooShort,  // the first data file is shorter than 101 bytes: nothing to rebuild from
    NoRecord,  // no data file holds a whole record
    Cancelled, // the walk was cancelled: nothing was written
};

// A first data file shorter than this cannot be repaired.
inline constexpr std::uintmax_t SmallestRepairableDataFile = 101;

// header: the log's header object, its record read from headerPath. The walk of the data files
// reports to progress and stops, writing nothing, when it is cancelled.
RepairResult RepairInterruptedLog(CHeader& header, const std::filesystem::path& headerPath,
                                  const std::filesystem::path& firstDataFile,
                                  Progress& progress = noProgress());

} // namespace zarn
