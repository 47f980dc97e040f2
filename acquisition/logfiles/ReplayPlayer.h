// The replay player's engine: opens a recorded log (checks, header, repair of an interrupted
// recording), sets where the replay starts (a depth of a single-file log, a data file of a
// multi-file log), and plays the records one by one on its playback thread at the pace of the
// speed slider, moving on through the data files, through the same decoding and drawing path as
// live data (ReplaySink). The probe control panel's buttons call StartPlayback, Pause, Rewind
// and StopPlayback; the dialogs of the start choice use SetDepthPlayerLogic and
// MultiFileSelectorLogic.
//
// States: closed -> (OpenLog and a start) opened, first record shown -> playing <-> paused ->
// end of the last file or StopPlayback -> opened at position 0 of the first replay file.
//
// Threads: every operation below is called from the thread that owns the windows. Only one
// playback thread ever runs: every operation that starts, pauses, rewinds or stops the playback
// first stops the running thread and joins it, so the reader is never used by two threads. The
// queries (positions, file index, file name, flags) may be called from any thread.
#pragma once

#include "acquisition/app/RecorderState.h"
#include "acquisition/app/SettingsRecords.h"
#include "acquisition/logfiles/DataLogReader.h"
#include "acquisition/logfiles/Header.h"
#include "acquisition/logfiles/LogFilesDisplay.h"
#include "acquisition/logfiles/MultiFileSelectorLogic.h"
#include "acquisition/logfiles/PlaybackPacer.h"
#include "acquisition/logfiles/ReplaySink.h"
#include "acquisition/logfiles/SetDepthPlayerLogic.h"
#include "platform/MessageBus.h"
#include "platform/Progress.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace zarn {

class CReplayPlayer {
public:
    // sink and display may be null; pacer: the steady clock when null.
    CReplayPlayer(CHeader& header, RecorderState& state, ReplaySink* sink = nullptr,
                  LogFilesDisplay* display = nullptr, MessageBus& bus = MessageBus::instance(),
                  std::unique_ptr<PlaybackPacer> pacer = nullptr);
    ~CReplayPlayer();
    CReplayPlayer(const CReplayPlayer&) = delete;
    CReplayPlayer& operator=(const CReplayPlayer&) = delete;

    enum class OpenResult {
        Failed,      // a message was shown (or the header could not be read); the panel resets
        ChooseDepth, // a single data file: "Set depth start", then StartAtDepth
        ChooseFile,  // several data files: "Multi file selector", then StartAtFile
        Cancelled,   // the repair was cancelled through its progress: nothing written or shown
    };

    // Opens the log of a header file chosen by the operator. The data file is the header path
    // with the extension "lox". A header whose extension is not "hed" (any case) with an
    // existing data file: "Bad header file."; a missing data file: "I not find Data file : "
    // path " !!!". The header is read (a failure abandons silently); "Data file : " and the
    // data file name go to the status bar; the log is marked loaded; a header still marked
    // "CORRUPT" is repaired first ("Files corrupted ... no Recovery Process !!" when it cannot
    // be), and so is one whose last data file holds records logged after the header's end time
    // (a recording cut after a periodic header update; a failure there is only traced). paths,
    // when given, remembers the log (last header, folder, data file and names). The repair
    // reports to progress and may be cancelled through it.
    [[nodiscard]] OpenResult OpenLog(const std::filesystem::path& headerPath,
                                     AppPaths* paths = nullptr, Progress& progress = noProgress());

    // The logic of "Set depth start" for the opened log (first record of the current file,
    // header start and end depth).
    SetDepthPlayerLogic DepthStartChoice(bool feet) const;
    // The logic of "Multi file selector" for the opened log.
    MultiFileSelectorLogic StartFileChoice(bool feet) const;

    // Single-file start: "All" (no depth) reads the first record; a depth is searched (the
    // first record when it is not found). Then the replay state is entered. False when no
    // record could be read. The depth search reports to progress; a cancelled search starts at
    // the first record.
    [[nodiscard]] bool StartAtDepth(std::optional<double> depthMetres,
                                    Progress& progress = noProgress());
    // Multi-file start: the chosen file (a cancel: nothing, the first file) becomes the first
    // replay file; its first record is read; the replay state is entered.
    [[nodiscard]] bool StartAtFile(std::optional<int> fileIndex);

    // Starts the playback thread from the next position (joining any previous one).
    void StartPlayback();
    // Stops the playback (the thread ends after its current record and is joined) and returns
    // to position 0 of the first replay file.
    void StopPlayback();
    // Pause: while playing, stops the thread and marks the player paused; while paused, plays
    // on from the next position.
    void Pause();
    // Back to the first record of the first replay file: it is read and shown, the position
    // returns to 0, the player is left paused, and the main window is told to redraw.
    void Rewind();
    // Leaves the replay: stops the playback, closes the data file, clears the loaded and
    // replay flags.
    void CloseLog();
    // Blocks until a playback thread that runs to the end of the log has ended.
    void WaitForPlaybackEnd();
    // The same, reporting the share of the log's records played to progress; when progress is
    // cancelled the playback is stopped (as StopPlayback) and the result is false.
    [[nodiscard]] bool WaitForPlaybackEnd(Progress& progress);

    void SetSpeedSlider(int position);
    int SpeedSlider() const { return slider_; }

    bool Playing() const { return state_.playing; }
    bool Paused() const { return state_.paused; }
    bool ThreadRunning() const { return threadRunning_; }
    std::int64_t NextPosition() const { return position_; }
    int CurrentFileIndex() const { return currentFile_; }
    int FirstFileIndex() const { return firstFile_; }
    int DataFiles() const { return dataFiles_; }
    double StartDepth() const { return startDepth_; }
    std::filesystem::path DataFilePath() const;
    std::string DataFileName() const;
    std::filesystem::path HeaderPath() const;
    std::filesystem::path LogFolder() const;

private:
    void stopThread();
    void playbackLoop();
    void endOfPlayback();
    std::filesystem::path dataFileOf(int fileIndex) const;
    void makeCurrent(int fileIndex);
    [[nodiscard]] bool readFirstRecordOfCurrent();
    void enterReplayState();
    void showStatus(const std::string& text) const;

    CHeader& header_;
    RecorderState& state_;
    ReplaySink* sink_;
    LogFilesDisplay* display_;
    MessageBus& bus_;
    std::unique_ptr<PlaybackPacer> pacer_;
    CDataLogReader reader_;

    std::thread thread_;
    std::atomic<bool> threadRunning_{false};
    std::atomic<int> slider_{SpeedSliderInitial};
    std::atomic<std::int64_t> position_{0};
    std::atomic<int> currentFile_{1};
    std::atomic<int> firstFile_{1};
    std::atomic<int> dataFiles_{1};
    std::atomic<double> startDepth_{0.0};

    mutable std::mutex pathsMutex_; // the paths below, read by any thread
    std::filesystem::path headerPath_;
    std::filesystem::path firstDataFile_; // the data file of the header (file 1)
    std::filesystem::path dataFile_;      // the data file being read
};

} // namespace zarn
