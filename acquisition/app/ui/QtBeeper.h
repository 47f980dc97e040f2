// The program's sounds in the windows: tones queued in order from any thread (never waiting,
// dropped only when the short queue is full) and played one after the other on the window
// thread, each for its duration. Without a sound device the tone is the system bell.
#pragma once

#include "platform/Beeper.h"
#include "platform/ToneQueue.h"

#include <QObject>

#include <atomic>
#include <functional>

namespace zarn::ui {

class GuiInbox;

class QtBeeper final : public QObject, public Beeper {
    Q_OBJECT
public:
    // play: how a tone sounds (the system bell unless given); installed as the program's
    // beeper for the object's life.
    explicit QtBeeper(std::function<void(const Tone&)> play = {}, QObject* parent = nullptr);
    ~QtBeeper() override;

    void beep(int frequencyHz, int durationMs) override;
    std::uint64_t dropped() const { return queue_.dropped(); }

private:
    void playNext();

    GuiInbox* inbox_;
    std::function<void(const Tone&)> play_;
    ToneQueue queue_;
    std::atomic<bool> playing_{false};
};

} // namespace zarn::ui
