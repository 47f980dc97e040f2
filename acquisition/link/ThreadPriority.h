// Thread priorities of the link's threads: the link check asks for normal, the reader for
// time-critical and the sender for the highest priority. The request is made where the system
// allows it and ignored where it does not (an ordinary user may not raise a thread's priority).
#pragma once

namespace zarn {

enum class ThreadPriority { Normal, Highest, TimeCritical };

// Where the requests go: the system's scheduler unless another is installed (tests record them).
class ThreadPriorities {
public:
    virtual ~ThreadPriorities() = default;
    // Applies to the calling thread; true when it was taken.
    [[nodiscard]] virtual bool request(ThreadPriority priority) = 0;

    static ThreadPriorities& current();
    static void install(ThreadPriorities* priorities); // not owned; nullptr: the system's again
};

// The calling thread's request through ThreadPriorities::current().
[[nodiscard]] bool requestThreadPriority(ThreadPriority priority);

} // namespace zarn
