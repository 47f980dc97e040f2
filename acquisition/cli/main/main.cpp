// zarn-cli: the acquisition engine without windows.
#include "acquisition/cli/CliSupport.h"
#include "acquisition/cli/Commands.h"
#include "platform/Home.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <exception>
#include <iostream>
#include <string>

namespace {

using namespace zarn::cli;

extern "C" void onInterrupt(int) {
    requestInterrupt();
}

// Options given on the command line become the command's optional values.
template <class T>
void takeIf(const CLI::Option* option, const T& value, std::optional<T>& target) {
    if (option->count() > 0)
        target = value;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"zarn-cli: acquisition, recording, replay and inspection of optical televiewer "
                 "logs without windows."};
    app.require_subcommand(0, 1);
    std::string home;
    app.add_option("--home", home, "keep settings and logs in this folder")
        ->check(CLI::NonexistentPath | CLI::ExistingDirectory);

    app.add_subcommand("paths", "load the configuration and print where the program's files "
                                "live (the default)");

    AcquireOptions acquire;
    CLI::App* acquireCmd = app.add_subcommand(
        "acquire", "power the sonde on through the logger, show the live values, optionally "
                   "record a log; stops at a depth, after a time or on Ctrl-C");
    acquireCmd->add_option("--driver", acquire.driver,
                           "USB bridge library (default: $ZARN_FTD2XX, else libftd2xx.so)");
    std::string recordPath;
    const CLI::Option* recordOpt =
        acquireCmd->add_option("--record", recordPath, "record a new log: DIR/NAME (.hed added)");
    std::string direction = "down";
    acquireCmd->add_option("--direction", direction, "logging direction: down or up")
        ->check(CLI::IsMember({"down", "up"}));
    int split = 0;
    const CLI::Option* splitOpt = acquireCmd->add_option(
        "--split", split, "split the data files every this many metres (feet in imperial units)");
    acquireCmd->add_flag("--replace", acquire.replaceExisting,
                         "replace a log of the same name without asking");
    double stopDepth = 0;
    const CLI::Option* stopDepthOpt = acquireCmd->add_option(
        "--stop-depth", stopDepth, "stop when the image depth reaches this (m)");
    double duration = 0;
    const CLI::Option* durationOpt = acquireCmd->add_option(
        "--duration", duration, "stop after this many seconds with the sonde on");
    std::string capturePath;
    const CLI::Option* captureOpt =
        acquireCmd->add_option("--capture", capturePath, "write every byte received to this file");
    std::string acquireImage;
    const CLI::Option* acquireImageOpt = acquireCmd->add_option(
        "--image", acquireImage, "write the depth-scaled image of the run to this PNG");
    acquireCmd->add_option("--rows-per-metre", acquire.rowsPerMetre, "image rows per metre")
        ->check(CLI::Range(100.0, 5000.0));
    acquireCmd->add_option("--connect-timeout", acquire.connectTimeout,
                           "seconds to wait for the logger");
    acquireCmd->add_option("--power-timeout", acquire.powerTimeout,
                           "seconds to wait for the sonde to come on");
    acquireCmd->add_flag("--no-video-recovery", acquire.noVideoRecovery,
                         "do not ask the sonde again for lost video packets");
    bool quiet = false;
    acquireCmd->add_flag("--no-status", quiet, "no live status line");

    ReplayOptions replay;
    CLI::App* replayCmd = app.add_subcommand(
        "replay", "play a log through the decoding and drawing path into a PNG picture");
    std::string replayHeader, replayImage;
    replayCmd->add_option("log", replayHeader, "the log's header file (.hed)")->required();
    replayCmd->add_option("-o,--output", replayImage, "the PNG picture to write")->required();
    double from = 0, to = 0;
    const CLI::Option* fromOpt = replayCmd->add_option("--from", from, "top depth (m)");
    const CLI::Option* toOpt = replayCmd->add_option("--to", to, "bottom depth (m)");
    replayCmd->add_option("--rows-per-metre", replay.rowsPerMetre, "picture rows per metre")
        ->check(CLI::Range(100.0, 5000.0));
    int speed = 0;
    const CLI::Option* speedOpt = replayCmd->add_option(
        "--speed", speed, "pace as the player's speed slider, 1 (slow) to 50; flat out else");

    InspectOptions inspect;
    CLI::App* inspectCmd =
        app.add_subcommand("inspect", "print a log's header and each record as JSON lines");
    std::string inspectHeader;
    inspectCmd->add_option("log", inspectHeader, "the log's header file (.hed)")->required();
    inspectCmd->add_flag("--header-only", inspect.headerOnly, "only the header");
    long long limit = 0;
    const CLI::Option* limitOpt =
        inspectCmd->add_option("--limit", limit, "at most this many records")
            ->check(CLI::NonNegativeNumber);

    DissectOptions dissect;
    CLI::App* dissectCmd = app.add_subcommand(
        "dissect", "run a raw capture through the reader's framing and the decoders, one JSON "
                   "line per packet or frame");
    std::string capture;
    dissectCmd->add_option("capture", capture, "the raw capture file")->required();
    bool framesOnly = false;
    dissectCmd->add_flag("--no-decode", framesOnly, "framing and checksums only");

    DemoOptions demo;
    CLI::App* demoCmd = app.add_subcommand(
        "demo", "acquire a short log from the simulated logger, replay it into a picture and "
                "make the demonstration log");
    std::string demoOutput = "zarn-demo";
    demoCmd->add_option("-o,--output", demoOutput, "output folder");
    demoCmd->add_option("--simulator", demo.simulator, "the simulator library");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        errorLine(std::cerr, std::string(e.what()) + " (see zarn-cli --help)");
        return ExitCode::BadArguments;
    }

    if (!home.empty())
        zarn::Home::setOverride(home);
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);

    try {
        if (*acquireCmd) {
            if (recordOpt->count() > 0)
                acquire.record = recordPath;
            acquire.loggingDown = direction == "down";
            takeIf(splitOpt, split, acquire.splitLength);
            takeIf(stopDepthOpt, stopDepth, acquire.stopDepth);
            takeIf(durationOpt, duration, acquire.duration);
            if (captureOpt->count() > 0)
                acquire.capture = capturePath;
            if (acquireImageOpt->count() > 0)
                acquire.image = acquireImage;
            acquire.statusLine = !quiet;
            return runAcquire(acquire, std::cout, std::cerr);
        }
        if (*replayCmd) {
            replay.header = replayHeader;
            replay.image = replayImage;
            takeIf(fromOpt, from, replay.from);
            takeIf(toOpt, to, replay.to);
            takeIf(speedOpt, speed, replay.speedSlider);
            return runReplay(replay, std::cout, std::cerr);
        }
        if (*inspectCmd) {
            inspect.header = inspectHeader;
            takeIf(limitOpt, limit, inspect.limit);
            return runInspect(inspect, std::cout, std::cerr);
        }
        if (*dissectCmd) {
            dissect.capture = capture;
            dissect.decode = !framesOnly;
            // Decoded with this user's winch and sonde, as the live program would.
            const LoadedSettings settings = loadSettings();
            dissect.decoderSettings =
                zarn::DecoderSettings::from(settings.configuration, settings.sondes.working, false);
            return runDissect(dissect, std::cout, std::cerr);
        }
        if (*demoCmd) {
            demo.output = demoOutput;
            return runDemo(demo, std::cout, std::cerr);
        }
        return runPaths(std::cout, std::cerr);
    } catch (const std::exception& e) {
        errorLine(std::cerr, e.what());
        return ExitCode::Failure;
    }
}
