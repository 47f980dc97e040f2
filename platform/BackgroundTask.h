// Long work run on a thread of its own while a window stays live: the work reports to a
// Progress whose stage and fraction the window thread reads at its own pace, and the window's
// Cancel sets the flag the work asks for. Nothing here touches a window; the window polls
// (a timer on its own thread) and joins the work once it has finished.
#pragma once

#include "platform/Progress.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace zarn {

// Progress written by the worker and read by another thread.
class SharedProgress final : public Progress {
public:
    void stage(std::string_view text) override;
    void fraction(double done) override;
    [[nodiscard]] bool cancelled() const override;

    void cancel() { cancelled_.store(true); }
    // The last stage reported, and whether it changed since the last call.
    std::string stageText() const;
    bool takeStageChange() { return stageChanged_.exchange(false); }
    double fractionDone() const { return fraction_.load(); }
    // Back to no stage, nothing done, not cancelled: before the next piece of work.
    void reset();

private:
    mutable std::mutex mutex_;
    std::string stage_;
    std::atomic<bool> stageChanged_{false};
    std::atomic<double> fraction_{0.0};
    std::atomic<bool> cancelled_{false};
};

// One piece of work on its own thread. The destructor cancels and waits for it.
class BackgroundTask {
public:
    BackgroundTask() = default;
    ~BackgroundTask();
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;

    // Starts work(progress) with a fresh progress; false when work is already running.
    [[nodiscard]] bool start(std::function<void(Progress&)> work);
    bool running() const { return thread_.joinable(); }
    // True once the work has returned (join() then returns at once).
    bool finished() const { return finished_.load(); }
    // Waits for the work to return; nothing when none runs.
    void join();
    void cancel() { progress_.cancel(); }
    SharedProgress& progress() { return progress_; }

private:
    SharedProgress progress_;
    std::thread thread_;
    std::atomic<bool> finished_{false};
};

} // namespace zarn
