// What the picture readers and writers share: the bound on the pictures they read (a corrupt or
// hostile header never makes them allocate without bound) and the way they hand back a reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace zarn {

// Pictures larger than this many pixels are refused on reading.
inline constexpr std::size_t MaximumPicturePixels = std::size_t{1} << 28;

namespace imaging {

inline void fail(std::string* error, std::string text) {
    if (error)
        *error = std::move(text);
}

// Whether a picture of width x height fits in a pixel buffer within the limit.
inline bool sizeAccepted(std::uint64_t width, std::uint64_t height, std::size_t maximumPixels) {
    constexpr std::uint64_t IntMax = static_cast<std::uint64_t>(std::numeric_limits<int>::max());
    return width > 0 && height > 0 && width <= IntMax && height <= IntMax &&
           width * height <= maximumPixels;
}

} // namespace imaging
} // namespace zarn
