#include "acquisition/settings/SettingsOrder.h"

#include <utility>

namespace zarn {

SettingsOrder::SettingsOrder(LoggerSetupHost& host, SetupOrder order, std::function<bool()> matches,
                             std::function<void()> warn)
    : host_(host), order_(order), matches_(std::move(matches)), warn_(std::move(warn)) {}

void SettingsOrder::request() {
    waiting_ = true;
    due_.reset();
    attempts_ = 0;
}

void SettingsOrder::cancel() {
    waiting_ = false;
    due_.reset();
    attempts_ = 0;
}

void SettingsOrder::service(std::int64_t nowMs) {
    if (waiting_ && host_.claimLinkForCommand() && host_.send(order_)) {
        waiting_ = false;
        ++sent_;
        ++attempts_;
        if (matches_) {
            framesAtSend_ = host_.readBack().frames;
            due_ = nowMs + CheckDelayMs;
        }
    }
    if (!due_ || nowMs < *due_)
        return;
    if (host_.frameInProgress() || host_.readBack().frames == framesAtSend_) {
        due_ = nowMs + RecheckDelayMs;
        return;
    }
    due_.reset();
    if (matches_()) {
        attempts_ = 0;
        return;
    }
    if (attempts_ >= MostAttempts) {
        attempts_ = 0;
        if (warn_)
            warn_();
        return;
    }
    waiting_ = true; // sent again at the next ready link, then checked again
}

} // namespace zarn
