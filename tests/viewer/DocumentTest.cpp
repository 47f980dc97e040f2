// The document's pieces as pixels: picture rows decoded exactly where the strip layout puts
// them (BMP bottom up and top down, JPEG rows deep in a picture), the layout's areas and
// colours, marks and labels with the overlap in red, a picture that fails drawn as a missing
// part with its reason; a 100 km gap that keeps memory flat.
#include "viewer/LVViewerDoc.h"
#include "viewer/PictureRows.h"
#include "viewer/ViewState.h"

#include "platform/imaging/JpegFile.h"
#include "tests/support/TestSupport.h"
#include "tests/viewer/ViewerTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace lvviewer::test {
namespace {

namespace fs = std::filesystem;
using zarn::test::TempHome;

// The same picture stored top down: rows reversed, the height negative.
void makeTopDown(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    in.close();
    std::int32_t width = 0, height = 0;
    std::uint32_t offset = 0;
    std::memcpy(&offset, bytes.data() + 10, 4);
    std::memcpy(&width, bytes.data() + 18, 4);
    std::memcpy(&height, bytes.data() + 22, 4);
    const std::size_t rowBytes = (std::size_t(width) * 3 + 3) / 4 * 4;
    std::string flipped = bytes.substr(0, offset);
    for (int y = height - 1; y >= 0; --y)
        flipped += bytes.substr(offset + std::size_t(y) * rowBytes, rowBytes);
    const std::int32_t negative = -height;
    std::memcpy(flipped.data() + 22, &negative, 4);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << flipped;
}

// The pixel of strip row y, column x.
std::uint32_t stripPixel(CLVViewerDoc& doc, std::int64_t y, int x) {
    const PlacedBand band = doc.bandAt(y);
    EXPECT_TRUE(band.band);
    return band.band ? band.band->pixels.at(x, static_cast<int>(y - band.top)) : 0;
}

struct Opened {
    TempHome home;
    CLVViewerDoc doc;
    bool open(const fs::path& file) {
        doc.setUseLoader(false);
        AssemblyFailure failure;
        const bool done = doc.OnOpenDocument(file, zarn::noProgress(), &failure);
        EXPECT_TRUE(done) << failure.text;
        return done;
    }
    // Two pictures of the same size, the first one opened.
    bool openTwo(const std::string& first, const std::string& second, int width, int rows) {
        writePicture(home.file(first), width, rows);
        writePicture(home.file(second), width, rows);
        return open(home.file(first));
    }
};

TEST(Document, PictureRowsLandInTheStripLayoutExactly) {
    Opened o;
    const fs::path f = o.home.path();
    // Two BMP pictures (one stored top down) of 3000 rows, three bands each, and a narrower one.
    writePicture(f / "B_X_0000.00-0003.00.bmp", 40, 3000);
    writePicture(f / "B_X_0003.00-0006.00.bmp", 40, 3000);
    makeTopDown(f / "B_X_0003.00-0006.00.bmp");
    writePicture(f / "B_X_0006.00-0007.00.bmp", 20, 1000);
    ASSERT_TRUE(o.open(f / "B_X_0003.00-0006.00.bmp"));
    CLVViewerDoc& doc = o.doc;
    const StripGeometry& g = doc.geometry();
    const std::vector<StripEntry>& e = doc.entries();
    ASSERT_EQ(e.size(), 5u);
    EXPECT_EQ(doc.startRow(), e[2].top);
    for (int entry : {1, 2}) {
        for (const int row : {0, 1, 1023, 1024, 2047, 2048, 2999}) {
            for (const int x : {0, 17, 39}) {
                const std::uint32_t got = stripPixel(doc, e[entry].top + row, g.pictureLeft() + x);
                EXPECT_EQ(got, rowPixelOf(x, row)) << entry << " " << row << " " << x;
            }
        }
    }
    // The narrower picture is centred; its paddings are the filling colour.
    const std::int64_t y = e[3].top + 500;
    EXPECT_EQ(stripPixel(doc, y, g.pictureLeft() + 10), rowPixelOf(0, 500));
    EXPECT_EQ(stripPixel(doc, y, g.pictureLeft() + 9), colour::DefaultFilling);
    EXPECT_EQ(stripPixel(doc, y, g.pictureLeft() + 30), colour::DefaultFilling);
    // The row's areas: separators, margins and the background.
    const std::pair<int, std::uint32_t> areas[] = {
        {0, colour::Separator[0]},
        {4, colour::Separator[4]},
        {5, colour::Margin},
        {g.pictureLeft() - 1, colour::Separator[4]},
        {g.pictureLeft() + g.widest, colour::Separator[0]},
        {g.labelLeft() - 1, colour::Separator[4]},
        {g.labelLeft(), colour::Margin},
        {g.labelLeft() + g.labelWidth - 1, colour::Margin},
        {g.labelLeft() + g.labelWidth, colour::Separator[0]},
        {g.scaleEdge(), colour::Background},
        {g.stripWidth() - 1, colour::Background},
    };
    for (const auto& [x, expected] : areas)
        EXPECT_EQ(stripPixel(doc, y + 1, x), expected) << x;
    // The header's bevels and its plain rows.
    EXPECT_EQ(stripPixel(doc, 0, 100), colour::Separator[0]);
    EXPECT_EQ(stripPixel(doc, 4, 100), colour::Separator[4]);
    EXPECT_EQ(stripPixel(doc, e[0].height - 1, g.pictureLeft() + 1), colour::Separator[0]);
    EXPECT_EQ(stripPixel(doc, 60, g.pictureLeft() + 1), colour::Margin);
}

TEST(Document, JpegRowsDeepInAPictureAreThoseOfTheWholeDecode) {
    Opened o;
    const fs::path file = o.home.file("J_X_0000.00-0005.00.jpg");
    writePicture(file, 64, 5000, [](int x, int y) {
        return zarn::pixelOf((x * 4) & 0xFF, (y / 3) & 0xFF, ((x + y) * 7) & 0xFF);
    });
    ASSERT_TRUE(o.open(file));
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const std::optional<zarn::PixelImage> whole = zarn::decodeJpeg(bytes);
    ASSERT_TRUE(whole);
    const StripEntry& picture = o.doc.entries()[1];
    for (const int row : {0, 1023, 1024, 3000, 4095, 4096, 4999})
        for (const int x : {0, 31, 63})
            EXPECT_EQ(stripPixel(o.doc, picture.top + row, o.doc.geometry().pictureLeft() + x),
                      whole->at(x, row))
                << row << " " << x;
}

TEST(Document, ARowSourceGoesOnDownAPictureAndStartsAgainForRowsAbove) {
    zarn::test::TempHome home;
    const fs::path file = home.file("S_X_0000.00-0003.00.jpg");
    writePicture(file, 32, 3000, [](int x, int y) { return zarn::pixelOf(x * 8, y / 12, y); });
    std::ifstream in(file, std::ios::binary);
    const std::optional<zarn::PixelImage> whole =
        zarn::decodeJpeg(std::string((std::istreambuf_iterator<char>(in)), {}));
    ASSERT_TRUE(whole);
    PictureRowSource source;
    zarn::PixelImage rows(32, 8);
    for (const int first : {2000, 2500, 100, 2992, 0}) { // down, up again, down
        std::string reason;
        ASSERT_TRUE(source.decode(file, {32, 3000}, first, rows.view(), &reason)) << reason;
        for (int y = 0; y < 8; ++y)
            EXPECT_EQ(rows.at(9, y), whole->at(9, first + y)) << first + y;
    }
    std::string reason;
    EXPECT_FALSE(source.decode(file, {32, 2999}, 0, rows.view(), &reason));
    EXPECT_EQ(reason, "the picture has changed since the folder was read");
}

bool inked(CLVViewerDoc& doc, std::int64_t y0, std::int64_t y1, int x0, int x1, std::uint32_t ink) {
    for (std::int64_t y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (stripPixel(doc, y, x) == ink)
                return true;
    return false;
}

TEST(Document, MarksTicksAndLabelsShowWherePiecesStartAndOverlap) {
    Opened o;
    const fs::path f = o.home.path();
    // 100 rows a metre: a tick every 10 counts is a row, a label every 100 counts every 10 rows.
    writePicture(f / "M_X_0001.00-0002.00.bmp", 10, 100, [](int, int) { return 0xFF808080u; });
    writePicture(f / "M_X_0001.50-0003.00.bmp", 10, 150, [](int, int) { return 0xFF808080u; });
    writePicture(f / "M_X_0004.00-0005.00.bmp", 10, 100, [](int, int) { return 0xFF808080u; });
    ASSERT_TRUE(o.open(f / "M_X_0001.00-0002.00.bmp"));
    CLVViewerDoc& doc = o.doc;
    const StripGeometry& g = doc.geometry();
    const std::vector<StripEntry>& e = doc.entries();
    const int mark = g.leftMargin / 3;
    EXPECT_EQ(stripPixel(doc, e[1].top, mark), colour::Black);       // a picture's start
    EXPECT_EQ(stripPixel(doc, e[2].top, mark), colour::OverlapMark); // starts above 2000
    EXPECT_EQ(stripPixel(doc, e[3].top, mark), colour::MissingMark); // a missing part
    EXPECT_EQ(stripPixel(doc, e[3].top + 1, mark), colour::Margin);
    const int tick = g.scaleLeft();
    // Depth 1550 in the overlapping picture: a minor tick, red above the previous end (2000);
    // depth 2050 black; 1600 a major tick 6 pixels long.
    EXPECT_EQ(stripPixel(doc, e[2].top + 5, tick + 2), colour::OverlapTick);
    EXPECT_EQ(stripPixel(doc, e[2].top + 5, tick + 4), colour::Margin);
    EXPECT_EQ(stripPixel(doc, e[2].top + 55, tick + 2), colour::Black);
    EXPECT_EQ(stripPixel(doc, e[2].top + 10, tick + 5), colour::OverlapTick);
    // Labels every ten rows, right of x + 12: those above the end of the picture before (1.60 m
    // to 1.90 m, rows 10 to 40) in red and only red, 2.50 m (row 100) in black.
    EXPECT_TRUE(inked(doc, e[2].top + 4, e[2].top + 34, tick + 12, tick + 60, colour::OverlapTick));
    EXPECT_FALSE(inked(doc, e[2].top + 4, e[2].top + 34, tick + 12, tick + 60, colour::Black));
    EXPECT_TRUE(inked(doc, e[2].top + 95, e[2].top + 106, tick + 12, tick + 60, colour::Black));
    // The header's title is drawn in its colour.
    EXPECT_TRUE(inked(doc, 5, 25, 0, g.stripWidth(), colour::HeaderText));
}

TEST(Document, APictureThatFailsIsDrawnAsAMissingPartWithItsReason) {
    Opened o;
    ASSERT_TRUE(o.openTwo("F_X_0000.00-0001.00.bmp", "F_X_0001.00-0002.00.bmp", 10, 1000));
    fs::remove(o.home.file("F_X_0001.00-0002.00.bmp"));
    const StripEntry& gone = o.doc.entries()[2];
    const PlacedBand band = o.doc.bandAt(gone.top + 50);
    ASSERT_TRUE(band.band);
    EXPECT_NE(band.band->failure.find("F_X_0001.00-0002.00.bmp: "), std::string::npos)
        << band.band->failure;
    EXPECT_EQ(band.band->pixels.at(o.doc.geometry().pictureLeft() + 3, 50), colour::DefaultFilling);
    // The view says so after the depths, and the borehole stays open.
    ViewState view;
    view.setStrip(o.doc.totalHeight(), gone.top);
    view.setClient(400, 300);
    ScreenComposer composer;
    std::vector<std::string> failures;
    composer.compose(o.doc, view, 400, 300, &failures);
    ASSERT_EQ(failures.size(), 1u);
    const std::string status =
        statusText(o.doc.entries(), view.top(), view.visibleRows(), false, failures);
    EXPECT_EQ(status.rfind("DEPTH: from 1.00 meter to ", 0), 0u) << status;
    EXPECT_NE(status.find(failures[0]), std::string::npos);
    EXPECT_TRUE(o.doc.loaded());
}

TEST(Document, AGapOf100KilometresKeepsMemoryFlat) {
    Opened o;
    ASSERT_TRUE(o.openTwo("G_X_0000.00-0001.00.bmp", "G_X_100000.00-100001.00.bmp", 100, 1000));
    CLVViewerDoc& doc = o.doc;
    // 1000 rows a metre: 100 million rows of missing parts, in a few pieces.
    EXPECT_GT(doc.totalHeight(), 100'000'000);
    EXPECT_LT(doc.entries().size(), 12u);
    ViewState view;
    view.setStrip(doc.totalHeight(), 0);
    view.setClient(600, 800);
    ScreenComposer composer;
    const std::size_t bandBytes = std::size_t(doc.geometry().stripWidth()) * BandRows * 4;
    for (const int position : {0, 1, 8000, 16384, 30000, 32766, 32767}) {
        view.scrollToPosition(position);
        for (int level = 0; level < ZoomLevels; ++level) {
            view.setZoomLevel(level);
            composer.compose(doc, view, 600, 800, nullptr);
        }
    }
    EXPECT_EQ(view.top(), view.maxTop());
    // What was decoded for those few screens is all that was ever held.
    EXPECT_LE(doc.cache().peakBytes(), 50 * bandBytes);
    EXPECT_LT(doc.cache().published(), 60u);
}

} // namespace
} // namespace lvviewer::test
