// The program's sounds in the windows: tones queued in order from any thread (never waiting,
// dropped only when the short queue is full) and played one after the other by a player thread
// of their own: generated tones on the sound device, or the system bell (rung on the window
// thread) where there is no device.
#pragma once

#include "platform/Beeper.h"
#include "platform/ToneQueue.h"

#include <QObject>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace zarn::ui {

class GuiInbox;

class QtBeeper final : public QObject, public Beeper {
    Q_OBJECT
public:
    // How a tone sounds, on the player thread; waits while it plays. False when it could not
    // be played (the bell rings instead).
    using Play = std::function<bool(const Tone&)>;

    // play: the sound device's unless given. Installed as the program's beeper for the
    // object's life; made on the window thread.
    explicit QtBeeper(Play play = {}, QObject* parent = nullptr);
    ~QtBeeper() override;

    void beep(int frequencyHz, int durationMs) override;
    std::uint64_t dropped() const { return queue_.dropped(); }
    // Tones that rang the bell for want of a device.
    std::uint64_t bells() const;

private:
    void playerLoop();

    GuiInbox* inbox_;
    Play play_;
    ToneQueue queue_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::uint64_t bells_ = 0;
    std::thread player_;
};

} // namespace zarn::ui
