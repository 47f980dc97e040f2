#include "viewer/LVViewerPrint.h"

#include "platform/Format.h"
#include "viewer/DepthCount.h"
#include "viewer/StripAssembly.h"
#include "viewer/ViewState.h"

#include <algorithm>
#include <limits>

namespace lvviewer {
namespace {

const char* const MonthNames[12] = {"January",   "February", "March",    "April",
                                    "May",       "June",     "July",     "August",
                                    "September", "October",  "November", "December"};

int pixelsOf(double mm, int dpi) {
    return roundCount32(mm / 25.4 * dpi);
}

} // namespace

const char* printCheckText(PrintCheck check) {
    switch (check) {
    case PrintCheck::Ready:
        return "";
    case PrintCheck::NoDocument:
        return "No Valid Document to print";
    case PrintCheck::NoStretch:
        return "Printer does not support Convenient Graphic operation";
    case PrintCheck::PaperSize:
        return "Paper Size not valid";
    }
    return "";
}

const char* printCheckTitle(PrintCheck check) {
    return check == PrintCheck::NoDocument ? "ERROR"
           : check == PrintCheck::Ready    ? ""
                                           : "DEVICE ERROR";
}

bool CLVViewerPrint::printable(const CLVViewerDoc& doc) {
    return doc.loaded() && doc.entries().size() > 2 && doc.assembly().widest > 0 &&
           doc.totalHeight() > 0 && doc.assembly().averagePixelsPerMetre > 0;
}

PrintCheck CLVViewerPrint::paginate(const PrinterDescription& printer, const CLVViewerDoc& doc,
                                    double zoom, bool colorPreview) {
    if (!printable(doc)) {
        reset();
        return PrintCheck::NoDocument;
    }
    return paginate(printer, doc.entries(), doc.geometry().scaleEdge(),
                    doc.assembly().averagePixelsPerMetre, zoom, colorPreview);
}

PrintCheck CLVViewerPrint::paginate(const PrinterDescription& printer,
                                    const std::vector<StripEntry>& entries, int printedWidth,
                                    double averagePixelsPerMetre, double zoom, bool colorPreview) {
    reset();
    // At least one piece besides the header and the trailer.
    if (entries.size() <= 2 || printedWidth <= 0 || !(averagePixelsPerMetre > 0))
        return PrintCheck::NoDocument;
    if (!printer.canStretch)
        return PrintCheck::NoStretch;
    if (printer.dpiX <= 0 || printer.dpiY <= 0)
        return PrintCheck::PaperSize;
    printer_ = printer;
    zoom_ = zoom > 0 && zoom <= 1 ? zoom : 1.0;
    printedWidth_ = printedWidth;
    grey_ = !colorPreview && (printer.colours < 256 || printer.colourResolution == 0);

    // True size when the strip's width fits the paper less 10 mm, else as wide as that.
    const double paperMm = printer.widthMm - 10;
    if (!(paperMm > 0))
        return PrintCheck::PaperSize;
    const double trueWidthMm = printedWidth * 1000.0 / averagePixelsPerMetre;
    scale_ = trueWidthMm > paperMm ? printedWidth * 1000.0 / paperMm : averagePixelsPerMetre;

    // The page less 10 mm above the picture for the header and 10 mm below for the footer.
    heightPx_ = printer.heightPixels - pixelsDown(20);
    if (heightPx_ <= 0)
        return PrintCheck::PaperSize;
    heightMm_ = heightPx_ * 25.4 / printer.dpiY;
    rowsFull_ = roundCount32(heightMm_ * scale_ / 1000);
    rows_ = roundCount32(rowsFull_ / zoom_);
    if (rowsFull_ <= 0 || rows_ <= 0)
        return PrintCheck::PaperSize;

    const std::int64_t total = entries.back().bottom();
    const std::int64_t count = (total + rows_ - 1) / rows_;
    if (count <= 0 || count > std::numeric_limits<int>::max())
        return PrintCheck::PaperSize;
    pageCount_ = static_cast<int>(count);

    pages_.resize(static_cast<std::size_t>(pageCount_));
    for (int j = 0; j < pageCount_; ++j) {
        PageRecord& p = pages_[static_cast<std::size_t>(j)];
        p.stripY = std::int64_t{j} * rows_;
        p.rows = std::min<std::int64_t>(rows_, total - p.stripY);
        p.entry = entryAtRow(entries, p.stripY);
        p.offset = static_cast<int>(p.stripY - entries[static_cast<std::size_t>(p.entry)].top);
        // The header's rows read as the first picture's depth from, the trailer's as the last
        // picture's depth to.
        const std::int64_t depth = depthAtRow(entries, p.stripY);
        p.topDepth = raisedToHundredth(depth);
        if (j > 0)
            pages_[static_cast<std::size_t>(j) - 1].bottomDepth = depth;
    }
    pages_.back().bottomDepth = entries.back().depthTo;
    current_ = 1;
    return PrintCheck::Ready;
}

void CLVViewerPrint::reset() {
    const std::tm date = date_;
    *this = CLVViewerPrint{};
    date_ = date;
}

const PageRecord& CLVViewerPrint::page(int number) const {
    static const PageRecord none;
    if (number < 1 || number > pageCount_)
        return none;
    return pages_[static_cast<std::size_t>(number) - 1];
}

int CLVViewerPrint::pageAt(std::int64_t y) const {
    if (!valid())
        return 0;
    const std::int64_t page = std::max<std::int64_t>(0, y) / rows_ + 1;
    return static_cast<int>(std::min<std::int64_t>(page, pageCount_));
}

void CLVViewerPrint::setCurrentPage(int page) {
    current_ = valid() ? std::clamp(page, 1, pageCount_) : 0;
}

int CLVViewerPrint::pageForKey(std::int64_t viewTop, bool down) const {
    const int page = pageAt(viewTop);
    if (down)
        return page >= 1 && page <= pageCount_ - 2 ? page + 1 : 0;
    return page >= 2 ? page - 1 : 0;
}

PageRange CLVViewerPrint::limitRange(int from, int to) const {
    if (!valid() || from <= 0)
        return {};
    const PageRange range{from, std::min(to, pageCount_)};
    return range.from > range.to ? PageRange{} : range;
}

std::string CLVViewerPrint::rangeQuestion(const PageRange& range) {
    return zarn::format("Are you sure wanting to print %d pages from page %d to %d ?\n",
                        range.count(), range.from, range.to);
}

bool CLVViewerPrint::pagePixels(CLVViewerDoc& doc, int number, zarn::PixelImage* out) const {
    if (number < 1 || number > pageCount_ || !doc.loaded())
        return false;
    const PageRecord& p = page(number);
    const int width = std::min(printedWidth_, doc.geometry().stripWidth());
    out->resize(width, static_cast<int>(p.rows), colour::Background);
    StripRows strip(doc);
    for (int r = 0; r < out->height(); ++r) {
        const std::uint32_t* from = strip.row(p.stripY + r);
        if (!from)
            return false;
        std::uint32_t* to = out->row(r);
        if (!grey_) {
            std::copy(from, from + width, to);
            continue;
        }
        for (int x = 0; x < width; ++x) {
            const std::uint32_t level =
                (306 * zarn::pixelRed(from[x]) + 601 * zarn::pixelGreen(from[x]) +
                 117 * zarn::pixelBlue(from[x])) /
                1024;
            to[x] = zarn::pixelOf(level, level, level);
        }
    }
    return true;
}

int CLVViewerPrint::pixelsAcross(double mm) const {
    return pixelsOf(mm, printer_.dpiX);
}

int CLVViewerPrint::pixelsDown(double mm) const {
    return pixelsOf(mm, printer_.dpiY);
}

PagePlacement CLVViewerPrint::placement(int number) const {
    PagePlacement place;
    if (number < 1 || number > pageCount_)
        return place;
    // The strip's width on paper at the scale, reduced as the view is.
    const double widthMm = printedWidth_ * 1000.0 / scale_;
    place.width = roundCount32(zoom_ * roundCount32(widthMm / 25.4 * printer_.dpiX));
    place.height = roundCount32(static_cast<double>(heightPx_) *
                                static_cast<double>(page(number).rows) / rows_);
    place.x = (printer_.widthPixels - place.width) / 2;
    place.y = pixelsDown(10);
    return place;
}

std::string CLVViewerPrint::boreholeText(const std::string& name) {
    return "Bore Hole " + name;
}

std::string CLVViewerPrint::printedOnText(const std::tm& date) {
    const int month = std::clamp(date.tm_mon, 0, 11);
    return zarn::format("Printed on %s %02d %04d", MonthNames[month], date.tm_mday,
                        date.tm_year + 1900);
}

std::string CLVViewerPrint::footerText(int number, bool imperial) const {
    const PageRecord& p = page(number);
    return depthRangeText(p.topDepth, p.bottomDepth, imperial);
}

std::string CLVViewerPrint::pageText(int number) {
    return zarn::format("PAGE %d", number);
}

std::tm localDateNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

} // namespace lvviewer
