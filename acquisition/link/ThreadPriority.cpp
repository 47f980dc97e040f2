#include "acquisition/link/ThreadPriority.h"

#include <pthread.h>
#include <sched.h>

namespace zarn {

bool requestThreadPriority(ThreadPriority priority) {
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

} // namespace zarn
