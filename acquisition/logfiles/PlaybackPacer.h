// The pace of the playback thread: the wait between two records, from the speed slider of the
// probe control panel (1 to 50, 50 fastest). With f = 51 - slider, the wait is f² x 0.15 ms
// (101.4 ms at the initial position 25, 375 ms at 1); at 50 the records are read back to back
// with only a yield between them. A wait is never longer than 10 s and ends at once when the
// playback is stopped.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace zarn {

inline constexpr int SpeedSliderMin = 1;
inline constexpr int SpeedSliderMax = 50;
inline constexpr int SpeedSliderInitial = 25;

// The wait before the next record at a slider position (clamped to 1..50); zero means back to
// back.
std::chrono::nanoseconds PlaybackInterval(int sliderPosition);

class PlaybackPacer {
public:
    virtual ~PlaybackPacer() = default;
    // Waits for the interval (at most 10 s), or less when wake() is called or playing is
    // cleared.
    virtual void wait(std::chrono::nanoseconds interval, const std::atomic<bool>& playing) = 0;
    // Ends a wait in progress (playing has been cleared).
    virtual void wake() = 0;
};

// Waits on the steady clock.
class SteadyPlaybackPacer : public PlaybackPacer {
public:
    void wait(std::chrono::nanoseconds interval, const std::atomic<bool>& playing) override;
    void wake() override;

private:
    std::mutex mutex_;
    std::condition_variable woken_;
};

} // namespace zarn
