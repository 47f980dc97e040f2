// The command line of zarn-cli: each option lands in its field, defaults stay when an option is
// not given, values out of range are refused in one line that gives the range, and --help shows
// the defaults and the exit codes.
#include "acquisition/cli/CommandLine.h"
#include "tests/acquisition/cli/CliTestSupport.h"

#include <functional>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;
namespace ExitCode = cli::ExitCode;
using cli::Command;
using cli::CommandLine;

struct Parse {
    cli::ParsedCommandLine parsed;
    std::string out, err;
};

Parse parse(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    Parse p{cli::parseCommandLine(args, out, err), {}, {}};
    p.out = out.str();
    p.err = err.str();
    return p;
}

TEST(CommandLineTest, OptionsLandInTheirFields) {
    struct Case {
        std::vector<std::string> args;
        Command command;
        std::function<void(const CommandLine&)> check;
    };
    const Case cases[] = {
        {{}, Command::Paths, [](const CommandLine& l) { EXPECT_TRUE(l.home.empty()); }},
        {{"acquire"},
         Command::Acquire,
         [](const CommandLine& l) {
             const cli::AcquireOptions& a = l.acquire;
             EXPECT_FALSE(a.record);
             EXPECT_TRUE(a.loggingDown);
             EXPECT_FALSE(a.splitLength);
             EXPECT_FALSE(a.stopDepth);
             EXPECT_FALSE(a.duration);
             EXPECT_FALSE(a.capture);
             EXPECT_FALSE(a.image);
             EXPECT_FALSE(a.replaceExisting);
             EXPECT_TRUE(a.statusLine);
             EXPECT_FALSE(a.noVideoRecovery);
             EXPECT_EQ(a.rowsPerMetre, 400);
             EXPECT_EQ(a.connectTimeout, 20);
             EXPECT_EQ(a.powerTimeout, 60);
         }},
        {{"acquire",
          "--driver",
          "lib.so",
          "--record",
          "logs/BH12",
          "--direction",
          "up",
          "--split",
          "50",
          "--replace",
          "--stop-depth",
          "3.5",
          "--duration",
          "90",
          "--capture",
          "c.raw",
          "--image",
          "i.png",
          "--rows-per-metre",
          "200",
          "--connect-timeout",
          "5",
          "--power-timeout",
          "7",
          "--no-video-recovery",
          "--no-status"},
         Command::Acquire,
         [](const CommandLine& l) {
             const cli::AcquireOptions& a = l.acquire;
             EXPECT_EQ(a.driver, "lib.so");
             EXPECT_EQ(a.record, fs::path("logs/BH12"));
             EXPECT_FALSE(a.loggingDown);
             EXPECT_EQ(a.splitLength, 50);
             EXPECT_TRUE(a.replaceExisting);
             EXPECT_EQ(a.stopDepth, 3.5);
             EXPECT_EQ(a.duration, 90);
             EXPECT_EQ(a.capture, fs::path("c.raw"));
             EXPECT_EQ(a.image, fs::path("i.png"));
             EXPECT_EQ(a.rowsPerMetre, 200);
             EXPECT_EQ(a.connectTimeout, 5);
             EXPECT_EQ(a.powerTimeout, 7);
             EXPECT_TRUE(a.noVideoRecovery);
             EXPECT_FALSE(a.statusLine);
         }},
        {{"replay", "bh.hed", "-o", "bh.png"},
         Command::Replay,
         [](const CommandLine& l) {
             EXPECT_EQ(l.replay.header, fs::path("bh.hed"));
             EXPECT_EQ(l.replay.image, fs::path("bh.png"));
             EXPECT_FALSE(l.replay.from);
             EXPECT_FALSE(l.replay.to);
             EXPECT_FALSE(l.replay.speedSlider);
             EXPECT_EQ(l.replay.rowsPerMetre, 400);
         }},
        {{"replay", "bh.hed", "--output", "bh.png", "--from", "12", "--to", "20", "--speed", "1",
          "--rows-per-metre", "1000"},
         Command::Replay,
         [](const CommandLine& l) {
             EXPECT_EQ(l.replay.from, 12);
             EXPECT_EQ(l.replay.to, 20);
             EXPECT_EQ(l.replay.speedSlider, 1);
             EXPECT_EQ(l.replay.rowsPerMetre, 1000);
         }},
        {{"inspect", "bh.hed"},
         Command::Inspect,
         [](const CommandLine& l) {
             EXPECT_EQ(l.inspect.header, fs::path("bh.hed"));
             EXPECT_FALSE(l.inspect.limit);
             EXPECT_FALSE(l.inspect.headerOnly);
         }},
        {{"inspect", "bh.hed", "--limit", "0", "--header-only"},
         Command::Inspect,
         [](const CommandLine& l) {
             EXPECT_EQ(l.inspect.limit, 0);
             EXPECT_TRUE(l.inspect.headerOnly);
         }},
        {{"dissect", "c.raw", "--no-decode"},
         Command::Dissect,
         [](const CommandLine& l) {
             EXPECT_EQ(l.dissect.capture, fs::path("c.raw"));
             EXPECT_FALSE(l.dissect.decode);
         }},
        {{"demo"},
         Command::Demo,
         [](const CommandLine& l) { EXPECT_EQ(l.demo.output, fs::path("zarn-demo")); }},
        {{"demo", "-o", "elsewhere", "--simulator", "sim.so"},
         Command::Demo,
         [](const CommandLine& l) {
             EXPECT_EQ(l.demo.output, fs::path("elsewhere"));
             EXPECT_EQ(l.demo.simulator, "sim.so");
         }},
        {{"sonde", "list"},
         Command::Sonde,
         [](const CommandLine& l) { EXPECT_EQ(l.sonde.action, cli::SondeOptions::Action::List); }},
        {{"sonde", "import", "s.znv", "--replace"},
         Command::Sonde,
         [](const CommandLine& l) {
             EXPECT_EQ(l.sonde.action, cli::SondeOptions::Action::Import);
             EXPECT_EQ(l.sonde.importFile, fs::path("s.znv"));
             EXPECT_TRUE(l.sonde.replaceExisting);
         }},
        {{"sonde", "select", "417"},
         Command::Sonde,
         [](const CommandLine& l) {
             EXPECT_EQ(l.sonde.action, cli::SondeOptions::Action::Select);
             EXPECT_EQ(l.sonde.serial, 417);
         }},
        {{"export", "pictures", "bh.hed"},
         Command::ExportPictures,
         [](const CommandLine& l) {
             const cli::ExportPicturesOptions& e = l.exportPictures;
             EXPECT_EQ(e.header, fs::path("bh.hed"));
             EXPECT_FALSE(e.output || e.type || e.grey || e.from || e.to || e.interval ||
                          e.maxLines || e.decimals || e.deviation || e.scaleColour || e.feet);
             EXPECT_FALSE(e.noScale);
         }},
        {{"export",      "pictures",
          "bh.hed",      "-o",
          "out",         "--type",
          "tiff",        "--grey",
          "--from",      "10.5",
          "--to",        "12",
          "--interval",  "2.5",
          "--max-lines", "900",
          "--decimals",  "2",
          "--deviation", "high-side",
          "--no-scale",  "--scale-colour",
          "white",       "--units",
          "ft"},
         Command::ExportPictures,
         [](const CommandLine& l) {
             const cli::ExportPicturesOptions& e = l.exportPictures;
             EXPECT_EQ(e.output.value_or(""), fs::path("out"));
             EXPECT_EQ(e.type.value_or(""), "tiff");
             EXPECT_EQ(e.grey, std::optional<bool>(true));
             EXPECT_EQ(e.from, std::optional<double>(10.5));
             EXPECT_EQ(e.to, std::optional<double>(12));
             EXPECT_EQ(e.interval, std::optional<double>(2.5));
             EXPECT_EQ(e.maxLines, std::optional<int>(900));
             EXPECT_EQ(e.decimals, std::optional<int>(2));
             EXPECT_EQ(e.deviation, std::optional<int>(2));
             EXPECT_TRUE(e.noScale);
             EXPECT_EQ(e.scaleColour, std::optional<int>(3));
             EXPECT_EQ(e.feet, std::optional<bool>(true));
         }},
        {{"export", "lgx", "bh.hed", "-o", "out", "--interval", "3", "--bicubic", "--replace",
          "--grey"},
         Command::ExportLgx,
         [](const CommandLine& l) {
             const cli::ExportPicturesOptions& e = l.exportPictures;
             EXPECT_EQ(e.header, fs::path("bh.hed"));
             EXPECT_EQ(e.output.value_or(""), fs::path("out"));
             EXPECT_EQ(e.interval, std::optional<double>(3));
             EXPECT_EQ(e.bicubic, std::optional<bool>(true));
             EXPECT_EQ(e.grey, std::optional<bool>(true));
             EXPECT_TRUE(e.replace);
         }},
        // A relative home is made absolute once, against the working folder.
        {{"--home", "relative-home", "paths"},
         Command::Paths,
         [](const CommandLine& l) { EXPECT_EQ(l.home, fs::current_path() / "relative-home"); }},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const std::string& a : c.args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        const Parse p = parse(c.args);
        ASSERT_TRUE(p.parsed.commandLine) << p.err;
        EXPECT_EQ(p.out, "");
        EXPECT_EQ(p.err, "");
        EXPECT_EQ(p.parsed.commandLine->command, c.command);
        c.check(*p.parsed.commandLine);
    }
}

TEST(CommandLineTest, ValuesOutOfRangeAreRefusedWithTheirRange) {
    struct Case {
        std::vector<std::string> args;
        const char* said; // part of the one error line
    };
    const Case cases[] = {
        {{"acquire", "--split", "-5"}, "--split: Value -5 not in range 1 to 100000"},
        {{"acquire", "--split", "0"}, "not in range 1 to 100000"},
        {{"acquire", "--duration", "-5"}, "--duration: Value -5 not in range: more than 0 s"},
        {{"acquire", "--duration", "0"}, "more than 0 s"},
        {{"acquire", "--connect-timeout", "0"}, "more than 0 s"},
        {{"acquire", "--power-timeout", "-1"}, "more than 0 s"},
        {{"acquire", "--stop-depth", "-5000"}, "not in range -1000 to 20000 m"},
        {{"acquire", "--rows-per-metre", "50"}, "not in range 100 to 5000"},
        {{"acquire", "--direction", "sideways"}, "--direction"},
        {{"acquire", "--split", "ten"}, "is not a number"},
        {{"inspect", "bh.hed", "--limit", "-1"}, "--limit: Value -1 not in range: 0 or more"},
        {{"replay", "bh.hed", "-o", "p.png", "--speed", "51"}, "not in range 1 to 50"},
        {{"replay", "bh.hed", "-o", "p.png", "--speed", "0"}, "not in range 1 to 50"},
        {{"replay", "bh.hed"}, "--output is required"},
        {{"sonde"}, "subcommand"},
        {{"sonde", "select", "x"}, "serial"},
        {{"nonsense"}, "nonsense"},
        {{"export", "pictures", "bh.hed", "--max-lines", "30000"}, "not in range 1 to 25600"},
        {{"export", "pictures", "bh.hed", "--interval", "0"}, "more than 0 mm"},
        {{"export", "pictures", "bh.hed", "--type", "gif"}, "--type"},
        {{"export", "pictures", "bh.hed", "--grey", "--colour"}, "excludes"},
        {{"export"}, "subcommand"},
        {{"export", "lgx", "bh.hed", "--max-lines", "10"}, "--max-lines"},
        {{"export", "pictures", "bh.hed", "--bicubic", "--bilinear"}, "excludes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.said);
        const Parse p = parse(c.args);
        EXPECT_FALSE(p.parsed.commandLine);
        EXPECT_EQ(p.parsed.exitCode, ExitCode::BadArguments);
        EXPECT_EQ(p.out, "");
        EXPECT_EQ(lineCount(p.err), 1u) << p.err;
        EXPECT_EQ(p.err.rfind("zarn-cli: ", 0), 0u) << p.err;
        EXPECT_NE(p.err.find(c.said), std::string::npos) << p.err;
    }
}

TEST(CommandLineTest, HelpShowsTheDefaultsAndTheExitCodes) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, {"acquire", "--help"}, {"replay", "--help"}}) {
        const Parse p = parse(args);
        EXPECT_FALSE(p.parsed.commandLine);
        EXPECT_EQ(p.parsed.exitCode, ExitCode::Ok);
        EXPECT_EQ(p.err, "");
        EXPECT_NE(p.out.find("Exit codes: 0 done, 1 the work failed, 2 bad arguments, 3 a missing "
                             "input file"),
                  std::string::npos)
            << p.out;
        EXPECT_NE(p.out.find("130 stopped by Ctrl-C"), std::string::npos) << p.out;
    }
    const std::string acquire = parse({"acquire", "--help"}).out;
    for (const char* shown : {"--direction TEXT:{down,up}=down", "[1 to 100000]", "=400",
                              "--connect-timeout FLOAT:[more than 0 s]=20", "=60"})
        EXPECT_NE(acquire.find(shown), std::string::npos) << shown << "\n" << acquire;
    EXPECT_NE(parse({"demo", "--help"}).out.find("=zarn-demo"), std::string::npos);
}

} // namespace
} // namespace zarn::test
