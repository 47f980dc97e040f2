// Faults on demand: damage to the USB packets the logger sends and video packets lost on the
// wireline, each at a rate (probability per packet) and/or on a schedule (packet numbers), all
// drawn from the simulator's seed.
//   lost byte      one byte of the USB packet never arrives;
//   flipped bit    one bit of the USB packet is inverted;
//   cut packet     the USB packet ends early (its header stays whole);
//   wrong checksum one checksum of the frame is off by one: for a full data frame the pack
//                  checksum, the video checksum or the frame sum, in turn; the frame sum for
//                  the others;
//   lost video     a full data frame never reaches the logger (the sonde keeps the packet, so a
//                  re-request brings it back).
// USB packets are numbered from 1 in the order the logger sends them, video packets from 1 in the
// order the sonde takes its pictures.
#pragma once

#include "sim/SimRandom.h"
#include "sim/SimulatorSettings.h"

#include <cstdint>
#include <vector>

namespace zarn::sim {

struct FaultCounts {
    std::uint64_t lostBytes = 0;
    std::uint64_t flippedBits = 0;
    std::uint64_t cutPackets = 0;
    std::uint64_t wrongChecksums = 0;      // all of them; of which
    std::uint64_t wrongPackChecksums = 0;  //   the pack checksum of a full data frame,
    std::uint64_t wrongVideoChecksums = 0; //   its video checksum (the others: the frame sum)
    std::uint64_t lostVideoPackets = 0;
    // The numbers of the first lost video packets (at most MostListedLosses), in order.
    std::vector<std::uint64_t> lostVideoPacketNumbers;
    static constexpr std::size_t MostListedLosses = 64;
};

class FaultInjector {
public:
    FaultInjector(const FaultSettings& settings, std::uint64_t seed);

    // Whether the video packet of this number is lost on the wireline.
    bool loseVideoPacket(std::uint64_t videoPacketNumber);
    // Spoils a checksum of the frame when due; `full`: a full data frame.
    void spoilChecksum(std::vector<std::uint8_t>& frame, bool full, std::uint64_t packetNumber);
    // Damages the USB packet when due.
    void damagePacket(std::vector<std::uint8_t>& packet, std::uint64_t packetNumber);

    const FaultCounts& counts() const { return counts_; }

private:
    bool due(const FaultSchedule& schedule, std::uint64_t number);

    FaultSettings settings_;
    SimRandom random_;
    FaultCounts counts_;
    unsigned checksumTurn_ = 0;
};

} // namespace zarn::sim
