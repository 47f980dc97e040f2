#include "acquisition/displays/GammaDisplay.h"

#include "platform/Format.h"

#include <algorithm>
#include <numeric>

namespace zarn {
namespace {

// Rounded half away from zero, held in the range of an int (not-a-number gives 0).
int roundedCount(double value) {
    return saturatedTrunc(value >= 0.0 ? value + 0.5 : value - 0.5);
}

} // namespace

void GammaDisplay::setSettings(const GammaSettings& settings) {
    std::lock_guard lock(mutex_);
    const bool averageOn = settings.average && !settings_.average;
    const bool filterChanged = settings.filter != settings_.filter;
    settings_ = settings;
    if (averageOn || filterChanged)
        restartLocked();
}

void GammaDisplay::sample(double countsPerSecond) {
    std::lock_guard lock(mutex_);
    if (ticks_ > gamma::LowerAfterTicks) {
        ticks_ = 0;
        scale_ = std::max(gamma::MinScale, static_cast<int>(scale_ / 1.1));
    }
    if (settings_.mode == gamma::Auto)
        raiseScaleLocked(countsPerSecond);
    else
        scale_ = gamma::MinScale;

    const int value = roundedCount(countsPerSecond);
    if (settings_.average) {
        const int filter = filterLocked();
        if (restarting_) {
            if (index_ == 0) {
                ring_.fill(value);
            } else {
                if (index_ >= filter) {
                    index_ = 0;
                    restarting_ = false;
                }
                ring_[static_cast<std::size_t>(index_)] = value;
            }
            ++index_;
            partial_ = true;
            if (!restarting_ && index_ >= filter)
                index_ = 0;
        } else {
            // The ring holds the last `filter` samples: the index never reaches past them.
            if (index_ >= filter)
                index_ = 0;
            ring_[static_cast<std::size_t>(index_)] = value;
            if (++index_ >= filter)
                index_ = 0;
        }
    } else {
        index_ = 0;
        partial_ = false;
    }
    current_ = value;
}

GammaView GammaDisplay::tick(bool sensorShown, bool liveStatusFrames) {
    std::lock_guard lock(mutex_);
    ticks_ = std::min(ticks_ + 1, gamma::MaxTicks);
    GammaView view;
    view.shown = sensorShown && settings_.mode != gamma::Hide;
    if (!view.shown)
        return view;
    // Without averaging the ring starts afresh when averaging is switched on again.
    if (!settings_.average)
        restartLocked();
    double value = 0.0;
    if (settings_.mode == gamma::Manual) {
        if (liveStatusFrames) {
            restartLocked();
            current_ = 0;
        }
        value = shownLocked();
        view.barMaximum = settings_.maximum;
    } else {
        if (ticks_ > gamma::ResetAfterTicks) {
            ticks_ = 0;
            scale_ = gamma::MinScale;
            restartLocked();
            current_ = 0;
        }
        value = shownLocked();
        raiseScaleLocked(value);
        view.barMaximum = scale_;
    }
    view.barValue = saturatedTrunc(value);
    if (value >= 1.0)
        view.text = format("%d", view.barValue);
    return view;
}

int GammaDisplay::automaticScale() const {
    std::lock_guard lock(mutex_);
    return scale_;
}

double GammaDisplay::shownValue() const {
    std::lock_guard lock(mutex_);
    return shownLocked();
}

int GammaDisplay::filterLocked() const {
    return std::clamp(settings_.filter, gamma::MinFilter, gamma::MaxFilter);
}

void GammaDisplay::raiseScaleLocked(double value) {
    if (!(value > scale_))
        return;
    while (value >= scale_ && scale_ < gamma::MaxScale)
        scale_ = std::min(scale_ + gamma::ScaleStep, gamma::MaxScale);
    ticks_ = 0;
}

void GammaDisplay::restartLocked() {
    restarting_ = true;
    index_ = 0;
    partial_ = false;
}

double GammaDisplay::shownLocked() const {
    if (!settings_.average)
        return current_;
    const auto meanOf = [this](int count) {
        const auto n = static_cast<std::ptrdiff_t>(std::clamp(count, 1, gamma::RingSize));
        const long long sum = std::accumulate(ring_.begin(), ring_.begin() + n, 0LL);
        return static_cast<double>(sum) / static_cast<double>(n);
    };
    if (!restarting_)
        return meanOf(filterLocked());
    if (partial_)
        return meanOf(index_);
    return current_;
}

} // namespace zarn
