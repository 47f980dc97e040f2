#include "viewer/PieceCache.h"

namespace lvviewer {

PieceCache::PieceCache(std::size_t budgetBytes) : budget_(budgetBytes) {}

std::size_t PieceCache::costOf(const Band& band) {
    return static_cast<std::size_t>(band.pixels.width()) *
           static_cast<std::size_t>(band.pixels.height()) * sizeof(std::uint32_t);
}

PieceCache::Claim PieceCache::claim(BandKey key, BandPtr* band) {
    const std::lock_guard lock(mutex_);
    const auto it = slots_.find(key);
    if (it == slots_.end()) {
        slots_.emplace(key, Slot{});
        return Claim::Claimed;
    }
    if (it->second.state == State::Decoding)
        return Claim::Busy;
    useOrder_.splice(useOrder_.begin(), useOrder_, it->second.use);
    if (band)
        *band = it->second.band;
    return Claim::Ready;
}

BandPtr PieceCache::publish(BandKey key, Band band) {
    auto shared = std::make_shared<const Band>(std::move(band));
    {
        const std::lock_guard lock(mutex_);
        Slot& slot = slots_[key];
        if (slot.state == State::Ready) { // published twice: keep the newer
            bytes_ -= costOf(*slot.band);
            useOrder_.erase(slot.use);
        }
        slot.state = State::Ready;
        slot.band = shared;
        useOrder_.push_front(key);
        slot.use = useOrder_.begin();
        bytes_ += costOf(*shared);
        ++published_;
        evictLocked();
        peak_ = std::max(peak_, bytes_);
    }
    changed_.notify_all();
    return shared;
}

void PieceCache::abandon(BandKey key) {
    {
        const std::lock_guard lock(mutex_);
        const auto it = slots_.find(key);
        if (it != slots_.end() && it->second.state == State::Decoding)
            slots_.erase(it);
    }
    changed_.notify_all();
}

BandPtr PieceCache::waitFor(BandKey key) {
    std::unique_lock lock(mutex_);
    for (;;) {
        const auto it = slots_.find(key);
        if (it == slots_.end())
            return nullptr;
        if (it->second.state == State::Ready) {
            useOrder_.splice(useOrder_.begin(), useOrder_, it->second.use);
            return it->second.band;
        }
        changed_.wait(lock);
    }
}

bool PieceCache::holds(BandKey key) const {
    const std::lock_guard lock(mutex_);
    return slots_.contains(key);
}

void PieceCache::clear() {
    const std::lock_guard lock(mutex_);
    for (auto it = slots_.begin(); it != slots_.end();)
        it = it->second.state == State::Ready ? slots_.erase(it) : std::next(it);
    useOrder_.clear();
    bytes_ = 0;
}

void PieceCache::setBudget(std::size_t bytes) {
    const std::lock_guard lock(mutex_);
    budget_ = bytes;
    evictLocked();
}

void PieceCache::evictLocked() {
    // The newest band stays even when it alone is over the budget.
    while (bytes_ > budget_ && useOrder_.size() > 1) {
        const BandKey oldest = useOrder_.back();
        useOrder_.pop_back();
        const auto it = slots_.find(oldest);
        bytes_ -= costOf(*it->second.band);
        slots_.erase(it);
    }
}

std::size_t PieceCache::budget() const {
    const std::lock_guard lock(mutex_);
    return budget_;
}
std::size_t PieceCache::bytes() const {
    const std::lock_guard lock(mutex_);
    return bytes_;
}
std::size_t PieceCache::peakBytes() const {
    const std::lock_guard lock(mutex_);
    return peak_;
}
std::uint64_t PieceCache::published() const {
    const std::lock_guard lock(mutex_);
    return published_;
}
std::size_t PieceCache::readyCount() const {
    const std::lock_guard lock(mutex_);
    return useOrder_.size();
}

} // namespace lvviewer
