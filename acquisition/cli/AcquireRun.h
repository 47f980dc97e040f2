// One live acquisition of zarn-cli, step by step: link, power-on sequence, recording, the
// monitoring loop with its stop conditions, and the orderly end (recording stopped, sonde
// powered off, link closed) whatever stopped the run.
#pragma once

#include "acquisition/cli/CliSupport.h"
#include "acquisition/cli/Commands.h"
#include "acquisition/cli/StatusLine.h"
#include "acquisition/cli/StatusPane.h"
#include "acquisition/cli/StripCapture.h"
#include "acquisition/engine/AcquisitionEngine.h"

#include <chrono>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zarn::cli {

// What a finished run made, for the caller's summary.
struct AcquireResult {
    int exitCode = ExitCode::Ok;
    std::filesystem::path header; // the recorded log, when one was recorded
    std::filesystem::path image;  // the picture, when one was written
    int records = 0;              // records in the last data file
    int dataFiles = 0;
    long long recordsWritten = 0; // records in all data files of the log
    std::vector<std::filesystem::path> dataFilePaths;
    bool powerOffConfirmed = true;
    std::uint32_t goodFrames = 0;
    std::int32_t lostFrames = 0;
    std::int32_t videoRequests = 0;
    double lastDepth = 0;
};

class AcquireRun {
public:
    using Clock = std::chrono::steady_clock;

    AcquireRun(const AcquireOptions& options, const LoadedSettings& settings, std::ostream& out,
               std::ostream& err);
    ~AcquireRun();

    // Runs to the end and prints the summary; the exit code.
    [[nodiscard]] int execute();
    const AcquireResult& result() const { return result_; }

private:
    // Serves the engine (messages, panel deadlines) until `done` or the time is up; false when
    // the time ran out or an interrupt came first.
    [[nodiscard]] bool serveUntil(const std::function<bool()>& done,
                                  std::chrono::duration<double> limit, bool stopOnInterrupt = true);
    void serveOnce();
    // The outputs (--record, --capture, --image) and the sonde, checked before anything is
    // switched on: the folders are created, an existing log is refused without --replace.
    [[nodiscard]] int checkOutputs();
    [[nodiscard]] int connect();
    [[nodiscard]] int powerOn();
    [[nodiscard]] int startRecording();
    // The new log of --record: its files, and the old log's deleted when the operator agrees;
    // nothing, with the reason in problem, when it cannot be made.
    [[nodiscard]] std::optional<RecordingSetup>
    prepareNewLog(const std::filesystem::path& headerPath, std::string& problem);
    [[nodiscard]] int monitor();
    // Shows the panel's reverse-motion text as a warning (at most one line per text every few
    // seconds).
    void warnReverseMotion();
    void finish();
    // The records and data files of the recorded log, as they are on disk.
    void countRecords();
    void printSummary();
    std::string statusText() const;
    bool depthReached() const;
    [[nodiscard]] int fail(int code, const std::string& text);

    AcquireOptions options_;
    WindowPlacementRecord placements_; // written back with the path keys of a new log
    std::ostream& out_;
    std::ostream& err_;
    std::unique_ptr<AcquisitionEngine> engine_;
    std::unique_ptr<StripCapture> capture_;
    StatusPane pane_;
    StatusLine status_;
    AcquireResult result_;
    bool recording_ = false;
    bool powered_ = false;
    std::optional<Clock::time_point> sondeOnSince_;
    std::string lastWarning_;
    Clock::time_point lastWarningAt_{};
};

} // namespace zarn::cli
