// One page's order to the logger and its read-back check.
//
// An order waits until the link is ready for a command (nothing pending and a frame arrived
// since the last order), so a page never overwrites a frame being written. Once sent, a checked
// order is compared with the logger's read-back 1000 ms later; while a frame is in progress or
// no frame has arrived since the send, the check looks again every 350 ms. A read-back that
// differs sends the order again and checks again, up to five attempts in all; the fifth
// difference is warned once and the check ends (the setting stays stored).
//
// Time is the caller's monotonic milliseconds; the window calls service() from its timer.
#pragma once

#include "acquisition/settings/LoggerSetupHost.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace zarn {

class SettingsOrder {
public:
    static constexpr int CheckDelayMs = 1000;
    static constexpr int RecheckDelayMs = 350;
    static constexpr int MostAttempts = 5;

    // matches: whether the read-back equals what was sent; warn: the warning after the last
    // attempt. Both empty for an order without read-back.
    SettingsOrder(LoggerSetupHost& host, SetupOrder order, std::function<bool()> matches = {},
                  std::function<void()> warn = {});

    // The operator changed the setting: the order goes out at the next ready link, and its
    // check starts afresh.
    void request();
    // Sends a waiting order when the link is ready, and runs a check that is due.
    void service(std::int64_t nowMs);
    // Stops waiting and checking (the link shuts down, the sheet closes).
    void cancel();

    bool waiting() const { return waiting_; }
    bool checking() const { return due_.has_value(); }
    int attempts() const { return attempts_; }
    int sent() const { return sent_; }

private:
    LoggerSetupHost& host_;
    SetupOrder order_;
    std::function<bool()> matches_;
    std::function<void()> warn_;
    bool waiting_ = false;
    std::optional<std::int64_t> due_;
    std::uint32_t framesAtSend_ = 0;
    int attempts_ = 0; // sends since the operator's change
    int sent_ = 0;
};

} // namespace zarn
