// "New log.": the names and paths of a new log, the question before an old log of the same name
// is replaced, what Yes deletes (the old header and the data files it lists, nothing else, and
// never anything outside the log's folder), and that the setup given starts a recording.
#include "acquisition/logfiles/NewLog.h"
#include "tests/acquisition/logfiles/LogTestSupport.h"

#include <fstream>
#include <set>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;

void touch(const fs::path& path, const std::string& content = "x") {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

// A header listing these names under [File1], [File2], ...
std::string headerListing(const std::vector<std::string>& names) {
    std::string text = format("[General]\r\nVersion=2000\r\nDataFiles=%zu\r\n\r\n[WellInfo]\r\n"
                              "EndDepth=1000\r\n",
                              names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        text += format("\r\n[File%zu]\r\nFileName=%s\r\nStartDepth=0\r\n", i + 1, names[i].c_str());
    return text;
}

class NewLogTest : public ::testing::Test {
protected:
    NewLogTest() {
        configuration.paths.temporaryFolder = "/var/tmp";
        configuration.paths.filePath = "/somewhere";
        configuration.paths.lastHeader = "/somewhere/last.hed";
        configuration.program.recordSplit = 100;
    }

    NewLogRequest request(const std::string& title, const fs::path& in) const {
        NewLogRequest r;
        r.folder = in;
        r.title = title;
        r.loggingDown = false;
        r.splitLength = 50;
        r.loggerDepth = 12.5;
        r.imageDepth = 12.25;
        return r;
    }

    LogFolder folder;
    RecordingUserMessages messages;
    Configuration configuration = logConfiguration();
    int saves = 0;
    NewLogCreation creation{configuration, [this] {
                                ++saves;
                                return true;
                            }};
};

TEST_F(NewLogTest, AFreshNameGivesTheLogsPathsAndAStartableRecording) {
    const fs::path home = folder.home.path();
    const NewLogResult result = creation.Create(request("well7", home));
    ASSERT_EQ(result.outcome, NewLogOutcome::Ready);
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_TRUE(result.deleted.empty());
    EXPECT_EQ(result.setup.headerPath, home / "well7.hed");
    EXPECT_EQ(result.setup.dataFile, home / "well7.lox");
    EXPECT_FALSE(result.setup.loggingDown);
    EXPECT_DOUBLE_EQ(result.setup.loggerDepth, 12.5);
    EXPECT_DOUBLE_EQ(result.lastWrittenDepth, 12.25);

    const AppPaths& paths = configuration.paths;
    EXPECT_EQ(paths.headerName, "well7.hed");
    EXPECT_EQ(paths.fileName, "well7.lox");
    EXPECT_EQ(paths.lastHeader, (home / "well7.hed").string());
    EXPECT_EQ(paths.dataFile, (home / "well7.lox").string());
    EXPECT_EQ(paths.temporaryFolder, "/var/tmp"); // never the other system's "c:\temp"
    EXPECT_EQ(paths.filePath, "/somewhere");
    EXPECT_EQ(configuration.program.recordSplit, 50);
    EXPECT_EQ(saves, 1);

    // The recording starts with that setup, and its fresh header lists the new data file.
    CHeader header;
    RecorderState state;
    CDataLogWriter writer(header, state);
    ASSERT_TRUE(writer.StartRecording(result.setup, configuration, SondeTable{}));
    EXPECT_TRUE(writer.StopRecording());
    const auto text = readWholeFile(home / "well7.hed");
    ASSERT_TRUE(text);
    const ProfileDocument written = ProfileDocument::parse(*text);
    EXPECT_EQ(written.get("File1", "FileName"), "well7.lox");
    EXPECT_EQ(written.get("WellInfo", "LogMode"), "11");
    EXPECT_TRUE(fs::exists(home / "well7.lox"));
}

TEST_F(NewLogTest, NoKeepsTheOldLogAndChangesNothing) {
    const fs::path home = folder.home.path();
    touch(home / "run.hed", headerListing({"run.lox", "run_2.lox"}));
    touch(home / "run.lox");
    touch(home / "run_2.lox");
    const AppPaths before = configuration.paths;

    messages.answerNext(MessageAnswer::No);
    const NewLogResult result = creation.Create(request("run", home));
    EXPECT_EQ(result.outcome, NewLogOutcome::Declined);

    const auto shown = messages.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Same file name exist, do you want replace this ?");
    EXPECT_EQ(shown[0].icon, MessageIcon::Question);
    EXPECT_EQ(shown[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(shown[0].defaultAnswer, MessageAnswer::No);

    for (const char* name : {"run.hed", "run.lox", "run_2.lox"})
        EXPECT_TRUE(fs::exists(home / name)) << name;
    EXPECT_EQ(configuration.paths.lastHeader, before.lastHeader);
    EXPECT_EQ(configuration.paths.dataFile, before.dataFile);
    EXPECT_EQ(configuration.paths.fileName, before.fileName);
    EXPECT_EQ(configuration.program.recordSplit, 100);
    EXPECT_EQ(saves, 0);
}

TEST_F(NewLogTest, YesDeletesARecordedLogWithAllItsDataFiles) {
    // A real log of three data files, recorded by the writer.
    RecordingRig rig(folder);
    ASSERT_TRUE(rig.start(true, 50, 0.5));
    for (int n = 1; n <= 8; ++n) {
        const int mm = 1000 + n * 15000;
        rig.feed(n, Sample{mm, mm, 100});
    }
    ASSERT_TRUE(rig.writer.StopRecording());
    const fs::path home = folder.home.path();
    ASSERT_TRUE(fs::exists(home / "run_3.lox"));
    touch(home / "other.lox");
    touch(home / "run.txt");

    messages.answerNext(MessageAnswer::Yes);
    const NewLogResult result = creation.Create(request("run", home));
    ASSERT_EQ(result.outcome, NewLogOutcome::Ready);
    for (const char* name : {"run.hed", "run.lox", "run_2.lox", "run_3.lox"})
        EXPECT_FALSE(fs::exists(home / name)) << name;
    EXPECT_EQ(result.deleted.size(), 4u);
    EXPECT_TRUE(result.skipped.empty());
    EXPECT_TRUE(fs::exists(home / "other.lox"));
    EXPECT_TRUE(fs::exists(home / "run.txt"));
    EXPECT_EQ(saves, 1);
}

TEST_F(NewLogTest, ACraftedHeaderDeletesNothingButPlainDataFilesOfItsFolder) {
    const fs::path home = folder.home.path();
    const fs::path log = home / "log";
    const fs::path elsewhere = home / "elsewhere";
    fs::create_directories(log / "sub");
    fs::create_directories(log / "dir.lox");
    fs::create_directories(elsewhere);
    touch(home / "x");
    touch(home / "outside.lox");
    touch(elsewhere / "abs.lox");
    touch(elsewhere / "target.lox");
    touch(log / "sub" / "inner.lox");
    touch(log / "LvZARN.cfg");
    touch(log / "run_2.lox");
    fs::create_symlink(elsewhere / "target.lox", log / "link.lox");

    const std::vector<std::string> listed = {
        "../x",
        "../outside.lox",
        (elsewhere / "abs.lox").string(),
        "sub/inner.lox",
        "..",
        ".",
        "..\\outside.lox",
        "LvZARN.cfg",
        "dir.lox",
        "run_2.lox",
        "link.lox",
        "never-there.lox",
    };
    touch(log / "run.hed", headerListing(listed));

    messages.answerNext(MessageAnswer::Yes);
    const NewLogResult result = creation.Create(request("run", log));
    ASSERT_EQ(result.outcome, NewLogOutcome::Ready);

    // Deleted: the plain data file, the link itself (not its target) and the header.
    const std::set<fs::path> deleted(result.deleted.begin(), result.deleted.end());
    EXPECT_EQ(deleted, (std::set<fs::path>{log / "run_2.lox", log / "link.lox", log / "run.hed"}));
    for (const fs::path& kept :
         {home / "x", home / "outside.lox", elsewhere / "abs.lox", elsewhere / "target.lox",
          log / "sub" / "inner.lox", log / "LvZARN.cfg", log / "dir.lox"})
        EXPECT_TRUE(fs::exists(kept)) << kept;

    // Every name left alone is reported with its reason.
    std::set<std::string> skipped;
    for (const SkippedLogFile& s : result.skipped) {
        skipped.insert(s.listedName);
        EXPECT_FALSE(s.reason.empty()) << s.listedName;
    }
    EXPECT_EQ(skipped,
              (std::set<std::string>{"../x", "../outside.lox", (elsewhere / "abs.lox").string(),
                                     "sub/inner.lox", "..", ".", "..\\outside.lox", "LvZARN.cfg",
                                     "dir.lox"}));
}

TEST(NewLogNames, WhichListedNamesMayBeDeleted) {
    struct Case {
        const char* name;
        bool deletable;
    };
    const Case cases[] = {
        {"run.lox", true},
        {"run_2.lox", true},
        {"RUN_3.LOX", true},
        {"a b.lox", true},
        {"/etc/passwd", false},
        {"../x", false},
        {"../x.lox", false},
        {"/tmp/x.lox", false},
        {"sub/x.lox", false},
        {"..\\x.lox", false},
        {"C:\\logs\\x.lox", false},
        {"..", false},
        {".", false},
        {"", false},
        {".lox", false},
        {"run.hed", false},
        {"run.lox.bak", false},
        {"LvZARN.cfg", false},
        {"a\nb.lox", false},
        {"a\x7f.lox", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(!NewLogCreation::RefusalOfListedName(c.name).has_value(), c.deletable);
    }
}

TEST_F(NewLogTest, ATitleThatIsNoFileNameChangesNothing) {
    const fs::path home = folder.home.path();
    touch(home / "run.hed", headerListing({"run.lox"}));
    const AppPaths before = configuration.paths;
    for (const char* title : {"", ".", "..", "a/b", "../run", "a\\b", "x\ty"}) {
        SCOPED_TRACE(title);
        const NewLogResult result = creation.Create(request(title, home));
        EXPECT_EQ(result.outcome, NewLogOutcome::InvalidName);
    }
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_TRUE(fs::exists(home / "run.hed"));
    EXPECT_EQ(configuration.paths.lastHeader, before.lastHeader);
    EXPECT_EQ(saves, 0);
}

} // namespace
} // namespace zarn::test
