// The picture export run on logs made by the test: pictures that meet end to end, rows that
// stand for span / interval, features at their depths in both directions and both units, the
// blend in the right place at finer and coarser intervals, and damaged or odd logs that end
// with a message and nothing half-written.
#include "acquisition/export/PictureExportRun.h"
#include "platform/imaging/PictureCodecs.h"
#include "platform/imaging/PictureFileName.h"
#include "tests/acquisition/export/ExportTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;

// 1 mm per line: a record every 8 mm.
constexpr long long RecordStep = 80; // 0.1 mm

ExportSource sourceOrFail(const fs::path& header) {
    ExportSourceResult read = readExportSource(header);
    EXPECT_TRUE(read.source) << read.problem;
    return read.source.value_or(ExportSource{});
}

PictureExportJob jobOf(const ExportSource& source, const fs::path& out, double interval) {
    PictureExportJob job;
    const ExportSpan span = exportSpanOf(source);
    job.from = span.start;
    job.to = span.end;
    job.interval = interval;
    job.type = CBmpCreator::PictureType::Bmp;
    job.outputFolder = out;
    job.drawScale = false;
    return job;
}

// The mean grey of a picture row over columns 300 to 699 (clear of the depth scale).
double rowMean(const PixelImage& picture, int row) {
    double sum = 0;
    for (int x = 300; x < 700; ++x)
        sum += pixelGreen(picture.view().at(x, row));
    return sum / 400;
}

// Files of a folder that are not pictures the run reported (temporary leftovers).
std::vector<fs::path> strayFiles(const fs::path& folder, const PictureExportResult& result) {
    std::vector<fs::path> stray;
    for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
        bool reported = false;
        for (const GeneratedPicture& p : result.pictures)
            reported = reported || p.path == e.path();
        if (!reported)
            stray.push_back(e.path());
    }
    return stray;
}

TEST(PictureExportRun, PicturesMeetEndToEndAndShowFeaturesAtTheirDepths) {
    // Dark bands 3 mm wide at 10.5 m and 11.25 m on a light wall; records from 10 m to 12 m.
    const auto darkAt = [](double depthMm) {
        return std::fabs(depthMm - 10500) <= 1.5 || std::fabs(depthMm - 11250) <= 1.5;
    };
    struct Case {
        bool down;
        bool feet;
        int decimals;
    };
    for (const Case c :
         {Case{true, false, 2}, Case{true, true, 4}, Case{false, false, 4}, Case{false, true, 2}}) {
        SCOPED_TRACE(::testing::Message()
                     << (c.down ? "down" : "up") << (c.feet ? " ft " : " m ") << c.decimals);
        TempHome home;
        TestLogShape shape;
        shape.down = c.down;
        shape.recordsPerFile = 90; // three data files
        const long long first = c.down ? 100000 : 120000;
        const long long step = c.down ? RecordStep : -RecordStep;
        // Line r of record n lies r mm on from the record before (the first record's lines all
        // at its own depth).
        shape.pixel = [&](int n, int r, int) {
            const double mm =
                n == 0 ? first / 10.0 : (first + step * (n - 1)) / 10.0 + (c.down ? r : -r);
            return darkAt(mm) ? 0xFF101010u : 0xFFD0D0D0u;
        };
        const fs::path header =
            writeTestLog(home.file("log"), evenRecords(first, step, 251), shape);
        const ExportSource source = sourceOrFail(header);
        ASSERT_EQ(source.files.size(), 3u);
        PictureExportJob job = jobOf(source, home.file("out"), 0.001);
        job.maxLines = 600;
        job.feet = c.feet;
        job.decimals = c.decimals;
        job.drawScale = true;
        const PictureExportResult result = PictureExportRun(source, job).run();
        ASSERT_EQ(result.outcome, ExportOutcome::Done) << result.message;
        EXPECT_EQ(result.lines, 2000);
        ASSERT_EQ(result.pictures.size(), 4u);

        const double unit = c.feet ? 3.28083 : 1.0;
        const double resolution = c.decimals == 2 ? 0.005 : 0.00005;
        std::optional<double> end;
        int rows = 0;
        std::vector<double> darkRows; // the depths of the darkest rows, m
        for (const GeneratedPicture& p : result.pictures) {
            const std::optional<PictureNameParts> parts = parsePictureFileName(p.path);
            ASSERT_TRUE(parts) << p.path;
            EXPECT_EQ(parts->group, "WELL1_X");
            if (end)
                EXPECT_EQ(parts->start, *end) << "pictures meet"; // the same text, parsed
            else
                EXPECT_NEAR(parts->start, job.from * unit, resolution);
            end = parts->end;
            // The names' rounding aside, a picture holds (end - start) / interval rows.
            EXPECT_NEAR(std::fabs(parts->end - parts->start) / unit / 0.001, p.height,
                        2 * resolution / unit / 0.001 + 0.5);
            const std::optional<PixelImage> picture = loadPicture(p.path);
            ASSERT_TRUE(picture) << p.path;
            EXPECT_EQ(picture->width(), 720);
            EXPECT_EQ(picture->height(), p.height);
            rows += p.height;
            for (int row = 0; row < picture->height(); ++row) {
                // Row j of a downward picture lies at start + j x interval; an upward picture
                // starts at its bottom row.
                const int index = c.down ? row : picture->height() - 1 - row;
                const double depth = p.start + index * (c.down ? 0.001 : -0.001);
                if (rowMean(*picture, row) < 60)
                    darkRows.push_back(depth);
            }
        }
        EXPECT_NEAR(*end, job.to * unit, resolution);
        EXPECT_EQ(rows, 2000);
        ASSERT_FALSE(darkRows.empty());
        for (const double d : darkRows)
            EXPECT_TRUE(std::fabs(d - 10.5) <= 0.0025 || std::fabs(d - 11.25) <= 0.0025) << d;
        EXPECT_TRUE(fs::exists(result.pictures.front().path));
    }
}

TEST(PictureExportRun, AGradientStaysInPlaceAtFinerAndCoarserIntervals) {
    // Each record one flat grey, 8 levels brighter than the record before: a line at depth e
    // shows its record's level, and an output line between the last line of one record and the
    // first of the next is their blend, by where it lies between them.
    const auto levelOf = [](int n) { return 40 + 8 * n; };
    TempHome home;
    TestLogShape shape;
    shape.pixel = [&](int n, int, int) {
        const auto level = static_cast<unsigned>(levelOf(n));
        return pixelOf(level, level, level);
    };
    const fs::path header =
        writeTestLog(home.file("log"), evenRecords(100000, RecordStep, 26), shape);
    const ExportSource source = sourceOrFail(header);
    // Record n's lines lie from record n - 1's depth on, 1 mm apart: at 8(n - 1) to
    // 8(n - 1) + 7 mm past 10 m; the first record's all at 0 mm.
    const auto expectedAt = [&](double mm) {
        if (mm < 1e-9)
            return static_cast<double>(levelOf(0));
        const int m = static_cast<int>(std::floor(mm / 8 + 1e-9));
        const double within = mm - 8 * m;
        if (within <= 7 + 1e-9)
            return static_cast<double>(levelOf(m + 1));
        return levelOf(m + 1) + (within - 7) * (levelOf(m + 2) - levelOf(m + 1));
    };
    for (const double interval : {0.001, 0.0025, 0.0003}) {
        SCOPED_TRACE(interval);
        const fs::path out = home.file(format("out%.4f", interval));
        const PictureExportResult result =
            PictureExportRun(source, jobOf(source, out, interval)).run();
        ASSERT_EQ(result.outcome, ExportOutcome::Done) << result.message;
        ASSERT_EQ(result.pictures.size(), 1u);
        const std::optional<PixelImage> picture = loadPicture(result.pictures[0].path);
        ASSERT_TRUE(picture);
        // The last record's lines end a line short of its depth (10.199 m): the targets up
        // to there.
        EXPECT_EQ(picture->height(), static_cast<int>(std::floor(0.199 / interval + 1e-9)) + 1);
        double before = 0;
        for (int row = 0; row < picture->height(); ++row) {
            const double mm = std::round(row * interval * 10000) / 10; // past 10 m
            const double mean = rowMean(*picture, row);
            EXPECT_NEAR(mean, expectedAt(mm), 1.5) << "row " << row << " at " << mm << " mm";
            EXPECT_GE(mean, before - 1) << "row " << row;
            before = mean;
        }
    }
}

TEST(PictureExportRun, MixedModesACutLogAndTheLastShortPicture) {
    TempHome home;
    std::vector<TestRecord> records = evenRecords(100000, RecordStep, 60);
    for (std::size_t i = 0; i < records.size(); ++i)
        records[i].mode = i % 3 == 0 ? 16 : i % 3 == 1 ? 8 : 0;
    const fs::path header = writeTestLog(home.file("log"), records);
    // The last record cut short, as a power cut leaves it.
    const fs::path data = home.file("log") / "WELL1.lox";
    fs::resize_file(data, fs::file_size(data) - 20);
    const ExportSource source = sourceOrFail(header);
    PictureExportJob job = jobOf(source, home.file("out"), 0.001);
    // The data end at 10.460 m (the cut record is not read; the last whole one, of mode 8,
    // spreads its two lines from the record before's 10.456 m): 461 of the 470 lines asked for,
    // 458 in the first picture and 3 left, too few for a picture of their own.
    job.to = 10.47;
    job.maxLines = 458;
    const PictureExportResult result = PictureExportRun(source, job).run();
    ASSERT_EQ(result.outcome, ExportOutcome::Done) << result.message;
    ASSERT_EQ(result.pictures.size(), 1u);
    EXPECT_EQ(result.lines, 461);
    EXPECT_NEAR(result.pictures[0].end, result.pictures[0].start + 0.458, 1e-9);
    ASSERT_FALSE(result.notes.empty());
    EXPECT_NE(result.notes.back().find("too few"), std::string::npos);

    // Exported to the end: the cut record ends the data and is reported.
    job.to = exportSpanOf(source).end;
    job.maxLines = 25600;
    const PictureExportResult whole = PictureExportRun(source, job).run();
    ASSERT_EQ(whole.outcome, ExportOutcome::Done) << whole.message;
    bool cut = false;
    for (const std::string& note : whole.notes)
        cut = cut || note.find("the records end at byte") != std::string::npos;
    EXPECT_TRUE(cut);
    EXPECT_TRUE(strayFiles(home.file("out"),
                           [&] {
                               PictureExportResult all = result;
                               all.pictures.insert(all.pictures.end(), whole.pictures.begin(),
                                                   whole.pictures.end());
                               return all;
                           }())
                    .empty());
}

TEST(PictureExportRun, OddHeadersAreRefusedWithTheirMessages) {
    TempHome home;
    const fs::path header = writeTestLog(home.file("log"), evenRecords(100000, RecordStep, 20));
    std::string text = home.read("log/WELL1.hed");
    struct Case {
        std::string header;
        const char* problem;
    };
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string t = text;
        t.replace(t.find(from), from.size(), to);
        return t;
    };
    for (const Case& c : {
             Case{replaced("DataFiles=1", "DataFiles=2") +
                      "[File2]\r\nFileName=../../outside.lox\r\nSampleCount=5\r\n",
                  ExportSourceText::NoDataFile},
             Case{replaced("DataFiles=1", "DataFiles=2") + "[File2]\r\nFileName=..\r\n",
                  ExportSourceText::NoDataFile},
             Case{replaced("DataFiles=1", "DataFiles=5000"), "the header lists 5000 data files"},
             Case{replaced("SampleCount=20", "SampleCount=9"), ExportSourceText::NotEnoughData},
         }) {
        home.write("log/WELL1.hed", c.header);
        // A file outside the log's folder with the listed name must not be read.
        home.write("outside.lox", std::string(200, 'x'));
        const ExportSourceResult read = readExportSource(header);
        EXPECT_FALSE(read.source);
        EXPECT_EQ(read.problem.rfind(c.problem, 0), 0u) << read.problem;
    }
    home.write("log/WELL1.hed", text);
    // Not a header's name, although its data file is there.
    EXPECT_EQ(readExportSource(home.file("log/WELL1.txt")).problem.rfind("Bad header file.", 0),
              0u);
}

TEST(PictureExportRun, DataFilesAreFoundWhateverTheCaseOfTheirNames) {
    TempHome home;
    TestLogShape shape;
    shape.recordsPerFile = 10;
    const fs::path header =
        writeTestLog(home.file("log"), evenRecords(100000, RecordStep, 30), shape);
    fs::rename(home.file("log/WELL1_2.lox"), home.file("log/well1_2.LOX"));
    const ExportSource source = sourceOrFail(header);
    ASSERT_EQ(source.files.size(), 3u);
    EXPECT_EQ(source.files[1].path.filename(), "well1_2.LOX");
}

TEST(PictureExportRun, ACancelKeepsTheSavedPicturesWholeAndLeavesNothingElse) {
    TempHome home;
    const fs::path header = writeTestLog(home.file("log"), evenRecords(100000, RecordStep, 130));
    const ExportSource source = sourceOrFail(header);
    PictureExportJob job = jobOf(source, home.file("out"), 0.001);
    job.maxLines = 200;
    // Cancels once the second picture has begun.
    class CancelAtSecondPicture : public Progress {
    public:
        void stage(std::string_view text) override {
            if (text.rfind("Creating file 2", 0) == 0)
                cancel_ = true;
        }
        void fraction(double) override {}
        bool cancelled() const override { return cancel_; }

    private:
        bool cancel_ = false;
    } progress;
    const PictureExportResult result = PictureExportRun(source, job).run(progress);
    EXPECT_EQ(result.outcome, ExportOutcome::Cancelled);
    ASSERT_EQ(result.pictures.size(), 1u);
    EXPECT_TRUE(loadPicture(result.pictures[0].path));
    EXPECT_TRUE(strayFiles(home.file("out"), result).empty());
}

} // namespace
} // namespace zarn::test
