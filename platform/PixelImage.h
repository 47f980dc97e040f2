// 32-bit pixel buffers, the stand-in for device-independent bitmaps: a pixel is the value
// (A << 24) | (R << 16) | (G << 8) | B, so on the little-endian machines we run on its bytes in
// memory are B, G, R, A, the layout the windowing toolkit paints without a copy. Rows run top
// down; a view's stride (in pixels) may be larger than its width when it shows part of a wider
// buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zarn {

constexpr std::uint32_t pixelOf(unsigned r, unsigned g, unsigned b, unsigned a = 0xFF) {
    return (std::uint32_t{a & 0xFF} << 24) | (std::uint32_t{r & 0xFF} << 16) |
           (std::uint32_t{g & 0xFF} << 8) | std::uint32_t{b & 0xFF};
}
constexpr unsigned pixelRed(std::uint32_t pixel) {
    return (pixel >> 16) & 0xFF;
}
constexpr unsigned pixelGreen(std::uint32_t pixel) {
    return (pixel >> 8) & 0xFF;
}
constexpr unsigned pixelBlue(std::uint32_t pixel) {
    return pixel & 0xFF;
}
constexpr unsigned pixelAlpha(std::uint32_t pixel) {
    return pixel >> 24;
}

// A rectangle of pixels that someone else owns, writable.
struct PixelView {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0; // pixels from one row to the next

    bool empty() const { return pixels == nullptr || width <= 0 || height <= 0; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    std::uint32_t* row(int y) const { return pixels + y * stride; }
    std::uint32_t& at(int x, int y) const { return row(y)[x]; }
    // Rows first .. first + count - 1 (the caller keeps them inside the view).
    PixelView rows(int first, int count) const { return {row(first), width, count, stride}; }
};

// The same, read-only.
struct ConstPixelView {
    const std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;

    ConstPixelView() = default;
    ConstPixelView(const std::uint32_t* p, int w, int h, std::ptrdiff_t s)
        : pixels(p), width(w), height(h), stride(s) {}
    ConstPixelView(const PixelView& v) // NOLINT: a writable view reads as well
        : pixels(v.pixels), width(v.width), height(v.height), stride(v.stride) {}

    bool empty() const { return pixels == nullptr || width <= 0 || height <= 0; }
    const std::uint32_t* row(int y) const { return pixels + y * stride; }
    std::uint32_t at(int x, int y) const { return row(y)[x]; }
    ConstPixelView rows(int first, int count) const { return {row(first), width, count, stride}; }
};

// An owned buffer of width x height pixels, rows packed.
class PixelImage {
public:
    PixelImage() = default;
    PixelImage(int width, int height, std::uint32_t fill = 0) { resize(width, height, fill); }

    // Negative sizes count as 0. Resizing keeps no pixels: every pixel becomes fill.
    void resize(int width, int height, std::uint32_t fill = 0) {
        width_ = width > 0 ? width : 0;
        height_ = height > 0 ? height : 0;
        pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill);
    }

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return pixels_.empty(); }
    std::uint32_t* data() { return pixels_.data(); }
    const std::uint32_t* data() const { return pixels_.data(); }
    std::uint32_t* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
    const std::uint32_t* row(int y) const {
        return pixels_.data() + static_cast<std::size_t>(y) * width_;
    }
    std::uint32_t at(int x, int y) const { return row(y)[x]; }

    PixelView view() { return {pixels_.data(), width_, height_, width_}; }
    ConstPixelView view() const { return {pixels_.data(), width_, height_, width_}; }

private:
    std::vector<std::uint32_t> pixels_;
    int width_ = 0;
    int height_ = 0;
};

} // namespace zarn
