#include "tests/support/TestSupport.h"

#include "platform/FileIo.h"
#include "platform/Home.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

namespace zarn::test {

TempHome::TempHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zarn-test-XXXXXX").string();
    const char* made = ::mkdtemp(pattern.data());
    EXPECT_NE(made, nullptr);
    path_ = pattern;
    ::setenv("ZARN_HOME", path_.c_str(), 1);
}

TempHome::~TempHome() {
    ::unsetenv("ZARN_HOME");
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void TempHome::write(const std::string& name, const std::string& bytes) const {
    ASSERT_TRUE(writeFileAtomically(file(name), bytes));
}

std::string TempHome::read(const std::string& name) const {
    return readWholeFile(file(name)).value_or("");
}

RecordingUserMessages::RecordingUserMessages() { UserMessages::install(this); }
RecordingUserMessages::~RecordingUserMessages() { UserMessages::install(nullptr); }

MessageAnswer RecordingUserMessages::ask(const UserMessage& message) {
    std::lock_guard lock(mutex_);
    shown_.push_back(message);
    if (!answers_.empty()) {
        const MessageAnswer a = answers_.front();
        answers_.pop_front();
        return a;
    }
    switch (message.buttons) {
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
        return MessageAnswer::Yes;
    case MessageButtons::RetryCancel:
        return MessageAnswer::Retry;
    default:
        return MessageAnswer::Ok;
    }
}

void RecordingUserMessages::notify(const UserMessage& message) {
    std::lock_guard lock(mutex_);
    shown_.push_back(message);
}

void RecordingUserMessages::answerNext(MessageAnswer answer) {
    std::lock_guard lock(mutex_);
    answers_.push_back(answer);
}

std::vector<UserMessage> RecordingUserMessages::shown() const {
    std::lock_guard lock(mutex_);
    return shown_;
}

std::vector<std::string> RecordingUserMessages::texts() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& m : shown_)
        out.push_back(m.text);
    return out;
}

MessageRecorder::MessageRecorder(MessageBus& bus, std::vector<Role> roles)
    : bus_(bus), roles_(std::move(roles)) {
    for (Role role : roles_)
        bus_.attach(role, [this, role](const Message& m) {
            std::lock_guard lock(mutex_);
            received_.push_back(Received{role, m, !delivering_});
        });
}

MessageRecorder::~MessageRecorder() {
    for (Role role : roles_)
        bus_.detach(role);
}

std::vector<MessageRecorder::Received> MessageRecorder::received() {
    {
        std::lock_guard lock(mutex_);
        delivering_ = true;
    }
    bus_.deliverPosted();
    std::lock_guard lock(mutex_);
    delivering_ = false;
    return received_;
}

void MessageRecorder::clear() {
    bus_.deliverPosted();
    std::lock_guard lock(mutex_);
    received_.clear();
}

RecordingBeeper::RecordingBeeper() { Beeper::install(this); }
RecordingBeeper::~RecordingBeeper() { Beeper::install(nullptr); }

void RecordingBeeper::beep(int frequencyHz, int durationMs) {
    std::lock_guard lock(mutex_);
    beeps_.emplace_back(frequencyHz, durationMs);
}

std::vector<std::pair<int, int>> RecordingBeeper::beeps() const {
    std::lock_guard lock(mutex_);
    return beeps_;
}

} // namespace zarn::test
