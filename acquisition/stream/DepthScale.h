// The depth scale beside the image: for each display row, the strip right of the image gets the
// strongest mark among the depth units passed since the row before: ticks every centimetre
// (long every 5 cm) and a label every 10 cm in metres; ticks every inch and a label every half
// foot in feet. Labels of negative depths are red.
//
// Depths arrive in 0.1 mm units (metres mode) and are counted in 0.1 mm or, in feet mode, in
// 0.001 ft; a row more than 100 units from the row before (a jump) gets no mark.
//
// A label is centred on its row and is taller than one row: the rows drawn after it keep its
// pixels, and where labels come closer together than a glyph height of rows (few rows per
// metre) the one that would overlap the label before is left out, its row keeping the tick.
#pragma once

#include "platform/BitmapFont.h"
#include "platform/PixelImage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace zarn {

class DepthScale {
public:
    enum class Mark { None, ShortTick, LongTick, Label };

    static constexpr std::uint32_t Background = 0xFFF0F0F0; // the button face
    static constexpr std::uint32_t TickColour = 0xFF000000;
    static constexpr std::uint32_t LabelColour = 0xFF000000;
    static constexpr std::uint32_t NegativeLabelColour = 0xFFFF0000;
    // Units farther apart than this between two rows are a jump: no mark.
    static constexpr long long LargestStep = 100;
    // Depths beyond this many units (100 km) are not marked.
    static constexpr long long LargestUnits = 1'000'000'000;

    // The strip: display columns firstColumn .. view width - 1; labels are centred on
    // labelCentre.
    struct Geometry {
        int firstColumn = 721;
        int labelCentre = 746;
    };

    // A depth in the scale's units: 0.1 mm, or 0.001 ft in feet mode. Nothing for depths that
    // are not finite or beyond LargestUnits.
    [[nodiscard]] static std::optional<long long> unitsOf(double tenthsOfMillimetre, bool feet);
    // The mark a unit deserves.
    static Mark markOf(long long unit, bool feet);

    // A label text, as "%.1f" prints the depth of a labelled unit ("10.0", "-0.5").
    struct LabelText {
        std::array<char, 24> chars{};
        std::size_t size = 0;
        std::string_view view() const { return {chars.data(), size}; }
    };
    static LabelText labelOf(long long unit, bool feet);

    // Forgets the rows before: the next row examines its own depth only.
    void restart();

    // Paints the strip of display row `row` of the image memory for a row at `depth` (0.1 mm,
    // not finite: no mark), with its tick and label.
    void drawRow(const PixelView& memory, int row, double depth, bool feet,
                 const Geometry& geometry);

    // Paints the strip of the row with the background only (calibration views).
    static void paintBackground(const PixelView& memory, int row, int firstColumn);

private:
    void drawLabel(const PixelView& memory, int row, const Geometry& geometry);

    std::optional<long long> previous_; // the units of the row before
    // A label that could not be drawn yet (it did not fit in the image memory).
    std::optional<long long> pendingLabel_;
    bool pendingFeet_ = false;
    // The box of the last label drawn, while the rows drawn since may still lie inside it
    // (fewer than a glyph height of rows, in either direction): those rows leave its pixels
    // alone, and a label that would overlap it is left out, so that every label stays whole.
    std::optional<TextBox> lastLabel_;
    int rowsSinceLabel_ = 0;
};

} // namespace zarn
