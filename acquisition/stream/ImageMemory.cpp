#include "acquisition/stream/ImageMemory.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace zarn {

bool ImageMemory::create(int rowWidth, int visibleHeight) {
    release();
    if (rowWidth < MinimumRowWidth || rowWidth > MaximumRowWidth ||
        visibleHeight < MinimumVisibleHeight || visibleHeight > MaximumVisibleHeight)
        return false;
    try {
        pixels_.resize(rowWidth, 3 * visibleHeight, ClearedImage);
    } catch (const std::bad_alloc&) {
        release();
        return false;
    }
    visibleHeight_ = visibleHeight;
    return true;
}

void ImageMemory::release() {
    pixels_ = PixelImage();
    visibleHeight_ = 0;
}

void ImageMemory::clear(std::uint32_t stripBackground) {
    for (int y = 0; y < height(); ++y) {
        std::uint32_t* r = row(y);
        std::fill(r, r + FirstStripColumn, ClearedImage);
        std::fill(r + FirstStripColumn, r + rowWidth(), stripBackground);
    }
}

void ImageMemory::copyRows(int from, int to, int count) {
    count = std::min({count, height() - from, height() - to});
    if (count <= 0 || from < 0 || to < 0 || from == to)
        return;
    std::memmove(row(to), row(from),
                 static_cast<std::size_t>(count) * static_cast<std::size_t>(rowWidth()) *
                     sizeof(std::uint32_t));
}

int ImageMemory::bandStart(int first, int rows) const {
    return std::clamp(first, 0, std::max(height() - rows, 0));
}

void ImageMemory::copyBand(int first, PixelImage& window) const {
    const int rows = std::min(window.height(), height() - first);
    if (first < 0 || rows <= 0 || window.width() != rowWidth())
        return;
    std::memcpy(window.data(), pixels_.row(first),
                static_cast<std::size_t>(rows) * static_cast<std::size_t>(rowWidth()) *
                    sizeof(std::uint32_t));
}

} // namespace zarn
