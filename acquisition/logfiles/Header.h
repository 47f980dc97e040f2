// The header file of a log (.hed) and its in-memory record.
//
// A log is one header file and one or more data files (.lox) in the same folder. The header is
// an INI text file with CR LF line ends and these sections: "[General]" (the acquisition
// parameters the replay and the exports need: declination, orientation mode, sonde offsets,
// gamma calibration), "[DephtImperialInfo]" (only when depths are shown in feet), "[WellInfo]"
// (the well information typed into the header editor, with the log's depth and time range) and
// one "[File%d]" section per data file.
//
// A fresh header is written whole, in a fixed order, when a log is created and again when
// recording starts. Afterwards single keys are rewritten through CIni, at the moments named by
// the Write... operations below: the recording start and stop (thread that owns the windows),
// the data log writer's first record, periodic update and split (decoding thread), and the
// repair of an interrupted recording (player). Every operation that touches the file holds
// this header's lock for its whole group of keys, so the keys of one moment are never mixed
// with those of another moment running on another thread, and a fresh header never races an
// update. (The profile-file layer only serialises single key writes, which is not enough for
// a group, nor for the fresh header, which is not written through it.)
//
// Depths are stored as integer millimetres (metres x 1000, truncated) and, in imperial mode,
// also as feet texts ("%.2f" of metres x 3.28083); times as integer milliseconds of logging
// time. While recording, "[WellInfo]" "EndDepth" holds the text "CORRUPT" until the first
// periodic update or the stop, so a header that still says so marks a recording that did not
// stop normally; one cut later shows it by records in its last data file logged after the
// header's "EndTime".
#pragma once

#include "acquisition/app/SettingsRecords.h"
#include "acquisition/app/SondeTable.h"
#include "acquisition/logfiles/HeaderInfo.h"

#include <ctime>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace zarn {

// Whether the log's depths are also kept in feet (the imperial section and the "...InFeet"
// keys). Decided by the depth unit setting when the header is written; the data log writer
// passes the same mode to every later update of that header.
enum class HeaderMode { Metric, Imperial };

// Imperial whenever the depth unit setting is not metres (0).
HeaderMode headerModeOf(const Configuration& configuration);

// Header depths: metres x 1000 truncated to an integer (saturated; not-a-number gives 0); a
// product short of a whole millimetre only by binary rounding counts as that millimetre.
int headerMillimetres(double metres);
// Feet text of a depth in metres: "%.2f" of metres x 3.28083.
std::string headerFeetText(double metres);

// "LogMode": 12 for a log recorded going down, 11 going up.
inline constexpr int LogModeDown = 12;
inline constexpr int LogModeUp = 11;
inline int logModeOf(bool loggingDown) {
    return loggingDown ? LogModeDown : LogModeUp;
}

// Where the log stands in one data file: the depth of the last record written (metres), the
// elapsed logging time (ms) and the number of records in the file.
struct FileProgress {
    int fileIndex = 1; // the %d of "[File%d]"
    double depthMetres = 0.0;
    int elapsedMs = 0;
    int sampleCount = 0;
};

class CHeader {
public:
    CHeader();

    // The header record. Only for the thread that owns the windows.
    HeaderInfo& Info() { return info_; }
    const HeaderInfo& Info() const { return info_; }

    // Called once when the main window opens: version "2000", copyright "-", one data file,
    // every number 0 except "step" and "LogMode" (10), "SondeAbbreviation" "ZARN", every other
    // text one blank, Descending set, and "Date" today as "%d %B %Y" ("08 December 2025").
    void ResetHeaderInfo();
    void ResetHeaderInfo(const std::tm& today);

    // The text of a fresh header: "[General]" from the selected sonde and the configuration
    // (declination, orientation mode), the imperial section when the depth unit is not
    // metres, "[WellInfo]" from the header record, and "[File1]" for the data file named in
    // the path record, all counters zero. CR LF line ends.
    static std::string NewHeaderText(const HeaderInfo& info, const Configuration& configuration,
                                     const SondeTable& sondes);

    // "New log." chosen and a path confirmed: writes a fresh header (replacing any file at the
    // path, atomically). On failure shows "Trouble opening file." (error icon) and returns
    // false.
    [[nodiscard]] bool WriteNewHeader(const std::filesystem::path& headerPath,
                                      const Configuration& configuration, const SondeTable& sondes);

    // Reads "[General]", "[WellInfo]" and the section "[File<fileIndex>]" into the record.
    // Returns true when reading FAILED (the header cannot be read): then writes three lines to
    // the trace log, sets ReadFailed and leaves the other fields as they were. Missing keys
    // take their defaults; a missing or "CORRUPT" (any case) "[WellInfo]" "EndDepth" sets
    // EndDepthCorrupt.
    [[nodiscard]] bool ReadHeader(const std::filesystem::path& headerPath, int fileIndex = 1);

    // The header editor's "&Load": the well information of a header (every "[WellInfo]" key but
    // the log's range and mode, isLogRangeKey) into the record; a missing text key becomes one
    // blank, a missing "Location" "-", a missing number its reader's default. False (the record
    // unchanged) when the file cannot be read.
    [[nodiscard]] bool ReadWellInfo(const std::filesystem::path& headerPath);

    // The well information of the record (every "[WellInfo]" key but the log's range and mode)
    // written into an existing header in one change of the file; its other keys and sections
    // stay as they are. False when the file is missing or cannot be written (it is then
    // unchanged).
    [[nodiscard]] bool WriteWellInfo(const std::filesystem::path& headerPath);

    // A text as a header value: a control character (a line break, a tab) would cut the line or
    // hide in it, so each becomes a blank; a value with blanks at its ends or within a pair of
    // quotes is quoted, so that reading it back gives it unchanged.
    static std::string StoredValue(std::string_view text);

    // --- Key updates, one per moment of a log ------------------------------------------------
    // Each returns false when a key could not be written (the remaining keys are still tried).

    // Recording starts (thread that owns the windows): the fresh header (as WriteNewHeader,
    // including its failure message), then "LogMode" in [WellInfo] and [File1], "Startdepth"
    // and "StartTime" = 0 in [WellInfo] and [File1], [File1] "SampleCount" = 0, in imperial mode
    // the start depth in feet in [DephtImperialInfo] and [File1] "StartDepthInFeet", and last
    // [WellInfo] "EndDepth" = "CORRUPT". loggerDepthMetres is the current logger depth.
    [[nodiscard]] bool WriteRecordingStart(const std::filesystem::path& headerPath,
                                           const Configuration& configuration,
                                           const SondeTable& sondes, bool loggingDown,
                                           double loggerDepthMetres);

    // First record of the log written (data log writer, decoding thread): the start depth
    // (image depth of that record) in [WellInfo] and [File<fileIndex>] "Startdepth", in
    // imperial mode also in feet; [File<fileIndex>] "SampleCount" = 0.
    [[nodiscard]] bool WriteFirstRecord(const std::filesystem::path& headerPath, int fileIndex,
                                        double depthMetres, HeaderMode mode);

    // Periodic update while recording (data log writer, decoding thread, every 5 s): the end
    // depth and elapsed time in [WellInfo] and [File<index>], in imperial mode the end depth in
    // feet, and the file's "SampleCount". Replaces the "CORRUPT" mark.
    [[nodiscard]] bool WritePeriodicUpdate(const std::filesystem::path& headerPath,
                                           const FileProgress& progress, HeaderMode mode);

    // A data file closed at a split (data log writer): its section gets "EndDepth", in
    // imperial mode "EndDepthInFeet", "EndTime", "SampleCount" and the closing mark "---".
    [[nodiscard]] bool WriteFileClosed(const std::filesystem::path& headerPath,
                                       const FileProgress& closed, HeaderMode mode);

    // The next data file opened at a split (data log writer; only once that file is open):
    // its section "[File<fileIndex>]" with "FileName" (no folder), start and end depth both at
    // depthMetres (and in feet in imperial mode), start and end time both elapsedMs, "LogMode",
    // "SampleCount" = 0; then [General] "DataFiles" = fileIndex.
    [[nodiscard]] bool WriteFileOpened(const std::filesystem::path& headerPath, int fileIndex,
                                       std::string_view fileName, double depthMetres, int elapsedMs,
                                       bool loggingDown, HeaderMode mode);

    // Recording stops (thread that owns the windows): when the first record of the first data
    // file could be read, its image depth becomes "Startdepth" of [WellInfo] and [File1]; the
    // last record's depth becomes "EndDepth" of [WellInfo] and of the current file's section
    // (and in feet in imperial mode); the elapsed time "EndTime" of both; the file's
    // "SampleCount".
    [[nodiscard]] bool WriteRecordingStop(const std::filesystem::path& headerPath,
                                          std::optional<double> firstRecordDepthMetres,
                                          const FileProgress& end, HeaderMode mode);

    // A log opened while its header is marked "CORRUPT", or while its last data file holds
    // records logged after the header's end (player): where the last complete record of the
    // last data file puts the end goes to the keys of the periodic update: the end depth and
    // time in [WellInfo] and in that file's section (in imperial mode also in feet) and the
    // file's "SampleCount".
    [[nodiscard]] bool WriteRepairedEnd(const std::filesystem::path& headerPath,
                                        const FileProgress& end, HeaderMode mode);

private:
    [[nodiscard]] bool writeNewHeaderLocked(const std::filesystem::path& headerPath,
                                            const Configuration& configuration,
                                            const SondeTable& sondes);
    [[nodiscard]] bool readHeaderLocked(const std::filesystem::path& headerPath, int fileIndex,
                                        HeaderInfo& info);

    HeaderInfo info_;
    std::mutex fileMutex_; // held for each whole read, fresh write or group of key updates
};

} // namespace zarn
