#include "acquisition/link/FrameSender.h"

#include "acquisition/link/ThreadPriority.h"

namespace zarn {

FrameSender::FrameSender(LinkFlags& flags, Writer writer)
    : flags_(flags), writer_(std::move(writer)) {
    thread_ = std::thread([this] { run(); });
}

FrameSender::~FrameSender() {
    stop();
}

void FrameSender::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    work_.notify_all();
    room_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool FrameSender::hand(const CommandFrame& frame) {
    if (frame.length == 0)
        return false;
    {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [this] { return stopping_ || queue_.size() < Capacity; });
        if (stopping_)
            return false;
        queue_.push_back(frame);
        last_ = frame;
        pending_ += static_cast<std::uint32_t>(frame.length);
    }
    work_.notify_one();
    return true;
}

bool FrameSender::handAgain() {
    std::optional<CommandFrame> last;
    {
        std::lock_guard lock(mutex_);
        last = last_;
    }
    return last && hand(*last);
}

bool FrameSender::waitUntilIdle(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, timeout, [this] { return pending_.load() == 0; });
}

void FrameSender::run() {
    // Frames go out ahead of everything else the program does, where the system allows it: a
    // priority it refuses (an ordinary user may not raise one) is done without.
    static_cast<void>(requestThreadPriority(ThreadPriority::Highest));
    for (;;) {
        CommandFrame frame;
        {
            std::unique_lock lock(mutex_);
            work_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty())
                return; // stopping, nothing left
            frame = queue_.front();
            queue_.pop_front();
        }
        room_.notify_one();
        // Without a bound library, or once the program closes, nothing more is written.
        if (!flags_.linkAvailable.load() || flags_.closing.load()) {
            finish(frame, false);
            continue;
        }
        flags_.senderRunning = true;
        writer_(frame.view());
        finish(frame, true);
    }
}

void FrameSender::finish(const CommandFrame& frame, bool written) {
    {
        std::lock_guard lock(mutex_);
        pending_ -= static_cast<std::uint32_t>(frame.length);
    }
    if (written) {
        flags_.frameSent = true;
        flags_.senderRunning = false;
    }
    idle_.notify_all();
}

} // namespace zarn
