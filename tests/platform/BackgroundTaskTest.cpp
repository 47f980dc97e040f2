// Work on its own thread: its stage and fraction read from another thread, the cancel it sees,
// one run at a time, and a task destroyed while its work runs stops and waits for it.
#include "platform/BackgroundTask.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace zarn {
namespace {

using namespace std::chrono_literals;

bool waitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Reports a stage and half the work, then runs until it is cancelled.
void untilCancelled(Progress& progress) {
    progress.stage("Load loging file, wait ..");
    progress.fraction(0.5);
    while (!progress.cancelled())
        std::this_thread::sleep_for(1ms);
    progress.stage("User cancel wait ... End.");
}

TEST(BackgroundTask, ReportsToAnotherThreadAndStopsOnCancel) {
    BackgroundTask task;
    ASSERT_TRUE(task.start(untilCancelled));
    EXPECT_FALSE(task.start(untilCancelled)) << "one run at a time";
    ASSERT_TRUE(waitFor([&] { return task.progress().fractionDone() == 0.5; }));
    EXPECT_TRUE(task.progress().takeStageChange());
    EXPECT_EQ(task.progress().stageText(), "Load loging file, wait ..");
    EXPECT_FALSE(task.finished());
    task.cancel();
    ASSERT_TRUE(waitFor([&] { return task.finished(); }));
    task.join();
    EXPECT_FALSE(task.running());
    EXPECT_EQ(task.progress().stageText(), "User cancel wait ... End.");

    // The next run starts afresh: not cancelled, nothing done.
    bool sawCancel = true;
    ASSERT_TRUE(task.start([&](Progress& p) {
        sawCancel = p.cancelled();
        p.fraction(2.0);
    }));
    task.join();
    EXPECT_FALSE(sawCancel);
    EXPECT_EQ(task.progress().fractionDone(), 1.0) << "held in 0 to 1";
}

TEST(BackgroundTask, ATaskDestroyedWhileItRunsCancelsAndWaits) {
    std::atomic<bool> ended{false};
    {
        BackgroundTask task;
        ASSERT_TRUE(task.start([&](Progress& p) {
            untilCancelled(p);
            ended = true;
        }));
        ASSERT_TRUE(waitFor([&] { return task.progress().fractionDone() > 0; }));
    }
    EXPECT_TRUE(ended.load());
}

} // namespace
} // namespace zarn
