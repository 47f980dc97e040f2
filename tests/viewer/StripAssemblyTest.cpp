// Strip assembly: the pictures the export writes from a test log, ordered with a header and a
// trailer, a missing part where one is taken away, the folder's other files left out; synthetic
// pictures for overlaps, gaps, degenerate depths and the names that are refused.
#include "viewer/StripAssembly.h"

#include "acquisition/cli/Commands.h"
#include "tests/acquisition/export/ExportTestSupport.h"
#include "tests/viewer/ViewerTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <sstream>

namespace lvviewer::test {
namespace {

namespace fs = std::filesystem;
using zarn::test::TempHome;

struct Piece {
    PieceKind kind;
    int from, to, height;
};

// The kinds, depths and heights of the entries, and that they are stacked and numbered.
void expectPieces(const Assembly& strip, const std::vector<Piece>& pieces) {
    ASSERT_EQ(strip.entries.size(), pieces.size());
    std::int64_t top = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const StripEntry& e = strip.entries[i];
        EXPECT_EQ(e.kind, pieces[i].kind) << i;
        EXPECT_EQ(e.depthFrom, pieces[i].from) << i;
        EXPECT_EQ(e.depthTo, pieces[i].to) << i;
        EXPECT_EQ(e.height, pieces[i].height) << i;
        EXPECT_EQ(e.index, static_cast<int>(i));
        EXPECT_EQ(e.top, top) << i;
        top += e.height;
    }
    EXPECT_EQ(strip.totalHeight, top);
}

std::optional<Assembly> assemble(const fs::path& opened, AssemblyFailure* failure = nullptr) {
    return assembleStrip(opened, 100, zarn::noProgress(), failure);
}

TEST(StripAssembly, ThePicturesOfAnExportedLogInDepthOrderWithHeaderTrailerAndGaps) {
    TempHome home;
    const fs::path header = zarn::test::writeTestLog(
        home.file("log"), zarn::test::evenRecords(100000, 80, 130)); // 10 m to 11.032 m
    zarn::cli::ExportPicturesOptions options;
    options.header = header;
    options.output = home.file("pictures");
    options.type = "jpeg";
    options.maxLines = 400;
    std::ostringstream out, err;
    ASSERT_EQ(zarn::cli::runExportPictures(options, out, err), 0) << err.str();
    const fs::path folder = home.file("pictures");
    const fs::path first = folder / "WELL1_X_0010.0000-0010.4000.jpg";
    const fs::path middle = folder / "WELL1_X_0010.4000-0010.8000.jpg";
    ASSERT_TRUE(fs::exists(first) && fs::exists(middle)) << out.str();

    // What the folder holds besides: another borehole, a progressive picture of this one, a
    // folder and a text file named like pictures; none of them is a piece.
    writePicture(folder / "WELL2_X_0010.0000-0010.4000.jpg", 720, 400);
    {
        std::string progressive;
        std::ifstream in(first, std::ios::binary);
        progressive.assign(std::istreambuf_iterator<char>(in), {});
        progressive[progressive.find("\xFF\xC0") + 1] = '\xC2';
        std::ofstream(folder / "WELL1_X_0011.0300-0011.5000.jpg", std::ios::binary) << progressive;
    }
    fs::create_directory(folder / "WELL1_X_0012.0000-0013.0000.jpg");
    std::ofstream(folder / "WELL1_X_0013.0000-0014.0000.txt") << "not a picture";

    std::optional<Assembly> strip = assemble(middle);
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip->boreholeName, "WELL1 X");
    EXPECT_EQ(strip->widest, 720);
    // 400 lines a picture over 400 counts: 1000 rows a metre; header 105 rows above 10 m.
    EXPECT_DOUBLE_EQ(strip->averagePixelsPerMetre, 1000);
    expectPieces(*strip, {{PieceKind::Header, 9895, 10000, 105},
                          {PieceKind::Picture, 10000, 10400, 400},
                          {PieceKind::Picture, 10400, 10800, 400},
                          {PieceKind::Picture, 10800, 11030, 230},
                          {PieceKind::Trailer, 11030, 11055, 25}});
    EXPECT_EQ(strip->startIndex, 2);
    EXPECT_EQ(strip->entries[2].path, middle);
    EXPECT_EQ(strip->entries[0].label, "Header");
    EXPECT_EQ(strip->entries[4].label, "Trailer");
    EXPECT_EQ(strip->entries[4].pixelsPerMetre, -1);
    EXPECT_EQ(strip->depthSpan, 1030);

    // Without the middle picture: a missing part of the mean resolution in its place, and the
    // first picture opened shows the header first.
    fs::remove(middle);
    strip = assemble(first);
    ASSERT_TRUE(strip);
    expectPieces(*strip, {{PieceKind::Header, 9895, 10000, 105},
                          {PieceKind::Picture, 10000, 10400, 400},
                          {PieceKind::Missing, 10400, 10800, 400},
                          {PieceKind::Picture, 10800, 11030, 230},
                          {PieceKind::Trailer, 11030, 11055, 25}});
    EXPECT_EQ(strip->entries[2].label, "Missing Part from Depth 10400 to 10800");
    EXPECT_EQ(strip->entries[2].boreholeName, "WELL1 X");
    EXPECT_EQ(strip->startIndex, 0);
}

TEST(StripAssembly, OverlapsAreKeptGapsFilledAndDegenerateDepthsGiveAFiniteScale) {
    TempHome home;
    const fs::path f = home.path();
    // Written out of order; 100 rows a metre, one picture twice as wide and overlapping.
    writePicture(f / "B_X_0004.00-0005.00.bmp", 10, 100);
    writePicture(f / "B_X_0001.50-0003.00.bmp", 20, 150);
    writePicture(f / "B_X_0001.00-0002.00.bmp", 10, 100);
    std::optional<Assembly> strip = assemble(f / "B_X_0004.00-0005.00.bmp");
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip->widest, 20);
    expectPieces(*strip, {{PieceKind::Header, -50, 1000, 105},
                          {PieceKind::Picture, 1000, 2000, 100},
                          {PieceKind::Picture, 1500, 3000, 150},
                          {PieceKind::Missing, 3000, 4000, 100},
                          {PieceKind::Picture, 4000, 5000, 100},
                          {PieceKind::Trailer, 5000, 5250, 25}});
    EXPECT_EQ(strip->startIndex, 4);

    // One picture: no gap analysis. A picture whose depths are equal has the largest scale and
    // counts for no mean; the strip's heights stay those of the pictures.
    writePicture(f / "C_X_0007.00-0007.00.bmp", 10, 50);
    strip = assemble(f / "C_X_0007.00-0007.00.bmp");
    ASSERT_TRUE(strip);
    expectPieces(*strip, {{PieceKind::Header, 7000, 7000, 105},
                          {PieceKind::Picture, 7000, 7000, 50},
                          {PieceKind::Trailer, 7000, 7000, 25}});
    EXPECT_EQ(strip->entries[1].pixelsPerMetre, INT_MAX);
    EXPECT_DOUBLE_EQ(strip->averagePixelsPerMetre, DefaultPixelsPerMetre);

    writePicture(f / "C_X_0008.00-0009.00.bmp", 10, 50);
    strip = assemble(f / "C_X_0008.00-0009.00.bmp");
    ASSERT_TRUE(strip);
    EXPECT_DOUBLE_EQ(strip->averagePixelsPerMetre, 50); // the real picture alone
    EXPECT_EQ(strip->entries[2].kind, PieceKind::Missing);
    EXPECT_EQ(strip->entries[2].height, 50); // 1 m at 50 rows a metre
}

TEST(StripAssembly, AGapLongerThanAPieceIsCutIntoPiecesOfBoundedHeight) {
    StripEntry first;
    first.boreholeName = "B";
    // 1000 rows a metre, 1000 pixels wide: at most 2147483 counts a piece.
    const std::vector<StripEntry> parts = missingParts(0, 5000000, 1000, 1000, first);
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[0].depthTo - parts[0].depthFrom, 2147483);
    EXPECT_EQ(parts[1].depthTo - parts[1].depthFrom, 2147483);
    EXPECT_EQ(parts[2].depthTo, 5000000);
    for (const StripEntry& p : parts) {
        EXPECT_EQ(p.kind, PieceKind::Missing);
        EXPECT_EQ(p.height, p.depthTo - p.depthFrom);
        EXPECT_EQ(p.boreholeName, "B");
    }
}

TEST(StripAssembly, FilesThatAreNoCoreFileOrNoBoreholeAreRefusedWithTheirMessage) {
    TempHome home;
    const fs::path f = home.path();
    writePicture(f / "DSC01234.jpg", 30, 30);
    writePicture(f / "B_X_0001.00-0002.00.tif", 30, 30);
    std::ofstream(f / "B_X_0003.00-0004.00.jpg") << "not a picture at all, only some text";
    struct Case {
        const char* file;
        const char* text;
    };
    for (const Case c :
         {Case{"DSC01234.jpg", "This file is not a valid Bore Hole"},
          Case{"B_X_0001.00-0002.00.tif", "This file is not a valid Core File"},
          Case{"B_X_0003.00-0004.00.jpg", "This file is not a valid Core File"},
          Case{"absent_X_0001.00-0002.00.jpg", "This file is not a valid Core File"}}) {
        AssemblyFailure failure;
        EXPECT_FALSE(assemble(f / c.file, &failure)) << c.file;
        EXPECT_EQ(failure.text, c.text) << c.file;
        EXPECT_EQ(failure.title, "SORRY");
    }
}

} // namespace
} // namespace lvviewer::test
