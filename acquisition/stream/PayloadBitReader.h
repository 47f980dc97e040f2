// Reads a video payload as a bit string, most significant bit of each byte first.
//
// Past the end of the payload the reader yields zero bits: it never reads outside the payload, and
// a cut payload decodes as if padded with zero bytes (which the decoders read as empty blocks and
// zero deltas), so a short payload gives a defined picture rather than stale memory.
//
// Small enough to copy into a local variable for a hot loop and back afterwards.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

namespace zarn {

class PayloadBitReader {
public:
    void reset(std::span<const std::uint8_t> payload) {
        next_ = payload.data();
        end_ = payload.data() + payload.size();
        bits_ = 0;
        count_ = 0;
    }

    // Makes at least n (n <= 57) bits available in window().
    void ensure(int n) {
        if (count_ < n)
            refill();
    }
    // The next bits, left-aligned: bit 63 is the next bit. Only as many as ensured are defined.
    std::uint64_t window() const { return bits_; }
    void skip(int n) {
        bits_ <<= n;
        count_ -= n;
    }
    // The next n bits (1 <= n <= 32) as an unsigned number, first bit most significant.
    std::uint32_t take(int n) {
        ensure(n);
        const auto value = static_cast<std::uint32_t>(bits_ >> (64 - n));
        skip(n);
        return value;
    }
    // The next n bits (1 <= n <= 32) as a two's-complement number.
    int takeSigned(int n) {
        ensure(n);
        const auto value = static_cast<int>(static_cast<std::int64_t>(bits_) >> (64 - n));
        skip(n);
        return value;
    }

private:
    void refill() {
        if (end_ - next_ >= 8) {
            // Eight bytes at once; the whole bytes that fit are consumed. Bits of the following
            // byte that also land in bits_ are its own, so loading it again later changes nothing.
            std::uint64_t word;
            std::memcpy(&word, next_, 8);
            if constexpr (std::endian::native == std::endian::little)
                word = __builtin_bswap64(word);
            bits_ |= word >> count_;
            const int bytes = (63 - count_) >> 3;
            next_ += bytes;
            count_ += bytes * 8;
            return;
        }
        // Near the end: byte by byte, zeros past the end; the pointer never passes the end.
        while (count_ <= 56) {
            const std::uint64_t byte = next_ < end_ ? *next_++ : 0u;
            bits_ |= byte << (56 - count_);
            count_ += 8;
        }
    }

    const std::uint8_t* next_ = nullptr;
    const std::uint8_t* end_ = nullptr;
    std::uint64_t bits_ = 0; // unread bits, left-aligned
    int count_ = 0;          // how many of them are valid
};

} // namespace zarn
