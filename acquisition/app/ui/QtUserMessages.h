// The program's message boxes as Qt dialogs. A question waits for the answer in a modal box on
// the window thread; asked from another thread (which must never block on the windows) it is
// shown without waiting and answered with the box's default answer. Notices from any thread are
// shown without waiting, on the window thread.
#pragma once

#include "acquisition/app/ui/GuiThread.h"
#include "platform/UserMessages.h"

#include <functional>
#include <memory>

class QWidget;
class QMessageBox;

namespace zarn::ui {

class QtUserMessages final : public UserMessages {
public:
    // Unattended: nobody is there to answer (the offscreen platform of the tests and the
    // screenshots). Every message then also goes to stderr, and a question is answered at once
    // with its default answer instead of waiting.
    enum class Attendance { Attended, Unattended };
    // parent: the window the boxes are centred on (may be null, or change later).
    // Made on the window thread.
    explicit QtUserMessages(QWidget* parent = nullptr,
                            Attendance attendance = Attendance::Attended);
    ~QtUserMessages() override;
    // Unattended on the offscreen platform, attended elsewhere.
    static Attendance attendanceOfPlatform();
    void setParent(QWidget* parent) { parent_ = parent; }

    MessageAnswer ask(const UserMessage& message) override;
    void notify(const UserMessage& message) override;

    // The answer a box gives when nobody can answer it: its default button, else the first.
    static MessageAnswer defaultAnswerOf(const UserMessage& message);
    // A box made for the message, not shown (the window thread only).
    static QMessageBox* makeBox(const UserMessage& message, QWidget* parent);

private:
    QWidget* parent_;
    Attendance attendance_;
    std::unique_ptr<GuiInbox> inbox_; // notices from any thread
};

} // namespace zarn::ui
