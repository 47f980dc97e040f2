#include "acquisition/logfiles/RecordingRule.h"

namespace zarn {
namespace {

constexpr double ReverseTolerance = 0.01; // m

} // namespace

CRecordingRule::CRecordingRule(RecorderState& state, CDataLogWriter* writer)
    : state_(state), writer_(writer) {}

void CRecordingRule::SetLoggingDirection(bool down) {
    std::lock_guard lock(mutex_);
    down_ = down;
}

void CRecordingRule::SetLastDepth(double imageDepth) {
    std::lock_guard lock(mutex_);
    last_ = imageDepth;
}

bool CRecordingRule::LoggingDown() const {
    std::lock_guard lock(mutex_);
    return down_;
}

double CRecordingRule::LastDepth() const {
    std::lock_guard lock(mutex_);
    return last_;
}

RecordingDecision CRecordingRule::Apply(const MeasurementRecord& record) {
    const bool recording = state_.recording;
    if (recording && state_.suspended) {
        reverse_ = false;
        return RecordingDecision{true, false};
    }

    bool advances = false;
    {
        std::lock_guard lock(mutex_);
        const double depth = record.ImageDepth;
        if (down_) {
            advances = depth > last_;
            if (advances)
                last_ = depth;
            reverse_ = depth < last_ - ReverseTolerance;
        } else {
            advances = depth < last_;
            if (advances)
                last_ = depth;
            reverse_ = depth > last_ + ReverseTolerance;
        }
    }

    if (!recording) {
        reverse_ = false;
        return RecordingDecision{true, false};
    }
    if (advances)
        return RecordingDecision{true, true};
    if (writer_)
        writer_->RestampTime();
    return RecordingDecision{false, false};
}

} // namespace zarn
