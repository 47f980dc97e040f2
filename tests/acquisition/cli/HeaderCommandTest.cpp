// header: a log's well information printed, edited with --set through the header editor's logic
// (every setting checked before the file is touched), and the rest of the header left as the
// recording wrote it.
#include "acquisition/cli/Commands.h"
#include "platform/ProfileDocument.h"
#include "tests/acquisition/cli/CliTestSupport.h"
#include "tests/acquisition/export/ExportTestSupport.h"

#include <sstream>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;
namespace ExitCode = cli::ExitCode;

struct HeaderRun {
    int code;
    std::string out, err;
};

HeaderRun runHeader(const fs::path& header, std::vector<std::string> sets) {
    std::ostringstream out, err;
    const int code = cli::runHeader({header, std::move(sets)}, out, err);
    return {code, out.str(), err.str()};
}

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(HeaderCommandTest, PrintsAndEditsTheWellInformationAndNothingElse) {
    TempHome home;
    TestLogShape shape;
    shape.wellInfo = "Company=ACME\r\nRunNo1=2\r\n";
    const fs::path header = writeTestLog(home.file("log"), evenRecords(100000, 80, 20), shape);
    std::string text = fileText(header);
    // A recording that did not stop: its mark must survive the edit.
    text.replace(text.find("EndDepth=10152"), 14, "EndDepth=CORRUPT");
    std::ofstream(header, std::ios::binary) << text;

    const HeaderRun shown = runHeader(header, {});
    ASSERT_EQ(shown.code, ExitCode::Ok) << shown.err;
    EXPECT_NE(shown.out.find("Company=ACME\n"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("RunNo1=2\n"), std::string::npos);
    EXPECT_EQ(shown.out.find("Startdepth="), std::string::npos); // the range is not shown

    // One bad setting: nothing is written.
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"Company=X", "KellyBushing=1x"},
          std::vector<std::string>{"Company=X", "EndDepth=5"},
          std::vector<std::string>{"NoSuchKey=5"}, std::vector<std::string>{"Company"}}) {
        const HeaderRun refused = runHeader(header, bad);
        EXPECT_EQ(refused.code, ExitCode::BadArguments) << bad.back();
        EXPECT_EQ(refused.out, "");
        EXPECT_EQ(lineCount(refused.err), 1u) << refused.err;
        EXPECT_EQ(fileText(header), text);
    }

    const HeaderRun edited =
        runHeader(header, {"Company=A=B;C[D]", "wellname= padded ", "RunNo1=7", "KellyBushing=12,5",
                           "Remarks=first\nsecond\r\nthird\rfourth", "Comment5=fifth"});
    ASSERT_EQ(edited.code, ExitCode::Ok) << edited.err;
    for (const char* line :
         {"Company=A=B;C[D]\n", "Wellname= padded \n", "RunNo1=7\n", "KellyBushing=12.500000\n",
          "Comment1=first\n", "Comment3=third\n", "Comment4=fourth\n", "Comment5=fifth\n"})
        EXPECT_NE(edited.out.find(line), std::string::npos) << line << edited.out;

    const ProfileDocument doc = ProfileDocument::parse(fileText(header));
    EXPECT_EQ(doc.get("WellInfo", "EndDepth"), "CORRUPT");
    EXPECT_EQ(doc.get("WellInfo", "Startdepth"), "10000");
    EXPECT_EQ(doc.get("File1", "FileName"), "WELL1.lox");
    EXPECT_EQ(doc.get("File1", "SampleCount"), "20");
    EXPECT_EQ(doc.get("WellInfo", "Company"), "A=B;C[D]");

    const HeaderRun missing = runHeader(home.file("log/none.hed"), {"Company=X"});
    EXPECT_EQ(missing.code, ExitCode::MissingFile);
}

} // namespace
} // namespace zarn::test
