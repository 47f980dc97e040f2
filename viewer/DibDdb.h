// The strip pieces as pixels, a band of rows at a time: every row laid out at strip width (a
// separator, the left margin, a separator, the picture area with the picture centred and the
// rest in the filling colour, a separator, the scale labels, a separator, the background), the
// header and trailer framed by bevels, then the marks: a start mark in the left margin, ticks
// every tick step and labels every ten in the scale area, red where a piece overlaps the one
// before, and the header's title and well data. Whatever is drawn is clipped to its piece.
#pragma once

#include "platform/PixelImage.h"
#include "viewer/PictureRows.h"
#include "viewer/StripEntry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lvviewer {

struct RenderStyle {
    std::uint32_t filling = colour::DefaultFilling;
    std::uint32_t background = colour::Background;
    int tickStep = 10; // depth counts between ticks, 1 to 100
    int fontSize = 1;  // 1 to 3: how far below its tick a label sits
    double zoom = 1.0;
    bool imperial = false;
};

class CDibDdb {
public:
    CDibDdb(const StripGeometry& geometry, const RenderStyle& style);

    const StripGeometry& geometry() const { return geometry_; }
    const RenderStyle& style() const { return style_; }

    // Rows first .. first + band.height - 1 of entry `index`, band strip-width wide. A picture's
    // pixels are decoded from its file; when that fails the rows are drawn as a missing part
    // and false is returned with the reason.
    // The pictures' rows come through the calling thread's source.
    [[nodiscard]] bool renderBand(const std::vector<StripEntry>& entries, int index, int first,
                                  const zarn::PixelView& band, PictureRowSource& source,
                                  std::string* reason) const;

    // The layout of the rows without pixels of a picture, marks or text.
    void layoutRows(const StripEntry& entry, int first, const zarn::PixelView& band) const;
    // The marks, ticks, labels and header text of the rows.
    void drawMarks(const std::vector<StripEntry>& entries, int index, int first,
                   const zarn::PixelView& band) const;

    // The row of a depth within its piece: from the top in the piece's upper half, from the
    // bottom in its lower half, so that the ends of a piece sit on its first and last rows.
    static std::int64_t rowOfDepth(const StripEntry& entry, std::int64_t depth);
    // The label of a depth: "12.50 m", "-1.50 ft".
    std::string labelOf(std::int64_t depth) const;

private:
    void drawHeaderText(const std::vector<StripEntry>& entries, const StripEntry& header, int first,
                        const zarn::PixelView& band) const;
    void drawScale(const StripEntry& entry, std::int64_t overlapLimit, int first,
                   const zarn::PixelView& band) const;

    StripGeometry geometry_;
    RenderStyle style_;
    int glyphScale_ = 1;
};

} // namespace lvviewer
