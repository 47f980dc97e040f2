#include "viewer/ViewState.h"

#include "platform/Format.h"
#include "viewer/DepthCount.h"

#include <algorithm>
#include <cmath>

namespace lvviewer {

void ViewState::setStrip(std::int64_t totalHeight, std::int64_t startRow) {
    totalHeight_ = std::max<std::int64_t>(0, totalHeight);
    scrollTo(startRow);
}

void ViewState::setClient(int width, int height) {
    clientWidth_ = std::max(0, width);
    clientHeight_ = std::max(0, height);
    scrollTo(top_);
}

void ViewState::setZoomLevel(int level) {
    zoomLevel_ = std::clamp(level, 0, ZoomLevels - 1);
    scrollTo(top_);
}

std::int64_t ViewState::visibleRows() const {
    return static_cast<std::int64_t>(std::ceil(clientHeight_ / zoom()));
}

std::int64_t ViewState::maxTop() const {
    return std::max<std::int64_t>(0, totalHeight_ - visibleRows());
}

int ViewState::scrollPosition() const {
    const std::int64_t last = maxTop();
    if (last <= 0)
        return 0;
    // Rounded, in 128 bits so that no strip is too tall; the last row gives the last position.
    return static_cast<int>((static_cast<__int128>(top_) * ScrollRange * 2 + last) / (2 * last));
}

void ViewState::scrollTo(std::int64_t row) {
    top_ = std::clamp<std::int64_t>(row, 0, maxTop());
}

void ViewState::scrollToPosition(int position) {
    position = std::clamp(position, 0, ScrollRange);
    // Rounded to the nearest row; position 32767 is the last top row exactly.
    const __int128 scaled = static_cast<__int128>(position) * maxTop() * 2 + ScrollRange;
    scrollTo(static_cast<std::int64_t>(scaled / (2 * ScrollRange)));
}

void ViewState::scrollUnits(std::int64_t units) {
    // A scroll unit is a 32767th of the travel, and never less than a row.
    const double rowsPerUnit = std::max(1.0, static_cast<double>(maxTop()) / ScrollRange);
    const double rows = static_cast<double>(units) * rowsPerUnit;
    scrollTo(top_ + zarn::saturatedTrunc<std::int64_t>(std::round(rows)));
}

void ViewState::pageAreaClick(int y, int barHeight) {
    const int usable = std::max(1, barHeight - 54);
    const long long position = std::int64_t{ScrollRange} * std::max(0, y - 25) / usable;
    scrollToPosition(static_cast<int>(std::min<long long>(position, ScrollRange)));
}

int ViewState::stripWidthOnScreen(int stripWidth) const {
    return zoomLevel_ == 0 ? stripWidth : roundCount32(zoom() * stripWidth);
}

std::int64_t depthAtRow(const std::vector<StripEntry>& entries, std::int64_t y) {
    if (entries.size() < 3)
        return 0;
    const StripEntry& header = entries.front();
    const StripEntry& last = entries[entries.size() - 2];
    if (y >= entries.back().top)
        return last.depthTo;
    const StripEntry& e = entries[static_cast<std::size_t>(entryAtRow(entries, y))];
    if (e.kind == PieceKind::Header)
        return header.depthTo;
    return e.depthFrom + roundCount(static_cast<double>(y - e.top) * 1000.0 / e.pixelsPerMetre);
}

std::string statusText(const std::vector<StripEntry>& entries, std::int64_t top, std::int64_t rows,
                       bool imperial, const std::vector<std::string>& failures) {
    const std::int64_t from = raisedToHundredth(depthAtRow(entries, top));
    std::string text = depthRangeText(from, depthAtRow(entries, top + rows), imperial);
    for (const std::string& failure : failures)
        text += "  -  " + failure;
    return text;
}

const zarn::PixelImage& ScreenComposer::compose(CLVViewerDoc& doc, const ViewState& view, int width,
                                                int height, std::vector<std::string>* failures) {
    if (screen_.width() != width || screen_.height() != height)
        screen_.resize(width, height, colour::Background);
    else
        std::fill(screen_.data(), screen_.data() + std::size_t(width) * std::size_t(height),
                  colour::Background);
    if (failures)
        failures->clear();
    if (!doc.loaded() || width <= 0 || height <= 0)
        return screen_;
    const int stripWidth = doc.geometry().stripWidth();
    const std::int64_t total = doc.totalHeight();
    const double zoom = view.zoom();
    StripRows strip(doc);
    // The pixels of strip row y, from the band that holds it, noting the band's failure.
    const auto rowOf = [&](std::int64_t y) -> const std::uint32_t* {
        bool taken = false;
        const std::uint32_t* row = strip.row(y, &taken);
        const BandPtr& b = strip.band().band;
        if (taken && failures && b && !b->failure.empty() &&
            std::find(failures->begin(), failures->end(), b->failure) == failures->end())
            failures->push_back(b->failure);
        return row;
    };

    if (view.zoomLevel() == 0) {
        const int columns = std::min(width, stripWidth);
        for (int r = 0; r < height; ++r) {
            const std::int64_t y = view.top() + r;
            if (y >= total)
                break;
            if (const std::uint32_t* from = rowOf(y))
                std::copy(from, from + columns, screen_.row(r));
        }
        return screen_;
    }

    // Reduced: every screen pixel the mean of the strip pixels it covers.
    const int columns = std::min(width, view.stripWidthOnScreen(stripWidth));
    columnStart_.resize(static_cast<std::size_t>(columns) + 1);
    for (int c = 0; c <= columns; ++c)
        columnStart_[static_cast<std::size_t>(c)] =
            std::min(stripWidth, static_cast<int>(std::lround(c / zoom)));
    sums_.assign(static_cast<std::size_t>(columns) * 4, 0);
    for (int r = 0; r < height; ++r) {
        const std::int64_t first = view.top() + static_cast<std::int64_t>(std::llround(r / zoom));
        const std::int64_t last = std::min<std::int64_t>(
            total, view.top() + static_cast<std::int64_t>(std::llround((r + 1) / zoom)));
        if (first >= total)
            break;
        std::fill(sums_.begin(), sums_.end(), 0u);
        int counted = 0;
        for (std::int64_t y = first; y < std::max(last, first + 1); ++y) {
            const std::uint32_t* from = rowOf(y);
            if (!from)
                continue;
            ++counted;
            for (int c = 0; c < columns; ++c) {
                std::uint32_t* sum = &sums_[static_cast<std::size_t>(c) * 4];
                const int a = columnStart_[static_cast<std::size_t>(c)];
                const int b = std::max(a + 1, columnStart_[static_cast<std::size_t>(c) + 1]);
                for (int x = a; x < b && x < stripWidth; ++x) {
                    sum[0] += zarn::pixelRed(from[x]);
                    sum[1] += zarn::pixelGreen(from[x]);
                    sum[2] += zarn::pixelBlue(from[x]);
                    ++sum[3];
                }
            }
        }
        if (counted == 0)
            continue;
        std::uint32_t* to = screen_.row(r);
        for (int c = 0; c < columns; ++c) {
            const std::uint32_t* sum = &sums_[static_cast<std::size_t>(c) * 4];
            if (sum[3] == 0)
                continue;
            to[c] = zarn::pixelOf(sum[0] / sum[3], sum[1] / sum[3], sum[2] / sum[3]);
        }
    }
    return screen_;
}

} // namespace lvviewer
