#include "acquisition/logfiles/ReplayPlayer.h"

#include "acquisition/app/DiagnosticLogs.h"
#include "acquisition/logfiles/DataLogScans.h"
#include "acquisition/logfiles/LogPaths.h"
#include "acquisition/logfiles/LogRepair.h"
#include "platform/Format.h"
#include "platform/UserMessages.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace zarn {

CReplayPlayer::CReplayPlayer(CHeader& header, RecorderState& state, ReplaySink* sink,
                             LogFilesDisplay* display, MessageBus& bus,
                             std::unique_ptr<PlaybackPacer> pacer)
    : header_(header), state_(state), sink_(sink), display_(display), bus_(bus),
      pacer_(pacer ? std::move(pacer) : std::make_unique<SteadyPlaybackPacer>()),
      reader_(sink, display, bus) {}

CReplayPlayer::~CReplayPlayer() {
    stopThread();
}

void CReplayPlayer::showStatus(const std::string& text) const {
    if (display_)
        display_->showStatusText(text);
}

void CReplayPlayer::stopThread() {
    state_.playing = false;
    if (!thread_.joinable())
        return;
    // A sink that stops the playback from inside the playback thread only clears the flag:
    // the thread ends after the current record and is joined by the next operation.
    if (thread_.get_id() == std::this_thread::get_id())
        return;
    pacer_->wake();
    thread_.join();
}

std::filesystem::path CReplayPlayer::dataFileOf(int fileIndex) const {
    std::lock_guard lock(pathsMutex_);
    if (fileIndex <= 1)
        return firstDataFile_;
    return listedDataFile(headerPath_, firstDataFile_.parent_path(), fileIndex);
}

void CReplayPlayer::makeCurrent(int fileIndex) {
    const std::filesystem::path path = dataFileOf(fileIndex);
    {
        std::lock_guard lock(pathsMutex_);
        dataFile_ = path;
    }
    currentFile_ = fileIndex;
    position_ = 0;
    reader_.SetDataFile(path);
}

bool CReplayPlayer::readFirstRecordOfCurrent() {
    std::int64_t position = 0;
    const bool read = reader_.ReadDataLineInFile(position);
    position_ = read ? position : 0;
    return read;
}

CReplayPlayer::OpenResult CReplayPlayer::OpenLog(const std::filesystem::path& headerPath,
                                                 AppPaths* paths, Progress& progress) {
    stopThread();
    reader_.Close();

    const std::filesystem::path dataFile = dataFileOfHeader(headerPath);
    std::error_code ec;
    const bool dataExists = std::filesystem::is_regular_file(dataFile, ec);
    if (!equalsNoCase(headerPath.extension().string(), ".hed") || !dataExists) {
        if (dataExists)
            showMessage("Bad header file.");
        else
            showMessage("I not find Data file : " + dataFile.string() + " !!!");
        return OpenResult::Failed;
    }

    const std::string title = headerPath.stem().string();
    if (paths) {
        paths->lastHeader = headerPath.string();
        paths->filePath = headerPath.parent_path().string();
        paths->dataFile = dataFile.string();
        paths->fileName = title + ".lox";
        paths->headerName = title + ".hed";
    }

    if (display_)
        display_->setWaitCursor(true);
    const bool failed = header_.ReadHeader(headerPath, 1);
    if (display_)
        display_->setWaitCursor(false);
    if (failed)
        return OpenResult::Failed;

    {
        std::lock_guard lock(pathsMutex_);
        headerPath_ = headerPath;
        firstDataFile_ = dataFile;
        dataFile_ = dataFile;
    }
    showStatus("Data file : " + title + ".lox");
    const HeaderInfo& info = header_.Info();
    state_.logLoaded = true;
    position_ = 0;
    startDepth_ = info.Startdepth / 1000.0;

    if (info.EndDepthCorrupt) {
        const RepairResult repaired = RepairInterruptedLog(header_, headerPath, dataFile, progress);
        if (repaired != RepairResult::Repaired) {
            state_.logLoaded = false;
            if (repaired == RepairResult::Cancelled)
                return OpenResult::Cancelled;
            showMessage("Files corrupted ... no Recovery Process !!");
            return OpenResult::Failed;
        }
    }
    // A recording cut after a periodic header update: the header ends short of the records.
    if (!info.EndDepthCorrupt && HoldsRecordsPastHeader(info, headerPath, dataFile) &&
        RepairInterruptedLog(header_, headerPath, dataFile) != RepairResult::Repaired)
        DiagnosticLogs::instance().traceLog("CReplayPlayer",
                                            "records past the header's end not repaired");

    firstFile_ = 1;
    currentFile_ = 1;
    dataFiles_ = boundedDataFiles(info.DataFiles);
    reader_.SetHeaderValues(ReplayHeaderValues::from(info));
    reader_.SetDataFile(dataFile);
    return info.DataFiles < 2 ? OpenResult::ChooseDepth : OpenResult::ChooseFile;
}

SetDepthPlayerLogic CReplayPlayer::DepthStartChoice(bool feet) const {
    const std::optional<FirstRecord> first = ReadFirstRecord(DataFilePath());
    const HeaderInfo& info = header_.Info();
    return SetDepthPlayerLogic(first ? std::optional<std::int32_t>(first->imageDepthUnits)
                                     : std::nullopt,
                               info.Startdepth, info.EndDepth, feet);
}

MultiFileSelectorLogic CReplayPlayer::StartFileChoice(bool feet) const {
    return MultiFileSelectorLogic::FromHeader(HeaderPath(), header_.Info(), feet);
}

void CReplayPlayer::enterReplayState() {
    if (sink_)
        sink_->enterReplayState();
    reader_.ClearOrientation();
    state_.replayActive = true;
}

bool CReplayPlayer::StartAtDepth(std::optional<double> depthMetres, Progress& progress) {
    stopThread();
    std::int64_t position = 0;
    bool read = false;
    if (!depthMetres) {
        read = reader_.ReadDataLineInFile(position);
    } else {
        startDepth_ = *depthMetres;
        progress.stage("Search Depht Position");
        read = reader_.SearchDepth(position, *depthMetres, progress);
        if (!read) {
            position = 0;
            read = reader_.ReadDataLineInFile(position);
        }
    }
    position_ = read ? position : 0;
    enterReplayState();
    return read;
}

bool CReplayPlayer::StartAtFile(std::optional<int> fileIndex) {
    stopThread();
    const int chosen =
        std::clamp(fileIndex.value_or(MultiFileSelectorLogic::Cancel()), 1, dataFiles_.load());
    firstFile_ = chosen;
    makeCurrent(chosen);
    const bool read = readFirstRecordOfCurrent();
    enterReplayState();
    return read;
}

void CReplayPlayer::StartPlayback() {
    stopThread();
    state_.paused = false;
    state_.playing = true;
    threadRunning_ = true;
    thread_ = std::thread([this] { playbackLoop(); });
}

void CReplayPlayer::playbackLoop() {
    while (state_.playing) {
        const std::chrono::nanoseconds interval = PlaybackInterval(slider_);
        if (interval > std::chrono::nanoseconds::zero())
            pacer_->wait(interval, state_.playing);
        else
            std::this_thread::yield();
        if (!state_.playing)
            break;

        state_.replayActive = true;
        std::int64_t position = position_;
        if (reader_.ReadDataLineInFile(position)) {
            position_ = position;
            if (sink_)
                sink_->refreshMainWindow();
            continue;
        }
        // End of this data file (or one that cannot be read): on to the next one.
        const int next = currentFile_ + 1;
        if (next > dataFiles_) {
            endOfPlayback();
            break;
        }
        makeCurrent(next);
        if (readFirstRecordOfCurrent() && sink_)
            sink_->refreshMainWindow();
    }
    threadRunning_ = false;
}

void CReplayPlayer::endOfPlayback() {
    makeCurrent(firstFile_);
    state_.playing = false;
    state_.replayActive = false;
    position_ = 0;
    reader_.ClearSpeed();
    if (sink_)
        sink_->playbackEnded();
}

void CReplayPlayer::StopPlayback() {
    stopThread();
    state_.paused = false;
    makeCurrent(firstFile_);
}

void CReplayPlayer::Pause() {
    if (state_.playing) {
        stopThread();
        state_.paused = true;
    } else if (state_.paused) {
        StartPlayback();
    }
}

void CReplayPlayer::Rewind() {
    stopThread();
    makeCurrent(firstFile_);
    // A first record that cannot be read leaves nothing new to show (the reader says why when
    // the file cannot be opened); the position returns to 0 either way.
    static_cast<void>(readFirstRecordOfCurrent());
    position_ = 0;
    state_.paused = true;
    bus_.post(Role::MainWindow, command(Cmd::FrameShown));
}

void CReplayPlayer::CloseLog() {
    stopThread();
    reader_.Close();
    state_.paused = false;
    state_.replayActive = false;
    state_.logLoaded = false;
    position_ = 0;
}

void CReplayPlayer::WaitForPlaybackEnd() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

bool CReplayPlayer::WaitForPlaybackEnd(Progress& progress) {
    // The size of each data file from the first replay file on: the share played is the bytes
    // of the files done and the position in the current one.
    std::vector<std::uintmax_t> sizes;
    std::uintmax_t total = 0;
    for (int index = firstFile_; index <= dataFiles_; ++index) {
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(dataFileOf(index), ec);
        sizes.push_back(ec ? 0 : size);
        total += sizes.back();
    }
    while (threadRunning_) {
        if (progress.cancelled()) {
            StopPlayback();
            return false;
        }
        const int current = currentFile_;
        std::uintmax_t done = 0;
        for (int index = firstFile_; index < current && index - firstFile_ < std::ssize(sizes);
             ++index)
            done += sizes[static_cast<std::size_t>(index - firstFile_)];
        done += static_cast<std::uintmax_t>(std::max<std::int64_t>(position_, 0));
        progress.fraction(
            total == 0 ? 0.0
                       : std::min(1.0, static_cast<double>(done) / static_cast<double>(total)));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    WaitForPlaybackEnd();
    progress.fraction(1.0);
    return true;
}

void CReplayPlayer::SetSpeedSlider(int position) {
    slider_ = std::clamp(position, SpeedSliderMin, SpeedSliderMax);
}

std::filesystem::path CReplayPlayer::DataFilePath() const {
    std::lock_guard lock(pathsMutex_);
    return dataFile_;
}

std::string CReplayPlayer::DataFileName() const {
    std::lock_guard lock(pathsMutex_);
    return dataFile_.filename().string();
}

std::filesystem::path CReplayPlayer::HeaderPath() const {
    std::lock_guard lock(pathsMutex_);
    return headerPath_;
}

std::filesystem::path CReplayPlayer::LogFolder() const {
    std::lock_guard lock(pathsMutex_);
    return firstDataFile_.parent_path();
}

} // namespace zarn
