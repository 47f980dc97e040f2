// survey: the table on stdout or in a file, the plot beside it, and a log without orientation
// data refused in one line.
#include "acquisition/cli/Commands.h"
#include "sim/OrientationSensors.h"
#include "tests/acquisition/cli/CliTestSupport.h"
#include "tests/acquisition/export/ExportTestSupport.h"

#include <cmath>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;
namespace ExitCode = cli::ExitCode;

std::vector<TestRecord> inclinedRecords(int count, double inclination, double azimuth) {
    const sim::OrientationSensors sensors(50000, 60);
    std::vector<TestRecord> records = evenRecords(100000, 80, count);
    for (std::size_t n = 0; n < records.size(); ++n) {
        const sim::SensorReadings s = sensors.read(inclination, azimuth, n * 7.0);
        TestRecord& r = records[n];
        r.hx = static_cast<int>(std::lround(s.hx));
        r.gx = static_cast<int>(std::lround(s.gx));
        r.hy = static_cast<int>(std::lround(s.hy));
        r.gy = static_cast<int>(std::lround(s.gy));
        r.hz = static_cast<int>(std::lround(s.hz));
        r.gz = static_cast<int>(std::lround(s.gz));
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

} // namespace
} // namespace zarn::test
