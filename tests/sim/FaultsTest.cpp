// Faults on demand: each kind does to the stream what it says and nothing else, on its schedule
// or at its rate, and the same seed always gives the same stream.
#include "acquisition/wire/FrameLayout.h"
#include "tests/sim/LoggerRun.h"

#include <gtest/gtest.h>

#include <bit>

namespace zarn::sim {
namespace {

using test::LoggerRun;
using test::Received;

std::vector<Received> frames(const std::string& faults, int count, std::uint64_t seed = 5,
                             FaultCounts* counts = nullptr) {
    LoggerRun run(test::ini({"[Device]", "Seed = " + std::to_string(seed), "[Sonde]",
                             "Powered = yes", "[Faults]", faults}));
    std::vector<Received> out;
    for (int i = 0; i < count; ++i)
        out.push_back(run.next());
    if (counts)
        *counts = run.logger.faults().counts();
    return out;
}

int bitsDiffering(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    int n = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        n += std::popcount(static_cast<unsigned>(a[i] ^ b[i]));
    return n;
}

// Which of the full frame's checks fail: pack checksum, video checksum, frame sum.
std::array<bool, 3> failingChecks(const std::vector<std::uint8_t>& f) {
    namespace fu = frame::full;
    const std::size_t n = f.size();
    return {frame::u16(f, fu::PackChecksum) !=
                frame::sum16({f.data() + fu::SondeBlock, fu::PackChecksum - fu::SondeBlock}),
            frame::u16(f, n - fu::VideoChecksumFromEnd) !=
                frame::sum16({f.data() + fu::Payload, n - fu::Overhead}),
            frame::u16(f, n - 2) != frame::sum16({f.data(), n - 2})};
}

// The frame inside a packet whose header is whole (damage elsewhere).
std::vector<std::uint8_t> frameOf(const std::vector<std::uint8_t>& packet) {
    return {packet.begin() + 7, packet.end() - 1};
}

TEST(Faults, EachKindDamagesTheScheduledPacketOnly) {
    const std::vector<Received> clean = frames("", 8);
    struct Case {
        const char* key;
        std::function<void(const Received& hit, const Received& was)> check;
        std::uint64_t FaultCounts::*counted;
    };
    const Case cases[] = {
        {"LostBytesAt = 4",
         [](const Received& hit, const Received& was) {
             EXPECT_EQ(hit.packet.size(), was.packet.size() - 1);
         },
         &FaultCounts::lostBytes},
        {"FlippedBitsAt = 4",
         [](const Received& hit, const Received& was) {
             EXPECT_EQ(hit.packet.size(), was.packet.size());
             EXPECT_EQ(bitsDiffering(hit.packet, was.packet), 1);
         },
         &FaultCounts::flippedBits},
        {"CutPacketsAt = 4",
         [](const Received& hit, const Received& was) {
             EXPECT_LT(hit.packet.size(), was.packet.size());
             EXPECT_GE(hit.packet.size(), 7u);
             EXPECT_TRUE(std::equal(hit.packet.begin(), hit.packet.end(), was.packet.begin()));
         },
         &FaultCounts::cutPackets},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        FaultCounts counts;
        const std::vector<Received> hit = frames(c.key, 8, 5, &counts);
        EXPECT_EQ(counts.*c.counted, 1u);
        EXPECT_EQ(counts.lostBytes + counts.flippedBits + counts.cutPackets, 1u);
        for (std::size_t i = 0; i < hit.size(); ++i) {
            if (i == 3) {
                c.check(hit[i], clean[i]);
                EXPECT_TRUE(hit[i].frame.empty()); // no longer a packet the reader accepts
            } else {
                EXPECT_EQ(hit[i].packet, clean[i].packet) << i;
            }
        }
    }
}

TEST(Faults, WrongChecksumsTakeEachChecksumInTurnOneAtATime) {
    const std::vector<Received> clean = frames("", 6);
    FaultCounts counts;
    const std::vector<Received> hit = frames("WrongChecksumAt = 2, 3, 4", 6, 5, &counts);
    EXPECT_EQ(counts.wrongChecksums, 3u);
    EXPECT_EQ(counts.wrongPackChecksums, 1u);
    EXPECT_EQ(counts.wrongVideoChecksums, 1u);
    const std::array<std::array<bool, 3>, 3> expected{
        {{true, false, false}, {false, true, false}, {false, false, true}}};
    for (int i = 1; i <= 3; ++i) {
        ASSERT_EQ(hit[i].packet.size(), clean[i].packet.size());
        EXPECT_EQ(failingChecks(frameOf(hit[i].packet)), expected[i - 1]) << i;
    }
    EXPECT_EQ(hit[4].packet, clean[4].packet);
    EXPECT_EQ(failingChecks(frameOf(hit[0].packet)), (std::array<bool, 3>{}));
}

TEST(Faults, RatesFollowTheSeed) {
    const std::string faults = "LostBytesRate = 0.1\nFlippedBitsRate = 0.1\nCutPacketsRate = "
                               "0.05\nWrongChecksumRate = 0.05\nLostVideoPacketsRate = 0.05";
    const std::vector<Received> a = frames(faults, 120, 5);
    const std::vector<Received> b = frames(faults, 120, 5);
    const std::vector<Received> other = frames(faults, 120, 6);
    std::size_t damaged = 0, lost = 0, differ = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].packet, b[i].packet) << i;
        damaged += a[i].frame.empty() && !a[i].packet.empty();
        lost += a[i].kind == FrameKind::LostOnLine;
        differ += a[i].packet != other[i].packet;
    }
    EXPECT_GT(damaged, 12u);
    EXPECT_LT(damaged, 60u);
    EXPECT_GE(lost, 1u);
    EXPECT_GT(differ, 10u);
}

} // namespace
} // namespace zarn::sim
