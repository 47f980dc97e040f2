// acquire checks what it will write, and that a sonde is selected, before anything is switched
// on: each refusal is one line on stderr, nothing on stdout, and no logger is looked for.
#include "acquisition/cli/AcquireRun.h"
#include "tests/acquisition/cli/CliTestSupport.h"
#include "tests/support/TestSupport.h"

namespace zarn::test {
namespace {

namespace fs = std::filesystem;
namespace ExitCode = cli::ExitCode;

cli::LoadedSettings settingsWithSonde(bool sonde = true) {
    cli::LoadedSettings settings;
    if (sonde) {
        settings.sondes.slots[0].serialNumber = 417;
        settings.sondes.copySelectedToWorking();
    }
    return settings;
}

CommandRun acquire(const cli::AcquireOptions& options, const cli::LoadedSettings& settings) {
    return runCommand([&](std::ostream& out, std::ostream& err) {
        cli::CliUserMessages messages(err);
        cli::AcquireRun run(options, settings, out, err);
        return run.execute();
    });
}

TEST(AcquireChecksTest, OutputsAndSondeAreCheckedBeforePowering) {
    TempHome home;
    home.write("logs/BH1.hed", "[General]\r\n");
    home.write("afile", "");
    struct Case {
        const char* name;
        std::function<void(cli::AcquireOptions&)> set;
        bool sonde;
        int code;
        const char* said;
    };
    const Case cases[] = {
        {"existing log without --replace",
         [&](cli::AcquireOptions& o) { o.record = home.file("logs/BH1"); }, true, ExitCode::Failure,
         "a log named BH1 exists in"},
        {"existing log given with .hed",
         [&](cli::AcquireOptions& o) { o.record = home.file("logs/BH1.hed"); }, true,
         ExitCode::Failure, "--replace replaces it"},
        {"record folder that cannot be made",
         [&](cli::AcquireOptions& o) { o.record = home.file("afile/BH2"); }, true,
         ExitCode::Failure, "the folder cannot be created"},
        {"not a log name", [&](cli::AcquireOptions& o) { o.record = home.file("logs/.."); }, true,
         ExitCode::BadArguments, "not a log name"},
        {"capture folder that cannot be made",
         [&](cli::AcquireOptions& o) { o.capture = home.file("afile/c.raw"); }, true,
         ExitCode::Failure, "the folder cannot be created"},
        {"picture without its far end",
         [&](cli::AcquireOptions& o) { o.image = home.file("p.png"); }, true,
         ExitCode::BadArguments, "--image needs --stop-depth"},
        {"no sonde selected", [](cli::AcquireOptions&) {}, false, ExitCode::Failure,
         "No sondes selected ... (zarn-cli sonde list"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cli::AcquireOptions options;
        options.driver = home.file("no-such-driver.so").string();
        options.statusLine = false;
        c.set(options);
        const CommandRun run = acquire(options, settingsWithSonde(c.sonde));
        EXPECT_EQ(run.code, c.code);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(lineCount(run.err), 1u) << run.err;
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
    }
    // The existing log is untouched.
    EXPECT_EQ(home.read("logs/BH1.hed"), "[General]\r\n");
}

TEST(AcquireChecksTest, OutputFoldersAreCreatedBeforeTheLink) {
    TempHome home;
    cli::AcquireOptions options;
    options.driver = home.file("no-such-driver.so").string();
    options.statusLine = false;
    options.record = home.file("new/logs/BH1");
    options.capture = home.file("captures/today/BH1.raw");
    const CommandRun run = acquire(options, settingsWithSonde());
    // Then the bridge library does not bind.
    EXPECT_EQ(run.code, ExitCode::DriverNotBound) << run.err;
    EXPECT_TRUE(fs::is_directory(home.file("new/logs")));
    EXPECT_TRUE(fs::is_directory(home.file("captures/today")));
    EXPECT_FALSE(fs::exists(home.file("new/logs/BH1.hed")));
}

} // namespace
} // namespace zarn::test
