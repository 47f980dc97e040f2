// Helpers shared by the tests: a temporary program home, recorders for message boxes, bus
// messages, beeps and debugger output.
#pragma once

#include "platform/Beeper.h"
#include "platform/MessageBus.h"
#include "platform/UserMessages.h"

#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace zarn::test {

// A fresh temporary folder used as the program's home (ZARN_HOME) for the test's lifetime.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }
    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;

private:
    std::filesystem::path path_;
};

// Records every message box and answers from a script (default: Ok / Yes).
class RecordingUserMessages : public UserMessages {
public:
    RecordingUserMessages();   // installs itself
    ~RecordingUserMessages() override;  // restores the console one
    MessageAnswer ask(const UserMessage& message) override;
    void notify(const UserMessage& message) override;
    void answerNext(MessageAnswer answer);
    std::vector<UserMessage> shown() const;
    std::vector<std::string> texts() const;

private:
    mutable std::mutex mutex_;
    std::vector<UserMessage> shown_;
    std::deque<MessageAnswer> answers_;
};

// Registers on a bus for the given roles and records what reaches them.
class MessageRecorder {
public:
    struct Received {
        Role role;
        Message message;
        bool sent;  // true: send (synchronous); false: post (delivered later)
        bool operator==(const Received&) const = default;
    };
    MessageRecorder(MessageBus& bus, std::vector<Role> roles);
    ~MessageRecorder();
    // Delivers the queued posts, then returns everything received so far.
    std::vector<Received> received();
    void clear();

private:
    MessageBus& bus_;
    std::vector<Role> roles_;
    std::mutex mutex_;
    std::vector<Received> received_;
    bool delivering_ = false;
};

class RecordingBeeper : public Beeper {
public:
    RecordingBeeper();
    ~RecordingBeeper() override;
    void beep(int frequencyHz, int durationMs) override;
    std::vector<std::pair<int, int>> beeps() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<int, int>> beeps_;
};

} // namespace zarn::test
