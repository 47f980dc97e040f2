#include "acquisition/settings/AlignmentPreview.h"

#include <algorithm>

namespace zarn {

void AlignmentPreview::publishRow(std::span<const std::uint32_t> pixels, int width, int first) {
    if (width < Width || first < 0 ||
        pixels.size() < static_cast<std::size_t>(first) + static_cast<std::size_t>(width))
        return;
    const auto start = static_cast<std::size_t>(first + (width - Width) / 2);
    std::array<std::uint32_t, Width> centre{};
    std::copy_n(pixels.begin() + static_cast<std::ptrdiff_t>(start), Width, centre.begin());
    std::lock_guard lock(mutex_);
    centre_ = centre;
    hasRow_ = true;
}

void AlignmentPreview::publishDisplayRow(std::span<const std::uint32_t> display, int first,
                                         int columns, int rowWidth) {
    if (rowWidth < Width || columns <= 0 || first < 0 ||
        display.size() < static_cast<std::size_t>(first) + static_cast<std::size_t>(columns))
        return;
    std::array<std::uint32_t, Width> centre{};
    const long long start = (rowWidth - Width) / 2;
    for (int k = 0; k < Width; ++k) {
        // Column i shows source pixel floor(i * rowWidth / columns): the first column showing
        // pixel j is ceil(j * columns / rowWidth).
        const long long j = start + k;
        const long long i =
            std::min<long long>((j * columns + rowWidth - 1) / rowWidth, columns - 1);
        centre[static_cast<std::size_t>(k)] = display[static_cast<std::size_t>(first + i)];
    }
    std::lock_guard lock(mutex_);
    centre_ = centre;
    hasRow_ = true;
}

void AlignmentPreview::clear() {
    std::lock_guard lock(mutex_);
    hasRow_ = false;
}

std::optional<AlignmentPreview::Picture> AlignmentPreview::picture() const {
    std::array<std::uint32_t, Width> centre{};
    {
        std::lock_guard lock(mutex_);
        if (!hasRow_)
            return std::nullopt;
        centre = centre_;
    }
    Picture p{};
    for (int x = 0; x < Width; ++x) {
        const std::uint32_t edge = x == MarkColumn ? Black : Yellow;
        p[static_cast<std::size_t>(x)] = edge;
        p[static_cast<std::size_t>(3 * Width + x)] = edge;
        p[static_cast<std::size_t>(Width + x)] = centre[static_cast<std::size_t>(x)] | 0xFF000000;
        p[static_cast<std::size_t>(2 * Width + x)] =
            centre[static_cast<std::size_t>(x)] | 0xFF000000;
    }
    return p;
}

} // namespace zarn
