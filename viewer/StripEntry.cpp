#include "viewer/StripEntry.h"

#include <algorithm>

namespace lvviewer {

TextSizes textSizesAt(double zoom) {
    if (!(zoom > 0.1))
        zoom = 0.1;
    TextSizes sizes;
    sizes.labelCharWidth = std::min(18, static_cast<int>(11 / zoom));
    sizes.headerCharWidth = std::min(16, static_cast<int>(11 / zoom));
    const int height = static_cast<int>(19 / zoom);
    sizes.fontHeight = height < 57 ? height : 56;
    sizes.headerHeight = std::clamp(sizes.fontHeight * 5, 100, 200);
    sizes.glyphScale = std::max(1, static_cast<int>(1 / zoom + 0.5));
    return sizes;
}

StripGeometry stripGeometry(int widest, double zoom) {
    const TextSizes sizes = textSizesAt(zoom);
    StripGeometry g;
    g.widest = std::max(0, widest);
    // The labels take 14 characters, never less than the left margin, and leave room for the
    // separator after them within the right area.
    g.labelWidth =
        std::clamp(14 * sizes.labelCharWidth, g.leftMargin, g.rightArea - StripGeometry::Separator);
    g.headerHeight = sizes.headerHeight;
    return g;
}

} // namespace lvviewer
