// The commands of zarn-cli. Each takes its options, writes its results to `out` and its one-line
// error messages ("zarn-cli: ...") to `err`, and returns the process's exit code. The program's
// main parses the command line into these options; tests call the commands directly.
#pragma once

#include "acquisition/stream/DecoderSettings.h"
#include "platform/Progress.h"

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace zarn::cli {

namespace ExitCode {
inline constexpr int Ok = 0;
inline constexpr int Failure = 1;        // the work could not be done (write error, ...)
inline constexpr int BadArguments = 2;   // the command line itself
inline constexpr int MissingFile = 3;    // an input file that does not exist or cannot be read
inline constexpr int CorruptInput = 4;   // a log, header or capture that cannot be used
inline constexpr int DriverNotBound = 5; // the USB bridge library does not bind
inline constexpr int NoAnswer = 6;       // no logger found, or the sonde does not power on
inline constexpr int Interrupted = 130;  // stopped by Ctrl-C before the work was complete
} // namespace ExitCode

// The long commands (inspect, replay, demo) report to a progress and stop when it is cancelled
// (the program's progress is cancelled by Ctrl-C): they then say so on err, leave no output
// under its final name and return Interrupted.

// inspect LOG.hed: the header as one JSON object on the first line, then one JSON object per
// record of every data file of the log. Nothing is printed when a data file is missing.
struct InspectOptions {
    std::filesystem::path header;
    bool headerOnly = false;
    std::optional<long long> limit; // at most this many records
};
[[nodiscard]] int runInspect(const InspectOptions& options, std::ostream& out, std::ostream& err,
                             Progress& progress = noProgress());

// header LOG.hed: the well information of a log's header ("[WellInfo]" but the log's range), one
// KEY=VALUE line per key in the file's order; each --set KEY=VALUE (the header editor's fields,
// any key but the range, "Remarks" for the comments split at its line breaks) is applied first
// and the header rewritten, its other keys and sections left as they are.
struct HeaderOptions {
    std::filesystem::path header;
    std::vector<std::string> sets; // KEY=VALUE
};
[[nodiscard]] int runHeader(const HeaderOptions& options, std::ostream& out, std::ostream& err);

// dissect CAPTURE: a raw capture run through the reader's framing and the decoders, one JSON
// object per packet or frame.
struct DissectOptions {
    std::filesystem::path capture;
    bool decode = true; // with the decoded fields of each good frame
    // The settings the frames are decoded with (depth scale, speed, offsets); empty: those of a
    // default configuration, with the depth scale its winch settings give.
    std::optional<DecoderSettings> decoderSettings;
};
[[nodiscard]] int runDissect(const DissectOptions& options, std::ostream& out, std::ostream& err);

// paths: loads the configuration and prints where the program's files live.
[[nodiscard]] int runPaths(std::ostream& out, std::ostream& err);

// replay LOG.hed: plays the log through the decoding and drawing path and writes the unrolled
// image of a depth interval (the whole log by default) as a PNG picture with its depth scale.
struct ReplayOptions {
    std::filesystem::path header;
    std::filesystem::path image;    // the PNG to write
    std::optional<double> from, to; // m; the log's start and end depths by default
    double rowsPerMetre = 400;
    std::optional<int> speedSlider; // paced as the panel's speed slider (1 to 50); else flat out
};
[[nodiscard]] int runReplay(const ReplayOptions& options, std::ostream& out, std::ostream& err,
                            Progress& progress = noProgress());

// acquire: binds the USB bridge library, finds the logger, powers the sonde on through the power
// order sequence, optionally records a new log, and stops at a depth, after a time or on an
// interrupt, stopping the recording cleanly and powering the sonde off.
struct AcquireOptions {
    std::string driver; // the bridge library; ZARN_FTD2XX or the default else
    std::optional<std::filesystem::path> record; // DIR/NAME: the new log's header (".hed" added)
    bool loggingDown = true;                     // the recording mode's direction
    std::optional<int> splitLength;  // m (ft in imperial units); the configured one else
    bool replaceExisting = false;    // answer yes to "Same file name exist, ..."
    std::optional<double> stopDepth; // m: stop when the image depth gets there
    std::optional<double> duration;  // s: stop after this long with the sonde on
    std::optional<std::filesystem::path> capture; // raw bytes of the reader
    std::optional<std::filesystem::path> image;   // the depth-scaled picture of the run
    double rowsPerMetre = 400;
    double connectTimeout = 20;   // s to find the logger
    double powerTimeout = 60;     // s for the sonde to come on
    bool statusLine = true;       // the live status line
    bool noVideoRecovery = false; // "NO VIDEO RECOVERY": lost video packets are not asked again
};
[[nodiscard]] int runAcquire(const AcquireOptions& options, std::ostream& out, std::ostream& err);

// demo: the simulated logger through the real link, a short recorded log, its replay into a
// picture, and the demonstration log the replay proposes; prints what was made and where.
struct DemoOptions {
    std::filesystem::path output; // the output folder
    std::string simulator;        // the simulator library; found next to the program else
};
[[nodiscard]] int runDemo(const DemoOptions& options, std::ostream& out, std::ostream& err,
                          Progress& progress = noProgress());

// sonde list | import FILE | select SERIAL: the sonde table of the settings folder, as the probe
// page shows and changes it: the stored sondes with the selected one marked, a sonde brought in
// from an import file (.znv or .txt), a stored sonde selected by its serial number.
struct SondeOptions {
    enum class Action { List, Import, Select };
    Action action = Action::List;
    std::filesystem::path importFile;
    int serial = 0;
    bool replaceExisting = false; // answer yes to "A sonde with the same serial number ..."
};
[[nodiscard]] int runSonde(const SondeOptions& options, std::ostream& out, std::ostream& err);

// export pictures LOG.hed: the log as depth-scaled pictures (JPEG, BMP or TIFF), one per block
// of lines, every line one depth step, named by the depths they cover. Unset options take the
// export settings of the configuration, the log's deviation reference and the interval the
// export dialog proposes.
struct ExportPicturesOptions {
    std::filesystem::path header;
    std::optional<std::filesystem::path> output; // the folder; the log's folder by default
    std::optional<std::string> type;             // "jpeg", "bmp" or "tiff"
    std::optional<bool> grey;
    std::optional<double> from, to; // m
    std::optional<double> interval; // mm (mil in feet)
    std::optional<int> maxLines;
    std::optional<int> decimals;  // 2, 3 or 4
    std::optional<int> deviation; // 0 none, 1 magnetic north, 2 high side
    bool noScale = false;
    std::optional<int> scaleColour; // 0 black, 1 red, 2 yellow, 3 white
    std::optional<bool> feet;       // depths in feet; the configuration's depth unit else
    std::optional<bool> bicubic;    // bicubic resampling; the configured method else
    bool replace = false;           // export lgx: replace an earlier image log of the same name
    bool html = false; // export pictures: also the HTML page of the pictures (JPEG only)
};
int runExportPictures(const ExportPicturesOptions& options, std::ostream& out, std::ostream& err,
                      Progress& progress = noProgress());

// export lgx LOG.hed: the log as an LGX image log (a description file and a data file of one
// record per line: depth, time, shift angle, raw orientation values, gamma, camera temperature
// and the line's pixels) in the LGX folder of the output, with the picture export's options;
// the interval is one of 1 to 5 mm.
int runExportLgx(const ExportPicturesOptions& options, std::ostream& out, std::ostream& err,
                 Progress& progress = noProgress());

// survey LOG.hed: the log's deviation survey: stations every step from the sonde's sensors,
// the hole's path by minimum curvature, as a CSV or JSON table (on out, or into a file) and an
// SVG plot (plan view and vertical section).
struct SurveyOptions {
    std::filesystem::path header;
    double step = 1.0;                    // m (ft in feet)
    std::optional<double> from, to;       // m (ft in feet)
    std::optional<double> sectionAzimuth; // degrees; the closure azimuth by default
    std::string format = "csv";           // csv, json or las (LAS 2.0)
    std::optional<std::filesystem::path> output;
    std::optional<std::filesystem::path> plot;
    std::optional<bool> feet; // the configuration's depth unit by default
};
int runSurvey(const SurveyOptions& options, std::ostream& out, std::ostream& err,
              Progress& progress = noProgress());

// export las LOG.hed: the log as one LAS 2.0 file: depth and the chosen curves, one line per
// step of the sample interval, the sensors brought onto one depth by the header's offsets.
// Unset options take the LAS export settings of the configuration ([LASGenerator]), the
// configured depth unit and the range the export dialog proposes.
struct ExportLasOptions {
    std::filesystem::path header;
    std::optional<std::filesystem::path> output; // the LAS file; LAS20/NAME.las beside the log
    // Curves by name: img, speed, gamma, incl, az, hgdelta, roll, mroll, tgrav, tmag, raw, all.
    std::optional<std::vector<std::string>> curves;
    std::optional<int> interval;    // cm (inches in feet): 1 or 5 (1, 2 or 4)
    std::optional<double> from, to; // in the depth unit
    std::optional<bool> feet;       // depths in feet; the configuration's depth unit else
    bool reverse = false;           // the lines from the end of the log back
    bool replaceExisting = false;   // answer yes to "Same file name exist, ..."
};
int runExportLas(const ExportLasOptions& options, std::ostream& out, std::ostream& err,
                 Progress& progress = noProgress());

// Set by the interrupt handler (Ctrl-C); long commands stop cleanly when they see it.
bool interruptRequested();
void requestInterrupt();
// Lowers the flag again, for a process that runs several commands (the tests).
void clearInterrupt();

} // namespace zarn::cli
