// The strip's pagination without a printer: true size when the strip fits the paper, reduced to
// its width when it does not, each view reduction putting more borehole on a page; pages that
// tile the strip with their depths; the page holding the view's top row; the checks with their
// messages, the long range's question and the page texts; and a page's picture taken from
// pieces no one had decoded yet, in colour and in grey.
#include "viewer/LVViewerPrint.h"

#include "tests/support/TestSupport.h"
#include "tests/viewer/ViewerTestSupport.h"
#include "viewer/DepthCount.h"
#include "viewer/StripAssembly.h"

#include <gtest/gtest.h>

namespace lvviewer::test {
namespace {

namespace fs = std::filesystem;

// A printer of 254 dots an inch (ten pixels a millimetre) with a printable area of the size.
PrinterDescription printerOf(double widthMm, double heightMm) {
    PrinterDescription p;
    p.dpiX = p.dpiY = 254;
    p.widthMm = widthMm;
    p.heightMm = heightMm;
    p.widthPixels = static_cast<int>(widthMm * 10);
    p.heightPixels = static_cast<int>(heightMm * 10);
    p.colours = 1 << 24;
    p.colourResolution = 24;
    return p;
}

// A4 at 600 dots an inch with 5 mm margins.
PrinterDescription a4() {
    PrinterDescription p = printerOf(200, 287);
    p.dpiX = p.dpiY = 600;
    p.widthPixels = 4724;
    p.heightPixels = 6780;
    return p;
}

// Header, pictures of the heights (each a metre at rows a metre, from depth 10 m), trailer.
std::vector<StripEntry> strip(const std::vector<int>& heights, double rowsPerMetre) {
    std::vector<StripEntry> e(1);
    e[0].kind = PieceKind::Header;
    e[0].height = 105;
    int depth = 10000;
    for (const int h : heights) {
        StripEntry p;
        p.kind = PieceKind::Picture;
        p.height = h;
        p.depthFrom = depth;
        p.depthTo = depth += static_cast<int>(h * 1000 / rowsPerMetre);
        p.pixelsPerMetre = rowsPerMetre;
        e.push_back(p);
    }
    e[0].depthTo = e[1].depthFrom;
    e[0].depthFrom = e[0].depthTo - 10;
    e[0].pixelsPerMetre = rowsPerMetre;
    StripEntry trailer;
    trailer.kind = PieceKind::Trailer;
    trailer.height = 25;
    trailer.depthFrom = depth;
    trailer.depthTo = depth + static_cast<int>(25000 / rowsPerMetre);
    trailer.pixelsPerMetre = -1;
    e.push_back(trailer);
    (void)stackEntries(e);
    return e;
}

TEST(Print, ANarrowStripPrintsAtTrueSizeAndAWideOneAsWideAsThePaper) {
    CLVViewerPrint print;
    // 348 pixels at 10000 a metre: 34.8 mm, on paper of 200 mm.
    const std::vector<StripEntry> narrow = strip({10000, 10000}, 10000);
    ASSERT_EQ(print.paginate(a4(), narrow, 348, 10000, 1.0, false), PrintCheck::Ready);
    EXPECT_DOUBLE_EQ(print.scale(), 10000);
    // The page less 20 mm for header and footer.
    EXPECT_EQ(print.stripHeightPixels(), 6780 - 472);
    // A metre of borehole measures a metre of paper, within a millimetre, down and across.
    const double metreOnPaperMm = 10000.0 / print.rowsPerPage() * print.stripHeightMm();
    EXPECT_NEAR(metreOnPaperMm, 1000, 1);
    const PagePlacement full = print.placement(1);
    EXPECT_EQ(full.height, print.stripHeightPixels());
    EXPECT_NEAR(full.width / 600.0 * 25.4, 34.8, 0.1);
    EXPECT_EQ(full.x, (4724 - full.width) / 2);
    EXPECT_EQ(full.y, print.pixelsDown(10));
    EXPECT_FALSE(print.greyScale());

    // 1300 pixels at 1000 a metre, 1.3 m, on 200 mm: 1300 x 1000 / 190 pixels a metre of paper;
    // its picture 190 mm wide at 100 %, a quarter of that at 25 %.
    const std::vector<StripEntry> wide = strip({3000}, 1000);
    PrinterDescription paper = printerOf(200, 287);
    ASSERT_EQ(print.paginate(paper, wide, 1300, 1000, 1.0, false), PrintCheck::Ready);
    EXPECT_DOUBLE_EQ(print.scale(), 1300.0 * 1000 / 190);
    EXPECT_EQ(print.placement(1).width, 1900);
    EXPECT_EQ(print.rowsPerPage(), static_cast<int>(267 * print.scale() / 1000 + 0.499));
    ASSERT_EQ(print.paginate(paper, wide, 1300, 1000, 0.25, false), PrintCheck::Ready);
    EXPECT_EQ(print.placement(1).width, 475);
}

TEST(Print, EveryReductionPutsMoreBoreholeOnAPageAndThePagesTileTheStrip) {
    const std::vector<StripEntry> e = strip({10000, 7000, 10000}, 10000);
    const std::int64_t total = e.back().bottom();
    CLVViewerPrint print;
    ASSERT_EQ(print.paginate(a4(), e, 348, 10000, 1.0, false), PrintCheck::Ready);
    const int full = print.rowsPerPage();
    for (const double zoom : ZoomFactors) {
        SCOPED_TRACE(zoom);
        ASSERT_EQ(print.paginate(a4(), e, 348, 10000, zoom, false), PrintCheck::Ready);
        EXPECT_EQ(print.rowsPerPageFull(), full);
        EXPECT_EQ(print.rowsPerPage(), static_cast<int>(full / zoom + 0.499));
        EXPECT_EQ(print.pageCount(), (total + print.rowsPerPage() - 1) / print.rowsPerPage());
        // On paper a metre measures the reduction's part of a metre.
        EXPECT_NEAR(10000.0 / print.rowsPerPage() * print.stripHeightMm(), 1000 * zoom, 1);
        EXPECT_NEAR(print.placement(1).width / 600.0 * 25.4, 34.8 * zoom, 0.1);
        // No row left out, none twice; each page's bottom depth the next one's top.
        std::int64_t next = 0;
        for (int n = 1; n <= print.pageCount(); ++n) {
            const PageRecord& p = print.page(n);
            EXPECT_EQ(p.stripY, next) << n;
            EXPECT_GT(p.rows, 0) << n;
            EXPECT_EQ(e[static_cast<std::size_t>(p.entry)].top + p.offset, p.stripY) << n;
            EXPECT_LT(p.offset, e[static_cast<std::size_t>(p.entry)].height) << n;
            next += p.rows;
            EXPECT_LE(p.topDepth, p.bottomDepth + 10) << n;
            if (n < print.pageCount()) {
                EXPECT_EQ(raisedToHundredth(p.bottomDepth), print.page(n + 1).topDepth) << n;
                EXPECT_EQ(p.rows, print.rowsPerPage()) << n;
            }
        }
        EXPECT_EQ(next, total);
        EXPECT_EQ(print.page(1).topDepth, 10000);
        EXPECT_EQ(print.page(print.pageCount()).bottomDepth, e.back().depthTo);
        // The last page's picture is as high as its rows.
        EXPECT_EQ(print.placement(print.pageCount()).height,
                  static_cast<int>(static_cast<double>(print.stripHeightPixels()) *
                                       print.page(print.pageCount()).rows / print.rowsPerPage() +
                                   0.499));
    }
    // At 25 % a page holds four times the borehole of 100 %.
    ASSERT_EQ(print.paginate(a4(), e, 348, 10000, 0.25, false), PrintCheck::Ready);
    EXPECT_EQ(print.rowsPerPage(), 4 * full);
}

TEST(Print, TheCurrentPageIsThePageHoldingTheViewsTopRow) {
    const std::vector<StripEntry> e = strip({10000, 10000}, 10000);
    CLVViewerPrint print;
    EXPECT_EQ(print.pageAt(0), 0); // no pages yet
    ASSERT_EQ(print.paginate(a4(), e, 348, 10000, 1.0, false), PrintCheck::Ready);
    const std::int64_t r = print.rowsPerPage();
    const int last = print.pageCount();
    const struct {
        std::int64_t top;
        int page;
    } cases[] = {{0, 1},
                 {r - 1, 1},
                 {r, 2},
                 {r + r / 2, 2},
                 {2 * r - 1, 2},
                 {2 * r, 3},
                 {e.back().bottom() - 1, last},
                 {e.back().bottom() + 99, last}};
    for (const auto& c : cases) {
        EXPECT_EQ(print.pageAt(c.top), c.page) << c.top;
        const PageRecord& p = print.page(c.page);
        if (c.top < e.back().bottom()) {
            EXPECT_LE(p.stripY, c.top);
            EXPECT_LT(c.top, p.stripY + p.rows);
        }
    }
    // Page Up and Page Down go from the page at the top to the one before (from page 2 on) or
    // after (up to the third last); otherwise they scroll (0).
    ASSERT_GE(last, 5);
    const struct {
        int at;
        int up, down;
    } keys[] = {{1, 0, 2},
                {2, 1, 3},
                {last - 2, last - 3, last - 1},
                {last - 1, last - 2, 0},
                {last, last - 1, 0}};
    for (const auto& k : keys) {
        const std::int64_t top = print.page(k.at).stripY + r / 3;
        EXPECT_EQ(print.pageForKey(top, false), k.up) << k.at;
        EXPECT_EQ(print.pageForKey(top, true), k.down) << k.at;
    }
    print.setCurrentPage(0);
    EXPECT_EQ(print.currentPage(), 1);
    print.setCurrentPage(last + 5);
    EXPECT_EQ(print.currentPage(), last);
}

TEST(Print, ChecksRangesAndTexts) {
    const std::vector<StripEntry> e = strip({10000}, 10000);
    CLVViewerPrint print;
    PrinterDescription noStretch = a4();
    noStretch.canStretch = false;
    PrinterDescription noDpi = a4();
    noDpi.dpiY = 0;
    PrinterDescription noHeight = a4();
    noHeight.heightPixels = 472; // exactly the header and footer
    PrinterDescription narrowPaper = a4();
    narrowPaper.widthMm = 10;
    const struct {
        PrinterDescription printer;
        std::vector<StripEntry> entries;
        PrintCheck check;
    } cases[] = {{noStretch, e, PrintCheck::NoStretch},
                 {noDpi, e, PrintCheck::PaperSize},
                 {noHeight, e, PrintCheck::PaperSize},
                 {narrowPaper, e, PrintCheck::PaperSize},
                 {a4(), {e.front(), e.back()}, PrintCheck::NoDocument}};
    for (const auto& c : cases) {
        EXPECT_EQ(print.paginate(c.printer, c.entries, 348, 10000, 1.0, false), c.check);
        EXPECT_FALSE(print.valid());
        EXPECT_EQ(print.currentPage(), 0);
    }
    EXPECT_STREQ(printCheckText(PrintCheck::NoStretch),
                 "Printer does not support Convenient Graphic operation");
    EXPECT_STREQ(printCheckTitle(PrintCheck::NoStretch), "DEVICE ERROR");
    EXPECT_STREQ(printCheckText(PrintCheck::PaperSize), "Paper Size not valid");
    EXPECT_STREQ(printCheckTitle(PrintCheck::PaperSize), "DEVICE ERROR");
    EXPECT_STREQ(printCheckText(PrintCheck::NoDocument), "No Valid Document to print");
    EXPECT_STREQ(printCheckTitle(PrintCheck::NoDocument), "ERROR");

    // Fewer than 256 colours, or none reported, prints grey unless colour is forced.
    PrinterDescription mono = a4();
    mono.colours = 2;
    ASSERT_EQ(print.paginate(mono, e, 348, 10000, 1.0, false), PrintCheck::Ready);
    EXPECT_TRUE(print.greyScale());
    mono.colours = 1 << 24;
    mono.colourResolution = 0;
    ASSERT_EQ(print.paginate(mono, e, 348, 10000, 1.0, false), PrintCheck::Ready);
    EXPECT_TRUE(print.greyScale());
    ASSERT_EQ(print.paginate(mono, e, 348, 10000, 1.0, true), PrintCheck::Ready);
    EXPECT_FALSE(print.greyScale());

    // 30 m of pictures at 1000 rows a metre on 10 mm pages: many pages.
    const std::vector<StripEntry> long30 = strip({10000, 10000, 10000}, 1000);
    ASSERT_EQ(print.paginate(printerOf(100, 30), long30, 100, 1000, 1.0, false), PrintCheck::Ready);
    ASSERT_GT(print.pageCount(), 12);
    EXPECT_EQ(print.limitRange(0, 5).count(), 0);
    EXPECT_EQ(print.limitRange(6, 5).count(), 0);
    EXPECT_EQ(print.limitRange(3, 99999).to, print.pageCount());
    EXPECT_FALSE(CLVViewerPrint::asksFirst(print.limitRange(1, 9)));
    EXPECT_TRUE(CLVViewerPrint::asksFirst(print.limitRange(1, 10)));
    EXPECT_EQ(CLVViewerPrint::rangeQuestion(print.limitRange(3, 12)),
              "Are you sure wanting to print 10 pages from page 3 to 12 ?\n");

    std::tm date{};
    date.tm_year = 126;
    date.tm_mon = 0;
    date.tm_mday = 5;
    EXPECT_EQ(CLVViewerPrint::printedOnText(date), "Printed on January 05 2026");
    date.tm_mon = 11;
    date.tm_mday = 24;
    EXPECT_EQ(CLVViewerPrint::printedOnText(date), "Printed on December 24 2026");
    EXPECT_EQ(CLVViewerPrint::boreholeText("WELL 7"), "Bore Hole WELL 7");
    EXPECT_EQ(CLVViewerPrint::pageText(12), "PAGE 12");
    const PageRecord& second = print.page(2);
    EXPECT_EQ(print.footerText(2, false), "DEPTH: from " + depthText(second.topDepth) +
                                              " meter to " + depthText(second.bottomDepth) +
                                              " meter");
    EXPECT_EQ(print.footerText(1, true).rfind("DEPTH: from 10.00 ft to ", 0), 0u);
}

TEST(Print, APagesPictureIsDecodedFromPiecesNotYetDecodedInColourAndInGrey) {
    zarn::test::TempHome home;
    // Two BMP pictures of 3000 rows, 10000 rows a metre; only the header is decoded on opening.
    writePicture(home.file("B_X_0000.00-0000.30.bmp"), 200, 3000);
    writePicture(home.file("B_X_0000.30-0000.60.bmp"), 200, 3000);
    CLVViewerDoc doc;
    doc.setUseLoader(false);
    AssemblyFailure failure;
    ASSERT_TRUE(
        doc.OnOpenDocument(home.file("B_X_0000.00-0000.30.bmp"), zarn::noProgress(), &failure))
        << failure.text;
    const std::vector<StripEntry>& e = doc.entries();
    ASSERT_EQ(e.size(), 4u);
    // Ten pixels a millimetre: 200 mm of strip a page, 2000 rows.
    CLVViewerPrint print;
    ASSERT_EQ(print.paginate(printerOf(200, 220), doc, 1.0, false), PrintCheck::Ready);
    ASSERT_EQ(print.rowsPerPage(), 2000);
    ASSERT_EQ(print.pageCount(), 4);
    EXPECT_EQ(print.page(3).entry, 2);
    EXPECT_FALSE(doc.cache().holds({2, 0}));
    EXPECT_FALSE(doc.cache().holds({2, 1}));

    zarn::PixelImage page;
    ASSERT_TRUE(print.pagePixels(doc, 3, &page));
    EXPECT_EQ(page.width(), doc.geometry().scaleEdge());
    ASSERT_EQ(page.height(), 2000);
    const int x = doc.geometry().pictureLeft() + 5;
    const auto pictureRow = [&](int r) { return static_cast<int>(4000 + r - e[2].top); };
    for (const int r : {0, 500, 1999})
        EXPECT_EQ(page.at(x, r), rowPixel(pictureRow(r), 5)) << r;
    EXPECT_TRUE(doc.cache().holds({2, 1}));

    // The last page: the rest of the second picture and the trailer.
    ASSERT_TRUE(print.pagePixels(doc, 4, &page));
    EXPECT_EQ(page.height(), doc.totalHeight() - 6000);

    PrinterDescription mono = printerOf(200, 220);
    mono.colours = 2;
    ASSERT_EQ(print.paginate(mono, doc, 1.0, false), PrintCheck::Ready);
    ASSERT_TRUE(print.pagePixels(doc, 3, &page));
    for (const int r : {0, 1999}) {
        const std::uint32_t c = rowPixel(pictureRow(r), 5);
        const std::uint32_t level =
            (306 * zarn::pixelRed(c) + 601 * zarn::pixelGreen(c) + 117 * zarn::pixelBlue(c)) / 1024;
        EXPECT_EQ(page.at(x, r), zarn::pixelOf(level, level, level)) << r;
    }
    EXPECT_FALSE(print.pagePixels(doc, 5, &page));
    EXPECT_FALSE(print.pagePixels(doc, 0, &page));
}

} // namespace
} // namespace lvviewer::test
