// zarn-cli: the acquisition engine without windows.
#include "acquisition/cli/CliSupport.h"
#include "acquisition/cli/CommandLine.h"
#include "acquisition/cli/Commands.h"
#include "acquisition/cli/TerminalProgress.h"
#include "platform/Home.h"

#include <csignal>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace zarn::cli;

extern "C" void onInterrupt(int) {
    requestInterrupt();
}

int run(CommandLine& line) {
    TerminalProgress progress(std::cerr, TerminalProgress::stderrIsTerminal());
    switch (line.command) {
    case Command::Acquire:
        return runAcquire(line.acquire, std::cout, std::cerr);
    case Command::Replay:
        return runReplay(line.replay, std::cout, std::cerr, progress);
    case Command::Inspect:
        return runInspect(line.inspect, std::cout, std::cerr, progress);
    case Command::Dissect: {
        // Decoded with this user's winch and sonde, as the live program would.
        const LoadedSettings settings = loadSettings();
        line.dissect.decoderSettings =
            zarn::DecoderSettings::from(settings.configuration, settings.sondes.working, false);
        return runDissect(line.dissect, std::cout, std::cerr);
    }
    case Command::Demo:
        return runDemo(line.demo, std::cout, std::cerr, progress);
    case Command::Sonde:
        return runSonde(line.sonde, std::cout, std::cerr);
    case Command::ExportPictures:
        return runExportPictures(line.exportPictures, std::cout, std::cerr, progress);
    case Command::ExportLgx:
        return runExportLgx(line.exportPictures, std::cout, std::cerr, progress);
    case Command::Survey:
        return runSurvey(line.survey, std::cout, std::cerr, progress);
    case Command::ExportLas:
        return runExportLas(line.exportLas, std::cout, std::cerr, progress);
    case Command::Header:
        return runHeader(line.header, std::cout, std::cerr);
    case Command::Paths:
        break;
    }
    return runPaths(std::cout, std::cerr);
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    ParsedCommandLine parsed = parseCommandLine(args, std::cout, std::cerr);
    if (!parsed.commandLine)
        return parsed.exitCode;
    CommandLine& line = *parsed.commandLine;
    if (!line.home.empty())
        zarn::Home::setOverride(line.home);
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    try {
        return run(line);
    } catch (const std::exception& e) {
        errorLine(std::cerr, e.what());
        return ExitCode::Failure;
    }
}
