// The background loader: it decodes around the focus within the budget while the view scrolls
// and decodes on its own (each band decoded once at a time, every band's rows right), and it is
// stopped and joined when the document closes, changes or is rebuilt mid-loading.
#include "viewer/LVViewerDoc.h"
#include "viewer/ViewState.h"

#include "platform/Format.h"
#include "tests/support/TestSupport.h"
#include "tests/viewer/ViewerTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace lvviewer::test {
namespace {

namespace fs = std::filesystem;

// Twelve BMP pictures of 2500 rows in one folder, and a second borehole beside them.
void writeBorehole(const fs::path& folder, const char* name, int count) {
    for (int i = 0; i < count; ++i)
        writePicture(folder / zarn::format("%s_X_%04d.00-%04d.00.bmp", name, 10 + i, 11 + i), 32,
                     2500);
}

// The rows of pictures are right wherever the band came from.
void expectPictureRows(CLVViewerDoc& doc, std::int64_t y) {
    const PlacedBand band = doc.bandAt(y);
    ASSERT_TRUE(band.band);
    const StripEntry& e = doc.entries()[static_cast<std::size_t>(band.entry)];
    if (e.kind != PieceKind::Picture)
        return;
    const int row = static_cast<int>(y - e.top);
    EXPECT_EQ(
        band.band->pixels.at(doc.geometry().pictureLeft() + 5, static_cast<int>(y - band.top)),
        rowPixelOf(5, row));
}

TEST(Loader, DecodesAroundTheFocusWhileTheViewScrollsAndStopsWithTheDocument) {
    zarn::test::TempHome home;
    writeBorehole(home.path(), "L", 12);
    writeBorehole(home.path(), "K", 4);
    CLVViewerDoc doc;
    // A budget of some 12 bands: the loader fills half of it ahead and a quarter behind.
    const std::size_t bandBytes = std::size_t(64 + 252 + 32 + 20) * BandRows * 4;
    doc.setCacheBudget(12 * bandBytes);
    AssemblyFailure failure;
    ASSERT_TRUE(
        doc.OnOpenDocument(home.file("L_X_0015.00-0016.00.bmp"), zarn::noProgress(), &failure))
        << failure.text;
    EXPECT_TRUE(doc.loaderAlive());
    ASSERT_TRUE(doc.waitUntilLoaderIdle());
    const std::uint64_t around = doc.cache().published();
    EXPECT_GE(around, 6u);
    EXPECT_LE(doc.cache().bytes(), 12 * bandBytes);

    // Scrolling while it loads: the view decodes what it needs, the loader follows the focus.
    std::mt19937 random(5);
    ViewState view;
    view.setStrip(doc.totalHeight(), doc.startRow());
    view.setClient(300, 700);
    ScreenComposer composer;
    for (int i = 0; i < 60; ++i) {
        view.scrollToPosition(static_cast<int>(random() % (ScrollRange + 1)));
        view.setZoomLevel(static_cast<int>(random() % ZoomLevels));
        doc.setFocus(view.top());
        composer.compose(doc, view, 300, 700, nullptr);
        expectPictureRows(doc, view.top());
        if (i % 20 == 19) // a rebuild stops the loader and starts it again
            doc.setStyle(RenderStyle{zarn::pixelOf(0, 200, 0), colour::Background, 5, 2,
                                     ZoomFactors[i % ZoomLevels], false});
    }
    EXPECT_TRUE(doc.loaderAlive());
    EXPECT_LE(doc.cache().peakBytes(), 12 * bandBytes);

    // Another borehole opened while loading, then closed while loading.
    ASSERT_TRUE(
        doc.OnOpenDocument(home.file("K_X_0010.00-0011.00.bmp"), zarn::noProgress(), &failure));
    EXPECT_EQ(doc.entries().size(), 6u);
    expectPictureRows(doc, doc.entries()[3].top + 2000);
    doc.OnCloseDocument();
    EXPECT_FALSE(doc.loaderAlive());
    EXPECT_FALSE(doc.bandAt(0).band);
}

TEST(Loader, WithoutTheLoaderOnlyWhatIsShownIsDecoded) {
    zarn::test::TempHome home;
    writeBorehole(home.path(), "L", 12);
    CLVViewerDoc doc;
    doc.setUseLoader(false);
    AssemblyFailure failure;
    ASSERT_TRUE(
        doc.OnOpenDocument(home.file("L_X_0010.00-0011.00.bmp"), zarn::noProgress(), &failure));
    EXPECT_FALSE(doc.loaderAlive());
    // Opening decodes the band of the start row only.
    EXPECT_EQ(doc.cache().published(), 1u);
    ViewState view;
    view.setStrip(doc.totalHeight(), doc.startRow());
    view.setClient(300, 700);
    ScreenComposer composer;
    composer.compose(doc, view, 300, 700, nullptr); // the header and the first picture's band
    EXPECT_EQ(doc.cache().published(), 2u);
    // One screen down: the rows that come into view are in one more band.
    view.scrollTo(view.top() + 700);
    composer.compose(doc, view, 300, 700, nullptr);
    EXPECT_EQ(doc.cache().published(), 3u);
}

} // namespace
} // namespace lvviewer::test
