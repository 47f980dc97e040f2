// The lifetimes of the link's threads: the link check and the reader (one slot each, each
// started at its own priority), the closing flag that ends them, the pauses that the flag cuts
// short, the shutdown's bounded wait and the final joins, the sender's thread included.
//
// Starts and the closing flag are taken under one lock, so no thread starts once the program
// closes; the slots then hold the last threads, which the joins wait for however long they take.
#pragma once

#include "acquisition/link/FrameSender.h"
#include "acquisition/link/LinkFlags.h"
#include "acquisition/link/LinkThread.h"
#include "acquisition/link/ThreadPriority.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace zarn {

class LinkSupervisor {
public:
    LinkSupervisor(LinkFlags& flags, FrameSender& sender);
    // Joins everything (joinAll).
    ~LinkSupervisor();
    LinkSupervisor(const LinkSupervisor&) = delete;
    LinkSupervisor& operator=(const LinkSupervisor&) = delete;

    // Starts body in its slot, the link check at normal priority, the reader at time-critical
    // priority. False once the program is closing: nothing starts then.
    [[nodiscard]] bool startLinkCheck(std::function<void()> body);
    [[nodiscard]] bool startReader(std::function<void()> body);

    // Sleeps unless the program closes first; false when it is closing.
    [[nodiscard]] bool pause(std::chrono::milliseconds duration);

    // Sets the closing flag and wakes every pause.
    void close();
    // Which threads ended, each within the wait.
    struct Ended {
        bool reader = true;
        bool linkCheck = true;
    };
    [[nodiscard]] Ended waitEnded(std::chrono::milliseconds wait) const;
    // Closes, joins the reader and the link check for good and stops the sender.
    void joinAll();

private:
    [[nodiscard]] bool start(LinkThread& slot, ThreadPriority priority, std::function<void()> body);

    LinkFlags& flags_;
    FrameSender& sender_;
    std::mutex threadsMutex_;
    std::mutex pauseMutex_;
    std::condition_variable pauseWake_;
    LinkThread linkCheck_;
    LinkThread reader_;
};

} // namespace zarn
