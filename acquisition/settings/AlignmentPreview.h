// The probe page's alignment preview: 81 x 4 pixels drawn four times larger while the image
// offset is edited. Rows 0 and 3 are yellow with a black mark in column 41; rows 1 and 2 are
// the centre 81 pixels of the newest image row, whatever its width.
//
// Threads: the drawing thread publishes each new row's centre (a copy, under the lock); the
// window thread takes its picture from that copy and never reads the decoder's buffers.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>

namespace zarn {

class AlignmentPreview {
public:
    static constexpr int Width = 81;
    static constexpr int Height = 4;
    static constexpr int Magnification = 4;
    static constexpr int MarkColumn = Width / 2 + 1;
    static constexpr std::uint32_t Yellow = 0xFFFFFF00;
    static constexpr std::uint32_t Black = 0xFF000000;
    static constexpr const char* NoPictureText = "Error : Could not create DIB";

    using Picture = std::array<std::uint32_t, Width * Height>;

    // The drawing thread: a row of the image as drawn, `width` pixels wide (pixels may hold
    // more, a display row: then the image columns start at `first`). Rows narrower than the
    // preview are not taken.
    void publishRow(std::span<const std::uint32_t> pixels, int width, int first = 0);
    // The drawing thread: a display row, whose `columns` image columns (from `first` on) hold a
    // row of `rowWidth` pixels resampled to nearest neighbour. The preview takes the display
    // columns that show the centre 81 pixels of that row: exactly them for rows up to the
    // display's width, the nearest shown ones for wider rows.
    void publishDisplayRow(std::span<const std::uint32_t> display, int first, int columns,
                           int rowWidth);
    // Forgets the row (a new edit starts blank).
    void clear();

    // The window thread: the picture, or nothing before a row was published.
    std::optional<Picture> picture() const;

private:
    mutable std::mutex mutex_;
    std::array<std::uint32_t, Width> centre_{};
    bool hasRow_ = false;
};

} // namespace zarn
