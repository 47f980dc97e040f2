// export pictures: a log's pictures listed as written, the dialog's refusals as one error line
// with their exit codes, and a missing data file named.
#include "acquisition/cli/Commands.h"
#include "tests/acquisition/cli/CliTestSupport.h"
#include "tests/acquisition/export/ExportTestSupport.h"

#include <fstream>
#include <sstream>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;
namespace ExitCode = cli::ExitCode;

struct ExportRun {
    int code;
    std::string out, err;
};

ExportRun exportPictures(const cli::ExportPicturesOptions& options) {
    std::ostringstream out, err;
    const int code = cli::runExportPictures(options, out, err);
    return {code, out.str(), err.str()};
}

TEST(ExportPicturesTest, WritesAndListsThePicturesAndRefusesWhatTheDialogRefuses) {
    TempHome home;
    const fs::path header =
        writeTestLog(home.file("log"), evenRecords(100000, 80, 130)); // 10 m to 11.032 m
    cli::ExportPicturesOptions options;
    options.header = header;
    options.output = home.file("out");
    options.type = "jpeg";
    options.maxLines = 400;
    const ExportRun done = exportPictures(options);
    ASSERT_EQ(done.code, ExitCode::Ok) << done.err;
    EXPECT_EQ(done.err, "");
    const fs::path first = home.file("out") / "WELL1_X_0010.0000-0010.4000.jpg";
    EXPECT_NE(done.out.find("Picture: " + first.string() +
                            " (720 x 400 pixels, 10.0000 m to "
                            "10.4000 m)"),
              std::string::npos)
        << done.out;
    EXPECT_TRUE(fs::exists(first));
    EXPECT_TRUE(fs::exists(home.file("out") / "WELL1_X_0010.8000-0011.0300.jpg"));
    EXPECT_NE(done.out.find("3 picture(s), 1030 lines of 1.0 mm (JPG - True colors - 4 "
                            "decimals, bilinear)"),
              std::string::npos)
        << done.out;

    struct Case {
        std::function<void(cli::ExportPicturesOptions&)> change;
        int code;
        const char* said;
    };
    const Case cases[] = {
        {[](auto& o) { o.from = 9.0; }, ExitCode::BadArguments,
         "Bad entry value (begining 10.00 ending 11.03)"},
        {[](auto& o) { o.interval = 0.2; }, ExitCode::BadArguments, "Minimal interval : 0.5 mm"},
        {[](auto& o) { o.maxLines = 10; }, ExitCode::BadArguments,
         "Sorry, the Max line value is too small. Max limit of file genered is 99."},
        {[&](auto& o) { o.header = home.file("log/none.hed"); }, ExitCode::MissingFile,
         "Data file not present."},
    };
    for (const Case& c : cases) {
        cli::ExportPicturesOptions changed = options;
        c.change(changed);
        const ExportRun refused = exportPictures(changed);
        EXPECT_EQ(refused.code, c.code) << refused.err;
        EXPECT_EQ(refused.out, "");
        EXPECT_EQ(lineCount(refused.err), 1u) << refused.err;
        EXPECT_NE(refused.err.find(c.said), std::string::npos) << refused.err;
    }
}

TEST(ExportPicturesTest, TheHtmlPageComesWithJpegPicturesOnly) {
    TempHome home;
    const fs::path header = writeTestLog(home.file("log"), evenRecords(100000, 80, 130));
    cli::ExportPicturesOptions options;
    options.header = header;
    options.output = home.file("out");
    options.type = "jpeg";
    options.maxLines = 400;
    options.html = true;
    const ExportRun done = exportPictures(options);
    ASSERT_EQ(done.code, ExitCode::Ok) << done.err;
    const fs::path page = home.file("out") / "WELL1.html";
    EXPECT_NE(done.out.find("Page: " + page.string() + "\n"), std::string::npos) << done.out;
    std::ifstream in(page);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    // The log is not in the output folder: the title is the pictures' base.
    EXPECT_NE(text.find("<h1>" + (home.file("out") / "WELL1.").string() + "</h1>"),
              std::string::npos)
        << text;
    for (const char* picture :
         {"WELL1_X_0010.0000-0010.4000.jpg", "WELL1_X_0010.4000-0010.8000.jpg",
          "WELL1_X_0010.8000-0011.0300.jpg"})
        EXPECT_NE(text.find(std::string("src='") + picture + "'"), std::string::npos) << picture;

    options.type = "bmp";
    options.output = home.file("bmp");
    const ExportRun refused = exportPictures(options);
    EXPECT_EQ(refused.code, ExitCode::BadArguments);
    EXPECT_EQ(refused.err, "zarn-cli: Use only in JPG mode.\n");
    EXPECT_FALSE(fs::exists(home.file("bmp")));
}

TEST(ExportPicturesTest, AnImageLogIsWrittenOnceAndReplacedOnlyWhenAsked) {
    TempHome home;
    const fs::path header = writeTestLog(home.file("log"), evenRecords(100000, 80, 130));
    cli::ExportPicturesOptions options;
    options.header = header;
    options.output = home.file("out");
    options.interval = 2;
    std::ostringstream out1, err1;
    ASSERT_EQ(cli::runExportLgx(options, out1, err1), ExitCode::Ok) << err1.str();
    EXPECT_NE(out1.str().find("(515 lines of 2 mm, bilinear)"), std::string::npos) << out1.str();
    const fs::path data = home.file("out") / "LGX" / "WELL1_X_LGX.lgx";
    EXPECT_EQ(fs::file_size(data), 515u * (27 + 3 * 720)); // 10.00 m to 11.03 m at 2 mm

    std::ostringstream out, err;
    EXPECT_EQ(cli::runExportLgx(options, out, err), ExitCode::Failure);
    EXPECT_NE(err.str().find("--replace replaces it"), std::string::npos) << err.str();
    options.interval = 2.5;
    std::ostringstream out2, err2;
    EXPECT_EQ(cli::runExportLgx(options, out2, err2), ExitCode::BadArguments);
    EXPECT_NE(err2.str().find("--interval must be 1, 2, 3, 4 or 5 mm"), std::string::npos);
    options.interval = 1;
    options.replace = true;
    std::ostringstream out3, err3;
    EXPECT_EQ(cli::runExportLgx(options, out3, err3), ExitCode::Ok) << err3.str();
    EXPECT_EQ(fs::file_size(data), 1030u * (27 + 3 * 720));
    EXPECT_NE(out3.str().find("(1030 lines of 1 mm, bilinear)"), std::string::npos) << out3.str();
}

} // namespace
} // namespace zarn::test
