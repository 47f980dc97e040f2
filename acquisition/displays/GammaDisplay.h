// The natural gamma read-out of the depth display: the samples of each image payload (counts per
// second), their running average over the last GammaFilter samples in a ring of 100, and the
// bar's full scale, fixed ("Manual", GammaMax) or automatic ("Auto": raised in steps of 50 above
// the samples, lowered by a tenth while samples keep below it, back to 100 when none arrive).
//
// Threads: one owner of the ring and its index, the current value and the automatic scale. The
// decoding thread (the link's reader or the playback thread) calls sample(); the window thread
// calls setSettings() and tick() and gets a copy of what to show. Each holds the one lock for
// its few steps; a restart of the ring (averaging switched on again, another GammaFilter, the
// manual mode seeing logger status frames) is asked for by the window and carried out here, so
// a sample never lands in a ring that is being refilled, nor beyond the samples averaged.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

namespace zarn {

namespace gamma {
inline constexpr int Hide = 0;
inline constexpr int Manual = 1;
inline constexpr int Auto = 2;
inline constexpr int RingSize = 100;
// GammaFilter is stored as the configuration has it (0 to 50); the average takes 1 to 50.
inline constexpr int MinFilter = 1;
inline constexpr int MaxFilter = 50;
inline constexpr int MinScale = 100;
inline constexpr int MaxScale = 100000;
inline constexpr int ScaleStep = 50;
// Ticks of the display (70 ms) after which the automatic scale is lowered by a tenth, when a
// sample comes, or falls back to its least, when none comes.
inline constexpr int LowerAfterTicks = 20;
inline constexpr int ResetAfterTicks = 200;
inline constexpr int MaxTicks = 10000;
} // namespace gamma

// The probe settings of the gamma read-out (GammaScale, GammaMax, GammaIsAverage, GammaFilter).
struct GammaSettings {
    int mode = gamma::Hide;
    int maximum = 2000;
    bool average = false;
    int filter = 20;
    bool operator==(const GammaSettings&) const = default;
};

// What the bar, its labels and the counter show after a tick.
struct GammaView {
    bool shown = false;
    int barMaximum = gamma::MinScale; // the bar's range is 0 to this, and the right-hand label
    int barValue = 0;
    std::string text; // "%d" of the value, empty below 1
};

class GammaDisplay {
public:
    // The window thread: the settings of this tick. Averaging switched back on or another
    // GammaFilter restarts the ring.
    void setSettings(const GammaSettings& settings);

    // The decoding thread: one payload's gamma.
    void sample(double countsPerSecond);

    // The window thread, every display tick. sensorShown: the sonde has a gamma sensor (replay:
    // as the log recorded). liveStatusFrames: live, and the logger sends status frames only.
    GammaView tick(bool sensorShown, bool liveStatusFrames);

    // For the tests: the automatic scale and the value that would be shown now.
    int automaticScale() const;
    double shownValue() const;

private:
    int filterLocked() const;
    void raiseScaleLocked(double value);
    void restartLocked();
    double shownLocked() const;

    mutable std::mutex mutex_;
    GammaSettings settings_;
    std::array<int, gamma::RingSize> ring_{};
    int index_ = 0;
    bool restarting_ = true;
    bool partial_ = false;
    int current_ = 0;
    int scale_ = gamma::MinScale;
    int ticks_ = 0;
};

} // namespace zarn
