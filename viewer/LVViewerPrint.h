// The strip on paper, page by page down the borehole: the pagination from the printer's
// resolution and printable area (true size, a metre of borehole on a metre of paper, when the
// strip fits the paper's width, reduced to fit otherwise, and further by the view's reduction),
// the page table (where each page starts in the strip and the depths it spans), the current
// page, the checks and their messages, each page's picture (its strip rows, decoded when they
// are not, in grey for a printer without colours) and the texts and places of its header and
// footer. The windows only draw what it gives.
//
// Pages tile the strip: page n (from 1) holds strip rows (n - 1) x R to n x R - 1 at R rows a
// page, the last one what is left, so that no row is left out or printed twice.
#pragma once

#include "platform/PixelImage.h"
#include "viewer/LVViewerDoc.h"
#include "viewer/StripEntry.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace lvviewer {

// What the chosen printer offers: its resolution, its printable area and its colours.
struct PrinterDescription {
    bool canStretch = true; // draws bitmaps at another size
    int dpiX = 0;
    int dpiY = 0;
    int widthPixels = 0; // printable
    int heightPixels = 0;
    double widthMm = 0;
    double heightMm = 0;
    long long colours = 0; // colour count
    int colourResolution = 0;
};

// The outcome of a check before printing; each but Ready has its message.
enum class PrintCheck {
    Ready,
    NoDocument, // "No Valid Document to print" / "ERROR"
    NoStretch,  // "Printer does not support Convenient Graphic operation" / "DEVICE ERROR"
    PaperSize,  // "Paper Size not valid" / "DEVICE ERROR"
};
const char* printCheckText(PrintCheck check);
const char* printCheckTitle(PrintCheck check);

// One page: the piece its first row is in, that row within the piece, its first strip row, its
// rows, and the depths at its top (raised to the next hundredth) and at its bottom.
struct PageRecord {
    int entry = -1;
    int offset = 0;
    std::int64_t stripY = 0;
    std::int64_t rows = 0;
    std::int64_t topDepth = 0;
    std::int64_t bottomDepth = 0;
};

// Where a page's picture lies on the page, in printer pixels from the printable area's corner.
struct PagePlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// A range of pages to print, 1 to the page count; empty when from is 0.
struct PageRange {
    int from = 0;
    int to = 0;
    int count() const { return from > 0 && to >= from ? to - from + 1 : 0; }
};

class CLVViewerPrint {
public:
    // The document can be printed: open, with a picture width, rows and a resolution.
    static bool printable(const CLVViewerDoc& doc);

    // Paginates the document's strip (the pictures and their scale area; the columns right of
    // it are not printed) for the printer at the view's reduction, and makes the page table.
    // colorPreview prints in colour whatever the printer's colours.
    [[nodiscard]] PrintCheck paginate(const PrinterDescription& printer, const CLVViewerDoc& doc,
                                      double zoom, bool colorPreview);
    // The same from the strip's pieces, the printed width and the pictures' mean resolution.
    [[nodiscard]] PrintCheck paginate(const PrinterDescription& printer,
                                      const std::vector<StripEntry>& entries, int printedWidth,
                                      double averagePixelsPerMetre, double zoom, bool colorPreview);
    // Forgets the pagination (the document closed).
    void reset();

    bool valid() const { return pageCount_ > 0; }
    int pageCount() const { return pageCount_; }
    double scale() const { return scale_; }             // strip pixels a metre of paper
    int rowsPerPageFull() const { return rowsFull_; }   // at 100 %
    int rowsPerPage() const { return rows_; }           // at the reduction
    int stripHeightPixels() const { return heightPx_; } // printer rows the strip may fill
    double stripHeightMm() const { return heightMm_; }
    int printedWidth() const { return printedWidth_; }
    bool greyScale() const { return grey_; }
    double zoom() const { return zoom_; }
    const PrinterDescription& printer() const { return printer_; }
    const std::vector<PageRecord>& pages() const { return pages_; }
    const PageRecord& page(int number) const; // 1 to the page count

    // The page holding strip row y, the view's top row (1 to the page count; 0 without pages).
    int pageAt(std::int64_t y) const;
    int currentPage() const { return current_; }
    void setCurrentPage(int page);
    // The page Page Up or Page Down moves to from the page holding the view's top row: the one
    // before from page 2 on, the one after up to the third last (from the last two pages the
    // view scrolls on instead); 0 when the key scrolls.
    int pageForKey(std::int64_t viewTop, bool down) const;

    // The range limited to the pages there are (empty when nothing is to be printed), and
    // whether it is long enough to ask first.
    PageRange limitRange(int from, int to) const;
    static bool asksFirst(const PageRange& range) { return range.count() >= 10; }
    // "Are you sure wanting to print %d pages from page %d to %d ?\n"
    static std::string rangeQuestion(const PageRange& range);

    // The page's strip rows, printedWidth wide, every piece decoded that is not yet; in grey
    // (306 red + 601 green + 117 blue) / 1024 when the printer has no colours. False for a page
    // that is not there.
    [[nodiscard]] bool pagePixels(CLVViewerDoc& doc, int number, zarn::PixelImage* out) const;
    PagePlacement placement(int number) const;
    // Millimetres as printer pixels across and down.
    int pixelsAcross(double mm) const;
    int pixelsDown(double mm) const;

    // The texts of a page: "Bore Hole %s"; "Printed on January 05 2026" (the date printing
    // was prepared on); "DEPTH: from %d.%02d meter to %d.%02d meter" ("ft" imperial);
    // "PAGE %d".
    static std::string boreholeText(const std::string& name);
    static std::string printedOnText(const std::tm& date);
    std::string footerText(int number, bool imperial) const;
    static std::string pageText(int number);

    void setPrintDate(const std::tm& date) { date_ = date; }
    const std::tm& printDate() const { return date_; }

private:
    PrinterDescription printer_;
    double zoom_ = 1.0;
    double scale_ = 0;
    int heightPx_ = 0;
    double heightMm_ = 0;
    int rowsFull_ = 0;
    int rows_ = 0;
    int pageCount_ = 0;
    int printedWidth_ = 0;
    bool grey_ = false;
    int current_ = 0;
    std::vector<PageRecord> pages_;
    std::tm date_{};
};

// The local date now.
std::tm localDateNow();

} // namespace lvviewer
