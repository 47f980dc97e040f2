#include "platform/UserMessages.h"

#include <atomic>
#include <cstdio>

namespace zarn {
namespace {
std::atomic<UserMessages*> installed{nullptr};
} // namespace

UserMessages& UserMessages::current() {
    static ConsoleUserMessages console;
    UserMessages* m = installed.load(std::memory_order_acquire);
    return m ? *m : console;
}

void UserMessages::install(UserMessages* messages) {
    installed.store(messages, std::memory_order_release);
}

MessageAnswer ConsoleUserMessages::ask(const UserMessage& message) {
    notify(message);
    switch (message.buttons) {
    case MessageButtons::Ok:
        return MessageAnswer::Ok;
    case MessageButtons::OkCancel:
        return choice_ == MessageAnswer::Yes || choice_ == MessageAnswer::Ok ? MessageAnswer::Ok
                                                                             : MessageAnswer::Cancel;
    case MessageButtons::RetryCancel:
        return choice_ == MessageAnswer::Retry ? MessageAnswer::Retry : MessageAnswer::Cancel;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
        return choice_ == MessageAnswer::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    return MessageAnswer::Cancel;
}

void ConsoleUserMessages::notify(const UserMessage& message) {
    std::fprintf(stderr, "%s: %s\n", message.title.c_str(), message.text.c_str());
}

} // namespace zarn
