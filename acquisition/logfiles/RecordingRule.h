// The recording rule: for every full data frame that carries video, whether it is drawn and
// whether it is written to the data log.
//
// The depth test compares the frame's image depth D with L, the last image depth that advanced
// in the logging direction. Logging down, a frame advances when D > L (then L = D) and the
// reverse-motion flag is raised when D < L - 0.01 m; logging up, the same mirrored. The test
// runs for every frame, recording or not, except while the recording is suspended.
//   - suspended recording: drawn, not written, no depth test, reverse motion cleared;
//   - no recording: drawn, not written, reverse motion cleared;
//   - recording: an advancing frame is drawn and written; any other frame is neither, and its
//     arrival restarts the elapsed-time accounting, so time without progress is not counted.
//
// Threads: Apply runs on the decoding thread; the logging direction and L are set from the
// thread that owns the windows (recording mode confirmed, new log); the main window polls and
// clears the reverse-motion flag.
#pragma once

#include "acquisition/app/RecorderState.h"
#include "acquisition/logfiles/DataLogWriter.h"
#include "acquisition/stream/MeasurementRecord.h"
#include "acquisition/stream/StreamSink.h"

#include <atomic>
#include <mutex>

namespace zarn {

class CRecordingRule {
public:
    // writer may be null (no time accounting to restart).
    CRecordingRule(RecorderState& state, CDataLogWriter* writer);

    // The logging direction of the recording mode, and L = the current image depth (recording
    // mode confirmed, or a new log created).
    void SetLoggingDirection(bool down);
    void SetLastDepth(double imageDepth);
    bool LoggingDown() const;
    double LastDepth() const;

    [[nodiscard]] RecordingDecision Apply(const MeasurementRecord& record);

    // The depth went back by more than 1 cm against the logging direction.
    bool ReverseMotion() const { return reverse_; }
    void ClearReverseMotion() { reverse_ = false; }

private:
    RecorderState& state_;
    CDataLogWriter* writer_;
    mutable std::mutex mutex_;
    bool down_ = true;
    double last_ = 0.0;
    std::atomic<bool> reverse_{false};
};

} // namespace zarn
