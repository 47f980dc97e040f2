#include "WindowTestSupport.h"

#include "acquisition/app/ui/QtBeeper.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace zarn::ui {
namespace {

using test::waitUntil;

TEST(QtBeeper, TonesPlayInOrderWithoutEverHoldingUpTheCaller) {
    std::mutex mutex;
    std::vector<Tone> played;
    std::atomic<bool> release{false};
    QtBeeper beeper([&](const Tone& tone) {
        while (!release) // a slow device
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::lock_guard lock(mutex);
        played.push_back(tone);
        return true;
    });
    // The link's sounds for a device lost and found again, from a worker, while the player is
    // stuck on its first tone.
    const auto start = std::chrono::steady_clock::now();
    std::thread link([] {
        Beeper::current().beep(1200, 100);
        Beeper::current().beep(300, 200);
        Beeper::current().beep(300, 100);
        Beeper::current().beep(1200, 200);
    });
    link.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    release = true;
    ASSERT_TRUE(waitUntil(
        [&] {
            std::lock_guard lock(mutex);
            return played.size() == 4;
        },
        5000));
    EXPECT_EQ(played, (std::vector<Tone>{{1200, 100}, {300, 200}, {300, 100}, {1200, 200}}));
}

TEST(QtBeeper, ABurstBeyondTheQueueIsDroppedNotQueuedUp) {
    std::atomic<bool> release{false};
    std::atomic<int> played{0};
    QtBeeper beeper([&](const Tone&) {
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++played;
        return true;
    });
    for (int i = 0; i < 1000; ++i) // alarm frames at full speed
        beeper.beep(3000, 100);
    EXPECT_GE(beeper.dropped(), 1000u - ToneQueue::Capacity - 1);
    release = true;
    ASSERT_TRUE(waitUntil([&] { return played + beeper.dropped() == 1000; }, 5000));
    EXPECT_LE(played.load(), static_cast<int>(ToneQueue::Capacity) + 1);
}

TEST(QtBeeper, WithoutADeviceTheBellRings) {
    QtBeeper beeper([](const Tone&) { return false; });
    beeper.beep(3000, 10);
    beeper.beep(3000, 10);
    EXPECT_TRUE(waitUntil([&] { return beeper.bells() == 2; }, 3000));
}

} // namespace
} // namespace zarn::ui
