// Thread priorities of the link's threads. The request is made where the system allows it and
// ignored where it does not (an ordinary user may not raise a thread's priority).
#pragma once

namespace zarn {

enum class ThreadPriority { Normal, Highest, TimeCritical };

// Applies to the calling thread; true when the system took the request.
bool requestThreadPriority(ThreadPriority priority);

} // namespace zarn
