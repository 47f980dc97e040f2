#include "acquisition/link/PacketFramer.h"
#include "acquisition/link/ShortFrameRebuild.h"
#include "tests/acquisition/link/FramingTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <random>

namespace zarn::test {
namespace {

using testing::ElementsAre;

// Feeds the stream as reads of `piece` bytes (at most what the framing has room for).
void feedInPieces(PacketFramer& framer, const Bytes& stream, size_t piece) {
    for (size_t at = 0; at < stream.size();) {
        const size_t n = std::min({piece, framer.room(), stream.size() - at});
        std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(at), n, framer.readArea().begin());
        framer.processRead(n);
        at += n;
    }
}

// Feeds the stream as reads of random sizes from 1 to 24.
void feedRandomly(PacketFramer& framer, const Bytes& stream, unsigned seed) {
    std::mt19937 random(seed);
    for (size_t at = 0; at < stream.size();) {
        const size_t want = std::uniform_int_distribution<size_t>(1, 24)(random);
        const size_t n = std::min({want, framer.room(), stream.size() - at});
        std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(at), n, framer.readArea().begin());
        framer.processRead(n);
        at += n;
    }
}

Bytes packetsOf(const std::vector<Bytes>& frames, std::uint8_t firstCounter = 0) {
    std::vector<Bytes> packets;
    for (size_t i = 0; i < frames.size(); ++i)
        packets.push_back(packet(static_cast<std::uint8_t>(firstCounter + i), frames[i]));
    return concat(packets);
}

const std::vector<Bytes>& cleanFrames() {
    static const std::vector<Bytes> frames = {
        shortFrameNo(1),           statusFrameNo(2),
        fullFrameNo(3, 0), // the shortest full data frame
        fullFrameNo(4, 600),       shortFrameNo(5),
        fullFrameNo(6, 8191 - 56), // the longest frame: its payload fills the assembly bound
        statusFrameNo(7),          fullFrameNo(8, 33),
    };
    return frames;
}

TEST(PacketFramer, ACleanStreamGivesEveryFrameOnceInOrderWhateverTheReadSizes) {
    const Bytes stream = packetsOf(cleanFrames(), 250); // the counter wraps on the way
    for (const size_t piece : {1u, 2u, 6u, 7u, 8u, 13u, 17u, 23u, 24u}) {
        SCOPED_TRACE(piece);
        RecordingHandler handler;
        PacketFramer framer(handler);
        feedInPieces(framer, stream, piece);
        EXPECT_EQ(handler.frames, cleanFrames());
        EXPECT_EQ(framer.counts(), (FramingCounts{cleanFrames().size(), 0, 0, 0, 0}));
        EXPECT_FALSE(framer.assembling());
    }
    for (unsigned seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        RecordingHandler handler;
        PacketFramer framer(handler);
        feedRandomly(framer, stream, seed);
        EXPECT_EQ(handler.frames, cleanFrames());
    }
}

TEST(PacketFramer, AStreamStartingMidPacketSkipsToTheFirstCompleteHeader) {
    const Bytes full = packet(40, fullFrameNo(9, 80));
    struct Case {
        const char* name;
        Bytes prefix;
    };
    const std::vector<Case> cases = {
        {"the last 30 bytes of a packet", Bytes(full.end() - 30, full.end())},
        {"a packet from its counter on", Bytes(full.begin() + 4, full.end())},
        {"half a sync", {0x5A, 0xA5, 0x07, 0x20, 0x00}},
        {"a sync cut short", {0x11, 0x55, 0xAA, 0x5A}},
        {"noise", Bytes(50, 0x55)},
    };
    const Bytes rest = concat({packet(41, shortFrameNo(1)), packet(42, fullFrameNo(2, 20))});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingHandler handler;
        PacketFramer framer(handler);
        feedInPieces(framer, concat({c.prefix, rest}), 24);
        EXPECT_THAT(handler.frames, ElementsAre(shortFrameNo(1), fullFrameNo(2, 20)));
        EXPECT_EQ(framer.counts().invalidPackets, 0u) << "the first packet sets the reference";
    }
}

TEST(PacketFramer, AHeaderSplitAcrossTwoReadsIsFoundThroughTheCarry) {
    const Bytes good = packet(3, shortFrameNo(77));
    // Noise before the packet, then the header cut after 1 to 7 of its bytes.
    for (size_t split = 1; split <= 7; ++split) {
        SCOPED_TRACE(split);
        RecordingHandler handler;
        PacketFramer framer(handler);
        const Bytes noise(24 - split, 0x00);
        Bytes first = noise;
        first.insert(first.end(), good.begin(), good.begin() + static_cast<std::ptrdiff_t>(split));
        ASSERT_EQ(first.size(), 24u);
        feedInPieces(framer, first, 24);
        EXPECT_TRUE(handler.frames.empty());
        EXPECT_LE(framer.carry(), PacketFramer::HeaderSize);
        feedInPieces(framer, Bytes(good.begin() + static_cast<std::ptrdiff_t>(split), good.end()),
                     24);
        EXPECT_THAT(handler.frames, ElementsAre(shortFrameNo(77)));
    }
}

TEST(PacketFramer, GapsInThePacketCounterCountMissedPackets) {
    struct Case {
        std::vector<std::uint8_t> counters;
        std::uint64_t missed;
    };
    const std::vector<Case> cases = {
        {{5, 6, 9}, 2}, {{5}, 0},      {{255, 0, 1}, 0},  {{250, 5}, 10},
        {{7, 7, 8}, 0}, {{9, 5}, 251}, {{0, 2, 4, 6}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(
            testing::PrintToString(std::vector<int>(c.counters.begin(), c.counters.end())));
        std::vector<Bytes> packets;
        for (const std::uint8_t counter : c.counters)
            packets.push_back(packet(counter, shortFrameNo(counter)));
        RecordingHandler handler;
        PacketFramer framer(handler);
        framer.feed(concat(packets));
        EXPECT_EQ(handler.frames.size(), c.counters.size()) << "every packet is still handed on";
        EXPECT_EQ(framer.counts().invalidPackets, c.missed);
        EXPECT_EQ(framer.counts().lostFrames, c.missed);
        EXPECT_EQ(static_cast<std::uint64_t>(handler.missed), c.missed);
        EXPECT_EQ(framer.counts().frameLengthErrors, 0u);
    }
}

// The 16-byte frame rebuilt from a frame's logger header with the status byte at `status`.
Bytes rebuilt(const Bytes& frame, size_t status) {
    const ShortFrame f = rebuildAsShortFrame(frame, frame[status]);
    return Bytes(f.begin(), f.end());
}

// A 16-byte frame with both alarm bits set, so that the rebuilt frame shows them cleared.
Bytes alarmedShortFrame() {
    LoggerHeader h;
    h.flags = 0xC3;
    h.depthCount = 1234;
    return shortFrame(h, 0x05);
}

TEST(PacketFramer, APacketCutShortBySyncIsCountedAndSalvagedAsA16ByteFrame) {
    // The length field says 60, but the next sync follows after 30 payload bytes: a valid
    // 16-byte frame with its end marker, then 13 bytes of noise.
    Bytes payload = alarmedShortFrame();
    payload.push_back(0x99);
    payload.insert(payload.end(), 13, 0x42);
    const Bytes stream = concat({rawPacket(1, 60, payload), packet(2, shortFrameNo(5))});
    for (const size_t piece : {1u, 5u, 24u}) {
        SCOPED_TRACE(piece);
        RecordingHandler handler;
        PacketFramer framer(handler);
        feedInPieces(framer, stream, piece);
        ASSERT_EQ(handler.frames.size(), 2u);
        const Bytes& salvaged = handler.frames[0];
        Bytes expected = alarmedShortFrame();
        expected[0] = 0x03;         // alarm bits cleared
        expected[13] = 0x05 | 0x80; // communication status marked as rebuilt
        const std::uint16_t sum = frame::sum16(std::span(expected).first(14));
        expected[14] = static_cast<std::uint8_t>(sum);
        expected[15] = static_cast<std::uint8_t>(sum >> 8);
        EXPECT_EQ(salvaged, expected);
        EXPECT_EQ(handler.frames[1], shortFrameNo(5));
        EXPECT_EQ(framer.counts().frameLengthErrors, 1u);
        EXPECT_EQ(framer.counts().lostFrames, 1u);
        EXPECT_EQ(framer.counts().invalidPackets, 0u) << "counters 1 and 2 follow each other";
        EXPECT_EQ(framer.counts().salvagedFrames, 1u);
        EXPECT_TRUE(handler.salvagedIndexes.empty()) << "no sonde block to trust";
    }
}

TEST(PacketFramer, WhatACutPacketYieldsDependsOnWhatOfItChecksOut) {
    // A full data frame whose tail was lost: its sonde block checks out, and a 0x99 stands at
    // position 60 of what arrived.
    Bytes fullHead = fullFrameNo(21, 100, /*packetIndex*/ 17);
    fullHead.resize(70);
    fullHead[60] = 0x99;
    Bytes fullHeadBadBlock = fullHead;
    fullHeadBadBlock[20] ^= 0x01;
    Bytes fullHeadNoMarker = fullFrameNo(21, 100, 17);
    fullHeadNoMarker.resize(70);
    std::replace(fullHeadNoMarker.begin() + 49, fullHeadNoMarker.end(), std::uint8_t{0x99},
                 std::uint8_t{0x98});
    Bytes exact17 = shortFrameNo(31, 0x01);
    exact17.push_back(0x99);
    Bytes exact17BadSum = exact17;
    exact17BadSum[3] ^= 0x10;
    Bytes markerTooEarly(30, 0x00);
    markerTooEarly[12] = 0x99;
    // A whole status frame and its marker (its length field was damaged), and one that lost a
    // zero byte: their sums check out, but they have no logger header to rebuild from.
    Bytes wholeStatus = statusFrameNo(41);
    wholeStatus.push_back(0x99);
    Bytes statusLostZero = statusFrameNo(41);
    ASSERT_EQ(statusLostZero[16], 0); // value A
    statusLostZero.erase(statusLostZero.begin() + 16);
    statusLostZero.push_back(0x99);

    struct Case {
        const char* name;
        Bytes cut; // what arrived of the packet before the next sync
        std::vector<Bytes> frames;
        std::vector<std::uint8_t> salvagedIndexes;
    };
    const std::vector<Case> cases = {
        {"exactly a 16-byte frame and its marker: handed on as it is",
         exact17,
         {shortFrameNo(31)},
         {}},
        {"17 bytes with a wrong sum", exact17BadSum, {}, {}},
        {"a full frame's head with a good sonde block", fullHead, {rebuilt(fullHead, 57)}, {17}},
        {"a full frame's head with a bad sonde block", fullHeadBadBlock, {}, {}},
        {"a good sonde block but no end marker", fullHeadNoMarker, {}, {}},
        {"the only marker too early for a frame", markerTooEarly, {}, {}},
        {"a whole status frame", wholeStatus, {}, {}},
        {"a status frame that lost a zero byte", statusLostZero, {}, {}},
        {"ten bytes", Bytes(10, 0x01), {}, {}},
        {"nothing at all", {}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingHandler handler;
        PacketFramer framer(handler);
        framer.feed(concat({rawPacket(1, 400, c.cut), packet(2, shortFrameNo(99))}));
        std::vector<Bytes> expected = c.frames;
        expected.push_back(shortFrameNo(99));
        EXPECT_EQ(handler.frames, expected);
        EXPECT_EQ(handler.salvagedIndexes, c.salvagedIndexes);
        EXPECT_EQ(framer.counts().frameLengthErrors, 1u);
        EXPECT_EQ(framer.counts().lostFrames, 1u);
        EXPECT_EQ(framer.counts().salvagedFrames, c.frames.size());
    }
}

TEST(PacketFramer, LengthFieldsThatHoldNoFrameAreRejectedBeforeUse) {
    const Bytes next = packet(2, fullFrameNo(7, 30));
    // Length fields whose payload cannot hold a frame, or exceeds the assembly bound: the search
    // goes on right after the bad header, so even a packet that follows at once is found.
    for (const std::uint16_t length : {0, 1, 7, 8, 23, 8200, 0xFFFF}) {
        SCOPED_TRACE(length);
        RecordingHandler handler;
        PacketFramer framer(handler);
        framer.feed(concat({rawPacket(1, length, {}), next}));
        EXPECT_THAT(handler.frames, ElementsAre(fullFrameNo(7, 30)));
        EXPECT_EQ(framer.counts().frameLengthErrors, 1u);
        EXPECT_EQ(framer.counts().lostFrames, 1u);
    }
    // A packet that completes with a good sum and marker but whose frame has a length the
    // logger never sends (a "full" frame shorter than its layout) is not handed on.
    for (const size_t n : {17u, 19u, 21u, 30u, 55u}) {
        SCOPED_TRACE(n);
        Bytes odd(n, 0x10);
        const std::uint16_t sum = frame::sum16(std::span(odd).first(n - 2));
        odd[n - 2] = static_cast<std::uint8_t>(sum);
        odd[n - 1] = static_cast<std::uint8_t>(sum >> 8);
        RecordingHandler handler;
        PacketFramer framer(handler);
        framer.feed(concat({packet(1, odd), next}));
        EXPECT_THAT(handler.frames, ElementsAre(fullFrameNo(7, 30)));
        EXPECT_EQ(framer.counts().frameLengthErrors, 1u);
    }
}

TEST(PacketFramer, TheAssemblyBoundEndsAPacketThatNeverCompletes) {
    const Bytes good = packet(2, shortFrameNo(3));
    struct Case {
        const char* name;
        size_t fill; // payload bytes of the endless packet before the good one
    };
    // The endless packet announces the largest payload; its bytes never check out.
    const std::vector<Case> cases = {
        {"the next packet well before the bound", 5000},
        {"the next packet's sync across the bound", 8192 - 3},
        {"the next packet's header just after the bound", 8192},
        {"noise far beyond the bound", 20000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const size_t piece : {1u, 24u}) {
            RecordingHandler handler;
            PacketFramer framer(handler);
            const Bytes stream = concat({rawPacket(1, 8192 + 7, Bytes(c.fill, 0x00)), good});
            feedInPieces(framer, stream, piece);
            EXPECT_THAT(handler.frames, ElementsAre(shortFrameNo(3))) << piece;
            EXPECT_EQ(framer.counts().frameLengthErrors, 1u) << piece;
        }
    }
}

} // namespace
} // namespace zarn::test
