#include "platform/BitmapFont.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace zarn {
namespace {

using Font = BitmapFont;

int inkCount(char c, int firstRow = 0, int lastRow = Font::GlyphHeight - 1) {
    int n = 0;
    for (int y = firstRow; y <= lastRow; ++y)
        for (int x = 0; x < Font::GlyphWidth; ++x)
            n += Font::inked(c, x, y);
    return n;
}

TEST(BitmapFont, EveryPrintableCharacterHasItsOwnGlyphInsideTheCell) {
    EXPECT_EQ(inkCount(' '), 0);
    std::set<Font::Glyph> seen;
    for (char c = '!'; c <= '~'; ++c) {
        SCOPED_TRACE(std::string(1, c));
        EXPECT_GT(inkCount(c), 0);
        // The eighth bit of a row is outside the 7-pixel cell and stays clear.
        for (std::uint8_t row : Font::glyph(c))
            EXPECT_EQ(row & 0x01, 0);
        EXPECT_TRUE(seen.insert(Font::glyph(c)).second) << "same glyph as another character";
    }
}

TEST(BitmapFont, GlyphsSitOnTheBaseline) {
    const int baseline = Font::Ascent; // first row below the baseline
    // Label characters stay above the baseline; descenders go below it.
    for (char c : std::string("0123456789-mftMFT")) {
        SCOPED_TRACE(std::string(1, c));
        EXPECT_EQ(inkCount(c, baseline, Font::GlyphHeight - 1), 0);
    }
    for (char c : std::string("gpqy")) {
        SCOPED_TRACE(std::string(1, c));
        EXPECT_GT(inkCount(c, baseline, Font::GlyphHeight - 1), 0);
    }
    // The digits reach the bottom row above the baseline; '-' is one bar in the middle; '.'
    // sits at the bottom.
    for (char c = '0'; c <= '9'; ++c)
        EXPECT_GT(inkCount(c, baseline - 1, baseline - 1), 0) << c;
    int minusRows = 0;
    for (int y = 0; y < Font::GlyphHeight; ++y)
        if (inkCount('-', y, y) > 0) {
            ++minusRows;
            EXPECT_GT(y, 3);
            EXPECT_LT(y, baseline - 1);
        }
    EXPECT_EQ(minusRows, 1);
    EXPECT_EQ(inkCount('.', 0, baseline - 3), 0);
    EXPECT_GT(inkCount('.', baseline - 2, baseline - 1), 0);
}

TEST(BitmapFont, CharactersOutsideTheSetDrawAsAQuestionMark) {
    for (char c : {'\0', '\n', '\x7F', static_cast<char>(0xE9)})
        EXPECT_EQ(Font::glyph(c), Font::glyph('?'));
    EXPECT_FALSE(Font::inked('8', -1, 5));
    EXPECT_FALSE(Font::inked('8', Font::GlyphWidth, 5));
    EXPECT_FALSE(Font::inked('8', 3, Font::GlyphHeight));
}

TEST(BitmapFont, BoxesAreCentredOnTheirPoint) {
    const TextBox box = Font::boxCentredOn(746, 100, "10.5");
    EXPECT_EQ(box.width, 28);
    EXPECT_EQ(box.height, 14);
    EXPECT_EQ(box.left, 732);
    EXPECT_EQ(box.top, 93);
    const PixelImage image(773, 200);
    EXPECT_TRUE(box.inside(image.view()));
    EXPECT_FALSE(Font::boxCentredOn(746, 5, "10.5").inside(image.view()));
    EXPECT_FALSE(Font::boxCentredOn(746, 194, "10.5").inside(image.view()));
    EXPECT_FALSE(Font::boxCentredOn(770, 100, "10.5").inside(image.view()));
}

constexpr std::uint32_t Ink = 0xFFFF0000;
constexpr std::uint32_t Paper = 0xFFF0F0F0;
constexpr std::uint32_t Before = 0x12345678;

TEST(BitmapFont, DrawsInkAndOptionallyTheBackgroundOfEveryCell) {
    for (const bool opaque : {false, true}) {
        SCOPED_TRACE(opaque);
        PixelImage image(40, 20, Before);
        const std::string text = "-7g";
        const TextBox box = Font::boxAt(5, 3, text);
        Font::draw(image.view(), box, text, Ink,
                   opaque ? std::optional<std::uint32_t>(Paper) : std::nullopt);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const bool inBox =
                    x >= box.left && x < box.right() && y >= box.top && y < box.bottom();
                std::uint32_t expected = Before;
                if (inBox) {
                    const int offset = x - box.left;
                    const char c = text[static_cast<std::size_t>(offset / Font::GlyphWidth)];
                    if (Font::inked(c, offset % Font::GlyphWidth, y - box.top))
                        expected = Ink;
                    else if (opaque)
                        expected = Paper;
                }
                ASSERT_EQ(image.at(x, y), expected) << x << "," << y;
            }
    }
}

// A text partly outside the view is cut at its edges and writes nothing outside, also when the
// view is a part of a wider buffer.
TEST(BitmapFont, DrawingIsClippedToTheView) {
    struct Case {
        int left, top;
    };
    const Case cases[] = {{-10, 2}, {15, -9}, {15, 8}, {30, 4}, {-100, -100}, {100, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.left) + "," + std::to_string(c.top));
        PixelImage buffer(60, 30, Before);
        // A 36 x 16 window at (10, 6) of the buffer.
        const PixelView window{buffer.row(6) + 10, 36, 16, buffer.width()};
        const std::string text = "8888";
        const TextBox box = Font::boxAt(c.left, c.top, text);
        Font::draw(window, box, text, Ink, Paper);
        int painted = 0;
        for (int y = 0; y < buffer.height(); ++y)
            for (int x = 0; x < buffer.width(); ++x) {
                const int wx = x - 10, wy = y - 6;
                const bool inWindow = window.contains(wx, wy);
                const bool inBox =
                    wx >= box.left && wx < box.right() && wy >= box.top && wy < box.bottom();
                if (inWindow && inBox) {
                    EXPECT_NE(buffer.at(x, y), Before);
                    ++painted;
                } else {
                    ASSERT_EQ(buffer.at(x, y), Before) << x << "," << y;
                }
            }
        const int visibleWidth = std::max(0, std::min(box.right(), 36) - std::max(box.left, 0));
        const int visibleHeight = std::max(0, std::min(box.bottom(), 16) - std::max(box.top, 0));
        EXPECT_EQ(painted, visibleWidth * visibleHeight);
    }
}

} // namespace
} // namespace zarn
