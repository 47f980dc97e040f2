#include "viewer/DibDdb.h"

#include "platform/BitmapFont.h"
#include "platform/Format.h"
#include "viewer/DepthCount.h"
#include "viewer/PictureRows.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace lvviewer {
namespace {

using zarn::BitmapFont;
using zarn::PixelView;
using zarn::TextBox;

constexpr int Sep = StripGeometry::Separator;

void fill(std::uint32_t* row, int from, int to, std::uint32_t c) {
    if (to > from)
        std::fill(row + from, row + to, c);
}

// The separators, margins and areas of one row; the picture area [left, left + widest) is given
// its own colour (the filling colour, or the margin colour in header and trailer).
void frameRow(std::uint32_t* row, const StripGeometry& g, std::uint32_t pictureArea,
              std::uint32_t scaleArea, std::uint32_t background) {
    const int width = g.stripWidth();
    int x = 0;
    const auto separator = [&] {
        for (int i = 0; i < Sep && x < width; ++i, ++x)
            row[x] = colour::Separator[i];
    };
    const auto area = [&](int w, std::uint32_t c) {
        const int end = std::min(width, x + std::max(0, w));
        fill(row, x, end, c);
        x = end;
    };
    separator();
    area(g.leftMargin, colour::Margin);
    separator();
    area(g.widest, pictureArea);
    separator();
    area(g.labelWidth, scaleArea);
    separator();
    area(width - x, background);
}

// A horizontal line clipped to the band.
void hline(const PixelView& band, int x, std::int64_t y, int length, std::uint32_t c) {
    if (y < 0 || y >= band.height)
        return;
    const int from = std::max(0, x);
    const int to = std::min(band.width, x + length);
    fill(band.row(static_cast<int>(y)), from, to, c);
}

// A text whose box is given in piece rows, into the band that starts at row first.
void text(const PixelView& band, int first, TextBox box, const std::string& s, std::uint32_t c,
          int scale) {
    box.top -= first;
    if (box.bottom() <= 0 || box.top >= band.height)
        return;
    BitmapFont::draw(band, box, s, c, std::nullopt, scale);
}

TextBox boxAt(int left, int top, const std::string& s, int scale) {
    return {left, top, BitmapFont::textWidth(s) * scale, BitmapFont::GlyphHeight * scale};
}

} // namespace

CDibDdb::CDibDdb(const StripGeometry& geometry, const RenderStyle& style)
    : geometry_(geometry), style_(style), glyphScale_(textSizesAt(style.zoom).glyphScale) {}

std::int64_t CDibDdb::rowOfDepth(const StripEntry& e, std::int64_t d) {
    const double ppm = e.pixelsPerMetre;
    if (2 * (d - e.depthFrom) <= std::int64_t{e.depthTo} - e.depthFrom)
        return roundCount(ppm * static_cast<double>(d - e.depthFrom) / 1000.0);
    return e.height - roundCount(static_cast<double>(e.depthTo - d) * ppm / 1000.0);
}

std::string CDibDdb::labelOf(std::int64_t depth) const {
    return depthText(depth) + " " + unitText(style_.imperial);
}

void CDibDdb::layoutRows(const StripEntry& entry, int first, const PixelView& band) const {
    const StripGeometry& g = geometry_;
    const bool framed = entry.kind == PieceKind::Header || entry.kind == PieceKind::Trailer;
    // Every row of the band but the bevels is the same: one row is laid out and copied.
    std::uint32_t* model = band.row(0);
    if (framed) {
        frameRow(model, g, colour::Margin, colour::Margin, style_.background);
    } else {
        // A picture is decoded over its part of the area; the paddings beside it, and the
        // whole area of a missing part, keep the filling colour.
        frameRow(model, g, style_.filling, colour::Margin, style_.background);
    }
    for (int y = 1; y < band.height; ++y)
        std::copy(model, model + band.width, band.row(y));
    if (framed) {
        for (int i = 0; i < Sep; ++i) {
            hline(band, 0, i - first, band.width, colour::Separator[i]);
            hline(band, 0, entry.height - 1 - i - first, band.width, colour::Separator[i]);
        }
    }
}

bool CDibDdb::renderBand(const std::vector<StripEntry>& entries, int index, int first,
                         const PixelView& band, PictureRowSource& source,
                         std::string* reason) const {
    const StripEntry& entry = entries[static_cast<std::size_t>(index)];
    bool decoded = true;
    layoutRows(entry, first, band);
    if (entry.kind == PieceKind::Picture) {
        const int left = geometry_.pictureLeft() + (geometry_.widest - entry.width) / 2;
        const PixelView area{band.pixels + left, std::min(entry.width, geometry_.widest),
                             band.height, band.stride};
        decoded = entry.width <= geometry_.widest &&
                  source.decode(entry.path, {entry.width, entry.height}, first, area, reason);
        if (!decoded)
            layoutRows(entry, first, band);
    }
    drawMarks(entries, index, first, band);
    return decoded;
}

void CDibDdb::drawMarks(const std::vector<StripEntry>& entries, int index, int first,
                        const PixelView& band) const {
    const StripEntry& entry = entries[static_cast<std::size_t>(index)];
    // Depths above the end of the piece before overlap it.
    const std::int64_t overlapLimit =
        index > 0 ? entries[static_cast<std::size_t>(index) - 1].depthTo : entry.depthFrom;
    if (entry.kind == PieceKind::Header)
        drawHeaderText(entries, entry, first, band);
    if (entry.kind == PieceKind::Picture || entry.kind == PieceKind::Missing) {
        const std::uint32_t mark = entry.depthFrom < overlapLimit     ? colour::OverlapMark
                                   : entry.kind == PieceKind::Picture ? colour::Black
                                                                      : colour::MissingMark;
        hline(band, geometry_.leftMargin / 3, -first, geometry_.leftMargin / 2, mark);
    }
    drawScale(entry, overlapLimit, first, band);
}

void CDibDdb::drawScale(const StripEntry& entry, std::int64_t overlapLimit, int first,
                        const PixelView& band) const {
    const int step = std::clamp(style_.tickStep, 1, 100);
    const bool header = entry.kind == PieceKind::Header;
    const bool trailer = entry.kind == PieceKind::Trailer;
    const int x = geometry_.scaleLeft();
    const int scale = glyphScale_;
    static constexpr int Offsets[3] = {1, 3, 11};
    const int offset = Offsets[std::clamp(style_.fontSize, 1, 3) - 1] * scale;
    const int labelHeight = BitmapFont::GlyphHeight * scale;

    // A label centred on the row of its tick (clipped to the piece), or with its top given.
    const auto labelAt = [&](std::int64_t d, std::uint32_t c, std::int64_t top) {
        const std::string s = labelOf(d);
        text(band, first,
             boxAt(x + 12,
                   static_cast<int>(std::clamp<std::int64_t>(top, INT32_MIN / 2, INT32_MAX / 2)), s,
                   scale),
             s, c, scale);
    };
    const auto label = [&](std::int64_t d, std::uint32_t c) {
        labelAt(d, c, rowOfDepth(entry, d) + offset - labelHeight / 2);
    };
    // The header's depth at its foot and the trailer's at its head, whole inside their bevels.
    if (header) {
        labelAt(entry.depthTo, colour::Black, entry.height - Sep - 1 - labelHeight);
        return;
    }
    if (trailer) {
        labelAt(entry.depthFrom, colour::Black, Sep);
        return;
    }
    if (!(entry.pixelsPerMetre > 0) || entry.height <= 0)
        return;
    // Only the depths whose ticks or labels can reach the band's rows.
    const double countsPerRow = 1000.0 / entry.pixelsPerMetre;
    const double reach = (labelHeight + offset + 2) * countsPerRow + 10.0 * step;
    const std::int64_t low = std::max<std::int64_t>(
        entry.depthFrom,
        entry.depthFrom + zarn::saturatedTrunc<std::int64_t>(first * countsPerRow - reach));
    const std::int64_t high = std::min<std::int64_t>(
        entry.depthTo, entry.depthFrom + zarn::saturatedTrunc<std::int64_t>(
                                             (first + band.height) * countsPerRow + reach));
    // The first multiple of the step at or after low (floor division for negative depths).
    std::int64_t d = low / step * step;
    if (d < low)
        d += step;
    for (; d <= high; d += step) {
        const std::uint32_t c = d < overlapLimit ? colour::OverlapTick : colour::Black;
        const std::int64_t y = rowOfDepth(entry, d) - first;
        const bool major = d % (10 * step) == 0;
        hline(band, x, y, major ? 6 : 3, c);
        if (major)
            label(d, c);
    }
}

void CDibDdb::drawHeaderText(const std::vector<StripEntry>& entries, const StripEntry& header,
                             int first, const PixelView& band) const {
    // The title: the borehole in capitals, its characters spaced.
    std::string title;
    for (const char ch : header.boreholeName) {
        if (!title.empty())
            title += ' ';
        title += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    }
    // The first and last pictures' depths.
    const std::int64_t from = header.depthTo;
    std::int64_t to = header.depthTo;
    for (const StripEntry& e : entries)
        if (e.kind == PieceKind::Picture)
            to = e.depthTo;
    const char* unit = style_.imperial ? "ft" : "m ";
    std::vector<std::pair<std::string, std::string>> lines;
    if (!header.latitude.empty() || !header.longitude.empty())
        lines.emplace_back("Latitude:    " + header.latitude, "Longitude:   " + header.longitude);
    if (!header.azimuth.empty() || !header.inclination.empty())
        lines.emplace_back("Azimuth:     " + header.azimuth, "Inclination: " + header.inclination);
    lines.emplace_back("From: " + depthText(from) + unit,
                       "To: " + depthText(to) + (style_.imperial ? "ft" : "m"));

    // As large as the header's rows allow, up to the size the labels have.
    const int rows = header.height - 2 * Sep;
    const int count = static_cast<int>(lines.size()) + 1;
    int scale = glyphScale_;
    while (scale > 1 && count * (BitmapFont::GlyphHeight + 4) * scale + 4 > rows)
        --scale;
    const int step = (BitmapFont::GlyphHeight + 4) * scale;
    const int top = Sep + 4;

    const int centre = geometry_.widest / 2 + geometry_.leftMargin + 10;
    const int titleWidth = BitmapFont::textWidth(title) * scale;
    text(band, first, boxAt(centre - titleWidth / 2, top, title, scale), title, colour::HeaderText,
         scale);

    int leftWidth = 0, rightWidth = 0;
    for (const auto& [left, right] : lines) {
        leftWidth = std::max(leftWidth, BitmapFont::textWidth(left) * scale);
        rightWidth = std::max(rightWidth, BitmapFont::textWidth(right) * scale);
    }
    const int edge = geometry_.scaleEdge();
    // Two columns centred together when they fit, else from the left and from the middle.
    constexpr int Gap = 40;
    int leftX = 10, rightX = edge / 2 + 10;
    if (leftWidth + Gap + rightWidth <= edge - 20) {
        leftX = (edge - leftWidth - Gap - rightWidth) / 2;
        rightX = leftX + leftWidth + Gap;
    }
    int y = top + step;
    for (const auto& [left, right] : lines) {
        text(band, first, boxAt(leftX, y, left, scale), left, colour::HeaderText, scale);
        text(band, first, boxAt(rightX, y, right, scale), right, colour::HeaderText, scale);
        y += step;
    }
}

} // namespace lvviewer
