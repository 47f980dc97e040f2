// The tones waiting to be played, in order, in a short bounded queue: a caller never waits for
// a sound, and when the queue is full the newest tone is dropped (a burst of alarms plays as
// the first few of its tones, never as a growing backlog). Any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>

namespace zarn {

struct Tone {
    int frequencyHz = 0;
    int durationMs = 0;
    bool operator==(const Tone&) const = default;
};

class ToneQueue {
public:
    static constexpr std::size_t Capacity = 8;

    // False when the queue was full and the tone was dropped.
    bool push(Tone tone) {
        std::lock_guard lock(mutex_);
        if (count_ == Capacity) {
            ++dropped_;
            return false;
        }
        tones_[(first_ + count_) % Capacity] = tone;
        ++count_;
        return true;
    }
    std::optional<Tone> pop() {
        std::lock_guard lock(mutex_);
        if (count_ == 0)
            return std::nullopt;
        const Tone tone = tones_[first_];
        first_ = (first_ + 1) % Capacity;
        --count_;
        return tone;
    }
    bool empty() const {
        std::lock_guard lock(mutex_);
        return count_ == 0;
    }
    std::uint64_t dropped() const {
        std::lock_guard lock(mutex_);
        return dropped_;
    }

private:
    mutable std::mutex mutex_;
    std::array<Tone, Capacity> tones_{};
    std::size_t first_ = 0;
    std::size_t count_ = 0;
    std::uint64_t dropped_ = 0;
};

} // namespace zarn
