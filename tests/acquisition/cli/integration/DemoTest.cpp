// demo, the main job: a short simulated run recorded, replayed into a picture and kept as the
// demonstration log. With a split length that gives the run several data files, the
// demonstration log holds every one of them and replays as the recorded log does.
#include "acquisition/app/Preferences.h"
#include "acquisition/cli/Commands.h"
#include "platform/FileIo.h"
#include "platform/ProfileDocument.h"
#include "platform/imaging/PictureCodecs.h"
#include "platform/imaging/PictureFileName.h"
#include "tests/acquisition/cli/integration/SimulatedAcquisition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;
namespace ExitCode = cli::ExitCode;

class DemoTest : public SimulatedLoggerTest {};

TEST_F(DemoTest, TheDemonstrationLogHoldsEveryDataFileAndReplays) {
    // A new data file every 2 m of the 20 m run (a busy machine may start the recording late:
    // some metres are enough).
    home.write("LvZARN.cfg",
               std::string("[") + CPreferences::MainSection + "]\r\nRecordSplitFile=2\r\n");
    cli::DemoOptions options;
    options.output = home.file("demo-out");
    options.simulator = ZARN_FTD2XX_SIM;
    const CommandRun demo = runCommand(
        [&](std::ostream& out, std::ostream& err) { return cli::runDemo(options, out, err); });
    ASSERT_EQ(demo.code, ExitCode::Ok) << demo.err << demo.out;

    const fs::path demoHeader = home.file("Demo/ZARN_DEMO_720.HED");
    const ProfileDocument header = ProfileDocument::parse(readWholeFile(demoHeader).value_or(""));
    const int dataFiles = std::stoi(header.get("General", "DataFiles").value_or("0"));
    ASSERT_GE(dataFiles, 3);
    EXPECT_TRUE(fs::is_regular_file(home.file("Demo/ZARN_DEMO_720.lox")));
    for (int i = 2; i <= dataFiles; ++i) {
        const std::string name =
            header.get("File" + std::to_string(i), "FileName").value_or("missing");
        EXPECT_TRUE(fs::is_regular_file(home.file("Demo/" + name))) << name;
        // The summary names each data file of the recorded log.
        EXPECT_NE(demo.out.find("data file         " + (options.output / name).string()),
                  std::string::npos)
            << demo.out;
    }

    // The demonstration log replays whole, as the recorded one did.
    cli::ReplayOptions replay;
    replay.header = demoHeader;
    replay.image = home.file("demo.png");
    const ReplayedLog replayed = replayLog(replay);
    ASSERT_EQ(replayed.run.code, ExitCode::Ok) << replayed.run.err;
    EXPECT_NE(replayed.run.out.find(std::to_string(dataFiles) + " data file(s)"), std::string::npos)
        << replayed.run.out;
    ASSERT_TRUE(replayed.picture) << replayed.problem;
    const std::optional<std::string> recorded = readWholeFile(options.output / "ZARN_DEMO_720.png");
    ASSERT_TRUE(recorded);
    EXPECT_EQ(readWholeFile(home.file("demo.png")), recorded);

    // The exported pictures read back, named by depths that meet, and the image log beside them
    // (the log was split, so the exports read every data file), and the page that shows them.
    std::vector<PictureNameParts> names;
    long long rows = 0;
    const fs::path page = options.output / "pictures" / "ZARN_DEMO_720.html";
    const std::optional<std::string> pageText = readWholeFile(page);
    ASSERT_TRUE(pageText) << "the pictures' HTML page";
    for (const fs::directory_entry& e : fs::directory_iterator(options.output / "pictures")) {
        if (!e.is_regular_file() || e.path() == page)
            continue;
        // Every picture is on the page (the demo's names need no encoding).
        EXPECT_NE(pageText->find("src='" + e.path().filename().string() + "'"), std::string::npos)
            << e.path();
        const std::optional<PictureNameParts> parts = parsePictureFileName(e.path());
        ASSERT_TRUE(parts) << e.path();
        EXPECT_EQ(parts->extension, ".jpg");
        const std::optional<PixelImage> picture = loadPicture(e.path());
        ASSERT_TRUE(picture) << e.path();
        EXPECT_EQ(picture->width(), 720);
        rows += picture->height();
        names.push_back(*parts);
    }
    ASSERT_FALSE(names.empty());
    std::sort(names.begin(), names.end(),
              [](const auto& a, const auto& b) { return a.start < b.start; });
    for (std::size_t i = 1; i < names.size(); ++i)
        EXPECT_EQ(names[i].start, names[i - 1].end);
    EXPECT_GT(names.back().end - names.front().start, 5.0) << "metres of pictures";
    const fs::path lgx = options.output / "pictures" / "LGX" / "ZARN_DEMO_720_X_LGX.lgx";
    ASSERT_TRUE(fs::is_regular_file(lgx));
    // The image log's interval is the configured 1 mm: a record a millimetre over the span of
    // the pictures (their interval is the log's line spacing).
    const std::uintmax_t record = 27 + 3 * 720;
    EXPECT_EQ(fs::file_size(lgx) % record, 0u);
    EXPECT_NEAR(static_cast<double>(fs::file_size(lgx) / record),
                (names.back().end - names.front().start) * 1000, 20);
    EXPECT_GT(rows, 0);

    // The survey finds the simulated hole's direction (4 degrees from the vertical, towards 35
    // degrees) at every station, and the plot is written.
    const std::string table =
        readWholeFile(options.output / "ZARN_DEMO_720_survey.csv").value_or("");
    std::istringstream lines(table);
    std::string line;
    int stations = 0;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#' || line[0] == 'M')
            continue;
        double md = 0, inclination = 0, azimuth = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf,%lf,%lf", &md, &inclination, &azimuth), 3) << line;
        EXPECT_NEAR(inclination, 4.0, 0.2) << line;
        EXPECT_NEAR(azimuth, 35.0, 0.2) << line;
        ++stations;
    }
    EXPECT_GE(stations, 5);
    const std::string plot =
        readWholeFile(options.output / "ZARN_DEMO_720_survey.svg").value_or("");
    EXPECT_EQ(plot.rfind("<?xml", 0), 0u);
    EXPECT_NE(plot.find("</svg>"), std::string::npos);
}

} // namespace
} // namespace zarn::test
