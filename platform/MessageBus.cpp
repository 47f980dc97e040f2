#include "platform/MessageBus.h"

namespace zarn {

void MessageBus::attach(Role role, Handler handler) {
    std::lock_guard lock(mutex_);
    handlers_[role] = std::move(handler);
}

void MessageBus::detach(Role role) {
    std::lock_guard lock(mutex_);
    handlers_.erase(role);
}

bool MessageBus::attached(Role role) const {
    std::lock_guard lock(mutex_);
    return handlers_.count(role) != 0;
}

MessageBus::Handler MessageBus::handlerOf(Role role) const {
    std::lock_guard lock(mutex_);
    const auto it = handlers_.find(role);
    return it == handlers_.end() ? Handler{} : it->second;
}

void MessageBus::post(Role role, const Message& message) {
    std::function<void()> wakeUp;
    {
        std::lock_guard lock(mutex_);
        if (handlers_.count(role) == 0)
            return;
        queue_.emplace_back(role, message);
        wakeUp = wakeUp_;
    }
    if (wakeUp)
        wakeUp();
}

void MessageBus::send(Role role, const Message& message) {
    if (const Handler handler = handlerOf(role))
        handler(message);
}

size_t MessageBus::deliverPosted() {
    size_t delivered = 0;
    for (;;) {
        std::pair<Role, Message> next;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty())
                return delivered;
            next = queue_.front();
            queue_.pop_front();
        }
        if (const Handler handler = handlerOf(next.first)) {
            handler(next.second);
            ++delivered;
        }
    }
}

void MessageBus::setWakeUp(std::function<void()> wakeUp) {
    std::lock_guard lock(mutex_);
    wakeUp_ = std::move(wakeUp);
}

MessageBus& MessageBus::instance() {
    static MessageBus bus;
    return bus;
}

} // namespace zarn
