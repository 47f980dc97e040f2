// zarn-cli: the acquisition engine without windows.
//
//   zarn-cli [--home DIR] [paths]
//
// paths (the default): loads the configuration and prints where the program's files live.
#include "acquisition/app/DiagnosticLogs.h"
#include "acquisition/app/Preferences.h"
#include "acquisition/app/SettingsRecords.h"
#include "acquisition/app/SondeFile.h"
#include "acquisition/app/WindowPlacement.h"
#include "platform/Home.h"

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

namespace {

constexpr const char* Usage = "Usage: zarn-cli [--home DIR] [paths]\n"
                              "\n"
                              "Commands:\n"
                              "  paths   load the configuration and print where the program's\n"
                              "          files live (the default)\n"
                              "\n"
                              "Options:\n"
                              "  --home DIR   keep settings and logs in DIR\n"
                              "  -h, --help   show this text\n";

int usageError(const std::string& problem) {
    std::fprintf(stderr, "zarn-cli: %s\n\n%s", problem.c_str(), Usage);
    return 2;
}

int showPaths() {
    zarn::Configuration configuration;
    zarn::WindowPlacementRecord placements;
    zarn::CPreferences preferences(configuration, placements);
    preferences.Init();

    const zarn::DiagnosticLogs& logs = zarn::DiagnosticLogs::instance();
    const zarn::SondeTable& sondes = preferences.Sondes();
    std::printf("Configuration file:     %s\n", configuration.paths.configurationPath.c_str());
    std::printf("Window placement file:  %s\n", preferences.PlacementFile().c_str());
    std::printf("Sonde file:             %s\n", zarn::SondeFile::DefaultPath().c_str());
    std::printf("Settings store:         %s\n", zarn::Home::settingsStoreFile().c_str());
    std::printf("Error log:              %s\n", logs.errorLogPath().c_str());
    std::printf("Trace log:              %s\n", logs.traceLogPath().c_str());
    std::printf("Debug text:             %s\n", logs.debugTextPath().c_str());
    if (sondes.selectedSlot().occupied())
        std::printf("Selected sonde:         slot %d, serial %04d\n", sondes.selected,
                    sondes.selectedSerial());
    else
        std::printf("Selected sonde:         slot %d, empty\n", sondes.selected);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string command;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (arg == "--home") {
            if (i + 1 >= argc || std::string_view(argv[i + 1]).empty())
                return usageError("--home needs a folder");
            zarn::Home::setOverride(argv[++i]);
        } else if (arg.starts_with("-")) {
            return usageError("unknown option " + std::string(arg));
        } else if (command.empty()) {
            command = arg;
        } else {
            return usageError("unexpected argument " + std::string(arg));
        }
    }
    if (command.empty())
        command = "paths";
    if (command != "paths")
        return usageError("unknown command " + command);
    try {
        return showPaths();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zarn-cli: %s\n", e.what());
        return 1;
    }
}
