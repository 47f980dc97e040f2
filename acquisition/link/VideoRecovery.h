// Video packet sequencing and recovery. Each full data frame carries one packet of the current
// picture, numbered by an 8-bit packet index. When recovery is enabled and a gap appears in the
// indexes, the packets after the gap are held back (their logger header is applied at once), the
// missing packets are asked for again (F12 re-request) and the held packets are decoded in index
// order once the gap is filled or given up. A health value decides when recovery may run: it
// rises by one per good frame from 80 after a link start and enables recovery at 100; a streak
// of eleven video errors while enabled switches it off (health 80) until it reaches 100 again.
//
// Index arithmetic is modulo 256 throughout (the gap 250 -> 5 is ten missing packets). Held
// packets are owned copies; every request table access is bounded by the table.
//
// Threads: everything runs on the reader thread inside the dispatcher, replays of held packets
// included (the pause between replayed packets is a plain sleep: no window is touched). The only
// value another thread writes is the switched-off flag (the user-interface thread); the picture
// sequence and the status values are readable from any thread.
#pragma once

#include "acquisition/link/ConfigurationAccess.h"
#include "acquisition/link/FrameDecoder.h"
#include "acquisition/link/TransmissionStatistics.h"
#include "acquisition/link/VideoPacketSequencer.h"
#include "acquisition/link/VideoRequestTable.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace zarn {

class CUSB;
struct GuardSite;

class VideoRecovery final : public VideoPacketSequencer {
public:
    // Sends F12 for a packet index: true when sent. remember: note the index in the request
    // table (once); count: count the request. Fails when the send buffer stays busy.
    using RequestPacket = std::function<bool(std::uint8_t index, bool remember, bool count)>;

    static constexpr std::uint8_t MaxHealth = 128;
    static constexpr std::uint8_t FloorHealth = 80;
    static constexpr std::uint8_t EnableHealth = 100;
    static constexpr std::uint8_t GapHealth = 108;
    static constexpr std::uint8_t StartUpHealth = 98;
    static constexpr std::uint8_t StreakLimit = 11;
    // The largest gap that is recovered, and the waiting entries that make the table flush.
    static constexpr int MaxMissing = 10;
    static constexpr int MaxWaiting = 10;
    // Packets held while one request is outstanding before it is asked again or given up.
    static constexpr int HeldBeforeRecall = 8;
    // An index is near the last good one when within this distance.
    static constexpr int NearDistance = 24;
    // A decoder result from this on is a video error.
    static constexpr int ErrorResult = 226;
    // The lengths a held packet may have to be decoded.
    static constexpr std::size_t MinHeldLength = 56;
    static constexpr std::size_t MaxHeldLength = 8191;
    static constexpr std::chrono::milliseconds ReplayPause{10};
    // Decodes of a held packet whose decoder throws, before the packet is given up.
    static constexpr int ReplayAttempts = 2;

    VideoRecovery(VideoRequestTable& requests, RequestPacket request,
                  TransmissionStatistics& statistics, ConfigurationAccess settings);
    // Through the link: its request table, its re-request and its counters.
    VideoRecovery(CUSB& link, ConfigurationAccess settings);
    VideoRecovery(const VideoRecovery&) = delete;
    VideoRecovery& operator=(const VideoRecovery&) = delete;

    // The "NO VIDEO RECOVERY" switch (also set while the product tools are open). Any thread;
    // the next full frame discards what is held without decoding it.
    void switchOff(bool off) { switchedOff_ = off; }
    // The pause after each replayed held packet (tests shorten it).
    void setReplayPause(std::chrono::milliseconds pause) { replayPause_ = pause; }

    // VideoPacketSequencer
    void raiseHealth() override;
    void reset() override;
    bool recoverySwitchedOff() const override { return switchedOff_.load(); }
    std::uint32_t lastPictureSequence() const override { return lastPicture_.load(); }
    void fullFrame(std::span<const std::uint8_t> frame, FrameDecoder& decoder) override;
    void cutFrameSalvaged(std::uint8_t packetIndex) override;

    // State, for the diagnostic windows and the tests.
    std::uint8_t health() const { return health_.load(); }
    bool enabled() const { return enabled_.load(); }
    bool requestPending() const { return pending_.load(); }
    std::uint8_t errorStreak() const { return streak_.load(); }
    std::uint8_t cursor() const { return cursor_; }
    std::uint8_t lastGoodIndex() const { return lastGood_; }
    // The indexes of the held packets in arrival order. Reader thread only.
    std::vector<std::uint8_t> heldIndexes() const;

    // True when x is within NearDistance of the last good index (both taken as signed 8-bit
    // numbers when either is above 200).
    bool nearIndex(std::uint8_t x) const;

private:
    struct HeldPacket {
        std::vector<std::uint8_t> bytes;
        std::uint8_t index = 0;
    };
    enum class Gap { None, Found, Handled };

    void clearState(bool keepFirstGood);
    // DecodeFullFrame; the cursor follows the packet, the picture sequence a decoded frame.
    [[nodiscard]] int decode(std::span<const std::uint8_t> frame, bool current);
    void hold(std::span<const std::uint8_t> frame, std::uint8_t index, FrameDecoder& decoder);
    // The gap check on a frame of packet index p, guarded: after an exception a frame already
    // held counts as taken (Handled), any other is decoded as it came (None).
    [[nodiscard]] Gap checkVideoFrameNumber(std::span<const std::uint8_t> frame, std::uint8_t p);
    // The gap check itself; held is set once the frame joined the held packets.
    [[nodiscard]] Gap checkGap(std::span<const std::uint8_t> frame, std::uint8_t p,
                               const GuardSite& site, bool& held);
    // Decodes the first held packet and only then takes it off the list. An exception in the
    // decoder is reported under the site and the packet, still held, is decoded once more; when
    // every attempt throws it is dropped as a video data error (empty result).
    [[nodiscard]] std::optional<int> replayFirstHeld(const GuardSite& site);
    void gapFound(std::span<const std::uint8_t> frame, std::uint8_t p);
    void awaitedArrived(std::span<const std::uint8_t> frame, std::uint8_t p, int entry);
    void otherArrived(std::span<const std::uint8_t> frame, std::uint8_t p, std::uint8_t q);
    void normalDecode(std::span<const std::uint8_t> frame, std::uint8_t p);
    // A video error while enabled (or a gap) moves the streak; true when recovery went off.
    bool videoErrorStreak();
    void switchRecoveryOff();
    // Decodes the held packets in index order; true when it stopped to wait for a re-requested
    // packet (only withRequests). Guarded: after an exception nothing is waited for and what was
    // not decoded yet stays held.
    bool restoreHeldPackets(bool withRequests);
    bool restoreHeld(bool withRequests, const GuardSite& site);
    // Empties the request table, counting every waiting entry as a video data error.
    void flushRequests();
    [[nodiscard]] bool request(std::uint8_t index, bool remember, bool count);
    bool secondRecall() const;
    void pause() const;
    static bool decodableLength(std::size_t length);

    VideoRequestTable& requests_;
    RequestPacket request_;
    TransmissionStatistics& statistics_;
    ConfigurationAccess settings_;
    FrameDecoder* decoder_ = nullptr; // the decoder of the frame being sequenced
    std::chrono::milliseconds replayPause_ = ReplayPause;

    std::vector<HeldPacket> held_; // arrival order
    std::uint8_t cursor_ = 0;
    std::uint8_t lastGood_ = 0;
    std::atomic<bool> pending_{false};
    std::atomic<bool> enabled_{false};
    bool startUp_ = false;
    std::atomic<bool> switchedOff_{false};
    std::atomic<std::uint8_t> health_{0};
    std::atomic<std::uint8_t> streak_{0};
    bool firstGoodSeen_ = false;
    int heldSinceRequest_ = 0;
    int attempt_ = 0;
    std::uint8_t lastRequested_ = 0;
    std::atomic<std::uint32_t> lastPicture_{0};
};

} // namespace zarn
