#include "acquisition/link/ThreadPriority.h"

#include <atomic>
#include <pthread.h>
#include <sched.h>

namespace zarn {
namespace {

class SystemThreadPriorities : public ThreadPriorities {
public:
    [[nodiscard]] bool request(ThreadPriority priority) override {
        if (priority == ThreadPriority::Normal)
            return true;
        // The lowest round-robin levels: above every ordinary thread, below the system's own.
        const int lowest = sched_get_priority_min(SCHED_RR);
        if (lowest < 0)
            return false;
        sched_param param{};
        param.sched_priority = lowest + (priority == ThreadPriority::TimeCritical ? 1 : 0);
        return pthread_setschedparam(pthread_self(), SCHED_RR, &param) == 0;
    }
};

std::atomic<ThreadPriorities*> installed{nullptr};

} // namespace

ThreadPriorities& ThreadPriorities::current() {
    static SystemThreadPriorities system;
    ThreadPriorities* p = installed.load(std::memory_order_acquire);
    return p ? *p : system;
}

void ThreadPriorities::install(ThreadPriorities* priorities) {
    installed.store(priorities, std::memory_order_release);
}

bool requestThreadPriority(ThreadPriority priority) {
    return ThreadPriorities::current().request(priority);
}

} // namespace zarn
