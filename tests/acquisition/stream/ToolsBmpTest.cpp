// The image row builder: the image memory, the payload entries, depth and angle interpolation,
// the direction rule, scrolling and the band the window copies.
#include "platform/imaging/PngFile.h"
#include "tests/acquisition/stream/RowBuilderFixture.h"

#include <cmath>
#include <limits>

namespace zarn::test {
namespace {

constexpr std::uint32_t Black = 0xFF000000;
constexpr std::uint32_t StripBackground = 0xFFF0F0F0;

// What a decoded row looks like in the image columns: turned by angle, then resampled.
std::vector<std::uint32_t> shownRow(const std::vector<std::uint32_t>& source, double angle) {
    const int width = static_cast<int>(source.size());
    std::vector<std::uint32_t> turned = source;
    if (angle != 0.0)
        RotateRow(angle, source, turned, width);
    RowResampler resampler;
    resampler.setWidth(width);
    std::vector<std::uint32_t> out(DisplayImageColumns);
    resampler.resample(turned.data(), out.data());
    return out;
}

TEST(RowBuilderMemory, UnusableSizesAreRefusedWithTheMessage) {
    RecordingUserMessages messages;
    MessageBus bus;
    RecordingHost host;
    CToolsBmp bmp(&host, bus);
    struct Case {
        int rowWidth, scaleWidth, visibleHeight;
    };
    const Case cases[] = {
        {722, 53, 64},    // no room for the ticks
        {773, 53, 10},    // too low to scroll a screenful
        {-1, 53, 64},     //
        {773, 53, -5},    //
        {100000, 53, 64}, // beyond reason
        {773, 53, 100000},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(bmp.DrawImageBuffer(c.rowWidth, c.scaleWidth, c.visibleHeight));
        ASSERT_FALSE(messages.shown().empty());
        EXPECT_EQ(messages.shown().back().text, "Error : Could not create DIB");
        EXPECT_EQ(messages.shown().back().icon, MessageIcon::Error);
    }
    EXPECT_EQ(messages.shown().size(), std::size(cases));

    // Without a memory the payloads draw nothing and nothing breaks.
    bmp.DrawDctRows(stripOfRow(patternRow(720)), 720, 1, frameRecord(1.0));
    bmp.DrawDpcmPayload(greyDpcmPayload(50), 720, 1, 5, frameRecord(1.0));
    PixelImage window;
    EXPECT_FALSE(bmp.ShowImage(window, true));
    EXPECT_TRUE(bmp.CopyImageMemory().empty());
    std::string error;
    TempHome home;
    EXPECT_FALSE(bmp.SaveImage(home.file("none.png"), &error));

    // A good size after a refusal works.
    EXPECT_TRUE(bmp.DrawImageBuffer(773, 53, 64));
    EXPECT_EQ(bmp.CopyImageMemory().height(), 192);
}

TEST_F(RowBuilderTest, ANewMemoryIsClearedBlackBesideAnEmptyScale) {
    const PixelImage memory = bmp.CopyImageMemory();
    ASSERT_EQ(memory.width(), TestRowWidth);
    ASSERT_EQ(memory.height(), TestMemoryHeight);
    for (int y = 0; y < memory.height(); ++y)
        for (int x = 0; x < memory.width(); ++x)
            ASSERT_EQ(memory.at(x, y), x <= 720 ? Black : StripBackground) << x << "," << y;
    // The first row goes 32 rows into the memory.
    bmp.DrawDctRows(stripOfRow(patternRow(720)), 720, 1, frameRecord(1.0));
    ASSERT_EQ(host.rows().size(), 8u);
    EXPECT_EQ(host.rows()[0].position, 33);
    EXPECT_EQ(host.rows()[7].position, 40);
}

// The rows of a payload are spread from the last drawn depth to the frame's image depth.
TEST_F(RowBuilderTest, RowsAreSpreadOverTheDepthTravelled) {
    const auto dct = [&](double depth) {
        bmp.DrawDctRows(stripOfRow(patternRow(720)), 720, 1, frameRecord(depth));
    };
    const auto dpcm = [&](double depth) {
        bmp.DrawDpcmPayload(greyDpcmPayload(90), 720, 1, 5, frameRecord(depth));
    };
    const auto expectDepths = [&](const std::vector<double>& expected) {
        const std::vector<double> depths = host.depths();
        ASSERT_EQ(depths.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_NEAR(depths[i], expected[i], 1e-9) << "row " << i;
        host.forget();
    };

    dct(10.0); // the first payload: nothing drawn before, every row at its depth
    expectDepths(std::vector<double>(8, 10.0));
    dct(10.008);
    expectDepths({10.0, 10.001, 10.002, 10.003, 10.004, 10.005, 10.006, 10.007});
    EXPECT_NEAR(bmp.LastDrawnDepth(), 10.008, 1e-9);
    dct(10.008); // the same depth: every row there
    expectDepths(std::vector<double>(8, 10.008));
    dpcm(10.018); // mode 8: two rows, half the way each
    expectDepths({10.008, 10.013});
    dct(10.010); // going back up
    expectDepths({10.018, 10.017, 10.016, 10.015, 10.014, 10.013, 10.012, 10.011});

    // A frame depth that is not a number leaves the depth where it was.
    dct(std::numeric_limits<double>::quiet_NaN());
    expectDepths(std::vector<double>(8, 10.010));
    EXPECT_NEAR(bmp.LastDrawnDepth(), 10.010, 1e-9);

    // A replay start forgets the depth: the next payload starts at its own.
    bmp.ResetDepth();
    dct(250.0);
    expectDepths(std::vector<double>(8, 250.0));
    bmp.RestartDisplay();
    dpcm(3.0);
    expectDepths({3.0, 3.0});
}

TEST_F(RowBuilderTest, EverySourceWidthIsResampledToTheImageColumns) {
    for (int code = 1; code <= 7; ++code) {
        const int width = pixelsPerRowOf(code);
        SCOPED_TRACE(width);
        host.forget();
        const std::vector<std::uint32_t> source = patternRow(width);
        bmp.DrawDctRows(stripOfRow(source), width, 1, frameRecord(1.0, 0.0, code));
        const PixelImage memory = bmp.CopyImageMemory();
        for (const DrawnRow& row : host.rows()) {
            const std::vector<std::uint32_t> shown = imageColumns(memory, row.position);
            for (int i = 0; i < DisplayImageColumns; ++i)
                ASSERT_EQ(shown[static_cast<std::size_t>(i)],
                          source[static_cast<std::size_t>(i * width / 720)])
                    << "column " << i;
            EXPECT_EQ(memory.at(0, row.position), Black); // the border
        }
    }
    // Mode 8 rows: the grey of the payload, unturned.
    host.forget();
    bmp.DrawDpcmPayload(greyDpcmPayload(90), 720, 1, 5, frameRecord(1.0, 45.0));
    const PixelImage memory = bmp.CopyImageMemory();
    ASSERT_EQ(host.rows().size(), 2u);
    for (const DrawnRow& row : host.rows()) {
        EXPECT_EQ(row.angle, 0.0);
        EXPECT_EQ(imageColumns(memory, row.position),
                  std::vector<std::uint32_t>(720, pixelOf(90, 90, 90, 0)));
    }
}

// Mode-16 rows turn from the angle of the payload before to this payload's, row by row.
TEST_F(RowBuilderTest, RowsAreTurnedByTheInterpolatedOrientation) {
    const std::vector<std::uint32_t> source = patternRow(1440);
    const auto draw = [&](double angle) {
        host.forget();
        bmp.DrawDctRows(stripOfRow(source), 1440, 1, frameRecord(1.0, angle, 7));
        return host.rows();
    };
    const auto expectTurned = [&](const std::vector<DrawnRow>& rows,
                                  const std::vector<double>& angles) {
        const PixelImage memory = bmp.CopyImageMemory();
        ASSERT_EQ(rows.size(), angles.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            EXPECT_NEAR(rows[r].angle, angles[r], 1e-9);
            EXPECT_EQ(imageColumns(memory, rows[r].position), shownRow(source, angles[r]))
                << "row " << r << " at " << angles[r];
        }
    };
    expectTurned(draw(90.0), std::vector<double>(8, 90.0)); // first payload: at its angle
    expectTurned(draw(350.0), {122.5, 155, 187.5, 220, 252.5, 285, 317.5, 350});
    expectTurned(draw(10.0), {352.5, 355, 357.5, 0, 2.5, 5, 7.5, 10}); // through north
    expectTurned(draw(400.0), std::vector<double>(8, 10.0));           // not an angle: kept
    // Blank payloads draw black rows, unturned, and leave the orientation alone.
    host.forget();
    bmp.DrawBlankPayload(1440, 1, frameRecord(1.0, 200.0, 7));
    const PixelImage memory = bmp.CopyImageMemory();
    for (const DrawnRow& row : host.rows()) {
        EXPECT_EQ(row.angle, 0.0);
        EXPECT_EQ(imageColumns(memory, row.position), std::vector<std::uint32_t>(720, 0u));
    }
    EXPECT_EQ(bmp.Orientation().current(), 10.0);
    expectTurned(draw(20.0), {11.25, 12.5, 13.75, 15, 16.25, 17.5, 18.75, 20});
}

// Turning round starts a new picture, except while recording.
TEST_F(RowBuilderTest, AChangeOfDirectionClearsTheImageOnlyWhenNotRecording) {
    for (const bool recording : {false, true}) {
        SCOPED_TRACE(recording);
        bmp.ClearImage();
        host.forget();
        host.recording = recording;
        const auto green = [](int) { return pixelOf(0, 200, 0, 0); };
        const auto red = [](int) { return pixelOf(200, 0, 0, 0); };
        bmp.DrawDctRows(stripOf(720, green), 720, 1, frameRecord(5.0));
        bmp.DrawDctRows(stripOf(720, green), 720, 1, frameRecord(5.1));
        const std::vector<DrawnRow> down = host.rows();
        host.forget();
        bmp.DrawDctRows(stripOf(720, red), 720, 0, frameRecord(5.0));
        const std::vector<DrawnRow> up = host.rows();
        const PixelImage memory = bmp.CopyImageMemory();

        EXPECT_EQ(host.clears(), recording ? 0 : 1);
        // Up from where the rows were: from the top of a cleared image, or back over the rows.
        EXPECT_EQ(up.front().position, recording ? down.back().position - 1 : 31);
        for (std::size_t i = 1; i < up.size(); ++i)
            EXPECT_EQ(up[i].position, up[i - 1].position - 1);
        for (const DrawnRow& row : up)
            EXPECT_EQ(memory.at(1, row.position), pixelOf(200, 0, 0, 0));
        const int firstDown = down.front().position;
        EXPECT_EQ(memory.at(360, firstDown), recording ? pixelOf(0, 200, 0, 0) : Black);
        // Going down again, while not recording, clears once more.
        host.forget();
        bmp.DrawDctRows(stripOf(720, green), 720, 1, frameRecord(5.2));
        EXPECT_EQ(host.clears(), recording ? 0 : 1);
    }
}

// Rows run off one end of the memory into the other without a seam in the band the window
// shows: it always holds the newest rows in order.
TEST_F(RowBuilderTest, TheVisibleBandStaysContinuousWhenTheRowsWrap) {
    for (const int direction : {1, 0}) {
        SCOPED_TRACE(direction);
        bmp.ClearImage();
        host.recording = true; // no clear on the first change of direction
        int drawn = 0;
        const auto colourOf = [](int k) { return pixelOf(k & 0xFF, (k >> 8) & 0xFF, 77, 0); };
        PixelImage window;
        for (int payload = 0; payload < 40; ++payload) {
            bmp.DrawDctRows(stripOf(720, [&](int r) { return colourOf(drawn + r); }), 720,
                            direction, frameRecord(1.0));
            drawn += 8;
            ASSERT_TRUE(bmp.ShowImage(window, true));
            ASSERT_EQ(window.width(), TestRowWidth);
            ASSERT_EQ(window.height(), TestVisibleHeight);
            if (drawn < TestVisibleHeight + 32)
                continue; // the band still shows rows of the clear
            for (int j = 0; j < TestVisibleHeight; ++j) {
                // Going down the newest row is the lowest of the band; going up the highest.
                const int k = direction ? drawn - TestVisibleHeight + j : drawn - 1 - j;
                ASSERT_EQ(window.at(100, j), colourOf(k))
                    << "payload " << payload << " band row " << j;
            }
        }
        // The rows wrapped at least twice.
        const std::vector<DrawnRow> rows = host.rows();
        int wraps = 0;
        for (std::size_t i = 1; i < rows.size(); ++i)
            wraps += std::abs(rows[i].position - rows[i - 1].position) > 1;
        EXPECT_GE(wraps, 2);
        host.forget();
    }
}

TEST_F(RowBuilderTest, UnforcedCopiesWaitForEnoughNewRows) {
    ImageRowSettings s;
    s.refreshRows = 24;
    bmp.setSettings(s);
    PixelImage window;
    const auto payload = [&] {
        bmp.DrawDctRows(stripOfRow(patternRow(720)), 720, 1, frameRecord(1.0));
    };
    payload();
    payload();
    payload(); // 24 rows: not more than 24
    EXPECT_FALSE(bmp.ShowImage(window));
    EXPECT_TRUE(window.empty());
    payload();
    EXPECT_TRUE(bmp.ShowImage(window));
    EXPECT_FALSE(bmp.ShowImage(window)); // counted again from the copy
    EXPECT_TRUE(bmp.ShowImage(window, true));

    // The window is as wide as a display row; its height chooses the band, up to the visible
    // height.
    struct Case {
        int width, height, rows;
    };
    for (const Case c :
         {Case{100, 10, 10}, Case{773, 64, 64}, Case{2000, 1000, 64}, Case{0, 0, 64}}) {
        PixelImage w(c.width, c.height);
        ASSERT_TRUE(bmp.ShowImage(w, true));
        EXPECT_EQ(w.width(), TestRowWidth);
        EXPECT_EQ(w.height(), c.rows);
        // Going down, the band ends at the newest row.
        const PixelImage memory = bmp.CopyImageMemory();
        const int newest = host.rows().back().position;
        for (int x = 0; x < TestRowWidth; x += 7)
            ASSERT_EQ(w.at(x, c.rows - 1), memory.at(x, newest));
    }
}

TEST_F(RowBuilderTest, CalibrationViewsShowTheCameraPictureUnturned) {
    struct Case {
        int viewMode;
        int width;
    };
    for (const Case c : {Case{1, 720}, Case{2, 360}, Case{3, 720}}) {
        SCOPED_TRACE(c.viewMode);
        ImageRowSettings s;
        s.technicalTools = true;
        bmp.setSettings(s);
        bmp.ClearImage();
        host.forget();
        const std::vector<std::uint32_t> source = patternRow(c.width);
        MeasurementRecord record = frameRecord(1.0, 90.0, c.width == 360 ? 1 : 3);
        record.ViewMode = static_cast<std::uint8_t>(c.viewMode);
        record.SondeStatus.FramePeriod = 1; // the first payload of a picture
        for (int payload = 0; payload < 3; ++payload) {
            bmp.DrawDctRows(stripOfRow(source), c.width, 1, record);
            record.SondeStatus.FramePeriod = 40;
        }
        const std::vector<DrawnRow> rows = host.rows();
        const PixelImage memory = bmp.CopyImageMemory();
        const int top = 2 * TestVisibleHeight;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const int y = rows[i].position;
            EXPECT_EQ(y, top + static_cast<int>(i));
            EXPECT_EQ(rows[i].angle, 0.0);
            const bool marked = y - top < 16;
            for (int x = 0; x < 720; ++x) {
                std::uint32_t expected =
                    x < c.width ? source[static_cast<std::size_t>(x)] : 0xFF808080u;
                if (marked && (x < 16 || x >= 704))
                    expected = 0x0000FFFF;
                ASSERT_EQ(memory.at(x, y), expected) << x << "," << y;
            }
            EXPECT_EQ(memory.at(720, y), 0xFF808080u);
            for (int x = 721; x < TestRowWidth; ++x)
                ASSERT_EQ(memory.at(x, y), StripBackground);
        }
        // The window shows the band two visible heights into the memory.
        PixelImage window;
        ASSERT_TRUE(bmp.ShowImage(window, true));
        for (int j = 0; j < TestVisibleHeight; ++j)
            ASSERT_EQ(window.at(30, j), memory.at(30, top + j));
    }
    // A new picture starts at the top of that band again; without the technical tools the
    // rows are turned.
    bmp.setSettings(ImageRowSettings{});
    host.forget();
    MeasurementRecord record = frameRecord(1.0, 90.0);
    record.ViewMode = 2;
    record.SondeStatus.FramePeriod = 1;
    bmp.DrawDctRows(stripOfRow(patternRow(720)), 720, 1, record);
    EXPECT_EQ(host.rows().front().position, 2 * TestVisibleHeight);
    EXPECT_EQ(host.rows().front().angle, 90.0);
}

TEST_F(RowBuilderTest, TheDirectionGridDashesEveryNinetyColumns) {
    const std::uint32_t grey = pixelOf(100, 100, 100, 0);
    for (const bool grid : {true, false}) {
        SCOPED_TRACE(grid);
        ImageRowSettings s;
        s.directionGrid = grid;
        CToolsBmp fresh(&host, bus); // its grid cycle starts at 0
        ASSERT_TRUE(fresh.DrawImageBuffer(TestRowWidth, TestScaleWidth, TestVisibleHeight));
        fresh.setSettings(s);
        host.forget();
        for (int p = 0; p < 5; ++p)
            fresh.DrawDctRows(stripOf(720, [&](int) { return grey; }), 720, 1, frameRecord(1.0));
        const PixelImage memory = fresh.CopyImageMemory();
        const std::vector<DrawnRow> rows = host.rows();
        for (std::size_t k = 0; k < rows.size(); ++k) {
            const int phase = static_cast<int>(k % 17);
            std::uint32_t line = grey;
            if (grid && phase >= 4 && phase <= 7)
                line = 0xFF000000;
            if (grid && phase >= 12)
                line = 0xFFFFFF00;
            for (int i = 0; i < 720; ++i)
                ASSERT_EQ(memory.at(1 + i, rows[k].position), i % 90 == 0 ? line : grey)
                    << "row " << k << " column " << i;
        }
    }
}

TEST_F(RowBuilderTest, WindowsAreToldOfRowsColoursAndGamma) {
    MessageRecorder recorder(bus, {Role::ProbePage, Role::ColourCalibrationPage});
    MeasurementRecord record = frameRecord(2.0, 0.0, 5);
    record.Gamma = 33.0;
    bmp.DrawDctPayload(std::vector<std::uint8_t>(64, 0), 1080, 1, 3, record);
    using Received = MessageRecorder::Received;
    std::vector<Received> expected = {
        {Role::ColourCalibrationPage, command(Cmd::ReadBackRefresh), false}};
    for (int r = 0; r < 8; ++r)
        expected.push_back({Role::ProbePage, privateMessage(Cmd::ImageRowDrawn, 5), false});
    EXPECT_EQ(recorder.received(), expected);
    EXPECT_EQ(host.gammas(), std::vector<double>{33.0});

    recorder.clear();
    bmp.DrawDpcmPayload(greyDpcmPayload(10), 360, 1, 5, frameRecord(2.0, 0.0, 1));
    EXPECT_EQ(recorder.received(),
              (std::vector<Received>(
                  2, {Role::ProbePage, privateMessage(Cmd::ImageRowDrawn, 1), false})));
    EXPECT_EQ(host.gammas(), std::vector<double>{33.0}); // mode 8 shows no gamma
    bmp.DrawBlankPayload(720, 1, record);
    EXPECT_EQ(host.gammas(), (std::vector<double>{33.0, 33.0}));
}

// The payload is decoded with the frame's shutter factor and the compression parameter; a bad
// parameter is reported and the rows are still drawn.
TEST_F(RowBuilderTest, ModeSixteenPayloadsAreDecodedWithTheFramesValues) {
    RecordingUserMessages messages;
    MeasurementRecord record = frameRecord(1.0, 30.0);
    record.ShutterFactor = 1.5;
    const std::vector<std::uint8_t> empty(100, 0); // every block empty: grey 128 before k
    bmp.DrawDctPayload(empty, 720, 1, 4, record);
    PixelImage memory = bmp.CopyImageMemory();
    // A uniform row stays uniform when turned; turning sets alpha.
    for (const DrawnRow& row : host.rows())
        EXPECT_EQ(imageColumns(memory, row.position),
                  std::vector<std::uint32_t>(720, pixelOf(192, 192, 192)));
    EXPECT_TRUE(messages.shown().empty());

    host.forget();
    bmp.DrawDctPayload(empty, 720, 1, 9, record);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Sorry, Unsupported Compression Mode!"});
    EXPECT_EQ(host.rows().size(), 8u);
}

TEST_F(RowBuilderTest, PayloadsOfImpossibleWidthsAreNotDrawn) {
    for (int width : {0, -720, 1441, 100000}) {
        bmp.DrawDctRows(std::vector<std::uint32_t>(8 * 1441, 5), width, 1, frameRecord(1.0));
        bmp.DrawDctPayload(std::vector<std::uint8_t>(10, 0), width, 1, 3, frameRecord(1.0));
        bmp.DrawDpcmPayload(greyDpcmPayload(1), width, 1, 5, frameRecord(1.0));
        bmp.DrawBlankPayload(width, 1, frameRecord(1.0));
    }
    bmp.DrawDctRows(std::vector<std::uint32_t>(8 * 720 - 1, 5), 720, 1, frameRecord(1.0));
    EXPECT_TRUE(host.rows().empty());
}

// A row code wider than the payload's rows never reads past them.
TEST_F(RowBuilderTest, TheResolutionCodeNeverWidensTheRowBeyondThePayload) {
    const std::vector<std::uint32_t> source = patternRow(360);
    bmp.DrawDctRows(stripOfRow(source), 360, 1, frameRecord(1.0, 0.0, 7));
    const PixelImage memory = bmp.CopyImageMemory();
    for (int i = 0; i < 720; ++i)
        ASSERT_EQ(memory.at(1 + i, host.rows()[0].position),
                  source[static_cast<std::size_t>(i / 2)]);
}

TEST_F(RowBuilderTest, TheMemoryAndTheBandAreSavedAsPictures) {
    TempHome home;
    for (int p = 0; p < 12; ++p)
        bmp.DrawDctRows(stripOfRow(patternRow(900)), 900, 1, frameRecord(1.0 + p * 0.01, 0, 4));
    std::string error;
    ASSERT_TRUE(bmp.SaveImage(home.file("memory.png"), &error)) << error;
    ASSERT_TRUE(bmp.SaveVisibleBand(home.file("band.png"), &error)) << error;
    const std::optional<PixelImage> whole = loadPng(home.file("memory.png"), &error);
    const std::optional<PixelImage> band = loadPng(home.file("band.png"), &error);
    ASSERT_TRUE(whole && band) << error;
    const PixelImage memory = bmp.CopyImageMemory();
    PixelImage window;
    ASSERT_TRUE(bmp.ShowImage(window, true));
    const auto sameColours = [](const PixelImage& a, const PixelImage& b) {
        ASSERT_EQ(a.width(), b.width());
        ASSERT_EQ(a.height(), b.height());
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                ASSERT_EQ(a.at(x, y) & 0xFFFFFF, b.at(x, y) & 0xFFFFFF) << x << "," << y;
    };
    sameColours(*whole, memory);
    sameColours(*band, window);
}

} // namespace
} // namespace zarn::test
