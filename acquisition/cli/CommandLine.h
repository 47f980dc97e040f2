// The command line of zarn-cli: the command chosen and its options, filled from the arguments.
// Values out of range are refused here with their range; --help shows every option with its
// default and the exit codes.
#pragma once

#include "acquisition/cli/Commands.h"

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace zarn::cli {

enum class Command {
    Paths,
    Acquire,
    Replay,
    Inspect,
    Dissect,
    Demo,
    Sonde,
    ExportPictures,
    ExportLgx,
    Survey,
    ExportLas,
    Header
};

struct CommandLine {
    Command command = Command::Paths;
    // --home (absolute); empty when not given.
    std::filesystem::path home;
    AcquireOptions acquire;
    ReplayOptions replay;
    InspectOptions inspect;
    DissectOptions dissect;
    DemoOptions demo;
    SondeOptions sonde;
    ExportPicturesOptions exportPictures; // export pictures and export lgx
    SurveyOptions survey;
    ExportLasOptions exportLas;
    HeaderOptions header;
};

// The parse: the command line, or the exit code when the program ends here (0 after --help,
// which was written to out; BadArguments after one error line on err).
struct ParsedCommandLine {
    std::optional<CommandLine> commandLine;
    int exitCode = ExitCode::Ok;
};

// args: the arguments after the program's name.
[[nodiscard]] ParsedCommandLine parseCommandLine(const std::vector<std::string>& args,
                                                 std::ostream& out, std::ostream& err);

} // namespace zarn::cli
