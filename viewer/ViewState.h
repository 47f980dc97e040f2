// What the view shows of the strip, without windows: the row at the top of the window (64 bits,
// reaching the strip's end exactly), the reduction level, the scroll bar's position (0 to 32767),
// the steps of the keys, the wheel and the scroll bar, the status bar text of the rows on screen,
// and the screen's pixels composed from the bands those rows are in (only the visible rows are
// read, and reduced by averaging).
#pragma once

#include "platform/PixelImage.h"
#include "viewer/LVViewerDoc.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lvviewer {

inline constexpr int ScrollRange = 32767;
inline constexpr int PageStep = 825; // scroll units
inline constexpr int ZoomLevels = 5;

class ViewState {
public:
    // A new strip: its height, the row to start at.
    void setStrip(std::int64_t totalHeight, std::int64_t startRow);
    // The window's pixels (what the strip is drawn into).
    void setClient(int width, int height);
    void setZoomLevel(int level); // 0 to 4, held
    void setLineScrollInc(int units) { lineScrollInc_ = units < 1 ? 1 : units; }

    int zoomLevel() const { return zoomLevel_; }
    double zoom() const { return ZoomFactors[zoomLevel_]; }
    std::int64_t top() const { return top_; }
    // Strip rows on screen: the client's height at the reduction.
    std::int64_t visibleRows() const;
    // The last top row: the strip's last row at the window's bottom (0 when it is shorter).
    std::int64_t maxTop() const;
    int scrollPosition() const; // 0 to 32767, the thumb

    void scrollTo(std::int64_t row);      // held to 0 .. maxTop
    void scrollToPosition(int position);  // the thumb dragged
    void scrollUnits(std::int64_t units); // up when negative
    void lineDown() { scrollUnits(lineStepUnits()); }
    void lineUp() { scrollUnits(-lineStepUnits()); }
    // One wheel notch or more: positive delta turns up (Qt's angle sign), 4 line steps a notch.
    void wheel(int notches) { scrollUnits(-std::int64_t{notches} * 4 * lineStepUnits()); }
    void pageDown() { scrollUnits(PageStep); }
    void pageUp() { scrollUnits(-PageStep); }
    void home() { scrollTo(0); }
    void end() { scrollTo(maxTop()); }
    // The scroll bar's own arrows: LineScrollInc units whatever the reduction.
    void arrowDown() { scrollUnits(lineScrollInc_); }
    void arrowUp() { scrollUnits(-lineScrollInc_); }
    // A click at y in the scroll bar's page area of a bar barHeight pixels high: the thumb jumps
    // there.
    void pageAreaClick(int y, int barHeight);

    int lineStepUnits() const { return lineScrollInc_ * (zoomLevel_ + 1); }

    // The reduced width of the strip on screen.
    int stripWidthOnScreen(int stripWidth) const;

private:
    std::int64_t totalHeight_ = 0;
    std::int64_t top_ = 0;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    int zoomLevel_ = 0;
    int lineScrollInc_ = 4;
};

// The depth count at strip row y: the first picture's top for the header, the last picture's
// bottom for the trailer and beyond the strip.
std::int64_t depthAtRow(const std::vector<StripEntry>& entries, std::int64_t y);

// "DEPTH: from 12.35 meter to 14.00 meter" ("ft" with imperial units): the top depth raised to
// the next hundredth, then the reasons of pictures drawn as missing parts.
std::string statusText(const std::vector<StripEntry>& entries, std::int64_t top, std::int64_t rows,
                       bool imperial, const std::vector<std::string>& failures);

// Composes the screen: the strip rows from the view's top, reduced by its zoom, over white.
// Reads (and decodes) only the bands of the visible rows; gives the failures of the pictures
// on screen. The buffers are kept from call to call.
class ScreenComposer {
public:
    const zarn::PixelImage& compose(CLVViewerDoc& doc, const ViewState& view, int width, int height,
                                    std::vector<std::string>* failures);
    const zarn::PixelImage& screen() const { return screen_; }

private:
    zarn::PixelImage screen_;
    std::vector<int> columnStart_;    // source column of each screen column (and one past)
    std::vector<std::uint32_t> sums_; // four sums a screen column
};

} // namespace lvviewer
