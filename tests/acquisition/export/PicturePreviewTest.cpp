// The dialog's preview: the export's lines at the frame's depth step, compressed to the frame's
// width, the rest of the frame black, and nothing written.
#include "acquisition/export/PicturePreview.h"
#include "tests/acquisition/export/ExportTestSupport.h"

#include <gtest/gtest.h>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;

TEST(PicturePreview, CompressesTheLinesIntoTheFrameAtItsOwnDepthStep) {
    TempHome home;
    TestLogShape shape;
    // The left half of every line bright, the right half dark.
    shape.pixel = [](int, int, int x) { return x < 360 ? 0xFFC8C8C8u : 0xFF282828u; };
    // 1.0 m to 1.792 m, 1 mm per line.
    const fs::path header = writeTestLog(home.path() / "log", evenRecords(10000, 80, 100), shape);
    const ExportSourceResult read = readExportSource(header);
    ASSERT_TRUE(read.source) << read.problem;
    PictureExportJob job;
    const ExportSpan span = exportSpanOf(*read.source);
    job.from = span.start;
    job.to = span.end;
    job.interval = 0.001;
    job.outputFolder = home.path() / "never";

    struct Case {
        int frameWidth, frameHeight;
        double step;
        int filledRows; // lines of the preview that hold the log
    } cases[] = {
        {240, 400, 0.003, 263}, // 0.79 m at 3 mm: part of the frame
        {240, 100, 0.003, 100}, // the frame is full before the end depth
        {720, 200, 0.001, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frameWidth * 1000 + c.frameHeight);
        EXPECT_DOUBLE_EQ(previewStepOf(job, 720, c.frameWidth), c.step);
        const std::optional<PixelImage> preview =
            picturePreview(*read.source, job, c.frameWidth, c.frameHeight);
        ASSERT_TRUE(preview);
        ASSERT_EQ(preview->width(), c.frameWidth);
        ASSERT_EQ(preview->height(), c.frameHeight);
        const int half = c.frameWidth / 2;
        for (int y : {0, c.filledRows / 2, c.filledRows - 2}) {
            EXPECT_GT(pixelGreen(preview->at(half / 2, y)), 150u) << y;
            EXPECT_LT(pixelGreen(preview->at(half + half / 2, y)), 80u) << y;
        }
        for (int y = c.filledRows + 2; y < c.frameHeight; ++y)
            ASSERT_EQ(preview->at(half / 2, y), 0xFF000000u) << y;
    }
    EXPECT_FALSE(fs::exists(job.outputFolder));

    // Cancelled: no preview.
    CancelFlagProgress cancelled;
    cancelled.cancel();
    EXPECT_FALSE(picturePreview(*read.source, job, 240, 400, cancelled));
}

} // namespace
} // namespace zarn::test
