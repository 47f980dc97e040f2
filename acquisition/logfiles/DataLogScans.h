// The small readers of a data file: the first record's depths and the last record's depths.
// Both trust no length they read: a record counts only when its length is sound and the whole
// record is in the file, and the walk ends at the first record that is not.
#pragma once

#include "platform/Progress.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace zarn {

struct FirstRecord {
    double loggerDepth = 0.0;         // m
    double imageDepth = 0.0;          // m
    std::int32_t imageDepthUnits = 0; // 0.1 mm, as stored
    int length = 0;                   // record length, head included
};

// The first record of the data file. When the file cannot be opened, shows "Trouble opening
// file." (error icon; without waiting, so any thread may call) and gives nothing; a file that
// does not start with a whole record gives nothing too.
[[nodiscard]] std::optional<FirstRecord> ReadFirstRecord(const std::filesystem::path& dataFile);

struct LastRecord {
    double loggerDepth = 0.0;    // m
    double imageDepth = 0.0;     // m
    std::uint32_t elapsedMs = 0; // elapsed logging time
    int records = 0;             // whole records in the file, this one included
};

// Walks the records from the start by their lengths and gives the last whole record, or nothing
// when the file cannot be opened or holds no whole record. The walk reports its fraction of the
// file to progress and stops (giving nothing) when it is cancelled.
[[nodiscard]] std::optional<LastRecord> ScanLastRecord(const std::filesystem::path& dataFile,
                                                       Progress& progress = noProgress());

// The elapsed logging time (ms) of the last whole record, found from the end of the file: only
// its last two records' worth of bytes is read, where the records that end the file are told
// from the bytes of a payload by their sound lengths and their unused head bytes (0), and by
// ending the file (or what a cut leaves there: part of a record, or zeros). When the end does
// not tell (or the file is that small), the file is walked from its start as far as its heads
// are those of records, so that bytes that are no data file give nothing. Nothing when the file
// cannot be opened or holds no whole record.
[[nodiscard]] std::optional<std::uint32_t>
LastRecordElapsedMs(const std::filesystem::path& dataFile);

// The logger depth (m) of the last whole record (ScanLastRecord).
[[nodiscard]] std::optional<double> ScanLastDepth(const std::filesystem::path& dataFile);

} // namespace zarn
