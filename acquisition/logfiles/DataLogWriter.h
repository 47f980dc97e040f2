// The data log writer: appends one record per accepted full data frame to the open data file of
// the recording, keeps the elapsed logging time, splits the log into a new data file every
// split length, and keeps the header's keys up to date at the first record, every 5 s, at each
// split and at the stop.
//
// Threads: WriteLogFile and RestampTime run on the decoding thread; StartRecording and
// StopRecording on the thread that owns the windows (StartRecording may ask a question). One
// lock covers the writer's state, so a stop never cuts a record in half and never interleaves
// with a split; the header's own lock keeps the key groups of the two threads apart.
//
// Every write is checked. A failed or short write (disk full) cuts the file back to its last
// whole record and stops the recording with "Trouble opening file.\n Record aborded !!!"; so
// does a new data file that cannot be opened at a split. "SampleCount" counts only records
// that are whole on disk. After such a stop the header is finalised at once (end depth, end
// time, record count of the last file that holds records), so it does not stay marked
// "CORRUPT".
//
// Elapsed logging time runs on a monotonic clock and is kept at the clock's resolution, so the
// stored milliseconds do not drift by a truncated fraction per record.
#pragma once

#include "acquisition/app/RecorderState.h"
#include "acquisition/app/SettingsRecords.h"
#include "acquisition/app/SondeTable.h"
#include "acquisition/logfiles/Header.h"
#include "acquisition/logfiles/LogFilesDisplay.h"
#include "acquisition/stream/MeasurementRecord.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

namespace zarn {

// What a recording needs to know when it starts, beside the configuration (which gives the
// split length "RecordSplitFile" and, by its depth unit, metres or feet).
struct RecordingSetup {
    std::filesystem::path headerPath;
    std::filesystem::path dataFile; // the first data file (header folder and base name, ".lox")
    bool loggingDown = true;        // the logging direction of the recording mode
    double loggerDepth = 0.0;       // the current logger depth (m), the header's first start depth
};

class CDataLogWriter {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // clock: the monotonic time source (the steady clock when empty). display may be null.
    CDataLogWriter(CHeader& header, RecorderState& state, LogFilesDisplay* display = nullptr,
                   Clock clock = {});
    ~CDataLogWriter();
    CDataLogWriter(const CDataLogWriter&) = delete;
    CDataLogWriter& operator=(const CDataLogWriter&) = delete;

    // Recording start: when the data file exists asks "Same file name exist, do you want
    // replace this ?" (No ends, Yes deletes it); opens the data file for appending ("Trouble
    // opening file." when it cannot); writes the fresh header and the start keys; zeroes the
    // elapsed time, the byte counter and the record count; marks the next record as the first;
    // sets the recording flag (clearing playing, replay, paused, suspended) and shows "Data file
    // : " and the file name. The split length is "RecordSplitFile", in metres, or in feet when
    // the depth unit is not metres; 0 or less never splits. False when the recording did not
    // start.
    [[nodiscard]] bool StartRecording(const RecordingSetup& setup,
                                      const Configuration& configuration, const SondeTable& sondes);

    // Appends the record of a full data frame whose image depth advanced (the recording rule
    // said so). frame holds at least the logger header, the sonde block, the orientation values
    // and payloadLength payload bytes from offset 49; record is the frame decoded. Frames whose
    // speed sign disagrees with the logging direction are not written. Sets the record's elapsed
    // time and its text.
    void WriteLogFile(std::span<const std::uint8_t> frame, int payloadLength,
                      MeasurementRecord& record);

    // A frame that did not advance while recording: its arrival becomes the accounting time
    // stamp, so that time without progress is not counted.
    void RestampTime();

    // Recording stop: closes the data file, clears the recording flag, counts the time since
    // the last stamp, and finalises the header: the first record's image depth as start depth
    // (when the first data file can be read), the last written depth, the elapsed time and the
    // record count of the current file. False when no recording was running.
    [[nodiscard]] bool StopRecording();

    bool Recording() const;
    int FileIndex() const;             // current data file, 1 at the start
    int RecordCount() const;           // records whole on disk in the current data file
    std::int64_t BytesWritten() const; // bytes of whole records of the recording
    std::int64_t ElapsedMs() const;    // elapsed logging time
    double LastWrittenDepth() const;   // image depth (m) of the last record written
    std::filesystem::path CurrentDataFile() const;

private:
    std::chrono::steady_clock::time_point now() const;
    std::int64_t elapsedMsLocked() const;
    void accountTimeLocked();
    void firstRecordLocked(double imageDepth);
    bool splitDueLocked(double loggerDepth) const;
    [[nodiscard]] bool splitLocked(double imageDepth);
    [[nodiscard]] bool appendLocked(std::span<const std::uint8_t> bytes);
    void periodicUpdateLocked(double imageDepth);
    void finishHeaderLocked();
    void abortLocked(bool fileOpen);
    void closeFileLocked();
    void showStatus(const std::string& text) const;

    CHeader& header_;
    RecorderState& state_;
    LogFilesDisplay* display_;
    Clock clock_;

    mutable std::mutex mutex_;
    RecordingSetup setup_;
    HeaderMode mode_ = HeaderMode::Metric;
    int fd_ = -1;
    std::filesystem::path currentFile_;
    std::int64_t fileBytes_ = 0; // bytes of whole records in the current data file
    int fileIndex_ = 1;
    int recordCount_ = 0;
    bool firstRecord_ = true;
    double mark_ = 0.0;        // depth mark of the current data file (m)
    double splitMetres_ = 0.0; // split length in metres; 0: never split
    std::chrono::steady_clock::duration elapsed_{};
    std::chrono::steady_clock::time_point stamp_{};
    std::int64_t lastUpdateMs_ = 0;
    double lastWrittenDepth_ = 0.0;
    std::int64_t bytesWritten_ = 0;
    std::vector<std::uint8_t> buffer_; // the record being appended
};

// The depth mark of a data file starting at imageDepth: the whole metre (or whole foot, in
// imperial mode) at or behind it in the logging direction, in metres.
double depthMark(double imageDepth, bool loggingDown, HeaderMode mode);

} // namespace zarn
