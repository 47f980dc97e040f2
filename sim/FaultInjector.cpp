#include "sim/FaultInjector.h"

#include "acquisition/wire/FrameLayout.h"
#include "sim/LoggerFrames.h"

#include <algorithm>

namespace zarn::sim {

FaultInjector::FaultInjector(const FaultSettings& settings, std::uint64_t seed)
    : settings_(settings), random_(seed, 21) {}

bool FaultInjector::due(const FaultSchedule& schedule, std::uint64_t number) {
    const bool scheduled = std::binary_search(schedule.at.begin(), schedule.at.end(), number);
    // The random draw is made whenever a rate is set, so that a schedule does not shift it.
    const bool random = schedule.rate > 0 && random_.chance(schedule.rate);
    return scheduled || random;
}

bool FaultInjector::loseVideoPacket(std::uint64_t videoPacketNumber) {
    if (!due(settings_.lostVideoPackets, videoPacketNumber))
        return false;
    ++counts_.lostVideoPackets;
    if (counts_.lostVideoPacketNumbers.size() < FaultCounts::MostListedLosses)
        counts_.lostVideoPacketNumbers.push_back(videoPacketNumber);
    return true;
}

void FaultInjector::spoilChecksum(std::vector<std::uint8_t>& f, bool full,
                                  std::uint64_t packetNumber) {
    if (!due(settings_.wrongChecksums, packetNumber) || f.size() < 2)
        return;
    ++counts_.wrongChecksums;
    std::size_t at = f.size() - 2; // the frame sum
    if (full && f.size() >= frame::full::Overhead) {
        switch (checksumTurn_++ % 3) {
        case 0:
            at = frame::full::PackChecksum;
            ++counts_.wrongPackChecksums;
            break;
        case 1:
            at = f.size() - frame::full::VideoChecksumFromEnd;
            ++counts_.wrongVideoChecksums;
            break;
        default:
            break;
        }
    }
    ++f[at];
    if (at != f.size() - 2)
        LoggerFrames::sealFrame(f); // only the chosen checksum is wrong
}

void FaultInjector::damagePacket(std::vector<std::uint8_t>& p, std::uint64_t packetNumber) {
    if (p.empty())
        return;
    if (due(settings_.lostBytes, packetNumber)) {
        ++counts_.lostBytes;
        p.erase(p.begin() + static_cast<std::ptrdiff_t>(random_.below(p.size())));
    }
    if (due(settings_.flippedBits, packetNumber) && !p.empty()) {
        ++counts_.flippedBits;
        const std::uint64_t bit = random_.below(p.size() * 8);
        p[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
    }
    if (due(settings_.cutPackets, packetNumber) && p.size() > LoggerFrames::PacketHeaderSize + 1) {
        ++counts_.cutPackets;
        const std::size_t body = p.size() - LoggerFrames::PacketHeaderSize;
        p.resize(LoggerFrames::PacketHeaderSize + random_.below(body));
    }
}

} // namespace zarn::sim
