// Reads the command frames the program writes to the logger. Each frame starts with its
// identifying byte, which fixes its length, and ends with the sum of the bytes before it, modulo
// 256. The program writes one frame per write; a frame split over writes is completed by the
// next write. Anything that is not a complete, well-summed frame of a known kind throws away
// the rest of that write (counted), so a damaged frame can never be misread as a shorter one
// hiding inside it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zarn::sim {

struct Command {
    static constexpr std::size_t MaxLength = 10;
    std::array<std::uint8_t, MaxLength> bytes{};
    std::size_t length = 0;

    std::uint8_t id() const { return bytes[0]; }
    std::uint8_t operator[](std::size_t i) const { return bytes[i]; }
    std::uint16_t word(std::size_t at) const {
        return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
    }
};

namespace CommandId {
inline constexpr std::uint8_t PowerOff = 0x00; // F0
inline constexpr std::uint8_t Winch = 0x01;    // F1
inline constexpr std::uint8_t DepthSet = 0x02; // F2
inline constexpr std::uint8_t Downhole = 0x03; // F3
inline constexpr std::uint8_t Line = 0x0B;     // F11
inline constexpr std::uint8_t Camera = 0x0C;   // F12
inline constexpr std::uint8_t Order = 0x0D;    // F13, sub-command in byte 1
} // namespace CommandId

class CommandParser {
public:
    // The length of a frame of this kind; 0 for an unknown kind.
    static std::size_t lengthOf(std::uint8_t id);

    // Takes one write; appends the complete frames found to `out`. Returns false when bytes
    // had to be thrown away (an unknown kind or a wrong checksum).
    [[nodiscard]] bool feed(std::span<const std::uint8_t> bytes, std::vector<Command>& out);

    std::size_t checksumErrors() const { return checksumErrors_; }
    std::size_t unknownFrames() const { return unknownFrames_; }

private:
    std::array<std::uint8_t, Command::MaxLength> partial_{};
    std::size_t partialLength_ = 0;
    std::size_t checksumErrors_ = 0;
    std::size_t unknownFrames_ = 0;
};

} // namespace zarn::sim
