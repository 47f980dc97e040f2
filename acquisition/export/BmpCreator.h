// The picture canvas: the in-memory picture that the picture export fills line by line and then
// writes to a BMP, JPEG or TIFF file. Each added line becomes the next row (from the top going
// down, from the bottom going up, so the shallow end is always at the top), and the depth scale
// is drawn into the pixels themselves, so a saved file carries it without any metadata:
//   - metres: a tick every 0.1 m (8 pixels), 18 pixels at every half metre, 24 pixels and a
//     label in whole metres at every metre;
//   - feet: a tick every inch, 18 pixels at every half foot, 24 pixels and a label in whole feet
//     at every foot.
// Ticks are two rows high (a tick is repeated on the next row). Labels are drawn in the
// embedded font at three times its size, centred on column 100 and on the tick's row, and
// drawn again on the 25 rows that follow so that rows written later beside them do not cut
// them; a label whose box would overlap the label before is left out (the tick stays).
//
// Depths arrive in 0.1 mm units and are counted in 0.1 mm, or in 0.001 ft in feet mode. A row
// more than a few output intervals deeper or shallower than the row before (a jump) gets no new
// tick.
//
// Not thread-safe: one export uses its canvas at a time.
#pragma once

#include "platform/PixelImage.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace zarn {

class CBmpCreator {
public:
    static constexpr const char* CreateErrorText = "Error : Could not create DIB";

    // Picture types and colour modes of the export.
    enum class PictureType { Bmp = 1, Jpeg = 2, Tiff = 3 };
    static constexpr int GreyMode = 1;
    static constexpr int TrueColourMode = 24;

    // Where labels are centred, and how many rows they are drawn again for.
    static constexpr int LabelCentre = 100;
    static constexpr int LabelScale = 3;
    static constexpr int LabelRedrawRows = 25;
    // Tick lengths of the three levels; ticks start at pixel 2.
    static constexpr int TickStart = 2;
    static constexpr int TickLengths[3] = {8, 18, 24};
    // Depth units between two rows beyond which the second row gets no tick, at least.
    static constexpr long long SmallestGap = 100;

    CBmpCreator() = default;
    CBmpCreator(const CBmpCreator&) = delete;
    CBmpCreator& operator=(const CBmpCreator&) = delete;

    // Makes a canvas of width x height opaque black pixels, rows top down. Nothing is made when
    // a canvas exists already (the caller releases it first); true then. False when the sizes
    // are not positive or the memory cannot be had: the caller shows CreateErrorText and stops
    // its work.
    [[nodiscard]] bool Create(int width, int height);
    void Release();
    bool exists() const { return pixels_ != nullptr; }

    int width() const { return width_; }
    int height() const { return height_; }
    int filledRows() const { return filled_; }
    bool full() const { return filled_ >= height_; }

    // Depths in feet (0.001 ft units) instead of metres.
    void SetFeet(bool feet) { feet_ = feet; }
    // The depth step of one row, metres: a jump is a step of more than four of these (and of
    // more than SmallestGap units).
    void SetRowInterval(double metres);

    // Adds a line of width() pixels as the next row (missing pixels black), with its depth in
    // 0.1 mm; draws the depth scale in colourRef (0x00BBGGRR) when scale is on. False when the
    // canvas is full (or does not exist).
    bool AddRow(std::span<const std::uint32_t> line, bool down, long long depth, bool scale,
                std::uint32_t colourRef);

    // The whole canvas, for a preview.
    ConstPixelView view() const;
    // The rows filled so far, top to bottom as they will be saved.
    ConstPixelView filledView() const;

    // Writes the filled rows to path with the encoder of the path's extension ("bmp", "jpg",
    // "tif"), JPEG at quality 90; in greyscale mode the canvas turns grey first. Written under a
    // temporary name and renamed when whole. False, with the reason in *error, when there is
    // no encoder for the extension, nothing is filled or writing failed.
    [[nodiscard]] bool Save(const std::filesystem::path& path, PictureType type, int colourMode,
                            std::string* error = nullptr);

    // The pixel of a colour reference (0x00BBGGRR), opaque.
    static std::uint32_t pixelOfColourRef(std::uint32_t colourRef);

private:
    PixelView rowsView() const { return {pixels_.get(), width_, height_, width_}; }
    int tickLevel(long long previous, long long depth) const;
    void drawLabel(const std::string& text, int row, std::uint32_t colour);
    void redrawLabel();

    std::unique_ptr<std::uint32_t[]> pixels_;
    int width_ = 0;
    int height_ = 0;
    int filled_ = 0;
    bool down_ = true;
    bool feet_ = false;
    long long gap_ = SmallestGap;
    double rowIntervalMetres_ = 0;

    std::optional<long long> previous_; // the depth of the row before, in the canvas's units
    int repeatLevel_ = 0;               // a tick to draw again on the next row
    struct Label {
        std::string text;
        int top = 0;
        int left = 0;
        std::uint32_t colour = 0;
        int rowsSince = 0;
        int redrawRows = LabelRedrawRows;
    };
    std::optional<Label> label_;      // drawn again on the rows that follow it
    std::optional<int> lastLabelTop_; // the top row of the last label drawn
};

} // namespace zarn
