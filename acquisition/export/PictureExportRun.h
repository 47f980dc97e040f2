// The picture export of a recorded log: its records are read once, in order, from the first
// record that reaches the start depth; each record's video payload is decoded by its
// compression mode into image lines (mode 16: eight lines, mode 8: two, mode 0: eight black
// ones), spread evenly over the depth step to the next record, turned so that the chosen
// reference direction sits at the same column, and resampled onto the export's depth grid: an
// output line at depth W between two source lines is their blend, weighted by where W lies
// between their depths (bilinear). The lines fill one canvas at a time; each full canvas is
// saved as one picture named by the depths it covers, so that the end depth in one picture's
// name is the start depth in the next.
//
// Streaming: one canvas, the current and previous line and one record in memory whatever the
// length of the log; nothing is allocated per line or per record.
//
// Long work: reports its stages and the fraction of lines made to the progress and checks the
// cancel once per record. A cancelled or failed run keeps the pictures it saved whole and leaves
// no half-written file under a picture's name.
#pragma once

#include "acquisition/export/BmpCreator.h"
#include "acquisition/export/ExportSource.h"
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

enum class ExportOutcome { Done, Cancelled, Failed };

struct PictureExportResult {
    ExportOutcome outcome = ExportOutcome::Failed;
    std::string message; // why it failed, in the program's words
    std::vector<GeneratedPicture> pictures;
    std::vector<std::string> notes; // damaged files, a dropped short picture, ...
    long long lines = 0;            // output lines made
};

class PictureExportRun {
public:
    // The disk space an export needs free on the output drive, MB.
    static constexpr std::uintmax_t RequiredFreeMb = 50;
    // A last picture with fewer lines is not saved.
    static constexpr int SmallestPicture = 6;

    PictureExportRun(const ExportSource& source, const PictureExportJob& job);

    PictureExportResult run(Progress& progress = noProgress());

    // The free-space message, or nothing when the output drive has room.
    static std::optional<std::string> freeSpaceProblem(const std::filesystem::path& folder);
    // The type and mode text of the save status ("JPG - True colors - 4 decimals").
    std::string typeAndModeText() const;

private:
    struct Lines; // the line buffers of a run
    std::filesystem::path picturePath(double start, double end) const;
    bool savePicture(PictureExportResult& result, double start, double end, Progress& progress);
    int decodeRecord(std::span<const std::uint8_t> record, std::uint32_t* lines, int width);

    const ExportSource& source_;
    PictureExportJob job_;
    CBmpCreator canvas_;
    CToolsUnCompress decoder_;
    std::string base_;
    int pictureNumber_ = 1;
};

} // namespace zarn
