// What the frame decoder needs from the link that hands it the frames: the link's frame counter
// (shown in the trace lines), the winch settings command it sent last, and the re-send of that
// command when the logger echoes other values. Called on the decoding thread.
#pragma once

#include <cstdint>
#include <optional>

namespace zarn {

// The fields of the winch settings command that the logger echoes in its status frame.
struct WinchSettingsEcho {
    std::uint16_t word2 = 0; // the word at offset 2 of the command
    std::uint16_t word4 = 0; // the word at offset 4
    std::uint8_t byte6 = 0;  // the byte at offset 6
    bool operator==(const WinchSettingsEcho&) const = default;
};

class FrameSource {
public:
    virtual ~FrameSource() = default;
    virtual std::uint32_t frameCounter() const { return 0; }
    // Empty while no winch settings command has been sent.
    virtual std::optional<WinchSettingsEcho> lastWinchSettings() const { return std::nullopt; }
    virtual void resendWinchSettings() {}
};

} // namespace zarn
