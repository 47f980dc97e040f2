#include "acquisition/app/ui/QtBeeper.h"

#include "acquisition/app/ui/GuiThread.h"

#include <QApplication>
#include <QTimer>

namespace zarn::ui {

QtBeeper::QtBeeper(std::function<void(const Tone&)> play, QObject* parent)
    : QObject(parent), inbox_(new GuiInbox(this, 10)), play_(std::move(play)) {
    if (!play_)
        play_ = [](const Tone&) { QApplication::beep(); };
    Beeper::install(this);
}

QtBeeper::~QtBeeper() {
    Beeper::install(nullptr);
}

void QtBeeper::beep(int frequencyHz, int durationMs) {
    if (!queue_.push({frequencyHz, durationMs}))
        return;
    // One player at a time: the tone waits for the one before it to end.
    if (!playing_.exchange(true))
        inbox_->post([this] { playNext(); });
}

void QtBeeper::playNext() {
    std::optional<Tone> tone = queue_.pop();
    if (!tone) {
        playing_ = false;
        // A tone queued after the empty pop saw the player still running and did not post:
        // take it up here unless another post already did.
        if (queue_.empty() || playing_.exchange(true))
            return;
        tone = queue_.pop();
        if (!tone) {
            playing_ = false;
            return;
        }
    }
    play_(*tone);
    QTimer::singleShot(std::max(0, tone->durationMs), this, [this] { playNext(); });
}

} // namespace zarn::ui
