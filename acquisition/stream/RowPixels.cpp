#include "acquisition/stream/RowPixels.h"

#include <algorithm>
#include <cmath>

namespace zarn {

namespace {

// Into [0, 360). A tiny negative angle would become exactly 360 after the addition, which the
// second test takes back to 0.
double normalisedDegrees(double angle) {
    if (!std::isfinite(angle))
        return 0.0;
    double a = std::fmod(angle, 360.0);
    if (a < 0)
        a += 360.0;
    if (a >= 360.0)
        a -= 360.0;
    return a;
}

} // namespace

void RowShift::set(double angle, int width) {
    width_ = std::max(width, 1);
    const double h = normalisedDegrees(angle) * width_ / 360.0;
    const int whole = static_cast<int>(h);
    const double t = 1.0 - (h - whole);
    // Even an angle just below 360 can round h up to W: the shift is taken modulo W.
    whole_ = whole % width_;
    // P + (S - P) * t rounded to nearest is P + round(d * t): d * t + 0.5 lies in (-255, 256),
    // so truncating it after adding 256 rounds down.
    for (int d = -255; d <= 255; ++d)
        offset_[static_cast<std::size_t>(d + 255)] = static_cast<int>(d * t + 0.5 + 256.0) - 256;
}

void RotateRow(double angle, std::span<const std::uint32_t> source,
               std::span<std::uint32_t> destination, int width) {
    if (width < 1 || source.size() < static_cast<std::size_t>(width) ||
        destination.size() < static_cast<std::size_t>(width))
        return;
    const RowShift shift(angle, width);
    const std::uint32_t* src = source.data();
    std::uint32_t* dst = destination.data();
    std::uint32_t previous = src[width - 1];
    int j = shift.whole();
    for (int i = 0; i < width; ++i) {
        dst[j] = shift.blend(previous, src[i]);
        previous = src[i];
        if (++j == width)
            j = 0;
    }
}

void RowResampler::setWidth(int width) {
    width = std::clamp(width, 1, MaxPixelsPerRow);
    if (width == width_)
        return;
    width_ = width;
    for (int i = 0; i < DisplayImageColumns; ++i)
        columns_[static_cast<std::size_t>(i)] =
            static_cast<std::uint16_t>(i * width / DisplayImageColumns);
}

void RowResampler::resample(const std::uint32_t* source, std::uint32_t* destination) const {
    for (int i = 0; i < DisplayImageColumns; ++i)
        destination[i] = source[columns_[static_cast<std::size_t>(i)]];
}

void RowResampler::resample(const std::uint32_t* source, const RowShift& shift,
                            std::uint32_t* destination) const {
    for (int i = 0; i < DisplayImageColumns; ++i)
        destination[i] = shift.at(source, columns_[static_cast<std::size_t>(i)]);
}

int ShiftWhole(double angle, std::span<const std::uint32_t> source,
               std::span<std::uint32_t> destination, int width) {
    if (width < 1 || source.size() < static_cast<std::size_t>(width) ||
        destination.size() < static_cast<std::size_t>(width))
        return 0;
    angle = normalisedDegrees(angle);
    const long long steps = static_cast<long long>(width) * 128;
    const long long s = std::llround(angle * static_cast<double>(width) * 128.0 / 360.0) % steps;
    const int whole = static_cast<int>(s / 128);
    const auto w = static_cast<std::size_t>(width);
    const auto k = static_cast<std::size_t>(whole);
    std::copy_n(source.begin(), w - k, destination.begin() + static_cast<std::ptrdiff_t>(k));
    std::copy_n(source.begin() + static_cast<std::ptrdiff_t>(w - k), k, destination.begin());
    return static_cast<int>(s % 128);
}

namespace {

std::uint32_t greyOf(std::uint32_t p) {
    const std::uint32_t y8 = (pixelGreen(p) * 601 + pixelRed(p) * 306 + pixelBlue(p) * 117) >> 10;
    return (p & 0xFF000000u) | (y8 << 16) | (y8 << 8) | y8;
}

} // namespace

PixelImage ToGrey(const ConstPixelView& picture) {
    PixelImage grey(picture.empty() ? 0 : picture.width, picture.empty() ? 0 : picture.height);
    for (int y = 0; y < grey.height(); ++y) {
        const std::uint32_t* in = picture.row(y);
        std::uint32_t* out = grey.row(y);
        for (int x = 0; x < grey.width(); ++x)
            out[x] = greyOf(in[x]);
    }
    return grey;
}

void ToGreyInPlace(const PixelView& picture) {
    if (picture.empty())
        return;
    for (int y = 0; y < picture.height; ++y) {
        std::uint32_t* row = picture.row(y);
        for (int x = 0; x < picture.width; ++x)
            row[x] = greyOf(row[x]);
    }
}

} // namespace zarn
