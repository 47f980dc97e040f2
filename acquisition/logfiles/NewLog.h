// "New log.": the log the next recording goes into. Given the folder and the title chosen in the
// save dialog and the recording mode's choices, it names the header (title + ".hed") and the
// first data file (title + ".lox"), asks before replacing a log of the same name and deletes the
// old one on Yes, keeps the path record up to date, and gives what the recording start needs.
// The owner then writes the fresh header (CHeader::WriteNewHeader), runs Save files and starts
// the recording (CDataLogWriter::StartRecording) with the setup given here.
//
// The old log's data files are those its header lists under "[File%d]" "FileName". A header is
// a text file anyone can edit, so a listed name is deleted only when it is a plain data file
// name of that folder: no folder part, no separator, not "." or "..", ending in ".lox". Any
// other listed name is left alone and reported.
//
// Runs on the thread that owns the windows (it may ask a question).
#pragma once

#include "acquisition/app/SettingsRecords.h"
#include "acquisition/logfiles/DataLogWriter.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// The choices of the save dialog and of the recording mode, and where the sonde is now.
struct NewLogRequest {
    std::filesystem::path folder; // the chosen folder
    std::string title;            // the chosen file title, without extension
    bool loggingDown = true;      // the recording mode's direction
    // The recording mode's split length (metres, or feet with imperial depths); empty: keep the
    // configured "RecordSplitFile".
    std::optional<int> splitLength;
    double loggerDepth = 0.0; // the current logger depth (m)
    double imageDepth = 0.0;  // the current image depth (m)
};

enum class NewLogOutcome {
    Ready,       // the log is named and any old log of that name is gone: record into it
    Declined,    // a log of that name exists and the operator kept it: nothing was changed
    InvalidName, // the title is not a file name: nothing was changed
};

// A name listed by the old header that was not deleted, and why.
struct SkippedLogFile {
    std::string listedName;
    std::string reason;
};

struct NewLogResult {
    NewLogOutcome outcome = NewLogOutcome::InvalidName;
    RecordingSetup setup;          // for CDataLogWriter::StartRecording
    double lastWrittenDepth = 0.0; // the current image depth: the recording rule's start depth
    std::vector<std::filesystem::path> deleted; // the old log's files that were deleted
    std::vector<SkippedLogFile> skipped;        // listed names left alone, failed deletions
};

class NewLogCreation {
public:
    static constexpr std::string_view ReplaceQuestion =
        "Same file name exist, do you want replace this ?";

    // configuration: the program's configuration, whose path record (and split length) this
    // updates. saveFiles: the configuration's Save files, run after the path record changed
    // (may be empty).
    explicit NewLogCreation(Configuration& configuration, std::function<bool()> saveFiles = {});

    [[nodiscard]] NewLogResult Create(const NewLogRequest& request);

    static std::string HeaderName(std::string_view title) { return std::string(title) + ".hed"; }
    static std::string DataFileName(std::string_view title) { return std::string(title) + ".lox"; }
    // Whether a title can name a file of the folder (not empty, not "." or "..", no separator,
    // no control character).
    static bool ValidTitle(std::string_view title);
    // Whether a name listed in a header may be deleted as one of its log's data files; when it
    // may not, why.
    static std::optional<std::string> RefusalOfListedName(std::string_view listedName);

private:
    void deleteOldLog(const std::filesystem::path& folder, const std::filesystem::path& headerPath,
                      NewLogResult& result) const;

    Configuration& configuration_;
    std::function<bool()> saveFiles_;
};

} // namespace zarn
