// The source of an export: a recorded log's header and the data files it lists, as the export
// dialogs read them when a header is chosen. The data files are taken from the header's
// "[File%d]" sections in file order (their start and end depths, stored in millimetres, in
// metres here, and their sample counts); the direction, the depth span, the average depth step
// of one image line and the line width (from the first record) follow from them.
//
// A header names its data files without folder; only the last component of a listed name is
// used, and a name that differs from the file on disk only in letter case (a log written on
// another system) finds it. A log whose recording was cut is repaired as when it is opened for
// replay before it is read.
#pragma once

#include "acquisition/logfiles/HeaderInfo.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zarn {

struct ExportDataFile {
    std::filesystem::path path;
    std::string name;          // as the header lists it
    double startDepth = 0;     // m
    double endDepth = 0;       // m
    long long sampleCount = 0; // records
};

struct ExportSource {
    // The most data files an export reads.
    static constexpr int MaxDataFiles = 1000;
    // Image lines of one record (the eight rows of a mode-16 payload).
    static constexpr int LinesPerSample = 8;

    std::filesystem::path headerPath;
    std::filesystem::path folder;
    HeaderInfo info;
    std::vector<ExportDataFile> files;
    long long totalSamples = 0;
    bool down = true;       // upward only when the header's log mode says so (11)
    double startDepth = 0;  // m, the first file's start
    double endDepth = 0;    // m, the last file's end
    double averageStep = 0; // m per image line, signed
    int lineWidth = 720;    // pixels per line, from the first record's image mode byte

    long long sourceLines() const { return totalSamples * LinesPerSample; }
};

// Messages of a source that cannot be exported.
namespace ExportSourceText {
inline constexpr const char* BadHeader = "Bad header file.";
inline constexpr const char* NoDataFile = "Data file not present.";
inline constexpr const char* NotEnoughData = "Not enough data in file!!!";
inline constexpr const char* SpanTooSmall =
    "Delta between beginning and fine depth too small, not enough data in file !!!";
} // namespace ExportSourceText

struct ExportSourceResult {
    std::optional<ExportSource> source;
    std::string problem; // the message when there is no source; details after a new line
};

// Reads the source of a header file (".hed"). The problem is one of ExportSourceText (with the
// file it concerns on a second line where there is one), or says why the header could not be
// read or repaired.
[[nodiscard]] ExportSourceResult readExportSource(const std::filesystem::path& headerPath);

// A data file of a log's folder by its listed name: the last component only, never "." or "..";
// a file whose name differs only in letter case when the exact name is missing. Nothing when
// there is none.
std::optional<std::filesystem::path> findDataFile(const std::filesystem::path& folder,
                                                  const std::string& listedName);

} // namespace zarn
