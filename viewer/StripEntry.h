// The strip a borehole is shown as: one piece per picture, per missing part between pictures,
// a header on top and a trailer at the bottom, all of one width, stacked in depth order. The
// geometry says where each area of a strip row lies.
#pragma once

#include "platform/PixelImage.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace lvviewer {

enum class PieceKind : std::uint8_t { Missing = 0, Picture = 1, Header = 0xFF, Trailer = 0xFE };

struct StripEntry {
    int index = 0;        // position in the sorted table
    int depthFrom = 0;    // depth counts at the top of the piece
    int depthTo = 0;      // and at its bottom
    int width = 0;        // picture width (0 for missing parts, the widest for header and trailer)
    int height = 0;       // rows
    std::int64_t top = 0; // the piece's first row in the whole strip
    double pixelsPerMetre = 0; // rows per depth unit; -1 for the trailer
    PieceKind kind = PieceKind::Picture;
    std::string boreholeName, latitude, longitude, azimuth, inclination;
    std::filesystem::path path; // the picture file (pictures only)
    std::string label;          // "Missing Part from Depth %d to %d", "Header", "Trailer"

    std::int64_t bottom() const { return top + height; }
};

// Colours of the strip.
namespace colour {
inline constexpr std::uint32_t Margin = zarn::pixelOf(236, 233, 216);
inline constexpr std::uint32_t Separator[5] = {
    zarn::pixelOf(236, 233, 216), zarn::pixelOf(255, 255, 255), zarn::pixelOf(236, 233, 216),
    zarn::pixelOf(172, 168, 153), zarn::pixelOf(113, 111, 100)};
inline constexpr std::uint32_t DefaultFilling = zarn::pixelOf(254, 0, 64);
inline constexpr std::uint32_t Background = zarn::pixelOf(255, 255, 255);
inline constexpr std::uint32_t Black = zarn::pixelOf(0, 0, 0);
inline constexpr std::uint32_t OverlapMark = zarn::pixelOf(255, 0, 0);
inline constexpr std::uint32_t MissingMark = zarn::pixelOf(240, 164, 0);
inline constexpr std::uint32_t OverlapTick = zarn::pixelOf(255, 0, 32);
inline constexpr std::uint32_t HeaderText = zarn::pixelOf(0, 0, 192);
} // namespace colour

// Where the areas of a strip row lie; every width in pixels.
struct StripGeometry {
    static constexpr int Separator = 5;
    static constexpr int TrailerHeight = 25;

    int widest = 0; // the widest picture
    int leftMargin = 64;
    int labelWidth = 64; // the scale labels, in the right area's left part
    int rightArea = 252;
    int headerHeight = 100;

    int stripWidth() const { return leftMargin + rightArea + widest + 20; }
    int pictureLeft() const { return 2 * Separator + leftMargin; }
    // The scale labels' area, after the picture area's separator.
    int labelLeft() const { return 3 * Separator + leftMargin + widest; }
    // Where the ticks start, inside the labels' area.
    int scaleLeft() const { return stripWidth() - rightArea; }
    // The right edge of the scale labels: what the window is sized to.
    int scaleEdge() const { return leftMargin + labelWidth + widest + 20; }
};

// The view's reduction levels: 100 %, 75 %, 50 %, 33 % and 25 %.
inline constexpr double ZoomFactors[5] = {1.0, 0.75, 0.5, 0.33, 0.25};

// The text sizes at a reduction, so that labels keep their size on screen: the scale label
// font's character width (11 / zoom, at most 18), the header's (at most 16), the header height
// (five times the font height 19 / zoom, 56 at most, held to 100 .. 200), and the factor by which
// the embedded font's glyphs are enlarged.
struct TextSizes {
    int labelCharWidth = 11;
    int headerCharWidth = 11;
    int fontHeight = 19;
    int headerHeight = 100;
    int glyphScale = 1;
};
TextSizes textSizesAt(double zoom);

// The geometry of a strip of pictures at most widest pixels wide, seen at a reduction.
StripGeometry stripGeometry(int widest, double zoom);

} // namespace lvviewer
