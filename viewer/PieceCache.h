// The decoded strip pieces, held in bands of rows within a byte budget: a band is claimed by the
// thread that decodes it (empty -> decoding -> ready, under one lock, so that no band is ever
// decoded twice at once), published when done, and the least recently used ready bands are
// evicted once the budget is exceeded. A band that is in use when it is evicted lives on until
// its last user lets it go; its pixels never change once published.
#pragma once

#include "platform/PixelImage.h"

#include <compare>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace lvviewer {

// Rows of a band: a screen of rows is one or two bands, a picture of the export's largest size
// some 25.
inline constexpr int BandRows = 1024;
inline constexpr std::size_t DefaultCacheBudget = std::size_t{512} << 20;

struct BandKey {
    int entry = 0;
    int band = 0; // rows band * BandRows onward of the entry
    auto operator<=>(const BandKey&) const = default;
};

struct Band {
    zarn::PixelImage pixels;
    std::string failure; // why the picture's rows are drawn as a missing part; empty when not
};
using BandPtr = std::shared_ptr<const Band>;

class PieceCache {
public:
    explicit PieceCache(std::size_t budgetBytes = DefaultCacheBudget);

    enum class Claim {
        Ready,   // *band holds it
        Claimed, // the caller decodes it and publishes it (or abandons the claim)
        Busy,    // another thread is decoding it
    };
    [[nodiscard]] Claim claim(BandKey key, BandPtr* band);
    // Makes a claimed band ready, then evicts until the budget holds (never the new band).
    BandPtr publish(BandKey key, Band band);
    void abandon(BandKey key);
    // The band once no thread decodes it any more: ready, or null when its claim was abandoned.
    BandPtr waitFor(BandKey key);
    // Whether the band is ready or being decoded (without making it recently used).
    bool holds(BandKey key) const;

    // Forgets every ready band (bands being decoded are published as usual afterwards).
    void clear();
    void setBudget(std::size_t bytes);

    std::size_t budget() const;
    std::size_t bytes() const;       // of the ready bands held
    std::size_t peakBytes() const;   // the most ever held
    std::uint64_t published() const; // bands decoded so far
    std::size_t readyCount() const;

private:
    enum class State { Decoding, Ready };
    struct Slot {
        State state = State::Decoding;
        BandPtr band;
        std::list<BandKey>::iterator use; // place in the use order (ready bands)
    };
    static std::size_t costOf(const Band& band);
    void evictLocked();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<BandKey, Slot> slots_;
    std::list<BandKey> useOrder_; // most recently used first
    std::size_t budget_;
    std::size_t bytes_ = 0;
    std::size_t peak_ = 0;
    std::uint64_t published_ = 0;
};

} // namespace lvviewer
