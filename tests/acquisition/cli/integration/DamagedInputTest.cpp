// The commands that read files, on a log and a raw capture recorded from the simulated logger
// and then damaged: missing, empty, cut short, or random bytes in their place. Every command
// ends with one clear error line and a failing exit code, never a crash.
#include "acquisition/cli/Commands.h"
#include "platform/FileIo.h"
#include "tests/acquisition/cli/CliTestSupport.h"
#include "tests/acquisition/cli/integration/SimulatedAcquisition.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <optional>
#include <random>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;
namespace ExitCode = cli::ExitCode;

// The first reads of a raw capture, whole: its magic, then records of a count byte and that
// many bytes.
std::string captureHead(const std::string& capture, std::size_t atLeast) {
    std::size_t at = 8;
    while (at < capture.size() && at < atLeast)
        at += 1 + static_cast<unsigned char>(capture[at]);
    return capture.substr(0, std::min(at, capture.size()));
}

enum class Command { Replay, Inspect, Dissect };

const char* nameOf(Command c) {
    switch (c) {
    case Command::Replay:
        return "replay";
    case Command::Inspect:
        return "inspect";
    case Command::Dissect:
        return "dissect";
    }
    return "";
}

class DamagedInputTest : public SimulatedLoggerTest {
protected:
    CommandRun run(Command command, const fs::path& file) {
        return runCommand([&](std::ostream& out, std::ostream& err) {
            switch (command) {
            case Command::Replay: {
                cli::ReplayOptions options;
                options.header = file;
                options.image = home.file("replay.png");
                return cli::runReplay(options, out, err);
            }
            case Command::Inspect: {
                cli::InspectOptions options;
                options.header = file;
                return cli::runInspect(options, out, err);
            }
            case Command::Dissect: {
                cli::DissectOptions options;
                options.capture = file;
                return cli::runDissect(options, out, err);
            }
            }
            return -1;
        });
    }
};

TEST_F(DamagedInputTest, EveryCommandEndsWithOneErrorLine) {
    configureSimulator({10, 11, ""});
    cli::AcquireOptions options = recordOptions("log", true, 10.3);
    options.capture = home.file("whole.raw");
    const AcquireOutcome acquired = runAcquisition(options, programSettings());
    ASSERT_EQ(acquired.code, ExitCode::Ok) << acquired.err;
    const std::string header = readWholeFile(logFolder() / "log.hed").value_or("");
    const std::string data = readWholeFile(logFolder() / "log.lox").value_or("");
    // A short capture of whole reads (the whole one holds every status frame of the run).
    const std::string capture =
        captureHead(readWholeFile(home.file("whole.raw")).value_or(""), 100'000);
    ASSERT_GT(header.size(), 500u);
    ASSERT_GT(data.size(), 50'000u);
    ASSERT_GT(capture.size(), 50'000u);

    const fs::path hed = logFolder() / "log.hed";
    const fs::path lox = logFolder() / "log.lox";
    const fs::path raw = home.file("capture.raw");
    const auto restore = [&] {
        writeFile(hed, header);
        writeFile(lox, data);
        writeFile(raw, capture);
    };

    // The expected exit code of each command; empty: the command does not read that file.
    struct Expected {
        std::optional<int> replay, inspect, dissect;
    };
    struct Case {
        const char* name;
        std::function<void()> damage;
        Expected expected;
    };
    constexpr int Corrupt = ExitCode::CorruptInput;
    constexpr int Missing = ExitCode::MissingFile;
    // The header of a recording that never stopped: its end depth not yet written.
    const std::string interrupted = header.substr(0, header.find("EndDepth="));
    const Case cases[] = {
        {"as recorded", [] {}, {ExitCode::Ok, ExitCode::Ok, ExitCode::Ok}},
        {"missing header", [&] { fs::remove(hed); }, {Missing, Missing, {}}},
        {"empty header", [&] { writeFile(hed, ""); }, {Corrupt, Corrupt, {}}},
        {"header of random bytes",
         [&] { writeFile(hed, randomBytes(3000, 1)); },
         {Corrupt, Corrupt, {}}},
        // Cut where an interrupted recording leaves it: the replay repairs it, inspect shows it.
        {"header cut before its end depth",
         [&] { writeFile(hed, interrupted); },
         {ExitCode::Ok, ExitCode::Ok, {}}},
        {"missing data file", [&] { fs::remove(lox); }, {Missing, Missing, {}}},
        // A log without records yet: nothing to replay; inspect shows its header.
        {"empty data file", [&] { writeFile(lox, ""); }, {Corrupt, ExitCode::Ok, {}}},
        {"data file cut inside a record",
         [&] { writeFile(lox, data.substr(0, data.size() / 2 + 7)); },
         {Corrupt, Corrupt, {}}},
        {"data file of random bytes",
         [&] { writeFile(lox, randomBytes(60'000, 2)); },
         {Corrupt, Corrupt, {}}},
        {"missing capture", [&] { fs::remove(raw); }, {{}, {}, Missing}},
        {"empty capture", [&] { writeFile(raw, ""); }, {{}, {}, Corrupt}},
        {"capture cut inside a read",
         [&] { writeFile(raw, capture.substr(0, capture.size() - 5)); },
         {{}, {}, Corrupt}},
        {"capture of random bytes",
         [&] { writeFile(raw, randomBytes(8000, 3)); },
         {{}, {}, Corrupt}},
    };
    for (const Case& c : cases) {
        for (const Command command : {Command::Replay, Command::Inspect, Command::Dissect}) {
            const std::optional<int> expected = command == Command::Replay    ? c.expected.replay
                                                : command == Command::Inspect ? c.expected.inspect
                                                                              : c.expected.dissect;
            if (!expected)
                continue;
            SCOPED_TRACE(::testing::Message() << nameOf(command) << ", " << c.name);
            restore();
            c.damage();
            const CommandRun result = run(command, command == Command::Dissect ? raw : hed);
            EXPECT_EQ(result.code, *expected) << result.err;
            // A failure says so in one line of its own; a success says nothing.
            if (result.code == ExitCode::Ok) {
                EXPECT_EQ(result.err, "");
            } else {
                EXPECT_EQ(lineCount(result.err), 1u) << result.err;
                EXPECT_EQ(result.err.rfind("zarn-cli: ", 0), 0u) << result.err;
            }
        }
    }

    // The replay's repair gave the interrupted header the depth of the last whole record: its
    // image depth, as a recording that stops writes it.
    restore();
    writeFile(hed, interrupted);
    ASSERT_EQ(run(Command::Replay, hed).code, ExitCode::Ok);
    const CommandRun inspected = run(Command::Inspect, hed);
    ASSERT_EQ(inspected.code, ExitCode::Ok) << inspected.err;
    const std::vector<nlohmann::json> lines = inspected.lines();
    ASSERT_GT(lines.size(), 1u);
    EXPECT_EQ(lines[0]["HeaderInfo"]["EndDepthCorrupt"], false);
    EXPECT_NEAR(lines[0]["HeaderInfo"]["EndDepth"].get<int>(),
                lines.back()["ImageDepth"].get<double>() * 1000, 1.0);
}

} // namespace
} // namespace zarn::test
