#include "acquisition/link/LinkThread.h"

namespace zarn {

LinkThread::~LinkThread() {
    if (thread_.joinable())
        thread_.join();
}

void LinkThread::start(std::function<void()> body) {
    if (thread_.joinable())
        thread_.join();
    {
        std::lock_guard lock(mutex_);
        running_ = true;
    }
    thread_ = std::thread([this, body = std::move(body)] {
        body();
        {
            std::lock_guard lock(mutex_);
            running_ = false;
        }
        ended_.notify_all();
    });
}

bool LinkThread::waitEnded(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return ended_.wait_for(lock, timeout, [this] { return !running_; });
}

bool LinkThread::running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

} // namespace zarn
