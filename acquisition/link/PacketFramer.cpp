#include "acquisition/link/PacketFramer.h"

#include "acquisition/link/ShortFrameRebuild.h"
#include "acquisition/wire/FrameLayout.h"

#include <algorithm>
#include <cstring>

namespace zarn {
namespace {

// Position of the first sync in data[from, size) that is followed by the rest of a header, or
// size when there is none.
std::size_t findHeader(const std::uint8_t* data, std::size_t from, std::size_t size) {
    constexpr std::size_t header = PacketFramer::HeaderSize;
    if (size < header)
        return size;
    const std::size_t last = size - header; // the last position a complete header can start at
    while (from <= last) {
        const void* hit = std::memchr(data + from, PacketFramer::Sync[0], last - from + 1);
        if (!hit)
            return size;
        const std::size_t s =
            static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - data);
        if (data[s + 1] == PacketFramer::Sync[1] && data[s + 2] == PacketFramer::Sync[2] &&
            data[s + 3] == PacketFramer::Sync[3])
            return s;
        from = s + 1;
    }
    return size;
}

// The smallest and largest payload a packet can carry (a 16-byte frame; the assembly bound).
constexpr std::size_t MinPayload = frame::shortframe::Size + 1;

} // namespace

bool PacketFramer::validFrameLength(std::size_t length) {
    return length == frame::shortframe::Size || length == frame::status::Size ||
           (length >= frame::full::MinimumSize && length < MaxPayload);
}

void PacketFramer::reset() {
    carry_ = 0;
    assembling_ = false;
    haveCounter_ = false;
}

void PacketFramer::processRead(std::size_t count) {
    const std::size_t size = carry_ + std::min(count, room());
    carry_ = 0;
    run(read_.data(), size);
}

void PacketFramer::feed(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const std::size_t n = std::min(bytes.size(), room());
        std::memcpy(readArea().data(), bytes.data(), n);
        processRead(n);
        bytes = bytes.subspan(n);
    }
}

void PacketFramer::keepCarry(const std::uint8_t* data, std::size_t size) {
    const std::size_t keep = std::min(size, HeaderSize);
    std::memmove(read_.data(), data + size - keep, keep);
    carry_ = keep;
}

void PacketFramer::run(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t NoRestart = MaxPayload + 1;
    int spare = 0;
    for (;;) {
        std::size_t pos = 0;
        // Where the assembled bytes run again from, after the packet was given up.
        std::size_t again = NoRestart;
        while (pos < size) {
            if (!assembling_) {
                const std::size_t s = findHeader(data, pos, size);
                if (s == size) {
                    keepCarry(data + pos, size - pos);
                    return;
                }
                pos = startPacket(data + s) ? s + HeaderSize : s + 1;
                continue;
            }
            pos += append(data + pos, size - pos);
            if (assembling_ && assembled_ == MaxPayload && pos < size) {
                // The bound is reached with more bytes to come: a sync in the bytes not scanned
                // yet ends this packet; without one the packet is given up, and its last bytes,
                // which may begin the next sync, run again.
                const std::size_t s = scanAssembled();
                if (s != MaxPayload) {
                    cutShort(s);
                    again = s;
                } else {
                    giveUp();
                    again = MaxPayload - (HeaderSize - 1);
                }
                break;
            }
        }
        if (again == NoRestart) {
            // The read ended in the middle of a frame: look for the next packet's sync in what
            // was assembled since the last look.
            if (!assembling_ || assembled_ <= 6 || newSinceScan_ <= 8)
                return;
            const std::size_t s = scanAssembled();
            if (s == MaxPayload)
                return;
            cutShort(s);
            again = s;
        }
        std::uint8_t* into = spare_[spare].data();
        size = restart(again, data + pos, size - pos, into);
        data = into;
        spare ^= 1;
    }
}

bool PacketFramer::startPacket(const std::uint8_t* h) {
    checkCounter(h[4]);
    const std::size_t length = static_cast<std::size_t>(h[5] | (h[6] << 8));
    if (length < HeaderSize + MinPayload || length - HeaderSize > MaxPayload) {
        // The length field holds no frame: this packet is lost, look for the next one.
        giveUp();
        return false;
    }
    expected_ = length - HeaderSize;
    assembled_ = 0;
    sum_ = 0;
    lastScan_ = 0;
    newSinceScan_ = 0;
    assembling_ = true;
    return true;
}

void PacketFramer::checkCounter(std::uint8_t counter) {
    if (haveCounter_) {
        // A jump of d counts d - 1 missed packets; the same counter again counts nothing.
        const int d = static_cast<std::uint8_t>(counter - counter_);
        if (d > 1) {
            counts_.invalidPackets += static_cast<std::uint64_t>(d - 1);
            counts_.lostFrames += static_cast<std::uint64_t>(d - 1);
            handler_.packetsMissed(d - 1);
        }
    }
    haveCounter_ = true;
    counter_ = counter;
}

std::size_t PacketFramer::append(const std::uint8_t* data, std::size_t size) {
    std::size_t take = std::min(size, MaxPayload - assembled_);
    if (assembled_ < expected_)
        take = std::min(take, expected_ - assembled_); // stop at the expected length to check it
    std::memcpy(frame_.data() + assembled_, data, take);
    const std::size_t sumEnd = expected_ - 3; // bytes below this position are summed
    if (assembled_ < sumEnd) {
        const std::size_t end = std::min(assembled_ + take, sumEnd);
        unsigned sum = sum_;
        for (std::size_t i = assembled_; i < end; ++i)
            sum += frame_[i];
        sum_ = static_cast<std::uint16_t>(sum);
    }
    assembled_ += take;
    newSinceScan_ += take;
    if (assembled_ == expected_ && take > 0) {
        const std::size_t p = expected_;
        if (frame_[p - 1] == EndMarker && frame::u16(frame_, p - 3) == sum_)
            complete();
    }
    return take;
}

void PacketFramer::complete() {
    assembling_ = false;
    const std::size_t n = expected_ - 1;
    if (!validFrameLength(n)) {
        // A frame of a length the logger never sends (a "full" frame shorter than its layout).
        ++counts_.frameLengthErrors;
        ++counts_.lostFrames;
        handler_.frameLengthError();
        return;
    }
    hand(std::span<const std::uint8_t>(frame_.data(), n));
}

void PacketFramer::hand(std::span<const std::uint8_t> frame) {
    ++counts_.frames;
    handler_.frameReady(frame);
}

void PacketFramer::giveUp() {
    assembling_ = false;
    ++counts_.frameLengthErrors;
    ++counts_.lostFrames;
    handler_.frameLengthError();
}

std::size_t PacketFramer::scanAssembled() {
    const std::size_t s = findHeader(frame_.data(), lastScan_, assembled_);
    newSinceScan_ = 0;
    if (s == assembled_) {
        lastScan_ = assembled_ > HeaderSize ? assembled_ - HeaderSize : 0;
        return MaxPayload;
    }
    return s;
}

void PacketFramer::cutShort(std::size_t s) {
    giveUp();
    salvage(std::span<const std::uint8_t>(frame_.data(), s));
}

std::size_t PacketFramer::restart(std::size_t from, const std::uint8_t* rest, std::size_t restSize,
                                  std::uint8_t* into) {
    const std::size_t tail = assembled_ - from;
    const std::size_t restTaken = std::min(restSize, SpareSize - tail);
    std::memcpy(into, frame_.data() + from, tail);
    if (restTaken)
        std::memcpy(into + tail, rest, restTaken);
    return tail + restTaken;
}

void PacketFramer::salvage(std::span<const std::uint8_t> c) {
    constexpr std::size_t shortSize = frame::shortframe::Size;
    const std::size_t m = c.size();
    if (m == shortSize + 1) {
        if (c[shortSize] == EndMarker && shortFrameChecksumValid(c)) {
            ++counts_.salvagedFrames;
            hand(c.first(shortSize));
        }
        return;
    }
    if (m <= shortSize + 1)
        return;
    // The last end marker, searched back to position 11; a frame of less than 16 bytes before
    // it is no frame.
    std::size_t k = m - 1;
    while (k > 11 && c[k] != EndMarker)
        --k;
    if (c[k] != EndMarker || k < shortSize)
        return;
    const bool dataValid = m > 53 && dataChecksumValid(c);
    // The sum before the marker vouches only for a frame that begins with a logger header: a
    // 16-byte frame or a full data frame. A 20-byte status frame has another layout (its bytes
    // read as a logger header give a wrong depth), and no other length is a frame.
    const bool headerFirst = k == shortSize || k >= frame::full::MinimumSize;
    const bool sumValid = headerFirst && frame::sum16(c.first(k - 2)) == frame::u16(c, k - 2);
    if (!dataValid && !sumValid)
        return;
    const ShortFrame rebuilt = rebuildAsShortFrame(c, c[k - 3]);
    if (dataValid)
        handler_.cutFrameSalvaged(c[frame::full::SondeBlock + frame::sonde::PacketIndex]);
    ++counts_.salvagedFrames;
    hand(rebuilt);
}

} // namespace zarn
