// The image memory of the scrolling borehole image: 32-bit pixels, rows top down, three visible
// heights tall. A display row holds a border column, the 720 image columns and the depth scale
// strip. Plain storage: the row builder that owns it keeps writers and readers apart.
#pragma once

#include "acquisition/stream/RowPixels.h"
#include "platform/PixelImage.h"

#include <cstdint>

namespace zarn {

class ImageMemory {
public:
    static constexpr int BorderColumn = 0;
    static constexpr int FirstImageColumn = 1;
    static constexpr int FirstStripColumn = FirstImageColumn + DisplayImageColumns; // 721
    // The smallest strip that holds the long ticks, the smallest visible height that lets the
    // scrolling keep a screenful, and bounds that keep the memory within reason.
    static constexpr int MinimumRowWidth = FirstStripColumn + 6;
    static constexpr int MaximumRowWidth = 8192;
    static constexpr int MinimumVisibleHeight = 32;
    static constexpr int MaximumVisibleHeight = 8192;

    static constexpr std::uint32_t ClearedImage = 0xFF000000; // black

    // Makes a memory of rowWidth x 3 * visibleHeight pixels. False (and empty) when a size is
    // out of bounds or the memory cannot be had.
    [[nodiscard]] bool create(int rowWidth, int visibleHeight);
    void release();
    bool valid() const { return !pixels_.empty(); }

    int rowWidth() const { return pixels_.width(); }
    int visibleHeight() const { return visibleHeight_; }
    int height() const { return pixels_.height(); }

    PixelView view() { return pixels_.view(); }
    ConstPixelView view() const { return pixels_.view(); }
    std::uint32_t* row(int y) { return pixels_.row(y); }

    // Border and image columns black, the strip in its background colour, every row.
    void clear(std::uint32_t stripBackground);
    // Copies count rows starting at row from over the rows starting at row to.
    void copyRows(int from, int to, int count);
    // The first row of a band of `rows` rows that should start at row first, brought inside the
    // memory.
    int bandStart(int first, int rows) const;
    // Copies rows first .. first + window height - 1 into the window (same width).
    void copyBand(int first, PixelImage& window) const;

private:
    PixelImage pixels_;
    int visibleHeight_ = 0;
};

} // namespace zarn
