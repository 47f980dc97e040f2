#include "sim/BitWriter.h"

namespace zarn::sim {

BitWriter::BitWriter(std::vector<std::uint8_t>& out) : out_(out) {
    out_.clear();
}

void BitWriter::put(std::uint32_t value, int bits) {
    if (bits <= 0)
        return;
    const std::uint64_t mask = (std::uint64_t{1} << bits) - 1;
    pending_ = (pending_ << bits) | (value & mask);
    pendingCount_ += bits;
    bitCount_ += static_cast<std::size_t>(bits);
    while (pendingCount_ >= 8) {
        pendingCount_ -= 8;
        out_.push_back(static_cast<std::uint8_t>(pending_ >> pendingCount_));
    }
    pending_ &= (std::uint64_t{1} << pendingCount_) - 1;
}

void BitWriter::putSigned(int value, int bits) {
    put(static_cast<std::uint32_t>(value), bits);
}

void BitWriter::flush() {
    if (pendingCount_ > 0) {
        out_.push_back(static_cast<std::uint8_t>(pending_ << (8 - pendingCount_)));
        pending_ = 0;
        pendingCount_ = 0;
    }
}

} // namespace zarn::sim
