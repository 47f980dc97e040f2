// Writes a bit string most significant bit first, the order the video decoder reads; the last
// byte is padded with zero bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zarn::sim {

class BitWriter {
public:
    // Starts a new bit string in `out` (cleared; its capacity is reused).
    explicit BitWriter(std::vector<std::uint8_t>& out);

    // Appends the low `bits` bits of value (0 <= bits <= 32), most significant first.
    void put(std::uint32_t value, int bits);
    // Appends a two's-complement field of `bits` bits; value must fit.
    void putSigned(int value, int bits);
    // Writes the pending bits, padding the last byte with zeros.
    void flush();
    std::size_t bitCount() const { return bitCount_; }

private:
    std::vector<std::uint8_t>& out_;
    std::uint64_t pending_ = 0; // unwritten bits, right-aligned
    int pendingCount_ = 0;
    std::size_t bitCount_ = 0;
};

} // namespace zarn::sim
