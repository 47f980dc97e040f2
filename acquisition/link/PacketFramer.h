// Finds the logger's USB packets in the byte stream, checks and assembles them, and hands each
// complete frame on. A plain class fed with the bytes of each read: the live reader, the replay
// of a raw capture and the fuzzer run the same code.
//
// Packet on the stream: sync 0x55 0xAA 0x5A 0xA5, a packet counter (+1 per packet modulo 256),
// the packet length L (16-bit little-endian, counting these 7 header bytes), then L - 7 payload
// bytes: the frame of L - 8 bytes and the end marker 0x99. The last two frame bytes are the
// 16-bit sum of the frame bytes before them.
//
// Reads are at most 24 bytes. While looking for a packet, the last 7 bytes of a read without a
// complete header are carried to the start of the next read, so a header split across reads is
// found. A packet is complete when its length is reached, its sum checks out and its last byte is
// the end marker; when that check fails, assembly goes on until the next packet's sync is found
// in the assembled bytes (looked for at the end of each read), which ends the bad packet: it is
// counted as a frame length error and, when its logger header can be trusted, salvaged as a
// 16-byte frame.
//
// Every length taken from the wire is checked before it is used: a length field that cannot
// hold a frame resumes the search for the next sync, a complete packet whose frame length is
// not one the logger sends is not handed on, and the 8192-byte assembly bound is checked before
// each byte is appended. No allocation after construction.
#pragma once

#include "acquisition/link/FrameHandler.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace zarn {

// What the framing counted since it was made (it is never reset).
struct FramingCounts {
    std::uint64_t frames = 0;            // frames handed on, salvaged ones included
    std::uint64_t salvagedFrames = 0;    // cut packets handed on as 16-byte frames
    std::uint64_t invalidPackets = 0;    // packets missed according to the packet counter
    std::uint64_t frameLengthErrors = 0; // packets given up because of their length
    std::uint64_t lostFrames = 0;        // invalidPackets + frameLengthErrors
    bool operator==(const FramingCounts&) const = default;
};

class PacketFramer {
public:
    static constexpr std::size_t ReadSize = 24;
    static constexpr std::size_t HeaderSize = 7;
    static constexpr std::size_t MaxPayload = 8192;
    static constexpr std::uint8_t EndMarker = 0x99;
    static constexpr std::array<std::uint8_t, 4> Sync{0x55, 0xAA, 0x5A, 0xA5};

    explicit PacketFramer(FrameHandler& handler) : handler_(handler) {}
    PacketFramer(const PacketFramer&) = delete;
    PacketFramer& operator=(const PacketFramer&) = delete;

    // Where the next read goes: after the carried bytes, room() bytes (at least 17).
    std::span<std::uint8_t> readArea() { return {read_.data() + carry_, room()}; }
    std::size_t room() const { return ReadSize - carry_; }
    std::size_t carry() const { return carry_; }
    // Processes the first count bytes written into readArea() as one read (at most room()).
    void processRead(std::size_t count);
    // Copies the bytes into the read area and processes them as reads of at most room() bytes.
    void feed(std::span<const std::uint8_t> bytes);
    // Back to looking for a packet with nothing carried and no reference packet counter (a new
    // link).
    void reset();

    bool assembling() const { return assembling_; }
    const FramingCounts& counts() const { return counts_; }
    // The packet counter of the last packet header found (empty before the first one). Inside
    // frameReady it is that of the packet the frame came from (of the cut packet for a salvaged
    // frame); inside packetsMissed it is still that of the packet before the jump.
    std::optional<std::uint8_t> packetCounter() const {
        return haveCounter_ ? std::optional<std::uint8_t>(counter_) : std::nullopt;
    }

    // True when a frame of this length can be handed on: 16, 20, or a full data frame of 56 to
    // 8191 bytes.
    static bool validFrameLength(std::size_t length);

private:
    // Runs the bytes through the search and the assembly; ends with the end-of-read scan.
    void run(const std::uint8_t* data, std::size_t size);
    // A complete header at h: checks the counter and the length; true when assembly starts.
    bool startPacket(const std::uint8_t* h);
    void checkCounter(std::uint8_t counter);
    // Appends bytes to the frame being assembled; returns how many were taken (it stops after a
    // completed packet and at the assembly bound).
    std::size_t append(const std::uint8_t* data, std::size_t size);
    void complete();
    // Looks for a complete header in the assembled bytes from the last scan position; returns
    // its position or MaxPayload when there is none (and moves the scan position on).
    std::size_t scanAssembled();
    // The packet assembled so far was cut short by a sync at position s: counts it and
    // salvages what it can.
    void cutShort(std::size_t s);
    // Puts the assembled bytes from `from` on, followed by the rest of the input, into a spare
    // buffer to run again; returns their count.
    std::size_t restart(std::size_t from, const std::uint8_t* rest, std::size_t restSize,
                        std::uint8_t* into);
    void salvage(std::span<const std::uint8_t> frame);
    void giveUp();
    void hand(std::span<const std::uint8_t> frame);
    void keepCarry(const std::uint8_t* data, std::size_t size);

    FrameHandler& handler_;
    FramingCounts counts_;

    std::array<std::uint8_t, ReadSize> read_{};
    std::size_t carry_ = 0;

    bool assembling_ = false;
    std::size_t expected_ = 0;  // payload length of the packet being assembled
    std::size_t assembled_ = 0; // payload bytes assembled
    std::uint16_t sum_ = 0;     // of the payload bytes below expected_ - 3
    std::size_t lastScan_ = 0;  // where the next scan of the assembled bytes starts
    std::size_t newSinceScan_ = 0;
    bool haveCounter_ = false;
    std::uint8_t counter_ = 0;

    std::array<std::uint8_t, MaxPayload> frame_{};
    // The bytes still to run after a cut packet: its tail and the rest of the input.
    static constexpr std::size_t SpareSize = MaxPayload + ReadSize;
    std::array<std::array<std::uint8_t, SpareSize>, 2> spare_{};
};

} // namespace zarn
