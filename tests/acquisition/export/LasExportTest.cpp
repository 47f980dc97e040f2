// The LAS export on logs made by the test: the file's sections in both units, both directions
// and both orders; sensor alignment by the header's offsets; gaps, back-ups and missing sensor
// data; the number formats; and runs that fail or are cancelled, which leave no file behind and
// an earlier file as it was.
#include "acquisition/export/LasExport.h"
#include "acquisition/export/LasLineWriter.h"
#include "platform/FileIo.h"
#include "tests/acquisition/export/ExportTestSupport.h"
#include "tests/acquisition/export/LasTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;

// Raw values of a sonde inclined by degrees toward its Y axis, with a field the heading can use.
void incline(TestRecord& r, double degrees) {
    const double a = degrees * M_PI / 180.0;
    r.gx = static_cast<int>(std::lround(-10000 * std::cos(a)));
    r.gy = static_cast<int>(std::lround(10000 * std::sin(a)));
    r.gz = 0;
    r.hx = 2000;
    r.hy = 3000;
    r.hz = -4000;
}

// Records every step units from first (negative going up), mode 0, inclined 4 degrees, gamma 50.
std::vector<TestRecord> loggedRecords(long long first, long long step, int count) {
    std::vector<TestRecord> records = evenRecords(first, step, count);
    for (TestRecord& r : records) {
        r.mode = 0;
        r.gamma = 50;
        incline(r, 4);
    }
    return records;
}

ExportSource sourceOrFail(const fs::path& header) {
    ExportSourceResult read = readExportSource(header);
    EXPECT_TRUE(read.source) << read.problem;
    return read.source.value_or(ExportSource{});
}

// The job the dialog proposes: every column, the first interval, the proposed range.
LasExportJob jobOf(const ExportSource& source, bool feet, const fs::path& output,
                   const fs::path& work, int intervalTicks = 1) {
    LasExportJob job;
    job.feet = feet;
    job.intervalTicks = intervalTicks;
    const LasRange range = lasRangeOf(source, feet);
    EXPECT_TRUE(range.from) << range.message;
    const LasDepthGrid grid{feet};
    job.fromUnits = grid.unitsOf(range.from.value_or(0));
    job.toUnits = grid.unitsOf(range.to.value_or(0));
    job.output = output;
    job.workFolder = work;
    return job;
}

struct Exported {
    LasExportResult result;
    ReadLas las;
    std::string text;
};

Exported exportLas(const ExportSource& source, const LasExportJob& job,
                   Progress& progress = noProgress()) {
    Exported e;
    e.result = LasExport(source, job).run(progress);
    e.text = readWholeFile(job.output).value_or("");
    e.las = readLas(e.text);
    return e;
}

std::vector<fs::path> filesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file())
            files.push_back(it->path());
    return files;
}

const std::vector<std::string> AllCurves = {"DEPTH", "IMGINCL", "IMGAZ", "SPEED", "GAMMA", "INCL",
                                            "AZ",    "HGDELTA", "ROLL",  "MROLL", "TGRAV", "TMAG",
                                            "GX",    "GY",      "GZ",    "HX",    "HY",    "HZ"};

TEST(LasExport, TheFileFollowsTheStandardInBothUnitsDirectionsAndOrders) {
    TempHome home;
    struct Case {
        bool feet, down, reverse;
    };
    for (const Case c :
         {Case{false, true, false}, Case{false, true, true}, Case{false, false, false},
          Case{false, false, true}, Case{true, true, false}, Case{true, true, true},
          Case{true, false, false}, Case{true, false, true}}) {
        const std::string name = format("%s_%s_%s", c.feet ? "ft" : "m", c.down ? "down" : "up",
                                        c.reverse ? "rev" : "fwd");
        SCOPED_TRACE(name);
        TestLogShape shape;
        shape.down = c.down;
        shape.gammaOnBoard = true;
        // 10 m to 14 m, a record every 8 mm.
        const std::vector<TestRecord> records =
            c.down ? loggedRecords(100000, 80, 500) : loggedRecords(140000, -80, 500);
        const ExportSource source = sourceOrFail(writeTestLog(home.file(name), records, shape));
        LasExportJob job = jobOf(source, c.feet, home.file(name + "/out.las"), home.file("work"));
        job.reverse = c.reverse;
        const Exported e = exportLas(source, job);
        ASSERT_EQ(e.result.outcome, LasPassOutcome::Done) << e.result.message;
        ASSERT_EQ(e.las.problem, "");

        // ~V
        EXPECT_EQ(e.las.versionValue("VERS"), "2.0");
        EXPECT_EQ(e.las.versionValue("WRAP"), "NO");
        // ~C: the curves in order, with their units and no blank inside a mnemonic.
        EXPECT_EQ(e.las.mnemonics(), AllCurves);
        for (const LasLine& line : e.las.curves) {
            const std::string before = line.raw.substr(0, line.raw.find('.'));
            EXPECT_EQ(std::string(trim(before)).find_first_of(" \t"), std::string::npos)
                << line.raw;
        }
        const char* depthUnit = c.feet ? "ft" : "M";
        EXPECT_EQ(e.las.curves[0].unit, depthUnit);
        EXPECT_EQ(e.las.curves[3].unit, c.feet ? "ft/Min" : "M/Min");
        EXPECT_EQ(e.las.curves[4].unit, "CPS");
        EXPECT_EQ(e.las.curves[11].unit, "nT");
        // ~W: STRT and STOP the first and last depths of ~A, STEP the step between lines.
        ASSERT_GE(e.las.rows.size(), 100u);
        EXPECT_EQ(static_cast<long long>(e.las.rows.size()), e.result.lines);
        for (const char* mnemonic : {"STRT", "STOP", "STEP"})
            EXPECT_EQ(e.las.wellLine(mnemonic) ? e.las.wellLine(mnemonic)->unit : "", depthUnit)
                << mnemonic;
        const double strt = e.las.wellValue("STRT");
        const double stop = e.las.wellValue("STOP");
        const double step = e.las.wellValue("STEP");
        EXPECT_EQ(e.las.wellValue("NULL"), -9999.25);
        EXPECT_DOUBLE_EQ(e.las.rows.front()[0], strt);
        EXPECT_DOUBLE_EQ(e.las.rows.back()[0], stop);
        EXPECT_NEAR((stop - strt) / step, static_cast<double>(e.las.rows.size() - 1), 0.01);
        const double magnitude = c.feet ? 1.0 / 12.0 : 0.01;
        EXPECT_NEAR(std::fabs(step), magnitude, 1e-6);
        // Deeper line after line going down, and the other way up; Reverse turns it round.
        EXPECT_EQ(step > 0, c.down != c.reverse);
        for (std::size_t i = 1; i < e.las.rows.size(); ++i)
            ASSERT_NEAR(e.las.rows[i][0] - e.las.rows[i - 1][0], step, 1.5e-6) << i;
        // The lines lie in the exported range.
        const double scale = c.feet ? 1.0 / (12.0 * LasDepthGrid::UnitsPerInch) : 1e-4;
        const double low = std::min(job.fromUnits, job.toUnits) * scale - magnitude / 2;
        const double high = std::max(job.fromUnits, job.toUnits) * scale + magnitude / 2;
        EXPECT_GE(std::min(strt, stop), low);
        EXPECT_LE(std::max(strt, stop), high);
        // The values where every sensor was: 4 degrees, gamma 50, 5 m/min; never the
        // orientation's no-data value.
        int full = 0;
        for (const std::vector<double>& row : e.las.rows) {
            ASSERT_EQ(std::count(row.begin(), row.end(), OrientationNoData), 0);
            if (std::count(row.begin(), row.end(), LasNull) > 0)
                continue;
            ++full;
            EXPECT_NEAR(row[1], 4.0, 0.011);
            EXPECT_NEAR(row[5], 4.0, 0.011);
            EXPECT_NEAR(row[4], 50.0, 1e-9);
            EXPECT_NEAR(std::fabs(row[3]), c.feet ? 5 * 3.28083 : 5.0, 0.006);
        }
        EXPECT_GT(full, 100);
        // The file is whole and alone: no temporary file beside it or in the work folder.
        EXPECT_EQ(filesIn(home.file("work")).size(), 0u);
        EXPECT_EQ(fs::exists(home.file(name + "/out.las")), true);
    }
}

// A gamma spike and an inclination step at one true depth: the gamma sensor passed it when the
// camera was 1.37 m deeper, the deviation sensor when it was 0.99 m deeper (the header's offsets
// 8, 107 and 145 cm). In the file both sit at the same depth, within one step, in every unit,
// interval and direction.
TEST(LasExport, SensorsAreAlignedOnOneDepthByTheirOffsets) {
    TempHome home;
    constexpr double TrueDepth = 11.5;
    struct Case {
        bool feet, down;
        int ticks;
    };
    for (const Case c :
         {Case{false, true, 1}, Case{false, true, 5}, Case{false, false, 1}, Case{false, false, 5},
          Case{true, true, 1}, Case{true, true, 4}, Case{true, false, 2}}) {
        const std::string name =
            format("%s_%s_%d", c.feet ? "ft" : "m", c.down ? "down" : "up", c.ticks);
        SCOPED_TRACE(name);
        TestLogShape shape;
        shape.down = c.down;
        shape.gammaOnBoard = true;
        // A record every 2 mm between 10 m and 14 m.
        std::vector<TestRecord> records =
            c.down ? loggedRecords(100000, 20, 2001) : loggedRecords(140000, -20, 2001);
        std::size_t spike = 0;
        for (std::size_t i = 0; i < records.size(); ++i) {
            TestRecord& r = records[i];
            const double camera = r.depthUnits / 1e4;
            incline(r, camera - 0.99 > TrueDepth ? 10 : 4);
            if (std::fabs(camera - 1.37 - TrueDepth) <
                std::fabs(records[spike].depthUnits / 1e4 - 1.37 - TrueDepth))
                spike = i;
        }
        records[spike].gamma = 5000;
        const ExportSource source = sourceOrFail(writeTestLog(home.file(name), records, shape));
        const LasExportJob job =
            jobOf(source, c.feet, home.file(name + "/out.las"), home.file("work"), c.ticks);
        const Exported e = exportLas(source, job);
        ASSERT_EQ(e.result.outcome, LasPassOutcome::Done) << e.result.message;
        const int depth = e.las.column("DEPTH");
        const int gamma = e.las.column("GAMMA");
        const int inclination = e.las.column("INCL");
        ASSERT_TRUE(depth == 0 && gamma > 0 && inclination > 0);
        const double step = std::fabs(e.las.wellValue("STEP"));
        const double feet = c.feet ? 3.28083 : 1.0;

        double spikeDepth = 0, peak = -1;
        double edgeDepth = 1e9; // the shallowest line of 10 degrees
        for (const std::vector<double>& row : e.las.rows) {
            if (row[gamma] > peak) {
                peak = row[gamma];
                spikeDepth = row[depth];
            }
            if (row[inclination] != LasNull && row[inclination] > 7)
                edgeDepth = std::min(edgeDepth, row[depth]);
        }
        ASSERT_GT(peak, 50.0);
        ASSERT_LT(edgeDepth, 1e9);
        EXPECT_LE(std::fabs(spikeDepth - edgeDepth), step + 1e-6)
            << "gamma spike at " << spikeDepth << ", inclination step at " << edgeDepth;
        EXPECT_LE(std::fabs(spikeDepth - TrueDepth * feet), 1.5 * step + 1e-6) << spikeDepth;
        EXPECT_LE(std::fabs(edgeDepth - TrueDepth * feet), 1.5 * step + 1e-6) << edgeDepth;
    }
}

// A gap repeats the values before it; a back-up adds nothing; a last record that creeps back
// keeps the log's direction; records without sensor data give nulls, never -99999.
TEST(LasExport, GapsBackUpsAndMissingSensorDataKeepTheGridHonest) {
    TempHome home;
    TestLogShape shape;
    shape.gammaOnBoard = true;
    shape.deviationOffset = 8; // every sensor at the camera: record and line depths agree
    shape.gammaOffset = 8;
    std::vector<TestRecord> records = loggedRecords(100000, 80, 100); // 10.000 to 10.792
    for (TestRecord& r : records)
        r.gamma = 100;
    // A 5.2 cm gap after 10.792, then records with gamma 200.
    std::vector<TestRecord> after = loggedRecords(108440, 80, 100); // 10.844 to 11.636
    for (TestRecord& r : after)
        r.gamma = 200;
    // The sonde backs up 30 cm in the middle of them, with gamma 999, then comes back.
    std::vector<TestRecord> backUp = loggedRecords(110800, -80, 30);
    for (TestRecord& r : backUp) {
        r.gamma = 999;
        r.speed = -500;
    }
    after.insert(after.begin() + 50, backUp.begin(), backUp.end());
    // Records without sensor data between 11.2 and 11.3 m.
    for (TestRecord& r : after)
        if (r.depthUnits >= 112000 && r.depthUnits <= 113000 && r.gamma == 200)
            r.gx = -32768;
    records.insert(records.end(), after.begin(), after.end());
    // The last record creeps up 2 mm.
    TestRecord creep = records.back();
    creep.depthUnits -= 20;
    creep.speed = -10;
    records.push_back(creep);

    const ExportSource source = sourceOrFail(writeTestLog(home.file("log"), records, shape));
    LasExportJob job = jobOf(source, false, home.file("log/out.las"), home.file("work"));
    job.fromUnits = 100000;
    job.toUnits = 116300;
    const Exported e = exportLas(source, job);
    ASSERT_EQ(e.result.outcome, LasPassOutcome::Done) << e.result.message;
    const int gamma = e.las.column("GAMMA");
    const int inclination = e.las.column("INCL");
    const int gx = e.las.column("GX");
    // Every grid depth from 10.00 to 11.63 is written, in order.
    ASSERT_EQ(e.las.rows.size(), 164u);
    EXPECT_DOUBLE_EQ(e.las.rows.front()[0], 10.0);
    EXPECT_DOUBLE_EQ(e.las.rows.back()[0], 11.63);
    for (const std::vector<double>& row : e.las.rows) {
        const double d = row[0];
        SCOPED_TRACE(d);
        EXPECT_NE(row[gamma], LasNull);
        EXPECT_NE(row[gamma], 999.0);
        // Before the gap 100; the gap's depths repeat it; 10.85 already averages records after.
        if (d <= 10.84 + 1e-9)
            EXPECT_EQ(row[gamma], 100.0);
        else
            EXPECT_EQ(row[gamma], 200.0);
        const bool noSensor = d >= 11.21 - 1e-9 && d <= 11.30 + 1e-9;
        if (noSensor) {
            EXPECT_EQ(row[inclination], LasNull);
            EXPECT_EQ(row[gx], LasNull);
        } else {
            EXPECT_NEAR(row[inclination], 4.0, 0.011);
        }
    }
    ASSERT_EQ(e.result.notes.size(), 1u);
    EXPECT_NE(e.result.notes[0].find("30 record(s) behind"), std::string::npos)
        << e.result.notes[0];
}

TEST(LasExport, NumbersAreWrittenInTheirFormats) {
    struct Case {
        const char* kind;
        double value;
        const char* text;
    };
    for (const Case c : {
             Case{"value", 12.345, "     12.35"},
             Case{"value", LasNull, "  -9999.25"},
             Case{"value3", 1.0004, "     1.000"},
             Case{"value3", LasNull, "  -9999.25"},
             Case{"angle", 359.996, "      0.00"},
             Case{"angle", 359.994, "    359.99"},
             Case{"angle", 0.005, "      0.01"},
             Case{"angle", LasNull, "  -9999.25"},
             Case{"counts", -1234.9, "     -1234"},
             Case{"counts", LasNull, "  -9999.25"},
             Case{"tmag", 0.48123456, "     48123"},
         }) {
        LasLineWriter line;
        line.begin(1.0, 2);
        const std::string kind = c.kind;
        if (kind == "value")
            line.value(c.value);
        else if (kind == "value3")
            line.value(c.value, 3);
        else if (kind == "angle")
            line.angle(c.value);
        else if (kind == "counts")
            line.counts(c.value);
        else
            line.counts(c.value, 100000.0);
        EXPECT_EQ(line.line(), std::string("\n     1.00") + c.text) << c.kind << " " << c.value;
    }
    LasLineWriter feet;
    feet.begin(1.0 / 12.0 * 397, 6);
    EXPECT_EQ(feet.line(), "\n    33.083333");

    // Whatever the value, the text is printf's: ties of the binary value, values a hair off a
    // tie, small and negative values, every precision the file uses.
    std::mt19937 random(17);
    std::uniform_real_distribution<double> spread(-20000.0, 20000.0);
    std::vector<double> values = {0.125, -0.125,  2.675,     1.005,        0.0005,   -0.004, 0.0,
                                  -0.0,  359.995, 12345.678, 1e11 + 0.375, 0.015625, 99.995};
    for (int i = 0; i < 20000; ++i)
        values.push_back(i % 2 ? spread(random)
                               : std::round(spread(random) * 1000) / 1000 + 0.0005);
    for (const double value : values)
        for (const int decimals : {2, 3, 6}) {
            char text[64];
            const std::size_t n = LasLineWriter::fixed(text, sizeof text, value, 9, decimals);
            ASSERT_EQ(std::string(text, n), format("%9.*f", decimals, value))
                << value << " " << decimals;
        }
    // An angle is the value rounded to hundredths, half away from zero, 360.00 as 0.00.
    values.insert(values.end(), {-0.004, -0.005, 0.005, 359.994999, 359.995, 360.0, 720.5, -360.0,
                                 1e13, std::numeric_limits<double>::quiet_NaN()});
    for (const double value : values) {
        double rounded = std::round(value * 100.0) / 100.0;
        if (rounded > 359.99)
            rounded = 0.0;
        LasLineWriter line;
        line.begin(1.0, 2);
        line.angle(value);
        char text[64];
        const std::size_t n = LasLineWriter::fixed(text, sizeof text, rounded, 9, 2);
        ASSERT_EQ(line.line(), "\n     1.00 " + std::string(text, n)) << value;
    }
}

// The grid held in memory and the grid in its file are the same grid: records read back by their
// index in any order, and the same LAS file in both directions and both orders.
TEST(LasExport, AGridPastItsMemoryGoesToItsFileAndWritesTheSameFile) {
    TempHome home;
    // Enough records for several blocks of the memory.
    constexpr int Records = 30000;
    for (const long long budget : {100000LL, 1000LL}) { // records the memory holds
        SCOPED_TRACE(budget);
        LasGridFile grid(static_cast<std::size_t>(budget) * sizeof(LasGridRecord));
        ASSERT_TRUE(grid.create(home.file("work")));
        for (int i = 0; i < Records; ++i) {
            LasGridRecord record;
            record.cameraDepth = i;
            record.GZ = -i;
            ASSERT_TRUE(grid.append(record));
        }
        ASSERT_TRUE(grid.finish());
        EXPECT_EQ(fs::file_size(grid.path()),
                  budget >= Records ? 0u : std::uintmax_t{Records} * sizeof(LasGridRecord));
        for (const bool backward : {false, true}) {
            grid.walk(backward, 30);
            for (int k = 0; k < Records; ++k) {
                const int i = backward ? Records - 1 - k : k;
                for (const int at : {i, i - 30, i - 7}) {
                    const LasGridRecord* record = grid.at(at);
                    if (at < 0) {
                        EXPECT_EQ(record, nullptr);
                        continue;
                    }
                    ASSERT_NE(record, nullptr) << at;
                    ASSERT_EQ(record->cameraDepth, at);
                    ASSERT_EQ(record->GZ, -at);
                }
            }
        }
        EXPECT_EQ(grid.at(Records), nullptr);
        EXPECT_FALSE(grid.failed());
    }

    for (const bool down : {true, false})
        for (const bool reverse : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << (down ? "down" : "up") << (reverse ? " reversed" : ""));
            const std::string name = format("%s%d", down ? "down" : "up", reverse);
            TestLogShape shape;
            shape.down = down;
            const ExportSource source = sourceOrFail(writeTestLog(
                home.file(name),
                down ? loggedRecords(100000, 80, 3000) : loggedRecords(340000, -80, 3000), shape));
            LasExportJob job =
                jobOf(source, false, home.file(name + "/memory.las"), home.file("work"));
            job.reverse = reverse;
            const Exported held = exportLas(source, job);
            ASSERT_EQ(held.result.outcome, LasPassOutcome::Done) << held.result.message;
            ASSERT_GT(held.result.lines, 2000);
            job.output = home.file(name + "/file.las");
            job.gridMemoryBytes = 100 * sizeof(LasGridRecord);
            const Exported filed = exportLas(source, job);
            ASSERT_EQ(filed.result.outcome, LasPassOutcome::Done) << filed.result.message;
            EXPECT_TRUE(filed.text == held.text);
            EXPECT_EQ(filesIn(home.file("work")).size(), 0u);
        }
}

TEST(LasExport, TheHeaderCarriesTheWellAndTheChosenCurves) {
    TempHome home;
    TestLogShape shape;
    shape.wellInfo = "Company=  ACME Drilling  \r\nWellname=BH-12\r\n";
    const ExportSource source =
        sourceOrFail(writeTestLog(home.file("log"), loggedRecords(100000, 80, 300), shape));
    LasExportJob job = jobOf(source, false, home.file("log/out.las"), home.file("work"));
    job.columns = LasColumns{};
    job.columns.speed = job.columns.inclinationGroup = job.columns.raw = false;
    const Exported e = exportLas(source, job);
    ASSERT_EQ(e.result.outcome, LasPassOutcome::Done) << e.result.message;
    // No gamma sensor on board: no gamma curve and no gamma coefficient.
    EXPECT_EQ(e.las.mnemonics(), (std::vector<std::string>{"DEPTH", "INCL", "AZ", "HGDELTA", "ROLL",
                                                           "MROLL", "TGRAV", "TMAG"}));
    EXPECT_EQ(e.text.find("GAMMA"), std::string::npos);
    EXPECT_NE(e.text.find(" COMP.    ACME Drilling" + std::string(27, ' ') + " :   COMPANY NAME\n"),
              std::string::npos);
    EXPECT_NE(e.text.find(" CNTY.    N/A" + std::string(37, ' ') + " :   COUNTY\n"),
              std::string::npos);
    EXPECT_NE(e.text.find(" WELL.    BH-12"), std::string::npos);
    EXPECT_NE(e.text.find("     Notes: The log is recorded in Down Mode.\n"), std::string::npos);
    EXPECT_EQ(e.text.find('\t'), std::string::npos);
    EXPECT_NE(e.text.find("~A  DEPTH      INCL        AZ   HGDELTA      ROLL     MROLL     TGRAV"
                          "     TMAG\n"),
              std::string::npos);
    EXPECT_NE(e.text.back(), '\n');
    EXPECT_EQ(e.result.curves.size(), 8u);
}

TEST(LasExport, AFailedOrCancelledRunLeavesNoFileAndAnEarlierOneAsItWas) {
    TempHome home;
    const ExportSource source =
        sourceOrFail(writeTestLog(home.file("log"), loggedRecords(100000, 80, 300)));
    const fs::path output = home.file("out/WELL1.las");
    fs::create_directories(output.parent_path());
    home.write("out/WELL1.las", "earlier");
    home.write("a-file", "x");

    CancelFlagProgress cancelled;
    cancelled.cancel();
    struct Case {
        const char* what;
        std::function<void(LasExportJob&)> change;
        Progress* progress;
        LasPassOutcome outcome;
        const char* message;
    };
    const Case cases[] = {
        {"no channel",
         [](LasExportJob& j) {
             j.columns = LasColumns{false, false, false, false, false, false,
                                    false, false, false, false, false, 0};
         },
         nullptr, LasPassOutcome::Failed, "You must at least choose one channel !!!"},
        {"no depth in range",
         [](LasExportJob& j) {
             j.fromUnits = 200000;
             j.toUnits = 210000;
         },
         nullptr, LasPassOutcome::Failed,
         "no depth of the log's grid lies between 20.00 and 21.00"},
        {"cancelled", [](LasExportJob&) {}, &cancelled, LasPassOutcome::Cancelled, "cancelled"},
        {"unwritable folder", [&](LasExportJob& j) { j.output = home.file("a-file/WELL1.las"); },
         nullptr, LasPassOutcome::Failed, "Trouble opening or create file. "},
        {"unwritable work folder", [&](LasExportJob& j) { j.workFolder = home.file("a-file/w"); },
         nullptr, LasPassOutcome::Failed, "Trouble for create tempory file .\n Aborded ..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LasExportJob job = jobOf(source, false, output, home.file("work"));
        c.change(job);
        const LasExportResult result =
            LasExport(source, job).run(c.progress ? *c.progress : noProgress());
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.message.rfind(c.message, 0), 0u) << result.message;
        EXPECT_EQ(home.read("out/WELL1.las"), "earlier");
        EXPECT_EQ(filesIn(home.file("out")).size(), 1u);
        EXPECT_EQ(filesIn(home.file("work")).size(), 0u);
        EXPECT_FALSE(fs::exists(home.file("a-file/WELL1.las")));
    }

    // A gap of 1001 steps between two records stops the export.
    std::vector<TestRecord> gap = loggedRecords(100000, 80, 20);
    const std::vector<TestRecord> far = loggedRecords(100000 + 80 * 19 + 100200, 80, 20);
    gap.insert(gap.end(), far.begin(), far.end());
    const ExportSource gapped = sourceOrFail(writeTestLog(home.file("gap"), gap));
    const LasExportJob job = jobOf(gapped, false, home.file("gap/out.las"), home.file("work"));
    const LasExportResult result = LasExport(gapped, job).run();
    EXPECT_EQ(result.message, LasGridPass::GapText);
    EXPECT_FALSE(fs::exists(home.file("gap/out.las")));
    EXPECT_EQ(filesIn(home.file("work")).size(), 0u);
}

TEST(LasExport, TheProposedRangeAndIntervalsFollowTheLogAndItsSensors) {
    TempHome home;
    TestLogShape shape;
    shape.gammaOnBoard = true;
    // 10 m to 13.992 m; sensors 1.37 m above the camera.
    const ExportSource down =
        sourceOrFail(writeTestLog(home.file("d"), loggedRecords(100000, 80, 500), shape));
    const LasRange metres = lasRangeOf(down, false);
    ASSERT_TRUE(metres.from);
    EXPECT_EQ(*metres.from, 870); // the first 5 cm after 10 - 1.37 + 0.05
    EXPECT_EQ(*metres.to, 1390);  // the last 5 cm before 13.992 - 0.05
    const LasRange feet = lasRangeOf(down, true);
    ASSERT_TRUE(feet.from);
    EXPECT_EQ(*feet.from % 4, 0);
    EXPECT_EQ(*feet.to % 4, 0);
    EXPECT_EQ(*feet.from, 344); // 10 m - 1.37 m + 4 in is 343.8 in
    EXPECT_EQ(*feet.to, 544);   // 13.992 m - 4 in is 546.9 in

    shape.down = false;
    const ExportSource up =
        sourceOrFail(writeTestLog(home.file("u"), loggedRecords(140000, -80, 500), shape));
    const LasRange upward = lasRangeOf(up, false);
    ASSERT_TRUE(upward.from);
    EXPECT_EQ(*upward.from, 1395); // the last 5 cm before 14 - 0.05
    EXPECT_EQ(*upward.to, 870);    // the first 5 cm after 10.008 - 1.37 + 0.05

    // 8.8 cm of log with every sensor at the camera: no 5 cm step between its ends.
    TestLogShape atCamera;
    atCamera.deviationOffset = atCamera.gammaOffset = atCamera.cameraOffset;
    const ExportSource tooShort =
        sourceOrFail(writeTestLog(home.file("s"), loggedRecords(100000, 80, 12), atCamera));
    EXPECT_EQ(lasRangeOf(tooShort, false).message, ExportSourceText::SpanTooSmall);

    EXPECT_STREQ(lasIntervalAt(false, 1).text, "5cm");
    EXPECT_STREQ(lasIntervalAt(true, 2).text, "4 \"");
    EXPECT_EQ(lasIntervalAt(true, 7).ticks, 1);
    EXPECT_FALSE(lasIntervalOf(false, 2));
    EXPECT_EQ(defaultLasPath("/logs/WELL1.hed"), fs::path("/logs/LAS20/WELL1.las"));
}

} // namespace
} // namespace zarn::test
