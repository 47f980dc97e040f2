// export las: the LAS file of a log written where the dialog puts it and named in one line, the
// dialog's refusals and the failures as one error line with their exit codes and no file left,
// and the file read back by an independent reader (las-js, when node and the package are there).
#include "acquisition/cli/Commands.h"
#include "platform/FileIo.h"
#include "tests/acquisition/cli/CliTestSupport.h"
#include "tests/acquisition/cli/LasJsReader.h"
#include "tests/acquisition/export/ExportTestSupport.h"
#include "tests/acquisition/export/LasTestSupport.h"

namespace zarn::test {
namespace {

namespace fs = std::filesystem;
namespace ExitCode = cli::ExitCode;

CommandRun exportLas(const cli::ExportLasOptions& options) {
    return runCommand(
        [&](std::ostream& out, std::ostream& err) { return cli::runExportLas(options, out, err); });
}

// 10 m to 13.992 m, a record every 8 mm, inclined 4 degrees, gamma 50.
fs::path writeLog(const fs::path& folder, TestLogShape shape = {}) {
    std::vector<TestRecord> records = evenRecords(100000, 80, 500);
    for (TestRecord& r : records) {
        r.mode = 0;
        r.gamma = 50;
        r.gx = -9976;
        r.gy = 698;
        r.hx = 2000;
        r.hy = 3000;
        r.hz = -4000;
    }
    return writeTestLog(folder, records, shape);
}

// Every file under a folder.
std::vector<fs::path> filesUnder(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file())
            files.push_back(it->path());
    return files;
}

TEST(ExportLasTest, WritesTheFileWhereTheDialogPutsItAndRefusesWhatItRefuses) {
    TempHome home;
    TestLogShape shape;
    shape.gammaOnBoard = true;
    const fs::path header = writeLog(home.file("log"), shape);
    cli::ExportLasOptions options;
    options.header = header;
    const CommandRun done = exportLas(options);
    ASSERT_EQ(done.code, ExitCode::Ok) << done.err;
    EXPECT_EQ(done.err, "");
    const fs::path las = home.file("log/LAS20/WELL1.las");
    // The configuration's defaults: every curve, 1 cm, the proposed range 8.70 m to 13.90 m.
    EXPECT_EQ(done.out, "LAS file: " + las.string() +
                            " (521 lines of 0.01 m, 8.70 m to 13.90 m; DEPTH IMGINCL IMGAZ SPEED "
                            "GAMMA INCL AZ HGDELTA ROLL MROLL TGRAV TMAG GX GY GZ HX HY HZ)\n");
    const ReadLas read = readLas(readWholeFile(las).value_or(""));
    EXPECT_EQ(read.problem, "");
    EXPECT_EQ(read.rows.size(), 521u);

    // Feet, 4 inches, reversed, three curves, a range of its own.
    cli::ExportLasOptions feet = options;
    feet.output = home.file("feet.las");
    feet.feet = true;
    feet.interval = 4;
    feet.reverse = true;
    feet.curves = std::vector<std::string>{"gamma", "incl", "speed"};
    feet.from = 36.0;
    feet.to = 40.0;
    const CommandRun inFeet = exportLas(feet);
    ASSERT_EQ(inFeet.code, ExitCode::Ok) << inFeet.err;
    EXPECT_NE(inFeet.out.find("(13 lines of 0.333333 ft, 40.000000 ft to 36.000000 ft; DEPTH SPEED "
                              "GAMMA INCL)"),
              std::string::npos)
        << inFeet.out;

    struct Case {
        const char* what;
        std::function<void(cli::ExportLasOptions&)> change;
        int code;
        const char* said;
    };
    home.write("a-file", "x");
    const Case cases[] = {
        {"outside the range", [](auto& o) { o.from = 8.0; }, ExitCode::BadArguments,
         "Bad entry value (begining 8.70 ending 13.90)"},
        {"wrong order",
         [](auto& o) {
             o.from = 12.0;
             o.to = 11.0;
         },
         ExitCode::BadArguments,
         "Bad entry value, the depth of beginning must be smaller than the depth of stop"},
        {"interval of another unit", [](auto& o) { o.interval = 2; }, ExitCode::BadArguments,
         "--interval must be 1 or 5 (cm)"},
        {"unknown curve", [](auto& o) { o.curves = std::vector<std::string>{"gr"}; },
         ExitCode::BadArguments, "--curves: unknown curve gr"},
        {"missing header", [&](auto& o) { o.header = home.file("log/none.hed"); },
         ExitCode::MissingFile, "Data file not present."},
        {"existing file", [](auto&) {}, ExitCode::Failure, "Migration to LAS file aborted."},
        {"unwritable output folder", [&](auto& o) { o.output = home.file("a-file/out.las"); },
         ExitCode::Failure, "Trouble opening or create file. "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cli::ExportLasOptions changed = options;
        c.change(changed);
        const CommandRun refused = exportLas(changed);
        EXPECT_EQ(refused.code, c.code) << refused.err;
        EXPECT_EQ(refused.out, "");
        EXPECT_EQ(lineCount(refused.err), 1u) << refused.err;
        EXPECT_NE(refused.err.find(c.said), std::string::npos) << refused.err;
        EXPECT_FALSE(fs::exists(home.file("a-file/out.las")));
    }
    // Nothing but the two LAS files was left anywhere (no temporary or grid file).
    std::vector<fs::path> las20 = filesUnder(home.file("log/LAS20"));
    EXPECT_EQ(las20, std::vector<fs::path>{las});
    EXPECT_EQ(readLas(readWholeFile(las).value_or("")).rows.size(), 521u);
}

TEST(ExportLasTest, CorruptLogsAndLogsWithoutRecordsInRangeLeaveNoFile) {
    TempHome home;
    // Without a gamma sensor, gamma alone is no channel at all.
    const fs::path plain = writeLog(home.file("plain"));
    // Data files of no meaning under a sound header.
    const fs::path corrupt = writeLog(home.file("corrupt"));
    writeFile(home.file("corrupt/WELL1.lox"), randomBytes(50000, 3));
    // A header whose depths say 10 m to 14 m over records 500 m further down: no record is in
    // the range.
    const fs::path elsewhere = writeLog(home.file("elsewhere"));
    {
        std::vector<TestRecord> records = evenRecords(5100000, 80, 500);
        for (TestRecord& r : records)
            r.mode = 0;
        writeTestLog(home.file("deep"), records);
        fs::copy_file(home.file("deep/WELL1.lox"), home.file("elsewhere/WELL1.lox"),
                      fs::copy_options::overwrite_existing);
    }
    home.write("garbage/WELL1.hed", randomBytes(3000, 5));
    home.write("garbage/WELL1.lox", randomBytes(3000, 6));

    struct Case {
        const char* what;
        fs::path header;
        std::optional<std::vector<std::string>> curves;
        int code;
        const char* said;
    };
    for (const Case& c : {
             Case{"no channel", plain, std::vector<std::string>{"gamma"}, ExitCode::BadArguments,
                  "You must at least choose one channel !!!"},
             Case{"corrupt data file", corrupt, std::nullopt, ExitCode::CorruptInput,
                  "Not enough data in file!!!"},
             Case{"no record in range", elsewhere, std::nullopt, ExitCode::Failure,
                  "no depth of the log's grid lies between"},
             Case{"corrupt header", home.file("garbage/WELL1.hed"), std::nullopt,
                  ExitCode::CorruptInput, "Bad header file."},
         }) {
        SCOPED_TRACE(c.what);
        cli::ExportLasOptions options;
        options.header = c.header;
        options.curves = c.curves;
        options.output = home.file("out/" + std::string(c.what) + ".las");
        const CommandRun failed = exportLas(options);
        EXPECT_EQ(failed.code, c.code) << failed.err;
        EXPECT_EQ(failed.out, "");
        EXPECT_NE(failed.err.find(c.said), std::string::npos) << failed.err;
        EXPECT_EQ(filesUnder(home.file("out")).size(), 0u);
    }
    // No grid file is left in the settings folder.
    for (const fs::path& file : filesUnder(home.path()))
        EXPECT_NE(file.filename().string().rfind("las~", 0), 0u) << file;
}

TEST(ExportLasTest, AnIndependentReaderReadsTheCurvesUnitsRowsAndValues) {
    if (const std::string missing = lasJsMissing(); !missing.empty())
        GTEST_SKIP() << missing;
    TempHome home;
    TestLogShape shape;
    shape.gammaOnBoard = true;
    const fs::path header = writeLog(home.file("log"), shape);
    for (const bool feet : {false, true}) {
        SCOPED_TRACE(feet ? "feet" : "metres");
        cli::ExportLasOptions options;
        options.header = header;
        options.output = home.file(feet ? "ft.las" : "m.las");
        options.feet = feet;
        const CommandRun done = exportLas(options);
        ASSERT_EQ(done.code, ExitCode::Ok) << done.err;
        const ReadLas ours = readLas(readWholeFile(*options.output).value_or(""));
        ASSERT_EQ(ours.problem, "");

        const std::optional<nlohmann::json> read = readWithLasJs(*options.output);
        ASSERT_TRUE(read) << "las-js could not read the file";
        const nlohmann::json& theirs = *read;

        EXPECT_EQ(theirs["header"].get<std::vector<std::string>>(), ours.mnemonics());
        for (const LasLine& curve : ours.curves)
            EXPECT_EQ(theirs["units"].value(curve.mnemonic, std::string()), curve.unit)
                << curve.mnemonic;
        EXPECT_EQ(theirs["wrap"], false);
        EXPECT_EQ(theirs["rows"].get<std::size_t>(), ours.rows.size());
        ASSERT_EQ(theirs["data"].size(), ours.rows.size());
        for (const char* mnemonic : {"STRT", "STOP", "STEP", "NULL"})
            EXPECT_DOUBLE_EQ(parseDouble(theirs["well"].value(mnemonic, std::string("x"))),
                             ours.wellValue(mnemonic))
                << mnemonic;
        EXPECT_EQ(theirs["wellUnits"].value("STEP", std::string()), feet ? "ft" : "M");
        for (std::size_t i = 0; i < ours.rows.size(); ++i)
            for (std::size_t k = 0; k < ours.rows[i].size(); ++k)
                ASSERT_DOUBLE_EQ(theirs["data"][i][k].get<double>(), ours.rows[i][k])
                    << "row " << i << " column " << ours.curves[k].mnemonic;
        // The values are the log's: 4 degrees, gamma 50 where every sensor was.
        const auto& middle = theirs["data"][ours.rows.size() / 2];
        EXPECT_NEAR(middle[ours.column("INCL")].get<double>(), 4.0, 0.011);
        EXPECT_NEAR(middle[ours.column("GAMMA")].get<double>(), 50.0, 1e-9);
    }
}

} // namespace
} // namespace zarn::test
