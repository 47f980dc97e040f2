// What a picture export is asked to do, and the checks the export dialog makes on each entry:
// the depth range within the log and in its direction, the depth interval between half and five
// times the log's average line spacing, and the lines per file (at most 25600, at most 99
// files). The command line makes the same checks with the same texts.
//
// Depths are in metres, rounded to 0.01 m; intervals in metres, positive here and given the
// log's direction by the job (negative for an upward log).
#pragma once

#include "acquisition/export/BmpCreator.h"
#include "acquisition/export/ExportSource.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace zarn {

// A mil (a thousandth of an inch) in metres, by the program's inch.
inline constexpr double MetresPerMil = 25.39996 / 1000.0 / 1000.0;

struct PictureExportJob {
    static constexpr int MaxLimit = 25600; // lines per file
    static constexpr int MaxFiles = 99;
    // The smallest interval: 0.1 mm (1 mil in feet).
    static constexpr double SmallestInterval = 0.0001;

    double from = 0;     // m
    double to = 0;       // m
    double interval = 0; // m, signed: negative for an upward log
    int maxLines = MaxLimit;
    CBmpCreator::PictureType type = CBmpCreator::PictureType::Jpeg;
    int colourMode = CBmpCreator::TrueColourMode;
    int decimals = 4;
    int deviation = 0; // 0 none, 1 magnetic north, 2 high side
    bool drawScale = true;
    std::uint32_t scaleColour = 0x0000FFFF; // COLORREF, yellow
    bool feet = false;                      // depth scale and names in feet
    std::filesystem::path outputFolder;
    // What the lines become: pictures, the LGX image log (in the LGX folder of the output), or
    // the lines of one canvas kept in memory for the dialog's preview (nothing is written).
    enum class Output { Pictures, Lgx, Preview };
    Output output = Output::Pictures;
    bool bicubic = false;    // bicubic instead of bilinear resampling
    bool replaceLgx = false; // an earlier LGX export of the same name may be replaced

    // |round((to - from) / interval)|
    long long totalLines() const;
    // min(max of lines, total lines)
    long long linesPerFile() const;
    // ceil(total lines / max of lines)
    long long fileCount() const;
};

// The picture type of the saved "UserBMPType" (0 BMP, 1 TIFF, 2 JPEG; others BMP), and back.
CBmpCreator::PictureType pictureTypeOfSetting(int saved);
int settingOfPictureType(CBmpCreator::PictureType type);

// The LGX sampling intervals: items 1 to 5, that many millimetres, shown as "1.0" to "5.0" (mm)
// or "39" to "196" (mil).
inline constexpr int LgxIntervalCount = 5;
// The item of the saved "UserLgxInterpol" (0 or out of the list: the first).
int lgxItemOfSetting(int saved);
// The mil an item is shown as.
int lgxMilOf(int item);
// The list's text of an item in the depth unit.
std::string lgxIntervalText(int item, bool feet);

// The colours of the depth scale, by their index in the dialog's list ("Black", "Red",
// "Yellow", "White").
std::uint32_t scaleColourOf(int index);
// The file extension of a picture type (".bmp", ".jpg", ".tif").
const char* pictureExtensionOf(CBmpCreator::PictureType type);

// A depth rounded to 0.01 m.
double roundToCentimetre(double metres);
// A depth rounded to 0.1 mm.
double roundToTenthMillimetre(double metres);

// The log's span as the dialog offers it: start and end rounded to 0.01 m, moved 0.01 m into
// the log where the rounding put them outside.
struct ExportSpan {
    double start = 0;
    double end = 0;
};
ExportSpan exportSpanOf(const ExportSource& source);

// The interval the dialog proposes: the average line spacing rounded to 0.1 mm (0.1 mm more
// when the rounding made it smaller), at least 0.1 mm; positive.
double defaultInterval(const ExportSource& source);

// The range check of From and To; the message when the range is refused.
[[nodiscard]] std::optional<std::string> checkDepthRange(const ExportSource& source, double from,
                                                         double to);
// The same against a span from start to end in the log's direction (start after end: an upward
// log), every value in one unit (m or ft) and compared in whole hundredths of it: From and To
// inside the span, From before To in the log's direction. The LAS export checks its range so.
[[nodiscard]] std::optional<std::string> checkDepthRange(double start, double end, double from,
                                                         double to);

// The intervals the dialog accepts: from half to five times the log's average line spacing, on
// the 0.1 mm grid, in metres; in mil (truncated) for feet.
struct IntervalBounds {
    double minimum = 0, maximum = 0; // m
    long long minimumMil = 0, maximumMil = 0;
};
IntervalBounds intervalBoundsOf(const ExportSource& source);

// The interval check (magnitude in metres, or in mil when feet is set); the accepted interval
// in metres, positive, or the message.
struct IntervalCheck {
    std::optional<double> interval;
    std::string message;
};
[[nodiscard]] IntervalCheck checkInterval(const ExportSource& source, double entry, bool feet);

// The max-of-lines check for a total number of lines; the message when m is refused, and the
// value the dialog puts in place (25600 for a value too big, nothing to restore the previous).
struct MaxLinesCheck {
    std::optional<int> accepted;
    std::string message;
};
[[nodiscard]] MaxLinesCheck checkMaxLines(long long totalLines, long long maxLines);

} // namespace zarn
