// Operations on single rows of 32-bit pixels, (A << 24) | (R << 16) | (G << 8) | B: the
// orientation shift of a decoded row, its resampling to the 720 columns of the display, and the
// grey copy of a picture.
#pragma once

#include "acquisition/wire/ImageRows.h"
#include "platform/PixelImage.h"

#include <array>
#include <cstdint>
#include <span>

namespace zarn {

// Columns of the image area of a display row, whatever the width of the sonde's rows.
inline constexpr int DisplayImageColumns = 720;

// The orientation shift of a row of W pixels by an angle, towards higher columns with
// wrap-around: with h = angle * W / 360, I its integer part and f its fraction, column (I + i)
// mod W of the shifted row is source column i blended with the column before it (source column
// W - 1 before column 0): round(P + (S - P) * (1 - f)) for each colour byte, alpha 0xFF. The
// angle is brought into [0, 360) first; one that is not finite counts as 0.
//
// Made once per row: the blend of every possible byte difference is tabled, so a shifted pixel
// costs a few integer operations, and only the pixels that are shown need to be made.
class RowShift {
public:
    RowShift() { set(0.0, 1); }
    RowShift(double angle, int width) { set(angle, width); }
    // width must be at least 1.
    void set(double angle, int width);

    // Pixel `column` (0 to W - 1) of the shifted row.
    std::uint32_t at(const std::uint32_t* source, int column) const {
        int i = column - whole_;
        if (i < 0)
            i += width_;
        return blend(source[i == 0 ? width_ - 1 : i - 1], source[i]);
    }
    // previous blended with current by the row's weights.
    std::uint32_t blend(std::uint32_t previous, std::uint32_t current) const {
        return 0xFF000000u | (channel(previous, current, 16) << 16) |
               (channel(previous, current, 8) << 8) | channel(previous, current, 0);
    }
    int width() const { return width_; }
    // I: the whole pixels of the shift, 0 to W - 1.
    int whole() const { return whole_; }

private:
    std::uint32_t channel(std::uint32_t previous, std::uint32_t current, int shift) const {
        const int p = static_cast<int>((previous >> shift) & 0xFF);
        const int s = static_cast<int>((current >> shift) & 0xFF);
        return static_cast<std::uint32_t>(p + offset_[static_cast<std::size_t>(s - p + 255)]);
    }

    int width_ = 1;
    int whole_ = 0;
    // round(d * (1 - f)) for the byte difference d = S - P, at index d + 255.
    std::array<std::int32_t, 511> offset_{};
};

// Shifts a whole row of W pixels (see RowShift). Nothing is written when W < 1 or either row
// holds fewer than W pixels.
void RotateRow(double angle, std::span<const std::uint32_t> source,
               std::span<std::uint32_t> destination, int width);

// Turns a row of W pixels by an angle in whole pixels only, towards higher columns with
// wrap-around: with s = the angle (brought into [0, 360)) x W x 128 / 360 rounded to the
// nearest integer, column (s / 128 + i) mod W of the turned row is source column i. Returns the
// part of a pixel the turn leaves over, s mod 128, in 1/128 pixel (for a resampler that puts it
// back). Nothing is written, and 0 returned, when W < 1 or either row is too short.
int ShiftWhole(double angle, std::span<const std::uint32_t> source,
               std::span<std::uint32_t> destination, int width);

// Nearest-neighbour resampling of a row of W pixels to the display's 720 image columns:
// column i shows source pixel floor(i * W / 720), so 1440 pixels show every second one and
// 360 pixels each one twice. The column table is made once per width.
class RowResampler {
public:
    // Widths outside 1 to MaxPixelsPerRow are brought into that range.
    void setWidth(int width);
    int width() const { return width_; }
    // destination must hold 720 pixels, source at least width() pixels.
    void resample(const std::uint32_t* source, std::uint32_t* destination) const;
    // The same of the row shifted by shift (whose width is width()): only the 720 pixels shown
    // are shifted.
    void resample(const std::uint32_t* source, const RowShift& shift,
                  std::uint32_t* destination) const;
    int sourceColumn(int column) const { return columns_[static_cast<std::size_t>(column)]; }

private:
    int width_ = 0;
    std::array<std::uint16_t, DisplayImageColumns> columns_{};
};

// The grey copy of a picture: each pixel becomes (G * 601 + R * 306 + B * 117) >> 10 in its three
// colour bytes; the alpha byte is kept.
PixelImage ToGrey(const ConstPixelView& picture);
// The same in place, for a picture that is not needed in colour any more.
void ToGreyInPlace(const PixelView& picture);

} // namespace zarn
