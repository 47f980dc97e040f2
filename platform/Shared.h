// A record written by one thread and read by others, published as a consistent snapshot: a
// reader always gets a copy of one complete state, never half of one update and half of the
// next. The lock is held only for the copy, never across I/O.
#pragma once

#include <mutex>

namespace zarn {

template <class T>
class Shared {
public:
    Shared() = default;
    explicit Shared(const T& value) : value_(value) {}

    T snapshot() const {
        std::lock_guard lock(mutex_);
        return value_;
    }
    void publish(const T& value) {
        std::lock_guard lock(mutex_);
        value_ = value;
    }
    // Changes the record in place under the lock; the change must be short.
    template <class F>
    void modify(F&& change) {
        std::lock_guard lock(mutex_);
        change(value_);
    }

private:
    mutable std::mutex mutex_;
    T value_{};
};

} // namespace zarn
