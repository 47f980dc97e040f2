#include "acquisition/logfiles/DataLogWriter.h"

#include "acquisition/app/DiagnosticLogs.h"
#include "acquisition/logfiles/DataLogScans.h"
#include "acquisition/logfiles/LogPaths.h"
#include "acquisition/logfiles/LogRecord.h"
#include "platform/Format.h"
#include "platform/UserMessages.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <fcntl.h>
#include <unistd.h>

namespace zarn {
namespace {

constexpr double FeetPerMetre = 3.28083;
constexpr double MetresPerFoot = 0.3047995;
constexpr std::int64_t HeaderUpdatePeriodMs = 5000;
constexpr const char* TraceLocation = "CDataLogWriter";

int headerTime(std::int64_t ms) {
    return static_cast<int>(std::clamp<std::int64_t>(ms, 0, INT_MAX));
}

void trace(const std::string& text) {
    DiagnosticLogs::instance().traceLog(TraceLocation, text);
}

int openForAppend(const std::filesystem::path& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

} // namespace

double depthMark(double imageDepth, bool loggingDown, HeaderMode mode) {
    const bool feet = mode == HeaderMode::Imperial;
    const double depth = feet ? imageDepth * FeetPerMetre : imageDepth;
    double mark = std::round(depth); // half away from zero
    if (loggingDown && mark > depth)
        mark -= 1.0;
    else if (!loggingDown && mark < depth)
        mark += 1.0;
    return feet ? mark * MetresPerFoot : mark;
}

CDataLogWriter::CDataLogWriter(CHeader& header, RecorderState& state, LogFilesDisplay* display,
                               Clock clock)
    : header_(header), state_(state), display_(display), clock_(std::move(clock)) {
    buffer_.reserve(logrecord::MaxLength);
}

CDataLogWriter::~CDataLogWriter() {
    std::lock_guard lock(mutex_);
    closeFileLocked();
}

std::chrono::steady_clock::time_point CDataLogWriter::now() const {
    return clock_ ? clock_() : std::chrono::steady_clock::now();
}

void CDataLogWriter::showStatus(const std::string& text) const {
    if (display_)
        display_->showStatusText(text);
}

bool CDataLogWriter::StartRecording(const RecordingSetup& setup, const Configuration& configuration,
                                    const SondeTable& sondes) {
    if (Recording())
        return false;
    state_.playing = false;
    state_.replayActive = false;
    state_.suspended = false;
    state_.paused = false;

    std::error_code ec;
    if (std::filesystem::exists(setup.dataFile, ec)) {
        const MessageAnswer answer = showMessage("Same file name exist, do you want replace this ?",
                                                 MessageIcon::Question, MessageButtons::YesNo);
        if (answer != MessageAnswer::Yes)
            return false;
        // Appending to the old records would mix two logs in one file.
        if (::unlink(setup.dataFile.c_str()) != 0 && errno != ENOENT) {
            showMessage("Trouble opening file.", MessageIcon::Error);
            return false;
        }
    }
    const int fd = openForAppend(setup.dataFile);
    if (fd < 0) {
        showMessage("Trouble opening file.", MessageIcon::Error);
        return false;
    }
    // The fresh header reports its own failure; the recording goes on without it.
    static_cast<void>(header_.WriteRecordingStart(setup.headerPath, configuration, sondes,
                                                  setup.loggingDown, setup.loggerDepth));
    {
        std::lock_guard lock(mutex_);
        setup_ = setup;
        fd_ = fd;
        currentFile_ = setup.dataFile;
        fileBytes_ = 0;
        fileIndex_ = 1;
        recordCount_ = 0;
        firstRecord_ = true;
        mark_ = 0.0;
        mode_ = headerModeOf(configuration);
        const int configured = configuration.program.recordSplit;
        const double split = configured > 0 ? configured : 0.0;
        splitMetres_ = mode_ == HeaderMode::Imperial ? split * MetresPerFoot : split;
        elapsed_ = {};
        stamp_ = now();
        lastUpdateMs_ = 0;
        lastWrittenDepth_ = setup.loggerDepth;
        bytesWritten_ = 0;
        state_.recording = true;
        state_.suspended = false;
        state_.paused = false;
    }
    showStatus("Data file : " + setup.dataFile.filename().string());
    return true;
}

std::int64_t CDataLogWriter::elapsedMsLocked() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(elapsed_).count();
}

void CDataLogWriter::accountTimeLocked() {
    const auto t = now();
    if (t > stamp_)
        elapsed_ += t - stamp_;
    stamp_ = t;
}

void CDataLogWriter::RestampTime() {
    std::lock_guard lock(mutex_);
    stamp_ = now();
}

void CDataLogWriter::firstRecordLocked(double imageDepth) {
    recordCount_ = 0;
    if (!header_.WriteFirstRecord(setup_.headerPath, fileIndex_, imageDepth, mode_))
        trace("header first record keys not written");
    firstRecord_ = false;
    stamp_ = now();
    lastUpdateMs_ = elapsedMsLocked();
    mark_ = depthMark(imageDepth, setup_.loggingDown, mode_);
}

bool CDataLogWriter::splitDueLocked(double loggerDepth) const {
    if (splitMetres_ <= 0.0)
        return false;
    return setup_.loggingDown ? mark_ + splitMetres_ <= loggerDepth
                              : mark_ - splitMetres_ >= loggerDepth;
}

bool CDataLogWriter::splitLocked(double imageDepth) {
    const std::int64_t elapsed = elapsedMsLocked();
    if (!header_.WriteFileClosed(
            setup_.headerPath,
            FileProgress{fileIndex_, imageDepth, headerTime(elapsed), recordCount_}, mode_))
        trace("header keys of the closed data file not written");
    closeFileLocked();

    const int next = fileIndex_ + 1;
    const std::filesystem::path path = splitDataFilePath(setup_.dataFile, next);
    // An old file of that name is replaced; one that cannot be deleted is never appended to.
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        trace(format("cannot delete %s", path.c_str()));
        return false;
    }
    const int opened = openForAppend(path);
    if (opened < 0)
        return false;
    fd_ = opened;
    currentFile_ = path;
    fileBytes_ = 0;
    fileIndex_ = next;
    if (!header_.WriteFileOpened(setup_.headerPath, next, path.filename().string(), imageDepth,
                                 headerTime(elapsed), setup_.loggingDown, mode_))
        trace("header keys of the new data file not written");
    recordCount_ = 0;
    mark_ += setup_.loggingDown ? splitMetres_ : -splitMetres_;
    showStatus("Data file :" + path.filename().string());
    return true;
}

bool CDataLogWriter::appendLocked(std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    if (done == bytes.size())
        return true;
    // Cut the file back to its last whole record, so that it never ends in half a record
    // written by this recording.
    if (done > 0 && ::ftruncate(fd_, static_cast<off_t>(fileBytes_)) != 0)
        trace("cannot cut the data file back to its last whole record");
    return false;
}

void CDataLogWriter::periodicUpdateLocked(double imageDepth) {
    const std::int64_t elapsed = elapsedMsLocked();
    if (lastUpdateMs_ > 0 && elapsed < 1000)
        lastUpdateMs_ = 0;
    if (elapsed - lastUpdateMs_ <= HeaderUpdatePeriodMs)
        return;
    if (!header_.WritePeriodicUpdate(
            setup_.headerPath,
            FileProgress{fileIndex_, imageDepth, headerTime(elapsed), recordCount_}, mode_))
        trace("periodic header update not written");
    lastUpdateMs_ = elapsed;
}

void CDataLogWriter::WriteLogFile(std::span<const std::uint8_t> frame, int payloadLength,
                                  MeasurementRecord& record) {
    std::lock_guard lock(mutex_);
    if (fd_ < 0)
        return;
    const std::size_t payload = payloadLength < 0 ? 0 : static_cast<std::size_t>(payloadLength);
    if (payloadLength < 0 || payload > logrecord::MaxPayload ||
        frame.size() < frame::full::Payload + payload) {
        trace(format("frame of %zu bytes with a payload of %d bytes not recorded", frame.size(),
                     payloadLength));
        return;
    }
    // Direction check: only frames moving in the logging direction are recorded.
    const bool goingDown = record.Direction != 0;
    if (goingDown != setup_.loggingDown)
        return;

    accountTimeLocked();
    const std::int64_t elapsedMs = elapsedMsLocked();
    record.ElapsedTime = static_cast<double>(elapsedMs) / 1000.0;
    record.ElapsedTimeText = logrecord::elapsedTimeText(static_cast<std::uint64_t>(elapsedMs));

    const double depth = record.ImageDepth;
    if (firstRecord_)
        firstRecordLocked(depth);

    if (splitDueLocked(record.LoggerDepth) && !splitLocked(depth)) {
        abortLocked(false);
        return;
    }

    const logrecord::Head head = logrecord::buildHead(
        frame, payload, record,
        static_cast<std::uint32_t>(std::clamp<std::int64_t>(elapsedMs, 0, UINT32_MAX)));
    buffer_.assign(head.begin(), head.end());
    buffer_.insert(buffer_.end(), frame.begin() + frame::full::Payload,
                   frame.begin() + frame::full::Payload + payload);
    if (!appendLocked(buffer_)) {
        abortLocked(true);
        return;
    }
    fileBytes_ += static_cast<std::int64_t>(buffer_.size());
    bytesWritten_ += static_cast<std::int64_t>(buffer_.size());
    lastWrittenDepth_ = depth;
    ++recordCount_;

    periodicUpdateLocked(depth);
}

void CDataLogWriter::finishHeaderLocked() {
    const std::optional<FirstRecord> first = ReadFirstRecord(setup_.dataFile);
    const std::optional<double> firstDepth =
        first ? std::optional<double>(first->imageDepth) : std::nullopt;
    if (!header_.WriteRecordingStop(setup_.headerPath, firstDepth,
                                    FileProgress{fileIndex_, lastWrittenDepth_,
                                                 headerTime(elapsedMsLocked()), recordCount_},
                                    mode_))
        trace("header stop keys not written");
}

void CDataLogWriter::abortLocked(bool fileOpen) {
    if (fileOpen)
        closeFileLocked();
    fd_ = -1;
    state_.recording = false;
    finishHeaderLocked();
    recordCount_ = 0;
    UserMessages::current().notify(UserMessage{"Trouble opening file.\n Record aborded !!!", "ZARN",
                                               MessageIcon::Error, MessageButtons::Ok});
}

void CDataLogWriter::closeFileLocked() {
    if (fd_ >= 0 && ::close(fd_) != 0)
        trace("data file close failed");
    fd_ = -1;
}

bool CDataLogWriter::StopRecording() {
    std::lock_guard lock(mutex_);
    if (fd_ < 0)
        return false;
    closeFileLocked();
    state_.recording = false;
    accountTimeLocked();
    finishHeaderLocked();
    recordCount_ = 0;
    return true;
}

bool CDataLogWriter::Recording() const {
    std::lock_guard lock(mutex_);
    return fd_ >= 0;
}

int CDataLogWriter::FileIndex() const {
    std::lock_guard lock(mutex_);
    return fileIndex_;
}

int CDataLogWriter::RecordCount() const {
    std::lock_guard lock(mutex_);
    return recordCount_;
}

std::int64_t CDataLogWriter::BytesWritten() const {
    std::lock_guard lock(mutex_);
    return bytesWritten_;
}

std::int64_t CDataLogWriter::ElapsedMs() const {
    std::lock_guard lock(mutex_);
    return elapsedMsLocked();
}

double CDataLogWriter::LastWrittenDepth() const {
    std::lock_guard lock(mutex_);
    return lastWrittenDepth_;
}

std::filesystem::path CDataLogWriter::CurrentDataFile() const {
    std::lock_guard lock(mutex_);
    return currentFile_;
}

} // namespace zarn
