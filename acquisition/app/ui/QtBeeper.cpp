#include "acquisition/app/ui/QtBeeper.h"

#include "acquisition/app/ui/GuiThread.h"
#include "platform/SoundOutput.h"
#include "platform/ToneSynthesizer.h"

#include <QApplication>

#include <memory>
#include <vector>

namespace zarn::ui {
namespace {

// Generated tones on the sound device; the samples' buffer is kept from tone to tone.
QtBeeper::Play deviceTones() {
    auto device = std::make_shared<SoundOutput>();
    auto samples = std::make_shared<std::vector<std::int16_t>>();
    return [device, samples](const Tone& tone) {
        if (!device->available())
            return false;
        ToneSynthesizer::synthesize(tone, *samples);
        return device->play(*samples);
    };
}

} // namespace

QtBeeper::QtBeeper(Play play, QObject* parent)
    : QObject(parent), inbox_(new GuiInbox(this, 10)), play_(std::move(play)) {
    if (!play_)
        play_ = deviceTones();
    player_ = std::thread([this] { playerLoop(); });
    Beeper::install(this);
}

QtBeeper::~QtBeeper() {
    Beeper::install(nullptr);
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    player_.join();
}

void QtBeeper::beep(int frequencyHz, int durationMs) {
    if (!queue_.push({frequencyHz, durationMs}))
        return;
    // Taken for a moment so that the player, between its look at the queue and its wait,
    // cannot miss the news.
    { std::lock_guard lock(mutex_); }
    wake_.notify_one();
}

std::uint64_t QtBeeper::bells() const {
    std::lock_guard lock(mutex_);
    return bells_;
}

void QtBeeper::playerLoop() {
    while (true) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_)
                return;
        }
        const std::optional<Tone> tone = queue_.pop();
        if (!tone || play_(*tone))
            continue;
        // No device: the bell, on the window thread, for as long as the tone would last.
        {
            std::lock_guard lock(mutex_);
            ++bells_;
        }
        inbox_->post([] { QApplication::beep(); });
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, std::chrono::milliseconds(std::max(0, tone->durationMs)),
                       [this] { return stopping_; });
    }
}

} // namespace zarn::ui
