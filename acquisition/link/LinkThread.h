// One of the link's thread slots (the link check, the reader). A slot runs one thread at a time;
// a new start first joins the previous thread, which has ended or is ending. The owner may wait
// a bounded time for the current thread to end.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace zarn {

class LinkThread {
public:
    LinkThread() = default;
    ~LinkThread();
    LinkThread(const LinkThread&) = delete;
    LinkThread& operator=(const LinkThread&) = delete;

    // Joins the previous thread of the slot and starts body on a new one. Never called from the
    // slot's own thread; the caller keeps starts of the slot from overlapping.
    void start(std::function<void()> body);
    // True when no thread of the slot runs, or it ended within the timeout.
    [[nodiscard]] bool waitEnded(std::chrono::milliseconds timeout) const;
    bool running() const;
    // Hands the current thread over to the caller (to be joined outside the caller's locks).
    std::thread take() { return std::move(thread_); }

private:
    std::thread thread_;
    mutable std::mutex mutex_;
    mutable std::condition_variable ended_;
    bool running_ = false;
};

} // namespace zarn
