// The LGX image log read back by a reader of its own: one record of 27 + 3w bytes per output
// line, depths stepping by exactly the interval, the records' raw values and gamma those of the
// log, grey records grey, the description agreeing; and an earlier image log left byte for byte
// as it was by a run that is cancelled or may not replace it.
#include "acquisition/export/PictureExportRun.h"
#include "platform/FileIo.h"
#include "platform/ProfileDocument.h"
#include "tests/acquisition/export/ExportTestSupport.h"

#include <gtest/gtest.h>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;

constexpr std::array<std::int16_t, 6> Raw = {-1200, 350, 2100, -400, 800, 9000};

struct LgxRecord {
    std::int32_t depthMm, timeMs;
    std::int16_t angle;
    std::array<std::int16_t, 6> raw;
    std::int32_t gamma;
    std::uint8_t temperature;
    std::vector<std::array<std::uint8_t, 3>> pixels;
};

std::vector<LgxRecord> readLgx(const std::string& bytes, int width) {
    const std::size_t size = 27 + 3 * static_cast<std::size_t>(width);
    EXPECT_EQ(bytes.size() % size, 0u);
    const auto u = [&](std::size_t at) { return static_cast<std::uint8_t>(bytes[at]); };
    const auto s16 = [&](std::size_t at) {
        return static_cast<std::int16_t>(u(at) | (u(at + 1) << 8));
    };
    const auto s32 = [&](std::size_t at) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(u(at)) |
                                         (static_cast<std::uint32_t>(u(at + 1)) << 8) |
                                         (static_cast<std::uint32_t>(u(at + 2)) << 16) |
                                         (static_cast<std::uint32_t>(u(at + 3)) << 24));
    };
    std::vector<LgxRecord> records;
    for (std::size_t at = 0; at + size <= bytes.size(); at += size) {
        LgxRecord r{s32(at), s32(at + 4), s16(at + 8), {}, s32(at + 22), u(at + 26), {}};
        for (std::size_t i = 0; i < 6; ++i)
            r.raw[i] = s16(at + 10 + 2 * i);
        for (int x = 0; x < width; ++x) {
            const std::size_t p = at + 27 + 3 * static_cast<std::size_t>(x);
            r.pixels.push_back({u(p), u(p + 1), u(p + 2)});
        }
        records.push_back(std::move(r));
    }
    return records;
}

struct LgxCase {
    bool down;
    bool grey;
    bool bicubic;
    int deviation;
};

TEST(LgxExport, AReaderOfItsOwnFindsEveryLineAsTheLogHasIt) {
    for (const LgxCase c : {LgxCase{true, false, false, 0}, LgxCase{false, true, true, 2},
                            LgxCase{true, true, true, 1}}) {
        SCOPED_TRACE(::testing::Message() << c.down << c.grey << c.bicubic << c.deviation);
        TempHome home;
        TestLogShape shape;
        shape.down = c.down;
        shape.gammaOnBoard = true;
        shape.gammaCoef = 2.0;
        shape.pixel = [](int n, int, int x) { return pixelOf(200, 40 + n % 100, x % 256); };
        const long long first = c.down ? 100000 : 110000;
        std::vector<TestRecord> logRecords = evenRecords(first, c.down ? 80 : -80, 126);
        for (TestRecord& r : logRecords) {
            r.hx = Raw[0];
            r.gx = Raw[1];
            r.hy = Raw[2];
            r.gy = Raw[3];
            r.hz = Raw[4];
            r.gz = Raw[5];
            r.gamma = 250;
        }
        const fs::path header = writeTestLog(home.file("log"), logRecords, shape);
        const ExportSourceResult read = readExportSource(header);
        ASSERT_TRUE(read.source) << read.problem;
        PictureExportJob job;
        job.from = c.down ? 10.0 : 11.0;
        job.to = c.down ? 11.0 : 10.0;
        job.interval = 0.002;
        job.output = PictureExportJob::Output::Lgx;
        job.colourMode = c.grey ? CBmpCreator::GreyMode : CBmpCreator::TrueColourMode;
        job.bicubic = c.bicubic;
        job.deviation = c.deviation;
        job.outputFolder = home.file("out");
        const PictureExportResult result = PictureExportRun(*read.source, job).run();
        ASSERT_EQ(result.outcome, ExportOutcome::Done) << result.message;
        EXPECT_TRUE(result.pictures.empty());
        const char* tag = c.deviation == 1 ? "_N_" : c.deviation == 2 ? "_H_" : "_X_";
        EXPECT_EQ(result.lgxData,
                  home.file("out") / "LGX" / (std::string("WELL1") + tag + "LGX.lgx"));

        const std::string bytes = readWholeFile(result.lgxData).value_or("");
        EXPECT_EQ(bytes.size(), 500u * (27 + 3 * 720));
        const std::vector<LgxRecord> records = readLgx(bytes, 720);
        ASSERT_EQ(records.size(), 500u);
        for (std::size_t i = 0; i < records.size(); ++i) {
            const LgxRecord& r = records[i];
            EXPECT_EQ(r.depthMm, (c.down ? 10000 : 11000) + (c.down ? 2 : -2) * static_cast<int>(i))
                << i;
            EXPECT_EQ(r.raw, Raw) << i;
            EXPECT_EQ(r.gamma, 500) << i;
            EXPECT_EQ(r.temperature, 70 * 8 / 7);
            if (c.grey) {
                for (const auto& p : r.pixels)
                    ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << i;
            }
            if (i > 0) {
                EXPECT_GE(r.timeMs, records[i - 1].timeMs);
            }
        }
        EXPECT_EQ(records.front().timeMs, 0);

        const ProfileDocument d =
            ProfileDocument::parse(readWholeFile(result.lgxDescription).value_or(""));
        EXPECT_EQ(d.get("General", "Viewer").value_or(""), "HIRAT_LGX");
        EXPECT_EQ(d.get("General", "HorizontalMode").value_or(""), c.deviation == 2 ? "1" : "0");
        EXPECT_EQ(d.get("File1", "FileName").value_or(""), std::string("WELL1") + tag + "LGX.lgx");
        EXPECT_EQ(d.get("File1", "Interval").value_or(""), "2");
        EXPECT_EQ(d.get("File1", "Mode").value_or(""), c.down ? "12" : "11");
        EXPECT_EQ(d.get("File1", "StartDepth").value_or(""), c.down ? "10000" : "11000");
        EXPECT_EQ(d.get("File1", "EndDepth").value_or(""), std::to_string(records.back().depthMm));
        EXPECT_EQ(d.get("WellInfo", "EndDepth").value_or(""),
                  std::to_string(records.back().depthMm));
        EXPECT_EQ(d.get("File1", "EndTime").value_or(""), std::to_string(records.back().timeMs));
        EXPECT_EQ(d.get("File1", "RecLineSize").value_or(""), std::to_string(27 + 3 * 720));
        EXPECT_EQ(d.get("WellInfo", "step").value_or(""), "2");
        EXPECT_EQ(d.get("WellInfo", "DepthUnit").value_or(""), "MM");
        EXPECT_EQ(d.get("WellInfo", "Resampling ZARN Tool (S/N)").value_or(""), "417");
        EXPECT_EQ(d.get("WellInfo", "Resampling Picture resolution").value_or(""), "720");
        EXPECT_EQ(d.get("Channel9", "Title").value_or(""), "NATURAL GAMMA");
        EXPECT_EQ(d.get("Channel11", "SampleCount").value_or(""), "720");
        EXPECT_EQ(d.get("Channel11", "DataOffset").value_or(""), "27");
    }
}

TEST(LgxExport, AnEarlierImageLogStaysAsItWasWhenARunIsCancelledOrMayNotReplaceIt) {
    TempHome home;
    const fs::path header = writeTestLog(home.file("log"), evenRecords(100000, 80, 126));
    const ExportSourceResult read = readExportSource(header);
    ASSERT_TRUE(read.source) << read.problem;
    PictureExportJob job;
    job.from = 10.0;
    job.to = 11.0;
    job.interval = 0.001;
    job.output = PictureExportJob::Output::Lgx;
    job.outputFolder = home.file("out");
    home.write("out/LGX/WELL1_X_LGX.HED", "an earlier description");
    home.write("out/LGX/WELL1_X_LGX.lgx", "earlier records");

    const PictureExportResult declined = PictureExportRun(*read.source, job).run();
    EXPECT_EQ(declined.outcome, ExportOutcome::Declined);
    EXPECT_EQ(declined.message, LgxWriter::ReplaceQuestion);

    job.replaceLgx = true;
    class CancelMidway : public Progress {
    public:
        void stage(std::string_view) override {}
        void fraction(double done) override { cancel_ = cancel_ || done >= 0.3; }
        bool cancelled() const override { return cancel_; }

    private:
        bool cancel_ = false;
    } progress;
    const PictureExportResult cancelled = PictureExportRun(*read.source, job).run(progress);
    EXPECT_EQ(cancelled.outcome, ExportOutcome::Cancelled);

    EXPECT_EQ(home.read("out/LGX/WELL1_X_LGX.HED"), "an earlier description");
    EXPECT_EQ(home.read("out/LGX/WELL1_X_LGX.lgx"), "earlier records");
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(home.file("out/LGX")))
        ++files;
    EXPECT_EQ(files, 2u) << "no temporary file left";

    const PictureExportResult replaced = PictureExportRun(*read.source, job).run();
    ASSERT_EQ(replaced.outcome, ExportOutcome::Done) << replaced.message;
    EXPECT_EQ(fs::file_size(home.file("out/LGX/WELL1_X_LGX.lgx")), 1000u * (27 + 3 * 720));
}

} // namespace
} // namespace zarn::test
