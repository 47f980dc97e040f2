// Ctrl-C during the long commands: replay and inspect stop at the point of the interrupt, say so
// in one line, end with the interrupted exit code and leave no picture, not even under a
// temporary name. A log whose data files are missing stops them before any output.
#include "acquisition/cli/Commands.h"
#include "tests/acquisition/cli/CliTestSupport.h"
#include "tests/acquisition/logfiles/LogTestSupport.h"

#include <chrono>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;
namespace ExitCode = cli::ExitCode;

constexpr int RecordCount = 12;

// Ctrl-C pressed when the work reports `at` or more of the stage named; cancelled as the
// program's progress is, by the interrupt.
class InterruptAt : public Progress {
public:
    InterruptAt(std::string stageName, double at) : stage_(std::move(stageName)), at_(at) {}
    void stage(std::string_view text) override {
        current_ = text;
        stages.emplace_back(text);
    }
    void fraction(double done) override {
        if (current_ == stage_ && done >= at_)
            cli::requestInterrupt();
    }
    bool cancelled() const override { return cli::interruptRequested(); }

    std::vector<std::string> stages;

private:
    std::string stage_;
    std::string current_;
    double at_;
};

std::size_t filesIn(const fs::path& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++n;
    return n;
}

class CancelTest : public ::testing::Test {
protected:
    void SetUp() override {
        cli::clearInterrupt();
        // Going down from 1 m, 0.25 m a record.
        ASSERT_TRUE(rig.start(true, 0, 0.5));
        for (int n = 1; n <= RecordCount; ++n) {
            rig.clock.advance(std::chrono::seconds(1));
            const int mm = 1000 + n * 250;
            ASSERT_EQ(rig.feed(n, Sample{mm, mm, 100}), FrameResult::Ok);
        }
        ASSERT_TRUE(rig.writer.StopRecording());
    }
    void TearDown() override { cli::clearInterrupt(); }

    CommandRun replay(Progress& progress, std::optional<int> speed = std::nullopt) {
        cli::ReplayOptions options;
        options.header = rig.headerPath();
        options.image = folder.file("out/picture.png");
        options.speedSlider = speed;
        fs::create_directories(folder.file("out"));
        return runCommand([&](std::ostream& out, std::ostream& err) {
            return cli::runReplay(options, out, err, progress);
        });
    }

    LogFolder folder;
    RecordingUserMessages messages;
    RecordingRig rig{folder};
};

TEST_F(CancelTest, ReplayStopsAtTheInterruptAndWritesNoPicture) {
    struct Case {
        const char* stage;
        double at;
        std::optional<int> speed;
    };
    // In the check of the log, and in the playback at the slowest pace (the whole log would
    // take 4.5 s; the interrupt comes with the first record).
    for (const Case& c :
         {Case{"Checking the log ...", 0.5, std::nullopt}, Case{"Replaying ...", 0.0, 1}}) {
        SCOPED_TRACE(c.stage);
        cli::clearInterrupt();
        InterruptAt progress(c.stage, c.at);
        const auto start = std::chrono::steady_clock::now();
        const CommandRun run = replay(progress, c.speed);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_EQ(run.code, ExitCode::Interrupted) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "zarn-cli: replay cancelled; no picture written\n");
        EXPECT_EQ(filesIn(folder.file("out")), 0u);
    }
}

TEST_F(CancelTest, InspectStopsAtTheInterrupt) {
    InterruptAt progress("Inspecting ...", 0.5);
    cli::InspectOptions options;
    options.header = rig.headerPath();
    const CommandRun run = runCommand([&](std::ostream& out, std::ostream& err) {
        return cli::runInspect(options, out, err, progress);
    });
    EXPECT_EQ(run.code, ExitCode::Interrupted);
    EXPECT_EQ(run.err, "zarn-cli: inspect cancelled\n");
    // The header line and about half of the records.
    const std::size_t lines = run.lines().size();
    EXPECT_GT(lines, 1u + RecordCount / 4);
    EXPECT_LT(lines, 1u + RecordCount * 3 / 4);
}

TEST_F(CancelTest, ReplayAndInspectWithoutInterruptAreComplete) {
    CancelFlagProgress never;
    const CommandRun replayed = replay(never);
    EXPECT_EQ(replayed.code, ExitCode::Ok) << replayed.err;
    EXPECT_TRUE(fs::is_regular_file(folder.file("out/picture.png")));
    EXPECT_EQ(filesIn(folder.file("out")), 1u);
}

TEST_F(CancelTest, MissingDataFilesGiveOneLineAndNoOutput) {
    // A header that lists thousands of data files, none of them beyond the first there.
    ProfileDocument document = ProfileDocument::parse(folder.home.read("run.hed"));
    document.set("General", "DataFiles", "9999");
    writeFile(rig.headerPath(), document.serialize());
    CancelFlagProgress never;
    const CommandRun replayed = replay(never);
    cli::InspectOptions options;
    options.header = rig.headerPath();
    const CommandRun inspected = runCommand(
        [&](std::ostream& out, std::ostream& err) { return cli::runInspect(options, out, err); });
    for (const CommandRun* run : {&replayed, &inspected}) {
        EXPECT_EQ(run->code, ExitCode::MissingFile);
        EXPECT_EQ(run->out, "");
        EXPECT_EQ(lineCount(run->err), 1u) << run->err.substr(0, 500);
        EXPECT_NE(run->err.find("[File2]"), std::string::npos) << run->err.substr(0, 500);
    }
    EXPECT_FALSE(fs::exists(folder.file("out/picture.png")));
    EXPECT_TRUE(messages.texts().empty());
}

} // namespace
} // namespace zarn::test
