#include "acquisition/link/VideoRecovery.h"

#include "acquisition/app/Guarded.h"
#include "acquisition/link/USB.h"
#include "acquisition/wire/FrameLayout.h"
#include "acquisition/wire/FrameResult.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace zarn {
namespace {

constexpr std::size_t PacketIndexAt = frame::full::SondeBlock + frame::sonde::PacketIndex;
constexpr std::size_t PictureNumberAt = frame::full::SondeBlock + frame::sonde::PictureNumber;
// A logger-reported error from this result on is not counted as a video checksum error.
constexpr int LoggerReportedFrom = FrameResult::LoggerError + 1;

std::uint8_t next(std::uint8_t index) {
    return static_cast<std::uint8_t>(index + 1);
}

} // namespace

VideoRecovery::VideoRecovery(VideoRequestTable& requests, RequestPacket request,
                             TransmissionStatistics& statistics, ConfigurationAccess settings)
    : requests_(requests), request_(std::move(request)), statistics_(statistics),
      settings_(std::move(settings)) {}

VideoRecovery::VideoRecovery(CUSB& link, ConfigurationAccess settings)
    : VideoRecovery(
          link.requestTable(),
          [&link](std::uint8_t index, bool remember, bool count) {
              return link.requestVideoPacket(index, remember, count);
          },
          link.statistics(), std::move(settings)) {}

void VideoRecovery::raiseHealth() {
    if (health_ < FloorHealth)
        health_ = FloorHealth;
}

void VideoRecovery::reset() {
    clearState(false);
}

void VideoRecovery::clearState(bool keepFirstGood) {
    if (!keepFirstGood)
        firstGoodSeen_ = false;
    enabled_ = false;
    pending_ = false;
    lastPicture_ = 0;
    health_ = 0;
    streak_ = 0;
    attempt_ = 0;
    heldSinceRequest_ = 0;
    requests_.clearAll();
    held_.clear();
}

std::vector<std::uint8_t> VideoRecovery::heldIndexes() const {
    std::vector<std::uint8_t> indexes;
    indexes.reserve(held_.size());
    for (const HeldPacket& h : held_)
        indexes.push_back(h.index);
    return indexes;
}

bool VideoRecovery::nearIndex(std::uint8_t x) const {
    int a = x;
    int g = lastGood_;
    if (a > 200 || g > 200) {
        a = static_cast<std::int8_t>(x);
        g = static_cast<std::int8_t>(lastGood_);
    }
    return std::abs(a - g) <= NearDistance;
}

bool VideoRecovery::decodableLength(std::size_t length) {
    return length >= MinHeldLength && length <= MaxHeldLength;
}

void VideoRecovery::fullFrame(std::span<const std::uint8_t> frame, FrameDecoder& decoder) {
    decoder_ = &decoder;
    if (frame.size() < frame::full::MinimumSize) {
        // Not a full data frame: nothing to sequence; the decoder refuses (and traces) it itself.
        static_cast<void>(decoder.DecodeFullFrame(frame, true));
        return;
    }
    const std::uint8_t p = frame[PacketIndexAt];
    if (switchedOff_)
        clearState(true);

    if (startUp_ && enabled_) {
        health_ = StartUpHealth;
        streak_ = 0;
        enabled_ = false;
        normalDecode(frame, p);
        return;
    }
    if (health_ == 0)
        startUp_ = true;

    if (enabled_ && health_ > EnableHealth) {
        if (pending_) {
            const int entry = requests_.highestUsed();
            if (entry >= 0) {
                const auto q = static_cast<std::uint8_t>(requests_.at(entry));
                if (p == q)
                    awaitedArrived(frame, p, entry);
                else
                    otherArrived(frame, p, q);
                return;
            }
            // Nothing is awaited any more: the frame is checked like any other.
            pending_ = false;
        }
        switch (checkVideoFrameNumber(frame, p)) {
        case Gap::Found:
            gapFound(frame, p);
            return;
        case Gap::Handled:
            return;
        case Gap::None:
            break;
        }
    }
    normalDecode(frame, p);
}

int VideoRecovery::decode(std::span<const std::uint8_t> frame, bool current) {
    const int result = decoder_->DecodeFullFrame(frame, current);
    cursor_ = frame[PacketIndexAt];
    if (result < FrameResult::Dropped)
        lastPicture_ = frame::u32(frame, PictureNumberAt);
    return result;
}

void VideoRecovery::hold(std::span<const std::uint8_t> frame, std::uint8_t index,
                         FrameDecoder& decoder) {
    // Only full data frames are sequenced, and their logger header always fits.
    static_cast<void>(decoder.DecodePacketHeader(frame));
    held_.push_back(HeldPacket{std::vector<std::uint8_t>(frame.begin(), frame.end()), index});
}

VideoRecovery::Gap VideoRecovery::checkVideoFrameNumber(std::span<const std::uint8_t> frame,
                                                        std::uint8_t p) {
    const GuardSite site = ZARN_GUARD_AT("CUSB :: L2484");
    Gap gap = Gap::None;
    bool held = false;
    if (guarded(site, [&] { gap = checkGap(frame, p, site, held); }))
        return gap;
    // A frame already held goes with the held packets; one not held yet is decoded as it came.
    return held ? Gap::Handled : Gap::None;
}

VideoRecovery::Gap VideoRecovery::checkGap(std::span<const std::uint8_t> frame, std::uint8_t p,
                                           const GuardSite& site, bool& held) {
    const std::uint8_t expected = next(cursor_);
    if (p == expected)
        return Gap::None;
    const int missing = static_cast<std::uint8_t>(p - expected);
    if (missing > MaxMissing) {
        ++statistics_.videoDataErrors;
        return Gap::None;
    }
    // The first missing index is asked for by the caller; the others wait behind it.
    for (int i = missing - 1; i >= 1; --i) {
        const int entry = requests_.remember(static_cast<std::uint8_t>(expected + i));
        if (entry >= 0 && entry < MaxWaiting)
            continue;
        // Too much is waiting already: what is missing is lost, what is held is decoded as it is
        // (in arrival order).
        flushRequests();
        hold(frame, p, *decoder_);
        held = true;
        while (!held_.empty()) {
            if (!decodableLength(held_.front().bytes.size())) {
                held_.erase(held_.begin());
                continue;
            }
            const std::optional<int> result = replayFirstHeld(site);
            if (result && *result >= ErrorResult) {
                ++statistics_.videoDataErrors;
                ++statistics_.videoChecksumErrors;
            }
            pause();
        }
        pending_ = false;
        attempt_ = 0;
        return Gap::Handled;
    }
    return Gap::Found;
}

std::optional<int> VideoRecovery::replayFirstHeld(const GuardSite& site) {
    for (int attempt = 0; attempt < ReplayAttempts; ++attempt) {
        const std::optional<int> result = guarded(site, std::optional<int>{}, [this] {
            return std::optional<int>(decode(held_.front().bytes, false));
        });
        if (result) {
            held_.erase(held_.begin());
            return result;
        }
    }
    // The decoder fails on it every time: given up, so that one packet cannot stall the rest.
    held_.erase(held_.begin());
    ++statistics_.videoDataErrors;
    return std::nullopt;
}

void VideoRecovery::gapFound(std::span<const std::uint8_t> frame, std::uint8_t p) {
    hold(frame, p, *decoder_);
    lastGood_ = p;
    if (videoErrorStreak())
        return; // recovery went off; what was held has been decoded
    cursor_ = next(cursor_);
    heldSinceRequest_ = 0;
    if (nearIndex(cursor_) && request(cursor_, true, true)) {
        pending_ = true;
        attempt_ = 1;
        return;
    }
    restoreHeldPackets(false);
    flushRequests();
}

void VideoRecovery::awaitedArrived(std::span<const std::uint8_t> frame, std::uint8_t p, int entry) {
    attempt_ = 0;
    heldSinceRequest_ = 0;
    const int result = decode(frame, false);
    if (result < ErrorResult) {
        ++statistics_.recoveries;
        ++statistics_.panelRecoveries;
    } else if (nearIndex(p) && request(p, false, false)) {
        return; // asked once more; still awaited
    }
    requests_.clear(entry);
    for (int e = entry - 1; e >= 0; --e) {
        const std::int32_t value = requests_.at(e);
        if (value == VideoRequestTable::Empty)
            continue;
        const auto index = static_cast<std::uint8_t>(value);
        cursor_ = index;
        attempt_ = 1;
        if (nearIndex(index)) {
            // Awaited from now on, also when the send failed: the next arrival decides again.
            static_cast<void>(request(index, false, true));
            pending_ = true;
            return;
        }
        requests_.clear(e);
    }
    pending_ = restoreHeldPackets(true);
}

void VideoRecovery::otherArrived(std::span<const std::uint8_t> frame, std::uint8_t p,
                                 std::uint8_t q) {
    hold(frame, p, *decoder_);
    lastGood_ = p;
    if (++heldSinceRequest_ <= HeldBeforeRecall)
        return;
    heldSinceRequest_ = 0;
    if (attempt_ < 2 && secondRecall() && nearIndex(q) && request(q, false, false)) {
        attempt_ = 2;
        return;
    }
    // Given up on q.
    requests_.clear(requests_.highestUsed());
    attempt_ = 0;
    const int entry = requests_.highestUsed();
    if (entry < 0) {
        restoreHeldPackets(false);
        flushRequests();
        pending_ = false;
        return;
    }
    const auto index = static_cast<std::uint8_t>(requests_.at(entry));
    cursor_ = static_cast<std::uint8_t>(index - 1);
    if (nearIndex(index)) {
        // Awaited from now on, also when the send failed: the next arrival decides again.
        static_cast<void>(request(index, false, true));
        attempt_ = 1;
    }
}

void VideoRecovery::normalDecode(std::span<const std::uint8_t> frame, std::uint8_t p) {
    const int result = decode(frame, true);
    if (result < FrameResult::Dropped || !firstGoodSeen_ || !enabled_) {
        if (result < FrameResult::Dropped - 1)
            lastGood_ = p;
        firstGoodSeen_ = true;
        if (result >= FrameResult::Dropped)
            ++statistics_.videoDataErrors;
        if (health_ < MaxHealth)
            ++health_;
        else
            streak_ = 0;
        if (health_ == 4)
            startUp_ = false;
        if (health_ == EnableHealth) {
            enabled_ = true;
            startUp_ = false;
        }
        return;
    }
    ++statistics_.videoChecksumErrors;
    videoErrorStreak();
}

bool VideoRecovery::videoErrorStreak() {
    if (health_ == MaxHealth)
        streak_ = 0;
    else
        ++streak_;
    health_ = GapHealth;
    if (streak_ < StreakLimit)
        return false;
    switchRecoveryOff();
    return true;
}

void VideoRecovery::switchRecoveryOff() {
    health_ = FloorHealth;
    streak_ = 0;
    enabled_ = false;
    restoreHeldPackets(false);
    flushRequests();
    pending_ = false;
    attempt_ = 0;
    heldSinceRequest_ = 0;
}

bool VideoRecovery::restoreHeldPackets(bool withRequests) {
    const GuardSite site = ZARN_GUARD_AT("CUSB :: L2580");
    bool waiting = false;
    // After an exception (reported under the site) nothing is waited for.
    static_cast<void>(guarded(site, [&] { waiting = restoreHeld(withRequests, site); }));
    return waiting;
}

bool VideoRecovery::restoreHeld(bool withRequests, const GuardSite& site) {
    // Index order counted from the packet after the cursor, so that 254, 255, 0, 1 stay in order.
    const std::uint8_t base = next(cursor_);
    std::stable_sort(held_.begin(), held_.end(), [base](const HeldPacket& a, const HeldPacket& b) {
        return static_cast<std::uint8_t>(a.index - base) <
               static_cast<std::uint8_t>(b.index - base);
    });
    while (!held_.empty()) {
        const std::uint8_t wanted = next(cursor_);
        const std::uint8_t index = held_.front().index;
        if (withRequests && index != wanted && nearIndex(wanted) && request(wanted, true, true))
            return true;
        if (!decodableLength(held_.front().bytes.size())) {
            held_.erase(held_.begin());
            continue;
        }
        const std::optional<int> result = replayFirstHeld(site);
        if (result && *result >= ErrorResult) {
            if (!withRequests) {
                if (*result < LoggerReportedFrom)
                    ++statistics_.videoChecksumErrors;
                ++statistics_.videoDataErrors;
            } else {
                ++statistics_.videoChecksumErrors;
                if (nearIndex(index) && request(index, true, true)) {
                    pause();
                    return true;
                }
            }
        }
        pause();
    }
    return false;
}

void VideoRecovery::flushRequests() {
    statistics_.videoDataErrors += requests_.clearAll();
}

bool VideoRecovery::request(std::uint8_t index, bool remember, bool count) {
    if (!request_ || !request_(index, remember, count))
        return false;
    lastRequested_ = index;
    return true;
}

void VideoRecovery::cutFrameSalvaged(std::uint8_t packetIndex) {
    if ((enabled_ && !pending_) || (packetIndex == lastRequested_ && nearIndex(packetIndex)))
        // A request that fails (the send buffer stayed busy) leaves the packet to the gap check
        // of the frames that follow.
        static_cast<void>(request(packetIndex, false, true));
}

bool VideoRecovery::secondRecall() const {
    bool on = false;
    if (settings_)
        settings_([&on](Configuration& c) { on = c.program.secondRecall; });
    return on;
}

void VideoRecovery::pause() const {
    if (replayPause_.count() > 0)
        std::this_thread::sleep_for(replayPause_);
}

} // namespace zarn
