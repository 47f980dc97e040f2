#include "platform/BackgroundTask.h"

#include <algorithm>

namespace zarn {

void SharedProgress::stage(std::string_view text) {
    {
        const std::lock_guard lock(mutex_);
        stage_.assign(text);
    }
    stageChanged_.store(true);
}

void SharedProgress::fraction(double done) {
    fraction_.store(std::clamp(done, 0.0, 1.0), std::memory_order_relaxed);
}

bool SharedProgress::cancelled() const {
    return cancelled_.load();
}

std::string SharedProgress::stageText() const {
    const std::lock_guard lock(mutex_);
    return stage_;
}

void SharedProgress::reset() {
    {
        const std::lock_guard lock(mutex_);
        stage_.clear();
    }
    stageChanged_.store(false);
    fraction_.store(0.0);
    cancelled_.store(false);
}

BackgroundTask::~BackgroundTask() {
    cancel();
    join();
}

bool BackgroundTask::start(std::function<void(Progress&)> work) {
    if (thread_.joinable())
        return false;
    progress_.reset();
    finished_.store(false);
    thread_ = std::thread([this, work = std::move(work)] {
        work(progress_);
        finished_.store(true);
    });
    return true;
}

void BackgroundTask::join() {
    if (thread_.joinable())
        thread_.join();
}

} // namespace zarn
