// Message boxes. The windows show a dialog, the command line prints to stderr and answers as its
// options say, tests record the texts and answer as scripted. Texts are the program's own.
#pragma once

#include <optional>
#include <string>

namespace zarn {

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No, Retry };

struct UserMessage {
    std::string text;
    std::string title;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    // The button that has the focus when the box opens; empty: the first one.
    std::optional<MessageAnswer> defaultAnswer{};
};

class UserMessages {
public:
    virtual ~UserMessages() = default;
    // Shows the message and waits for the answer. Only for the thread that owns the windows.
    virtual MessageAnswer ask(const UserMessage& message) = 0;
    // Shows the message without waiting; safe from any thread (link, playback).
    virtual void notify(const UserMessage& message) = 0;

    // The program's message boxes; a console implementation until another is installed.
    static UserMessages& current();
    // Installs an implementation (not owned); nullptr restores the console one.
    static void install(UserMessages* messages);
};

// Prints "title: text" to stderr; answers Ok, or the given answer to a question with choices.
class ConsoleUserMessages : public UserMessages {
public:
    explicit ConsoleUserMessages(MessageAnswer choice = MessageAnswer::No) : choice_(choice) {}
    MessageAnswer ask(const UserMessage& message) override;
    void notify(const UserMessage& message) override;

private:
    MessageAnswer choice_;
};

// Shorthands for the common forms.
inline MessageAnswer showMessage(const std::string& text, MessageIcon icon = MessageIcon::None,
                                 MessageButtons buttons = MessageButtons::Ok,
                                 const std::string& title = "ZARN") {
    return UserMessages::current().ask(UserMessage{text, title, icon, buttons});
}

} // namespace zarn
