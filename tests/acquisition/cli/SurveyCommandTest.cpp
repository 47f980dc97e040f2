// survey: the table on stdout or in a file (CSV, JSON, LAS 2.0), the plot beside it, and a log
// without orientation data refused in one line.
#include "acquisition/cli/Commands.h"
#include "platform/FileIo.h"
#include "sim/OrientationSensors.h"
#include "tests/acquisition/cli/CliTestSupport.h"
#include "tests/acquisition/cli/LasJsReader.h"
#include "tests/acquisition/export/ExportTestSupport.h"
#include "tests/acquisition/export/LasTestSupport.h"

#include <cmath>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;
namespace ExitCode = cli::ExitCode;

std::vector<TestRecord> inclinedRecords(int count, double inclination, double azimuth) {
    const sim::OrientationSensors sensors(50000, 60);
    std::vector<TestRecord> records = evenRecords(100000, 80, count);
    for (std::size_t n = 0; n < records.size(); ++n) {
        setSensors(records[n], sensors.read(inclination, azimuth, n * 7.0));
    }
    return records;
}

TEST(SurveyCommandTest, TablesAndPlotAndARefusal) {
    TempHome home;
    const fs::path header = writeTestLog(home.file("log"), inclinedRecords(400, 30, 120));
    cli::SurveyOptions options;
    options.header = header;
    options.format = "json";
    const CommandRun json = runCommand(
        [&](std::ostream& out, std::ostream& err) { return cli::runSurvey(options, out, err); });
    ASSERT_EQ(json.code, ExitCode::Ok) << json.err;
    const nlohmann::json parsed = nlohmann::json::parse(json.out);
    ASSERT_GE(parsed["Stations"].size(), 3u);
    for (const nlohmann::json& s : parsed["Stations"]) {
        EXPECT_NEAR(s["Inclination"].get<double>(), 30, 0.2);
        EXPECT_NEAR(s["Azimuth"].get<double>(), 120, 0.2);
    }
    EXPECT_EQ(parsed["Reference"], "magnetic north");

    options.format = "csv";
    options.output = home.file("out/survey.csv");
    options.plot = home.file("survey.svg");
    fs::create_directories(home.file("out"));
    const CommandRun csv = runCommand(
        [&](std::ostream& out, std::ostream& err) { return cli::runSurvey(options, out, err); });
    ASSERT_EQ(csv.code, ExitCode::Ok) << csv.err;
    EXPECT_NE(csv.out.find("Survey: " + options.output->string()), std::string::npos) << csv.out;
    EXPECT_EQ(home.read("out/survey.csv").rfind("# Deviation survey of WELL1.hed", 0), 0u);
    const std::string svg = home.read("survey.svg");
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("Plan view"), std::string::npos);
    EXPECT_NE(svg.find("</svg>"), std::string::npos);

    std::vector<TestRecord> blind = evenRecords(100000, 80, 50);
    for (TestRecord& r : blind)
        r.gx = r.gy = r.gz = -32768;
    cli::SurveyOptions none;
    none.header = writeTestLog(home.file("blind"), blind);
    const CommandRun refused = runCommand(
        [&](std::ostream& out, std::ostream& err) { return cli::runSurvey(none, out, err); });
    EXPECT_EQ(refused.code, ExitCode::CorruptInput);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(lineCount(refused.err), 1u);
    EXPECT_NE(refused.err.find("no record with orientation data"), std::string::npos)
        << refused.err;
}

CommandRun survey(const cli::SurveyOptions& options) {
    return runCommand(
        [&](std::ostream& out, std::ostream& err) { return cli::runSurvey(options, out, err); });
}

// The LAS table: the measured depth as the index at the station spacing, the stations of the JSON
// table with the same values, a station without records as a line of nulls; in metres and feet;
// read the same by an independent reader when it is there.
TEST(SurveyCommandTest, LasTableFollowsTheLasRules) {
    TempHome home;
    // 3.2 m of records, blind over 40 cm in the middle: one station has no valid record.
    std::vector<TestRecord> records = inclinedRecords(400, 30, 120);
    for (std::size_t n = 200; n < 250; ++n)
        records[n].gx = records[n].gy = records[n].gz = -32768;
    const fs::path header = writeTestLog(home.file("log"), records);

    cli::SurveyOptions options;
    options.header = header;
    options.feet = false;
    options.format = "json";
    const CommandRun json = survey(options);
    ASSERT_EQ(json.code, ExitCode::Ok) << json.err;
    const nlohmann::json table = nlohmann::json::parse(json.out);
    ASSERT_EQ(table["Missing"].size(), 1u) << json.out;

    const std::string_view mnemonics[] = {"DEPTH", "INCL", "AZ", "TVD",     "NORTH",
                                          "EAST",  "DLS",  "VS", "CLOSURE", "CLOSAZ"};
    for (const bool feet : {false, true}) {
        SCOPED_TRACE(feet ? "feet" : "metres");
        const double scale = feet ? 3.28083 : 1.0;
        options.feet = feet;
        options.format = "las";
        options.step = feet ? 1 / 0.3047995 : 1.0; // the same stations
        options.output = home.file(feet ? "survey_ft.las" : "survey_m.las");
        const CommandRun done = survey(options);
        ASSERT_EQ(done.code, ExitCode::Ok) << done.err;
        const ReadLas las = readLas(readWholeFile(*options.output).value_or(""));
        ASSERT_EQ(las.problem, "");
        EXPECT_EQ(las.versionValue("VERS"), "2.0");
        EXPECT_EQ(las.versionValue("WRAP"), "NO");
        ASSERT_EQ(las.curves.size(), std::size(mnemonics));
        for (std::size_t k = 0; k < las.curves.size(); ++k) {
            EXPECT_EQ(las.curves[k].mnemonic, mnemonics[k]);
            EXPECT_EQ(las.curves[k].mnemonic.find_first_of(" \t"), std::string::npos);
        }
        EXPECT_EQ(las.curves[0].unit, feet ? "ft" : "M");
        EXPECT_EQ(las.curves[6].unit, feet ? "DEG/100ft" : "DEG/30M");

        // One line per station, the missing one too: STRT, STOP and STEP are those of the lines.
        const std::size_t stations = table["Stations"].size() + table["Missing"].size();
        ASSERT_EQ(las.rows.size(), stations);
        const double step = las.wellValue("STEP");
        EXPECT_NEAR(step, scale, 0.006);
        EXPECT_DOUBLE_EQ(las.wellValue("STRT"), las.rows.front()[0]);
        EXPECT_DOUBLE_EQ(las.wellValue("STOP"), las.rows.back()[0]);
        EXPECT_DOUBLE_EQ(las.wellValue("NULL"), -9999.25);
        for (std::size_t i = 1; i < las.rows.size(); ++i)
            EXPECT_NEAR(las.rows[i][0] - las.rows[i - 1][0], step, 0.0101) << "row " << i;

        // The values are those of the JSON table, in the unit of the file.
        std::size_t matched = 0;
        for (const std::vector<double>& row : las.rows) {
            const double md = row[0] / scale;
            if (std::abs(md - table["Missing"][0]["MD"].get<double>()) < 0.01) {
                for (std::size_t k = 1; k < row.size(); ++k)
                    EXPECT_EQ(row[k], -9999.25) << mnemonics[k];
                continue;
            }
            for (const nlohmann::json& s : table["Stations"]) {
                if (std::abs(md - s["MD"].get<double>()) >= 0.01)
                    continue;
                ++matched;
                EXPECT_NEAR(row[1], s["Inclination"].get<double>(), 1e-9);
                EXPECT_NEAR(row[2], s["Azimuth"].get<double>(), 1e-9);
                EXPECT_NEAR(row[3], s["TVD"].get<double>() * scale, 0.002);
                EXPECT_NEAR(row[4], s["North"].get<double>() * scale, 0.002);
                EXPECT_NEAR(row[5], s["East"].get<double>() * scale, 0.002);
                EXPECT_NEAR(row[7], s["VerticalSection"].get<double>() * scale, 0.002);
            }
        }
        EXPECT_EQ(matched, table["Stations"].size());

        if (const std::string missing = lasJsMissing(); !missing.empty()) {
            std::cout << "not read by las-js: " << missing << "\n";
            continue;
        }
        const std::optional<nlohmann::json> theirs = readWithLasJs(*options.output);
        ASSERT_TRUE(theirs) << "las-js could not read the file";
        EXPECT_EQ((*theirs)["header"].get<std::vector<std::string>>(), las.mnemonics());
        EXPECT_EQ((*theirs)["wrap"], false);
        ASSERT_EQ((*theirs)["rows"].get<std::size_t>(), las.rows.size());
        for (std::size_t i = 0; i < las.rows.size(); ++i)
            for (std::size_t k = 0; k < las.rows[i].size(); ++k)
                ASSERT_DOUBLE_EQ((*theirs)["data"][i][k].get<double>(), las.rows[i][k])
                    << "row " << i << " column " << mnemonics[k];
    }
}

} // namespace
} // namespace zarn::test
