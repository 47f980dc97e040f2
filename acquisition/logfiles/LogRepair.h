// The repair of a log whose recording did not stop normally: its header still says "CORRUPT"
// (cut before the first periodic header update), or its last data file holds records logged
// after the header's end time (cut after one; the update comes every 5 s, so up to that much of
// the log is missing from the header). The end is rebuilt from the last whole record of the last
// data file the header lists (going back file by file when that one holds no whole record) and
// written to the keys of the periodic update and into the header record: the end depth, the
// record's image depth, is the depth a recording that stops writes (the image depth of the last
// record written): the logger depth lies the camera offset further on, beyond the last picture,
// so a repaired header would otherwise claim more of the hole than its records show; the end
// time is the record's elapsed time and the file's sample count its number of whole records.
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
[[nodiscard]] RepairResult RepairInterruptedLog(CHeader& header,
                                                const std::filesystem::path& headerPath,
                                                const std::filesystem::path& firstDataFile,
                                                Progress& progress = noProgress());

// Whether the last data file holding a whole record has one logged after the header's end time
// ("[WellInfo]" "EndTime", which the periodic update and the stop write): a recording cut after
// a periodic update. Reads only the end of that file (LastRecordElapsedMs), so that it can be
// asked on every open.
[[nodiscard]] bool HoldsRecordsPastHeader(const HeaderInfo& info,
                                          const std::filesystem::path& headerPath,
                                          const std::filesystem::path& firstDataFile);

} // namespace zarn
