// The window placement file LvZARN.dat: the last screen position of six windows, 281 bytes,
// little-endian, no header. Byte 0 is written as 0, bytes 1 to 16 are unused (written as
// zeros), then six placements of eleven 32-bit words each at offsets 17, 61, 105, 149, 193
// and 237.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zarn {

struct PlacementPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const PlacementPoint&) const = default;
};

struct PlacementRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool operator==(const PlacementRect&) const = default;
};

// One window's placement: length, flags, show command, minimised position, maximised
// position, normal rectangle.
struct WindowPlacement {
    static constexpr std::size_t Size = 44;

    std::int32_t length = 0;
    std::int32_t flags = 0;
    std::int32_t showCommand = 0;
    PlacementPoint minPosition;
    PlacementPoint maxPosition;
    PlacementRect normalPosition;

    // A window applies its stored placement only when the length word is 1 to 999; anything
    // else is an unset or damaged entry.
    bool usable() const { return length >= 1 && length <= 999; }
    bool operator==(const WindowPlacement&) const = default;
};

// The six windows whose placement the file keeps, in file order.
enum class PlacedWindow {
    Main,
    LargeDepth,
    DeviationData,
    ProductTools,
    LoggerSetup,
    CameraControl,
};

struct WindowPlacementRecord {
    static constexpr std::size_t WindowCount = 6;
    static constexpr std::size_t FirstPlacementOffset = 17;
    static constexpr std::size_t FileSize =
        FirstPlacementOffset + WindowCount * WindowPlacement::Size;

    std::array<WindowPlacement, WindowCount> windows{};

    WindowPlacement& operator[](PlacedWindow w) { return windows[static_cast<std::size_t>(w)]; }
    const WindowPlacement& operator[](PlacedWindow w) const {
        return windows[static_cast<std::size_t>(w)];
    }
    bool operator==(const WindowPlacementRecord&) const = default;

    // The main window's placement when no file could be read: length 44, flags and show
    // command 0, positions (0,0), normal rectangle (10, 10, 700, 500).
    static WindowPlacement defaultMainPlacement();

    // The 281 bytes of the file.
    std::string encode() const;
    // Nothing unless the bytes are exactly one file's worth; the leading 17 bytes are ignored.
    [[nodiscard]] static std::optional<WindowPlacementRecord> decode(std::string_view bytes);
};

} // namespace zarn
