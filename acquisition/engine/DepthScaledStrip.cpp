#include "acquisition/engine/DepthScaledStrip.h"

#include "platform/Format.h"

#include <algorithm>
#include <cmath>

namespace zarn {

DepthScaledStrip::DepthScaledStrip(const Settings& settings) : settings_(settings) {
    const double span = settings.bottom - settings.top;
    if (!std::isfinite(settings.top) || !std::isfinite(settings.bottom) || !(span > 0)) {
        error_ =
            format("no depth interval to draw (%.2f m to %.2f m)", settings.top, settings.bottom);
        return;
    }
    if (!std::isfinite(settings.rowsPerMetre) || settings.rowsPerMetre <= 0) {
        error_ = "the rows per metre must be above 0";
        return;
    }
    if (settings.rowWidth <= 0 || settings.imageColumns <= 0 ||
        settings.imageColumns > settings.rowWidth) {
        error_ = "bad picture geometry";
        return;
    }
    const double rows = std::floor(span * settings.rowsPerMetre) + 1;
    if (rows > double(MaxRows)) {
        error_ = format("%.0f rows are too many for one picture (at most %lld); choose a "
                        "shorter interval or fewer rows per metre",
                        rows, MaxRows);
        return;
    }
    picture_.resize(settings.rowWidth, static_cast<int>(rows));
    taken_.assign(static_cast<std::size_t>(rows), 0);
}

void DepthScaledStrip::addRow(double depth, std::span<const std::uint32_t> displayRow) {
    if (!valid() || !std::isfinite(depth))
        return;
    // A depth on a row boundary belongs to the row below it, whatever the rounding of the
    // product (10.01 m is row 4 at 400 rows a metre from 10 m, not 3.9999).
    const double at = (depth - settings_.top) * settings_.rowsPerMetre + 1e-6;
    if (at < 0 || at >= double(picture_.height()))
        return;
    const int row = static_cast<int>(at);
    if (taken_[static_cast<std::size_t>(row)])
        return;
    const std::size_t n =
        std::min(displayRow.size(), static_cast<std::size_t>(settings_.imageColumns));
    std::copy_n(displayRow.begin(), n, picture_.row(row));
    taken_[static_cast<std::size_t>(row)] = 1;
    ++filled_;
}

PixelImage DepthScaledStrip::finish() {
    if (!valid())
        return {};
    const int columns = settings_.imageColumns;
    int lastTaken = -1;
    for (int y = 0; y < picture_.height(); ++y) {
        if (taken_[static_cast<std::size_t>(y)])
            lastTaken = y;
        else if (lastTaken >= 0)
            std::copy_n(picture_.row(lastTaken), columns, picture_.row(y));
    }
    // The depth scale, painted top down as the screen paints it going down.
    const PixelView view = picture_.view();
    DepthScale scale;
    const DepthScale::Geometry geometry{columns, settings_.labelCentre};
    for (int y = 0; y < picture_.height(); ++y) {
        const double depth = settings_.top + y / settings_.rowsPerMetre;
        scale.drawRow(view, y, depth * 10000.0, settings_.feet, geometry);
    }
    taken_.clear();
    filled_ = 0;
    PixelImage picture = std::move(picture_);
    picture_ = PixelImage();
    return picture;
}

} // namespace zarn
