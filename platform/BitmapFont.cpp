#include "platform/BitmapFont.h"

#include <algorithm>

namespace zarn {

const BitmapFont::Glyph& BitmapFont::glyph(char c) {
    if (c < FirstCharacter || c > LastCharacter)
        c = '?';
    return glyphs_[static_cast<std::size_t>(c - FirstCharacter)];
}

bool BitmapFont::inked(char c, int x, int y) {
    if (x < 0 || x >= GlyphWidth || y < 0 || y >= GlyphHeight)
        return false;
    return (glyph(c)[static_cast<std::size_t>(y)] & (0x80u >> x)) != 0;
}

void BitmapFont::draw(const PixelView& target, const TextBox& box, std::string_view text,
                      std::uint32_t colour, std::optional<std::uint32_t> background, int scale) {
    if (target.empty() || scale < 1)
        return;
    const int cellWidth = GlyphWidth * scale;
    // The part of the box inside the view.
    const int top = std::max(box.top, 0);
    const int bottom = std::min(box.top + GlyphHeight * scale, target.height);
    const int left = std::max(box.left, 0);
    const int right = std::min(box.left + textWidth(text) * scale, target.width);
    for (int y = top; y < bottom; ++y) {
        std::uint32_t* row = target.row(y);
        const int glyphRow = (y - box.top) / scale;
        for (int x = left; x < right; ++x) {
            const int offset = x - box.left;
            const char c = text[static_cast<std::size_t>(offset / cellWidth)];
            if (inked(c, (offset % cellWidth) / scale, glyphRow))
                row[x] = colour;
            else if (background)
                row[x] = *background;
        }
    }
}

} // namespace zarn
