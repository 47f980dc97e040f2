// A frame that cannot be used whole is handed on as a 16-byte logger frame built from its
// logger header: the alarm bits of byte 0 cleared, byte 13 its communication status with bit 7
// set (the mark of a rebuilt frame), bytes 14 and 15 the sum of bytes 0 to 13.
#pragma once

#include "acquisition/wire/FrameLayout.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

namespace zarn {

using ShortFrame = std::array<std::uint8_t, frame::shortframe::Size>;

// frame holds at least the 13 bytes of the logger header.
inline ShortFrame rebuildAsShortFrame(std::span<const std::uint8_t> frame,
                                      std::uint8_t commStatus) {
    ShortFrame out{};
    std::copy_n(frame.begin(), frame::LoggerHeaderSize, out.begin());
    out[0] &= 0x3F;
    out[frame::shortframe::CommStatus] = static_cast<std::uint8_t>(commStatus | 0x80);
    const std::uint16_t sum = frame::sum16(std::span(out).first(frame::shortframe::Checksum));
    out[frame::shortframe::Checksum] = static_cast<std::uint8_t>(sum & 0xFF);
    out[frame::shortframe::Checksum + 1] = static_cast<std::uint8_t>(sum >> 8);
    return out;
}

// True when the 16-byte frame's checksum (bytes 14 and 15) is the sum of bytes 0 to 13.
inline bool shortFrameChecksumValid(std::span<const std::uint8_t> frame) {
    return frame.size() >= frame::shortframe::Size &&
           frame::sum16(frame.first(frame::shortframe::Checksum)) ==
               frame::u16(frame, frame::shortframe::Checksum);
}

// True when the full data frame's sonde block checksum (the word at 47, the sum of bytes 13 to
// 46) holds. frame holds at least 49 bytes.
inline bool dataChecksumValid(std::span<const std::uint8_t> frame) {
    constexpr std::size_t first = frame::full::SondeBlock;
    constexpr std::size_t count = frame::full::PackChecksum - first;
    return frame.size() >= frame::full::Payload && frame::sum16(frame.subspan(first, count)) ==
                                                       frame::u16(frame, frame::full::PackChecksum);
}

} // namespace zarn
