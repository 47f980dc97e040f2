// Hands command frames to the device, one whole frame after the other.
//
// Callers on any thread hand frames over and return at once; one sender thread writes them in
// the order they were handed, so a frame is never overwritten or interleaved with another while
// it is being written. The sender thread asks for the highest priority. The pending length counts
// the bytes handed over and not yet written (the frame being written included): callers that wait
// for the link to be free poll it for 0.
#pragma once

#include "acquisition/link/CommandFrames.h"
#include "acquisition/link/LinkFlags.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

namespace zarn {

class FrameSender {
public:
    // Writes one frame to the device and reports any failure; runs on the sender thread.
    using Writer = std::function<void(std::span<const std::uint8_t>)>;
    // Frames waiting at most; a caller handing over more waits for room.
    static constexpr size_t Capacity = 64;

    FrameSender(LinkFlags& flags, Writer writer);
    // Stops the sender (stop).
    ~FrameSender();
    FrameSender(const FrameSender&) = delete;
    FrameSender& operator=(const FrameSender&) = delete;

    // Writes what is still waiting (unless the program is closing), then ends the thread and
    // waits for it. Frames handed over later are refused. Idempotent; not called from the
    // writer.
    void stop();

    // Queues a frame for writing. False once the sender is stopping.
    [[nodiscard]] bool hand(const CommandFrame& frame);
    // Queues the last frame handed over once more (a second write of the same frame).
    [[nodiscard]] bool handAgain();

    std::uint32_t pendingLength() const { return pending_.load(); }
    // Waits until nothing is pending; false when the time ran out first.
    [[nodiscard]] bool waitUntilIdle(std::chrono::milliseconds timeout) const;

private:
    void run();
    void finish(const CommandFrame& frame, bool written);

    LinkFlags& flags_;
    Writer writer_;
    mutable std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable room_;
    mutable std::condition_variable idle_;
    std::deque<CommandFrame> queue_;
    std::optional<CommandFrame> last_;
    std::atomic<std::uint32_t> pending_{0};
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace zarn
