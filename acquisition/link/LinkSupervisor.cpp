#include "acquisition/link/LinkSupervisor.h"

#include <thread>
#include <utility>

namespace zarn {

LinkSupervisor::LinkSupervisor(LinkFlags& flags, FrameSender& sender)
    : flags_(flags), sender_(sender) {}

LinkSupervisor::~LinkSupervisor() {
    joinAll();
}

bool LinkSupervisor::start(LinkThread& slot, ThreadPriority priority, std::function<void()> body) {
    std::lock_guard lock(threadsMutex_);
    if (flags_.closing)
        return false;
    slot.start([priority, body = std::move(body)] {
        // A priority the system refuses (an ordinary user may not raise one) is done without.
        static_cast<void>(requestThreadPriority(priority));
        body();
    });
    return true;
}

bool LinkSupervisor::startLinkCheck(std::function<void()> body) {
    return start(linkCheck_, ThreadPriority::Normal, std::move(body));
}

bool LinkSupervisor::startReader(std::function<void()> body) {
    return start(reader_, ThreadPriority::TimeCritical, std::move(body));
}

bool LinkSupervisor::pause(std::chrono::milliseconds duration) {
    std::unique_lock lock(pauseMutex_);
    return !pauseWake_.wait_for(lock, duration, [this] { return flags_.closing.load(); });
}

void LinkSupervisor::close() {
    {
        std::lock_guard threads(threadsMutex_);
        std::lock_guard wake(pauseMutex_);
        flags_.closing = true;
    }
    pauseWake_.notify_all();
}

LinkSupervisor::Ended LinkSupervisor::waitEnded(std::chrono::milliseconds wait) const {
    Ended ended;
    ended.reader = reader_.waitEnded(wait);
    ended.linkCheck = linkCheck_.waitEnded(wait);
    return ended;
}

void LinkSupervisor::joinAll() {
    close();
    std::thread reader;
    std::thread linkCheck;
    {
        std::lock_guard threads(threadsMutex_);
        reader = reader_.take();
        linkCheck = linkCheck_.take();
    }
    // Joined outside the lock: a thread ending may still ask to start another (and be refused).
    if (reader.joinable())
        reader.join();
    if (linkCheck.joinable())
        linkCheck.join();
    // Nothing more is written once closing; the sender's thread ends here.
    sender_.stop();
}

} // namespace zarn
