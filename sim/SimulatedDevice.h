// The simulated USB device behind the bridge calls: the chip between the program and the
// simulated logger. Device 0 is the only device; its EEPROM gives the configured vendor,
// product, description and serial number. What the logger sends collects in the chip's receive
// queue as each USB packet arrives whole; reads take from it, returning at once when they can be
// served, when the latency timer has run out with some bytes there, or when the read timeout
// ends. Writes go to the logger as command frames.
//
// Time: in paced mode the model runs on the wall clock from the device's creation and packets
// arrive at the pace the logger sends them. In fast mode the logger sends its next packet
// whenever a read wants more bytes, and model time jumps to the end of that packet, so a test
// reads minutes of logging in seconds; only while the cable is unplugged does model time follow
// the wall clock, so that an unplugging lasts as long as configured. Once a packet has shown the
// program that a video packet was lost on the line, fast mode makes no more packets until the
// program's re-request reaches the logger or a quarter of a second has passed: at the line's pace
// the program has a frame period or more to ask again, in fast mode it would have no time at all.
//
// Unplugging (on the configured schedule) makes every call on the open handle fail with an I/O
// error and the device impossible to open until it is plugged back; the handle stays dead and is
// only closed. Handles are numbers never reused. Every call may come from any thread; a read
// waits without blocking the others.
#pragma once

#include "platform/ftd2xx/Ftd2xx.h"
#include "sim/Logger.h"
#include "sim/SimulatorSettings.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zarn::sim {

class SimulatedDevice {
public:
    static constexpr std::size_t ReceiveCapacity = 64 * 1024;
    static constexpr std::size_t UserAreaSize = 64;

    explicit SimulatedDevice(const SimulatorSettings& settings);
    SimulatedDevice(const SimulatedDevice&) = delete;
    SimulatedDevice& operator=(const SimulatedDevice&) = delete;

    [[nodiscard]] FT_STATUS open(int deviceIndex, FT_HANDLE* handle);
    [[nodiscard]] FT_STATUS openEx(const char* text, std::uint32_t openBy, FT_HANDLE* handle);
    [[nodiscard]] FT_STATUS close(FT_HANDLE handle);
    [[nodiscard]] FT_STATUS read(FT_HANDLE handle, void* buffer, std::uint32_t wanted,
                                 std::uint32_t* received);
    [[nodiscard]] FT_STATUS write(FT_HANDLE handle, const void* buffer, std::uint32_t length,
                                  std::uint32_t* written);
    [[nodiscard]] FT_STATUS resetDevice(FT_HANDLE handle);
    [[nodiscard]] FT_STATUS purge(FT_HANDLE handle, std::uint32_t which);
    [[nodiscard]] FT_STATUS setTimeouts(FT_HANDLE handle, std::uint32_t readMs,
                                        std::uint32_t writeMs);
    [[nodiscard]] FT_STATUS getQueueStatus(FT_HANDLE handle, std::uint32_t* received);
    [[nodiscard]] FT_STATUS getStatus(FT_HANDLE handle, std::uint32_t* received,
                                      std::uint32_t* toSend, std::uint32_t* events);
    [[nodiscard]] FT_STATUS setBreak(FT_HANDLE handle, bool on);
    [[nodiscard]] FT_STATUS eeRead(FT_HANDLE handle, FT_EEPROM_RECORD* record);
    [[nodiscard]] FT_STATUS eeUaRead(FT_HANDLE handle, unsigned char* buffer, std::uint32_t size,
                                     std::uint32_t* read);
    [[nodiscard]] FT_STATUS eeUaWrite(FT_HANDLE handle, const unsigned char* buffer,
                                      std::uint32_t size);
    [[nodiscard]] FT_STATUS eeUaSize(FT_HANDLE handle, std::uint32_t* size);
    [[nodiscard]] FT_STATUS getLatencyTimer(FT_HANDLE handle, unsigned char* milliseconds);
    [[nodiscard]] FT_STATUS setLatencyTimer(FT_HANDLE handle, unsigned char milliseconds);

    // For tests: the model time now (seconds), and a look at the logger under the device's lock.
    double modelTime();
    void inspect(const std::function<void(const Logger&, double now)>& look);
    // What the logger sent and the faults injected so far, and what became of the bytes in the
    // chip, as an INI text (sections Logger, Faults and Chip); taken under the device's lock.
    std::string report();

private:
    using Wall = std::chrono::steady_clock;
    struct InFlight {
        std::vector<std::uint8_t> packet;
        double arrives = 0;    // model time
        bool dropped = false;  // a USB packet the chip had no room for
        bool showsGap = false; // the first packet after a video packet lost on the line
    };

    double nowLocked();
    bool pluggedAt(double t) const;
    // The next time after t at which the cable is pulled or plugged back.
    std::optional<double> nextPlugChange(double t) const;
    // The status of a call on the handle, after noticing an unplugging.
    [[nodiscard]] FT_STATUS checkLocked(FT_HANDLE handle, double now);
    [[nodiscard]] FT_STATUS openLocked(FT_HANDLE* handle);
    [[nodiscard]] FT_STATUS refuseOpen(FT_STATUS status);
    // Empties the receive queue (discard: and drops the packet on its way); counts what is lost.
    void purgeLocked();
    void discardLocked();
    // Bytes leave the receive queue: the packets whose last byte left count as `packets`.
    void leaveQueue(std::size_t bytes, std::uint64_t& packets);
    void startNext(double start);
    void deliver();
    void produceUntil(double t);
    void produceOne();
    // Fast mode: waiting for the program's answer to a lost video packet.
    bool holding() const { return Wall::now() < holdUntil_; }
    std::uint32_t take(std::uint8_t* to, std::uint32_t wanted);
    // Waits (giving up the lock) until no write is waiting for the device. In fast mode it also
    // gives the processor up for a moment once a millisecond (see fastModePause_).
    void letWritersIn(std::unique_lock<std::mutex>& lock);
    Wall::time_point wallOf(double modelTime) const;

    std::mutex mutex_;
    std::condition_variable changed_;
    // Writes waiting for the lock. A reader lets them in before it makes the next packet: in fast
    // mode a reader that calls again at once would otherwise keep the lock to itself, and the
    // program's orders would reach the logger many packets late.
    std::atomic<int> writersWaiting_{0};
    // Fast mode always has bytes, so a reader never waits for the device. A real bridge hands
    // its bytes over in USB frames of a millisecond, and its reader waits between them; without
    // such a pause a reader running at a real-time priority would hold its processor, and on a
    // machine with two such runs the program's own threads (the senders among them) would
    // never get to run.
    Wall::time_point fastModePause_{};
    SimulatorSettings settings_;
    Logger logger_;

    Wall::time_point origin_;
    Wall::time_point lastWall_;
    double virtual_ = 0;

    std::uintptr_t handle_ = 0;       // the open handle; 0 when closed
    bool dead_ = false;               // the open handle lost its device
    std::uintptr_t nextHandle_ = 1;   // never reused
    std::uint32_t readTimeoutMs_ = 0; // 0: wait until the bytes are there
    std::uint32_t writeTimeoutMs_ = 0;
    unsigned char latencyMs_ = 16;
    std::array<unsigned char, UserAreaSize> userArea_{};

    std::deque<std::uint8_t> received_;
    std::optional<InFlight> inFlight_;
    double nextStart_ = 0;
    bool lossUnseen_ = false; // a video packet was lost and no packet since has shown the gap
    Wall::time_point holdUntil_{};

    // The chip's side of the report. Positions in the stream of bytes that entered the receive
    // queue: how many entered, how many left, and where each packet still queued ends.
    std::uint64_t queueIn_ = 0;
    std::uint64_t queueOut_ = 0;
    std::deque<std::uint64_t> packetEnds_;
    std::uint64_t opens_ = 0;
    std::uint64_t refusedOpens_ = 0;
    std::uint64_t packetsRead_ = 0;      // every byte went to a read
    std::uint64_t packetsDiscarded_ = 0; // purged, or lost with the handle or the cable
    std::uint64_t packetsDropped_ = 0;   // no room in the receive queue
    std::uint64_t bytesRead_ = 0;
    std::uint64_t bytesDiscarded_ = 0;
};

} // namespace zarn::sim
