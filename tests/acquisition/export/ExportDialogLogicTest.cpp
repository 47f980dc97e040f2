// The logic of the two export dialogs on logs made by the test: the texts shown once a log is
// read, each leave-field check with the message and the state it leaves, the choices that
// refuse each other, and the job and the settings the dialogs hand on.
#include "acquisition/export/BmpExportationLogic.h"
#include "acquisition/export/LasExportLogic.h"
#include "tests/acquisition/export/ExportTestSupport.h"

#include <gtest/gtest.h>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;

// 1.0 m to 16.992 m, a record every 8 mm: 16000 lines of 720 pixels, 0.9995 mm apart.
fs::path downLog(const TempHome& home, const TestLogShape& shape = {}) {
    return writeTestLog(home.path() / "log", evenRecords(10000, 80, 2000), shape);
}

// From 16.992 m up to 1.0 m.
fs::path upLog(const TempHome& home) {
    TestLogShape shape;
    shape.down = false;
    return writeTestLog(home.path() / "up", evenRecords(169920, -80, 2000), shape);
}

TEST(BmpExportationLogic, ReadingALogShowsItsRangeIntervalAndSizes) {
    TempHome home;
    struct Case {
        bool feet;
        const char *from, *to, *interval, *average, *range, *info, *perFile;
    } cases[] = {
        {false, "1.00", "16.99", "1.0", "1.00", "(0.4 - 5.0)", "720 / 15990 - (15.990 m by file)",
         "16.000 m"},
        // 1 mm is 39 mil (0.9906 mm): 16142 lines, in two files of 16000.
        {true, "3.28", "55.74", "39", "39", "(15 - 196)",
         "720 / 16142 - in 2 files - (52.00 ft by file)", "52.00 ft"},
    };
    const fs::path header = downLog(home);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.feet ? "feet" : "metres");
        BmpExportationLogic logic(PictureExportSettings{}, c.feet);
        EXPECT_FALSE(logic.ready());
        ASSERT_EQ(logic.open(header), std::nullopt);
        EXPECT_EQ(logic.fromText(), c.from);
        EXPECT_EQ(logic.toText(), c.to);
        EXPECT_EQ(logic.intervalText(), c.interval);
        EXPECT_EQ(logic.averageText(), c.average);
        EXPECT_EQ(logic.intervalRangeText(), c.range);
        EXPECT_EQ(logic.sourceText(), "720/16000 lines");
        EXPECT_EQ(logic.maxLinesText(), "16000");
        EXPECT_EQ(logic.infoText(), c.info);
        EXPECT_EQ(logic.lengthPerFileText(), c.perFile);
        EXPECT_EQ(logic.outputFolder(), header.parent_path());
    }
}

TEST(BmpExportationLogic, EachLeftFieldIsCheckedWithTheProgramsTextsAndWhatItLeaves) {
    TempHome home;
    const fs::path header = downLog(home);
    const std::string outside = "Bad entry value (begining 1.00 ending 16.99) \n";
    const std::string order =
        "Bad entry value, the depth of beginning must be smaller than the depth of stop";
    struct Step {
        const char* field;
        const char* entry;
        std::optional<std::string> message;
        const char *from, *to, *interval, *maxLines;
    } steps[] = {
        {"from", "5", std::nullopt, "5.00", "16.99", "1.0", "16000"},
        {"to", "12.345", std::nullopt, "5.00", "12.35", "1.0", "16000"},
        // A refused depth puts both back to the log's range.
        {"from", "0.5", outside, "1.00", "16.99", "1.0", "16000"},
        {"to", "3", std::nullopt, "1.00", "3.00", "1.0", "16000"},
        {"from", "3", order, "1.00", "16.99", "1.0", "16000"},
        {"to", "17.5", outside, "1.00", "16.99", "1.0", "16000"},
        {"from", "4,x", "Please enter a number.", "1.00", "16.99", "1.0", "16000"},
        // Half and five times the average spacing; a refused interval keeps the previous one.
        {"interval", "2.04", std::nullopt, "1.00", "16.99", "2.0", "16000"},
        {"interval", "0.3", "Minimal interval : 0.5 mm", "1.00", "16.99", "2.0", "16000"},
        {"interval", "5.2", "Maximal interval : 5.0 mm", "1.00", "16.99", "2.0", "16000"},
        {"interval", "-1", std::nullopt, "1.00", "16.99", "1.0", "16000"},
        // Too big gives the limit; too many files keeps the previous value.
        {"maxLines", "30000", "Sorry, the Max line is too big.\nMax limit is 25600 lines", "1.00",
         "16.99", "1.0", "25600"},
        {"maxLines", "100",
         "Sorry, the Max line value is too small.\nMax limit of file genered is 99.\nChange start "
         "or end depth for limit your generation file",
         "1.00", "16.99", "1.0", "25600"},
        {"maxLines", "0",
         "Sorry, the Max line value is too small.\nMax limit of file genered is 99.\nChange start "
         "or end depth for limit your generation file",
         "1.00", "16.99", "1.0", "25600"},
        {"maxLines", "5000", std::nullopt, "1.00", "16.99", "1.0", "5000"},
    };
    BmpExportationLogic logic(PictureExportSettings{}, false);
    ASSERT_EQ(logic.open(header), std::nullopt);
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(s.field) + " " + s.entry);
        const std::string field = s.field;
        const std::optional<std::string> message = field == "from" ? logic.enterFrom(s.entry)
                                                   : field == "to" ? logic.enterTo(s.entry)
                                                   : field == "interval"
                                                       ? logic.enterInterval(s.entry)
                                                       : logic.enterMaxLines(s.entry);
        EXPECT_EQ(message, s.message);
        EXPECT_EQ(logic.fromText(), s.from);
        EXPECT_EQ(logic.toText(), s.to);
        EXPECT_EQ(logic.intervalText(), s.interval);
        EXPECT_EQ(logic.maxLinesText(), s.maxLines);
    }
    // 15990 lines of 1 mm in files of 5000.
    EXPECT_EQ(logic.infoText(), "720 / 15990 - in 4 files - (5.000 m by file)");
    EXPECT_EQ(logic.checkBeforeRun(), std::nullopt);
    const PictureExportJob job = logic.job();
    EXPECT_EQ(job.fileCount(), 4);
    EXPECT_DOUBLE_EQ(job.interval, 0.001);
}

TEST(BmpExportationLogic, AnUpwardLogRunsFromTheDeepEndWithANegativeInterval) {
    TempHome home;
    BmpExportationLogic logic(PictureExportSettings{}, false);
    ASSERT_EQ(logic.open(upLog(home)), std::nullopt);
    EXPECT_EQ(logic.fromText(), "16.99");
    EXPECT_EQ(logic.toText(), "1.00");
    EXPECT_EQ(logic.enterFrom("10"), std::nullopt);
    EXPECT_EQ(logic.enterTo("12"),
              "Bad entry value, the depth of stop must be smaller than the depth of beginning");
    EXPECT_EQ(logic.fromText(), "16.99");
    EXPECT_EQ(logic.enterFrom("10"), std::nullopt);
    EXPECT_EQ(logic.enterTo("2.5"), std::nullopt);
    const PictureExportJob job = logic.job();
    EXPECT_DOUBLE_EQ(job.from, 10.0);
    EXPECT_DOUBLE_EQ(job.to, 2.5);
    EXPECT_DOUBLE_EQ(job.interval, -0.001);
    EXPECT_EQ(job.totalLines(), 7500);
}

TEST(BmpExportationLogic, FeetEntriesAreCheckedInFeetAndMilAndKeptInMetres) {
    TempHome home;
    BmpExportationLogic logic(PictureExportSettings{}, true);
    ASSERT_EQ(logic.open(downLog(home)), std::nullopt);
    EXPECT_EQ(logic.enterFrom("2"), "Bad entry value (begining 3.28 ending 55.74) \n");
    EXPECT_EQ(logic.enterFrom("10"), std::nullopt);
    EXPECT_EQ(logic.fromText(), "10.00");
    EXPECT_DOUBLE_EQ(logic.job().from, 10 * 0.3047995);
    EXPECT_EQ(logic.enterInterval("10"), "Minimal interval : 15 mil");
    EXPECT_EQ(logic.enterInterval("200"), "Maximal interval : 196 mil");
    EXPECT_EQ(logic.enterInterval("78"), std::nullopt);
    EXPECT_DOUBLE_EQ(logic.job().interval, 78 * MetresPerMil);
    EXPECT_TRUE(logic.job().feet);
}

TEST(BmpExportationLogic, TheChoicesComeFromAndGoBackToTheSettings) {
    PictureExportSettings saved;
    saved.decimals = 3;
    saved.mode = 1;
    saved.type = 2; // JPEG
    saved.scaleColour = 0;
    saved.lgxInterpolation = 4;
    saved.useViewer = true;
    saved.useBrowser = true;
    saved.useBicubic = true;
    BmpExportationLogic logic(saved, false);
    EXPECT_EQ(logic.type(), CBmpCreator::PictureType::Jpeg);
    EXPECT_TRUE(logic.grey());
    EXPECT_TRUE(logic.bicubic());
    EXPECT_EQ(logic.lgxItem(), 4);
    EXPECT_EQ(logic.settings(), saved);

    // BMP clears the HTML box and refuses it; TIFF clears the viewer box and refuses it.
    logic.setType(CBmpCreator::PictureType::Bmp);
    EXPECT_TRUE(logic.useViewer());
    EXPECT_FALSE(logic.useBrowser());
    EXPECT_EQ(logic.setUseBrowser(true), "Use only in JPG mode.");
    logic.setType(CBmpCreator::PictureType::Tiff);
    EXPECT_FALSE(logic.useViewer());
    EXPECT_EQ(logic.setUseViewer(true), "Use only JPG or BMP mode.");
    EXPECT_FALSE(logic.useViewer());
    EXPECT_EQ(logic.settings().type, 1);

    // Saved values outside the lists select their first item.
    PictureExportSettings odd;
    odd.type = 7;
    odd.lgxInterpolation = 0;
    odd.decimals = 9;
    const BmpExportationLogic defaults(odd, false);
    EXPECT_EQ(defaults.type(), CBmpCreator::PictureType::Bmp);
    EXPECT_EQ(defaults.lgxItem(), 1);
    EXPECT_EQ(defaults.decimals(), 4);
}

TEST(BmpExportationLogic, LgxModeTakesTheListsIntervalAndShowsTheDataSize) {
    TempHome home;
    BmpExportationLogic logic(PictureExportSettings{}, false);
    ASSERT_EQ(logic.open(downLog(home)), std::nullopt);
    logic.setLgx(true);
    logic.setLgxItem(2);
    // 7995 lines of 27 + 3 x 720 bytes: 16.67 MB, shown as whole megabytes.
    EXPECT_EQ(logic.infoText(), "LGX file - 16.00 Mb - 7995 lines");
    const PictureExportJob job = logic.job();
    EXPECT_EQ(job.output, PictureExportJob::Output::Lgx);
    EXPECT_DOUBLE_EQ(job.interval, 0.002);
    // The interval field is not in use.
    EXPECT_EQ(logic.enterInterval("0.1"), std::nullopt);
    EXPECT_EQ(lgxIntervalText(3, false), "3.0");
    EXPECT_EQ(lgxIntervalText(3, true), "118");
}

TEST(BmpExportationLogic, AFileThatIsNoLogLeavesTheDialogAsItWas) {
    TempHome home;
    const fs::path header = downLog(home);
    BmpExportationLogic logic(PictureExportSettings{}, false);
    ASSERT_EQ(logic.open(header), std::nullopt);
    ASSERT_EQ(logic.enterFrom("4"), std::nullopt);
    home.write("notes.txt", "x");
    const std::optional<std::string> wrong = logic.open(home.file("notes.txt"));
    ASSERT_TRUE(wrong);
    EXPECT_TRUE(wrong->rfind("Data file not present.", 0) == 0) << *wrong;
    EXPECT_TRUE(logic.ready());
    EXPECT_EQ(logic.fromText(), "4.00");

    // Nine records are not enough: the export is no longer possible.
    writeTestLog(home.path() / "short", evenRecords(10000, 80, 9));
    const std::optional<std::string> few = logic.open(home.path() / "short" / "WELL1.hed");
    ASSERT_TRUE(few);
    EXPECT_TRUE(few->rfind("Not enough data in file!!!", 0) == 0) << *few;
    EXPECT_FALSE(logic.ready());
    EXPECT_TRUE(logic.checkBeforeRun());
}

TEST(LasExportLogic, ReadingALogProposesTheRangeAndTheOutput) {
    TempHome home;
    const fs::path header = downLog(home);
    // The sensors sit 0.99 m above the camera: the range starts that much before the log, on
    // the range's grid of 5 cm (4 inches in feet).
    struct Case {
        bool feet;
        const char *from, *to, *unit;
    } cases[] = {{false, "0.10", "16.90", "M"}, {true, "0.67", "55.33", "ft"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.unit);
        LasExportLogic logic(LasColumns{}, c.feet);
        EXPECT_FALSE(logic.canStart());
        ASSERT_EQ(logic.open(header), std::nullopt);
        EXPECT_EQ(logic.fromText(), c.from);
        EXPECT_EQ(logic.toText(), c.to);
        EXPECT_EQ(logic.depthUnit(), std::string(c.unit));
        EXPECT_EQ(logic.outputText(), "WELL1.las");
        EXPECT_TRUE(fs::is_directory(header.parent_path() / "LAS20"));
        EXPECT_TRUE(logic.canStart());
    }
}

TEST(LasExportLogic, RangeEntriesOutputChannelsAndSettings) {
    TempHome home;
    LasColumns saved;
    saved.exportInterval = 1; // "5cm"
    LasExportLogic logic(saved, false);
    ASSERT_EQ(logic.open(downLog(home)), std::nullopt);

    EXPECT_EQ(logic.enterFrom("2.345"), std::nullopt);
    EXPECT_EQ(logic.fromText(), "2.35");
    EXPECT_EQ(logic.enterTo("2"),
              "Bad entry value, the depth of beginning must be smaller than the depth of stop");
    EXPECT_EQ(logic.fromText(), "0.10");
    EXPECT_EQ(logic.enterTo("20"), "Bad entry value (begining 0.10 ending 16.90) \n");
    EXPECT_EQ(logic.toText(), "16.90");

    logic.setOutput(std::nullopt);
    EXPECT_EQ(logic.outputText(), "*** N/A ***");
    EXPECT_FALSE(logic.canStart());
    logic.setOutput(home.file("out.las"));
    EXPECT_TRUE(logic.canStart());

    // Gamma alone is no channel on a log without a gamma sensor.
    logic.columns() =
        LasColumns{false, false, false, false, false, false, false, false, false, true, false, 0};
    EXPECT_FALSE(logic.gammaAvailable());
    EXPECT_EQ(logic.checkStart(), "You must at least choose one channel !!!");
    logic.columns().roll = true;
    EXPECT_EQ(logic.checkStart(), std::nullopt);
    logic.setReverse(true);
    const LasExportJob job = logic.job();
    EXPECT_FALSE(job.columns.gamma);
    EXPECT_TRUE(job.columns.roll);
    EXPECT_TRUE(job.reverse);
    EXPECT_EQ(job.intervalTicks, 5);
    EXPECT_EQ(job.fromUnits, 1000);
    EXPECT_EQ(job.toUnits, 169000);
    EXPECT_EQ(job.output, home.file("out.las"));
    // The gamma box keeps its setting for a log that has the sensor.
    EXPECT_TRUE(logic.settings().gamma);
    EXPECT_EQ(logic.settings().exportInterval, 1);
    logic.setIntervalIndex(5);
    EXPECT_EQ(logic.settings().exportInterval, 0);
}

TEST(LasExportLogic, AHeaderThatCannotBeReadSaysSo) {
    TempHome home;
    LasExportLogic logic(LasColumns{}, false);
    home.write("x.hed", "");
    const std::optional<std::string> missing = logic.open(home.file("x.hed"));
    ASSERT_TRUE(missing);
    EXPECT_TRUE(missing->rfind("Data file not present.", 0) == 0) << *missing;
    home.write("x.lox", "");
    home.write("x.hed", "[General]\r\nDataFiles=0\r\n");
    const std::optional<std::string> unreadable = logic.open(home.file("x.hed"));
    ASSERT_TRUE(unreadable);
    EXPECT_FALSE(logic.ready());
}

} // namespace
} // namespace zarn::test
