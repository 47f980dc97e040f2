// A picture of the unrolled borehole wall between two depths at a fixed number of rows per
// metre, made from the display rows as the row builder draws them. The screen's image memory
// shows rows as they come (how many per metre depends on the cable speed and the frame rate);
// a picture for the office needs one scale from top to bottom, shallow at the top.
//
// Each picture row takes the image part (border and image columns) of the first drawn row whose
// depth falls into it; rows no drawn row fell into repeat the row above. The depth scale strip
// right of the image is painted afresh for the picture's own rows, with the ticks and labels of
// the screen's depth scale.
#pragma once

#include "acquisition/stream/DepthScale.h"
#include "platform/PixelImage.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zarn {

class DepthScaledStrip {
public:
    // More rows than this are refused (about 600 MB of pixels).
    static constexpr long long MaxRows = 200'000;

    struct Settings {
        double top = 0;    // m, the shallower end
        double bottom = 0; // m, the deeper end
        double rowsPerMetre = 400;
        bool feet = false;      // the depth scale in feet
        int rowWidth = 773;     // display row: border, image columns, depth scale strip
        int imageColumns = 721; // border and image: taken from the drawn rows
        int labelCentre = 746;  // where the depth labels are centred
    };

    explicit DepthScaledStrip(const Settings& settings);

    // False when the settings cannot make a picture; error() says why.
    bool valid() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    int rows() const { return picture_.height(); }
    // Picture rows that got a drawn row.
    int rowsFilled() const { return filled_; }

    // A display row drawn at `depth` (m). Rows outside the depths, or whose picture row has
    // its row already, are not taken.
    void addRow(double depth, std::span<const std::uint32_t> displayRow);

    // Fills the empty rows from the row above, paints the depth scale and hands the picture
    // over (the strip is empty afterwards).
    PixelImage finish();

private:
    Settings settings_;
    std::string error_;
    PixelImage picture_;
    std::vector<std::uint8_t> taken_;
    int filled_ = 0;
};

} // namespace zarn
