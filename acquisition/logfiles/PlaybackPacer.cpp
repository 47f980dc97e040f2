#include "acquisition/logfiles/PlaybackPacer.h"

#include <algorithm>

namespace zarn {
namespace {

constexpr std::chrono::nanoseconds PaceUnit{150'000}; // 1500 x 100 ns
constexpr std::chrono::nanoseconds LongestWait = std::chrono::seconds(10);

} // namespace

std::chrono::nanoseconds PlaybackInterval(int sliderPosition) {
    const int slider = std::clamp(sliderPosition, SpeedSliderMin, SpeedSliderMax);
    const int f = SpeedSliderMax - slider + 1;
    if (f <= 1)
        return std::chrono::nanoseconds::zero();
    return PaceUnit * (f * f);
}

void SteadyPlaybackPacer::wait(std::chrono::nanoseconds interval,
                               const std::atomic<bool>& playing) {
    const auto deadline = std::chrono::steady_clock::now() + std::min(interval, LongestWait);
    std::unique_lock lock(mutex_);
    woken_.wait_until(lock, deadline, [&] { return !playing.load(); });
}

void SteadyPlaybackPacer::wake() {
    // Under the lock: a waiter that has just found playing set is either not yet asleep (and
    // will see it cleared) or asleep (and gets the notification).
    std::lock_guard lock(mutex_);
    woken_.notify_all();
}

} // namespace zarn
