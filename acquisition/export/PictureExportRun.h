// The picture export of a recorded log (and, in LGX mode, its image log): its records are read
// once, in order, from the first record that reaches the start depth; each record's video payload
// is decoded by its compression mode into image lines (mode 16: eight lines, mode 8: two, mode 0:
// eight black ones), spread evenly over the depth step to the next record, turned so that the
// chosen reference direction sits at the same column, and resampled onto the export's depth grid:
// an output line at depth W between two source lines is their blend, weighted by where W lies
// between their depths (bilinear), or made from the four lines around W and four columns
// around each pixel with a cubic kernel (bicubic). The lines fill one canvas at a time; each full
// canvas is saved as one picture named by the depths it covers, so that the end depth in one
// picture's name is the start depth in the next.
//
// Streaming: one canvas, the current and previous line and one record in memory whatever the
// length of the log; nothing is allocated per line or per record.
//
// Long work: reports its stages and the fraction of lines made to the progress and checks the
// cancel once per record. A cancelled or failed run keeps the pictures it saved whole and leaves
// no half-written file under a picture's name.
#pragma once

#include "acquisition/export/BmpCreator.h"
#include "acquisition/export/ExportLine.h"
#include "acquisition/export/ExportSource.h"
#include "acquisition/export/LgxWriter.h"
#include "acquisition/export/PictureExportJob.h"
#include "acquisition/stream/ToolsUnCompress.h"
#include "platform/Progress.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zarn {

// One picture written: the generated-file table's entry.
struct GeneratedPicture {
    std::filesystem::path path;
    int width = 0;
    int height = 0;
    double start = 0; // m, the depth of its first line
    double end = 0;   // m, the depth just past its last line: the next picture's start
};

// Declined: an earlier LGX export of the same name is there and may not be replaced.
enum class ExportOutcome { Done, Cancelled, Failed, Declined };

struct PictureExportResult {
    ExportOutcome outcome = ExportOutcome::Failed;
    std::string message; // why it failed, in the program's words
    std::vector<GeneratedPicture> pictures;
    std::vector<std::string> notes;                // damaged files, a dropped short picture, ...
    long long lines = 0;                           // output lines made
    std::filesystem::path lgxDescription, lgxData; // the LGX files written
};

class PictureExportRun {
public:
    // The disk space an export needs free on the output drive, MB.
    static constexpr std::uintmax_t RequiredFreeMb = 50;
    // A last picture with fewer lines is not saved.
    static constexpr int SmallestPicture = 6;

    PictureExportRun(const ExportSource& source, const PictureExportJob& job);

    [[nodiscard]] PictureExportResult run(Progress& progress = noProgress());

    // The free-space message, or nothing when the output drive has room.
    static std::optional<std::string> freeSpaceProblem(const std::filesystem::path& folder);
    // The type and mode text of the save status ("JPG - True colors - 4 decimals").
    std::string typeAndModeText() const;
    // The canvas a preview run filled (empty after any other run).
    const CBmpCreator& canvas() const { return canvas_; }

private:
    struct Lines; // the line buffers of a run
    class Resampler;
    std::filesystem::path picturePath(double start, double end) const;
    double depthOf(long long k) const;
    bool savePicture(PictureExportResult& result, double start, double end, Progress& progress);
    int decodeRecord(std::span<const std::uint8_t> record, std::uint32_t* lines, int width);
    // One output line at depth w, made from the source line `from`: into the canvas (saved when
    // full) or the LGX data file. False when a save or a write failed (the message is set).
    bool emit(const std::uint32_t* pixels, double w, const ExportLine& from,
              PictureExportResult& result, Progress& progress);

    const ExportSource& source_;
    PictureExportJob job_;
    CBmpCreator canvas_;
    CToolsUnCompress decoder_;
    LgxWriter lgx_;
    std::string base_;
    int pictureNumber_ = 1;
    // Output lines: made so far and asked for, the lines per picture, what is left, where the
    // picture in progress starts.
    long long made_ = 0;
    long long total_ = 0;
    long long perFile_ = 0;
    long long remaining_ = 0;
    double pictureStart_ = 0;
    std::vector<std::string> notes_;
};

} // namespace zarn
