// The embedded fixed-pitch font of every text drawn into pixels (depth labels, picture headers):
// 7 x 14 pixel cells, the printable ASCII characters 32 to 126, built into the program so that a
// picture looks the same with or without a display. Other characters draw as '?'.
#pragma once

#include "platform/PixelImage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace zarn {

// Where a text lies in a view, in pixels; left and top may be negative.
struct TextBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int right() const { return left + width; }  // one past the last column
    int bottom() const { return top + height; } // one past the last row
    // The whole box lies inside the view (so drawing it loses nothing).
    bool inside(const ConstPixelView& view) const {
        return left >= 0 && top >= 0 && right() <= view.width && bottom() <= view.height;
    }
};

class BitmapFont {
public:
    static constexpr int GlyphWidth = 7;
    static constexpr int GlyphHeight = 14;
    static constexpr int Ascent = 12; // rows above the baseline
    static constexpr char FirstCharacter = ' ';
    static constexpr char LastCharacter = '~';
    static constexpr int GlyphCount = LastCharacter - FirstCharacter + 1;

    // 14 rows, bit 7 the leftmost of the 7 columns.
    using Glyph = std::array<std::uint8_t, GlyphHeight>;

    static const Glyph& glyph(char c);
    // Whether the glyph of c sets the pixel at column x, row y of its cell.
    static bool inked(char c, int x, int y);

    static int textWidth(std::string_view text) {
        return static_cast<int>(text.size()) * GlyphWidth;
    }
    // The box of the text with its top-left corner at (left, top).
    static TextBox boxAt(int left, int top, std::string_view text) {
        return {left, top, textWidth(text), GlyphHeight};
    }
    // The box of the text centred on the point (x, y), horizontally and vertically.
    static TextBox boxCentredOn(int x, int y, std::string_view text) {
        const int width = textWidth(text);
        return {x - width / 2, y - GlyphHeight / 2, width, GlyphHeight};
    }

    // Draws the text into its box: inked pixels in the text colour, the others in the
    // background colour when there is one (opaque) and untouched otherwise (transparent).
    // Whatever falls outside the view is left out. With a scale above 1 every glyph pixel
    // covers scale x scale pixels (the box is then scale times as wide and as high).
    static void draw(const PixelView& target, const TextBox& box, std::string_view text,
                     std::uint32_t colour, std::optional<std::uint32_t> background = std::nullopt,
                     int scale = 1);

private:
    static const std::array<Glyph, GlyphCount> glyphs_;
};

} // namespace zarn
