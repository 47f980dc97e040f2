#include "acquisition/cli/CommandLine.h"

#include "acquisition/cli/CliSupport.h"
#include "acquisition/export/PictureExportJob.h"
#include "acquisition/logfiles/PlaybackPacer.h"
#include "platform/Format.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace zarn::cli {

namespace {

constexpr const char* ExitCodes =
    "Exit codes: 0 done, 1 the work failed, 2 bad arguments, 3 a missing input file, 4 a log,\n"
    "header or capture that cannot be used, 5 the USB bridge library does not bind, 6 no logger\n"
    "or no sonde answer, 130 stopped by Ctrl-C (no output is left half-written).";

// A number between lo and hi (both included); its range is shown in the help and in the error.
CLI::Validator range(double lo, double hi, const char* unit = "") {
    const std::string text = format("%g to %g%s%s", lo, hi, *unit ? " " : "", unit);
    return CLI::Validator(
        [lo, hi, text](std::string& input) -> std::string {
            double value = 0;
            if (!CLI::detail::lexical_cast(input, value))
                return "Value " + input + " is not a number";
            if (!(value >= lo && value <= hi))
                return "Value " + input + " not in range " + text;
            return {};
        },
        "[" + text + "]");
}

// A number above 0 (or, with orZero, 0 or above).
CLI::Validator positive(const char* unit, bool orZero = false) {
    const std::string text =
        format("%s%s%s", orZero ? "0 or more" : "more than 0", *unit ? " " : "", unit);
    return CLI::Validator(
        [text, orZero](std::string& input) -> std::string {
            double value = 0;
            if (!CLI::detail::lexical_cast(input, value))
                return "Value " + input + " is not a number";
            if (!(orZero ? value >= 0 : value > 0))
                return "Value " + input + " not in range: " + text;
            return {};
        },
        "[" + text + "]");
}

// Options given on the command line become the command's optional values.
template <class T>
void takeIf(const CLI::Option* option, const T& value, std::optional<T>& target) {
    if (option->count() > 0)
        target = value;
}

// The options of every command, filled by the parse and then moved into the command line.
struct Values {
    std::string home;
    std::string recordPath, direction = "down", capturePath, acquireImage;
    int split = 0;
    double stopDepth = 0, duration = 0;
    bool quiet = false;
    double from = 0, to = 0;
    int speed = SpeedSliderMax;
    long long limit = 0;
    bool framesOnly = false;
    std::string sondeImport;
    int sondeSerial = 0;
    std::string exportHeader, exportOutput, exportType, deviation, scaleColour, units;
    double exportFrom = 0, exportTo = 0, interval = 0;
    int maxLines = 0, decimals = 4;
    bool grey = false, colour = false, bicubic = false, bilinear = false;
    double surveyFrom = 0, surveyTo = 0, sectionAzimuth = 0;
    std::string surveyOutput, plot, surveyUnits;
    std::string lasHeader, lasOutput, lasUnits;
    std::vector<std::string> lasCurves;
    int lasInterval = 1;
    double lasFrom = 0, lasTo = 0;
};

// The options both exports take.
struct ExportOptions {
    CLI::Option *output, *grey, *colour, *from, *to, *interval, *deviation, *units, *bicubic,
        *bilinear;
};

int indexIn(const std::vector<std::string>& names, const std::string& name) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
            return static_cast<int>(i);
    return 0;
}

const std::vector<std::string> DeviationNames = {"none", "north", "high-side"};
const std::vector<std::string> ScaleColourNames = {"black", "red", "yellow", "white"};

} // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args, std::ostream& out,
                                   std::ostream& err) {
    CommandLine line;
    Values v;
    CLI::App app{"zarn-cli: acquisition, recording, replay and inspection of optical televiewer "
                 "logs without windows.",
                 "zarn-cli"};
    app.footer(ExitCodes);
    app.require_subcommand(0, 1);
    app.add_option("--home", v.home, "keep settings and logs in this folder")
        ->check(CLI::NonexistentPath | CLI::ExistingDirectory);

    CLI::App* pathsCmd = app.add_subcommand(
        "paths", "load the configuration and print where the program's files live (the default)");

    AcquireOptions& acquire = line.acquire;
    CLI::App* acquireCmd = app.add_subcommand(
        "acquire", "power the sonde on through the logger, show the live values, optionally "
                   "record a log; stops at a depth, after a time or on Ctrl-C");
    acquireCmd->add_option("--driver", acquire.driver,
                           "USB bridge library (default: $ZARN_FTD2XX, else libftd2xx.so)");
    const CLI::Option* recordOpt = acquireCmd->add_option(
        "--record", v.recordPath, "record a new log: DIR/NAME (.hed added; DIR is created)");
    acquireCmd->add_option("--direction", v.direction, "logging direction")
        ->check(CLI::IsMember({"down", "up"}))
        ->capture_default_str();
    const CLI::Option* splitOpt =
        acquireCmd
            ->add_option("--split", v.split,
                         "split the data files every this many metres (feet in imperial units); "
                         "default: the configuration's RecordSplitFile")
            ->check(range(1, 100000));
    acquireCmd->add_flag("--replace", acquire.replaceExisting,
                         "replace a log of the same name without asking");
    const CLI::Option* stopDepthOpt =
        acquireCmd
            ->add_option("--stop-depth", v.stopDepth,
                         "stop when the image depth reaches this (m); it must lie ahead of the "
                         "start in the logging direction")
            ->check(range(-1000, 20000, "m"));
    const CLI::Option* durationOpt =
        acquireCmd
            ->add_option("--duration", v.duration,
                         "stop after this many seconds with the sonde on (default: no limit)")
            ->check(positive("s"));
    const CLI::Option* captureOpt =
        acquireCmd->add_option("--capture", v.capturePath,
                               "write every byte received to this file (its folder is created)");
    const CLI::Option* acquireImageOpt = acquireCmd->add_option(
        "--image", v.acquireImage, "write the depth-scaled image of the run to this PNG");
    acquireCmd->add_option("--rows-per-metre", acquire.rowsPerMetre, "image rows per metre")
        ->check(range(100, 5000))
        ->capture_default_str();
    acquireCmd
        ->add_option("--connect-timeout", acquire.connectTimeout, "seconds to wait for the logger")
        ->check(positive("s"))
        ->capture_default_str();
    acquireCmd
        ->add_option("--power-timeout", acquire.powerTimeout,
                     "seconds to wait for the sonde to come on")
        ->check(positive("s"))
        ->capture_default_str();
    acquireCmd->add_flag("--no-video-recovery", acquire.noVideoRecovery,
                         "do not ask the sonde again for lost video packets");
    acquireCmd->add_flag("--no-status", v.quiet, "no live status line");

    ReplayOptions& replay = line.replay;
    CLI::App* replayCmd = app.add_subcommand(
        "replay", "play a log through the decoding and drawing path into a PNG picture");
    std::string replayHeader, replayImage;
    replayCmd->add_option("log", replayHeader, "the log's header file (.hed)")->required();
    replayCmd->add_option("-o,--output", replayImage, "the PNG picture to write")->required();
    const CLI::Option* fromOpt =
        replayCmd->add_option("--from", v.from, "top depth (m; default: the log's start)");
    const CLI::Option* toOpt =
        replayCmd->add_option("--to", v.to, "bottom depth (m; default: the log's end)");
    replayCmd->add_option("--rows-per-metre", replay.rowsPerMetre, "picture rows per metre")
        ->check(range(100, 5000))
        ->capture_default_str();
    const CLI::Option* speedOpt =
        replayCmd
            ->add_option("--speed", v.speed,
                         "pace as the player's speed slider, 1 (slow) to 50 (default: flat out)")
            ->check(range(SpeedSliderMin, SpeedSliderMax));

    InspectOptions& inspect = line.inspect;
    CLI::App* inspectCmd =
        app.add_subcommand("inspect", "print a log's header and each record as JSON lines");
    std::string inspectHeader;
    inspectCmd->add_option("log", inspectHeader, "the log's header file (.hed)")->required();
    inspectCmd->add_flag("--header-only", inspect.headerOnly, "only the header");
    const CLI::Option* limitOpt =
        inspectCmd->add_option("--limit", v.limit, "at most this many records (default: all)")
            ->check(positive("", true));

    DissectOptions& dissect = line.dissect;
    CLI::App* dissectCmd = app.add_subcommand(
        "dissect", "run a raw capture through the reader's framing and the decoders, one JSON "
                   "line per packet or frame");
    std::string capture;
    dissectCmd->add_option("capture", capture, "the raw capture file")->required();
    dissectCmd->add_flag("--no-decode", v.framesOnly, "framing and checksums only");

    DemoOptions& demo = line.demo;
    CLI::App* demoCmd = app.add_subcommand(
        "demo", "acquire a short log from the simulated logger, replay it into a picture and "
                "make the demonstration log");
    std::string demoOutput = "zarn-demo";
    demoCmd->add_option("-o,--output", demoOutput, "output folder")->capture_default_str();
    demoCmd->add_option("--simulator", demo.simulator,
                        "the simulator library (default: next to the program)");

    SondeOptions& sonde = line.sonde;
    CLI::App* sondeCmd = app.add_subcommand(
        "sonde", "the sonde table: list the stored sondes, import one, select one");
    sondeCmd->require_subcommand(1, 1);
    CLI::App* sondeList = sondeCmd->add_subcommand("list", "the stored sondes, * the selected");
    CLI::App* sondeImport = sondeCmd->add_subcommand(
        "import", "store the sonde of an import file (.znv or .txt) and select it");
    sondeImport->add_option("file", v.sondeImport, "the import file")->required();
    sondeImport->add_flag("--replace", sonde.replaceExisting,
                          "overwrite a stored sonde of the same serial number without asking");
    CLI::App* sondeSelect =
        sondeCmd->add_subcommand("select", "select a stored sonde by its serial number");
    sondeSelect->add_option("serial", v.sondeSerial, "the serial number")->required();

    HeaderOptions& headerEdit = line.header;
    CLI::App* headerCmd = app.add_subcommand(
        "header", "print a log's well information (KEY=VALUE lines) and edit it with --set");
    headerCmd->add_option("log", headerEdit.header, "the log's header file (.hed)")->required();
    headerCmd->add_option("--set", headerEdit.sets,
                          "KEY=VALUE: a [WellInfo] key set as the header editor sets it "
                          "(repeatable; Remarks for the comments, split at line breaks)");

    ExportPicturesOptions& pictures = line.exportPictures;
    CLI::App* exportCmd = app.add_subcommand("export", "export a recorded log");
    exportCmd->require_subcommand(1, 1);
    CLI::App* picturesCmd = exportCmd->add_subcommand(
        "pictures", "the log as depth-scaled pictures (JPEG, BMP or TIFF), one per block of "
                    "lines, named by the depths they cover; unset options take the export "
                    "settings of the configuration");
    CLI::App* lgxCmd = exportCmd->add_subcommand(
        "lgx", "the log as an LGX image log (description and data file in the LGX folder of "
               "the output), with the picture export's options");
    // The options both exports take, on each of them.
    const auto common = [&](CLI::App* cmd, const char* intervalHelp) {
        ExportOptions o;
        cmd->add_option("log", v.exportHeader, "the log's header file (.hed)")->required();
        o.output = cmd->add_option("-o,--output", v.exportOutput,
                                   "the output folder (default: the log's folder; created)");
        o.grey = cmd->add_flag("--grey", v.grey, "greyscale");
        o.colour = cmd->add_flag("--colour", v.colour, "true colour");
        o.grey->excludes(o.colour);
        o.from =
            cmd->add_option("--from", v.exportFrom, "start depth (m; default: the log's start)");
        o.to = cmd->add_option("--to", v.exportTo, "end depth (m; default: the log's end)");
        o.interval = cmd->add_option("--interval", v.interval, intervalHelp)->check(positive("mm"));
        o.deviation = cmd->add_option("--deviation", v.deviation,
                                      "the direction at the lines' left edge (default: the log's)")
                          ->check(CLI::IsMember(DeviationNames));
        o.units = cmd->add_option("--units", v.units,
                                  "depths in metres or feet (default: the configured)")
                      ->check(CLI::IsMember({"m", "ft"}));
        o.bicubic = cmd->add_flag("--bicubic", v.bicubic, "bicubic resampling");
        o.bilinear = cmd->add_flag("--bilinear", v.bilinear, "bilinear resampling");
        o.bicubic->excludes(o.bilinear);
        return o;
    };
    const ExportOptions picturesOpts =
        common(picturesCmd, "depth step of a picture line, mm (mil in feet); half to five times "
                            "the log's line spacing (default: the spacing, rounded to 0.1 mm)");
    const ExportOptions lgxOpts =
        common(lgxCmd, "depth step of a record, 1 to 5 mm (39, 78, 118, 157 or 196 mil in "
                       "feet; default: the configured)");
    lgxCmd->add_flag("--replace", pictures.replace,
                     "replace an earlier image log of the same name without asking");
    const CLI::Option* typeOpt =
        picturesCmd->add_option("--type", v.exportType, "picture type (default: the configured)")
            ->check(CLI::IsMember({"jpeg", "jpg", "bmp", "tiff", "tif"}));
    const CLI::Option* maxLinesOpt =
        picturesCmd
            ->add_option("--max-lines", v.maxLines,
                         "lines per picture, at most 25600 and at most 99 pictures (default: "
                         "25600)")
            ->check(range(1, PictureExportJob::MaxLimit));
    const CLI::Option* decimalsOpt =
        picturesCmd->add_option("--decimals", v.decimals, "decimals of the depths in the names")
            ->check(CLI::IsMember({2, 3, 4}));
    picturesCmd->add_flag("--no-scale", pictures.noScale, "no depth scale in the pictures");
    picturesCmd->add_flag("--html", pictures.html,
                          "also the HTML page that shows the pictures, beside them (JPEG only)");
    const CLI::Option* scaleColourOpt =
        picturesCmd->add_option("--scale-colour", v.scaleColour, "colour of the depth scale")
            ->check(CLI::IsMember(ScaleColourNames));

    SurveyOptions& survey = line.survey;
    CLI::App* surveyCmd = app.add_subcommand(
        "survey", "the log's deviation survey: stations from the sonde's sensors, the hole's "
                  "path by minimum curvature, a table and a plot");
    surveyCmd->add_option("log", survey.header, "the log's header file (.hed)")->required();
    surveyCmd->add_option("--step", survey.step, "station spacing (m, ft with --units ft)")
        ->check(range(0.01, 1000))
        ->capture_default_str();
    const CLI::Option* surveyFromOpt =
        surveyCmd->add_option("--from", v.surveyFrom, "first station (default: the log's start)");
    const CLI::Option* surveyToOpt =
        surveyCmd->add_option("--to", v.surveyTo, "last station (default: the log's end)");
    const CLI::Option* sectionOpt =
        surveyCmd
            ->add_option("--section-azimuth", v.sectionAzimuth,
                         "azimuth of the vertical section (default: the closure azimuth)")
            ->check(range(0, 360, "degrees"));
    surveyCmd->add_option("--format", survey.format, "table format")
        ->check(CLI::IsMember({"csv", "json", "las"}))
        ->capture_default_str();
    const CLI::Option* surveyOutOpt =
        surveyCmd->add_option("-o,--output", v.surveyOutput, "the table's file (default: stdout)");
    const CLI::Option* plotOpt =
        surveyCmd->add_option("--plot", v.plot, "an SVG plot: plan view and vertical section");
    const CLI::Option* surveyUnitsOpt =
        surveyCmd->add_option("--units", v.surveyUnits, "lengths in metres or feet")
            ->check(CLI::IsMember({"m", "ft"}));

    ExportLasOptions& las = line.exportLas;
    CLI::App* lasCmd = exportCmd->add_subcommand(
        "las", "the log as one LAS 2.0 file: depth and the chosen curves, one line per step, "
               "the sensors brought onto one depth by the header's offsets; unset options take "
               "the LAS export settings of the configuration");
    lasCmd->add_option("log", v.lasHeader, "the log's header file (.hed)")->required();
    const CLI::Option* lasOutOpt = lasCmd->add_option(
        "-o,--output", v.lasOutput,
        "the LAS file (default: LAS20/NAME.las in the log's folder; its folder is created)");
    const CLI::Option* curvesOpt =
        lasCmd
            ->add_option("--curves", v.lasCurves,
                         "the curves, separated by commas (default: the configured)")
            ->delimiter(',')
            ->check(CLI::IsMember({"img", "speed", "gamma", "incl", "az", "hgdelta", "roll",
                                   "mroll", "tgrav", "tmag", "raw", "all"}));
    const CLI::Option* lasIntervalOpt =
        lasCmd
            ->add_option("--interval", v.lasInterval,
                         "the sample interval: 1 or 5 cm, or 1, 2 or 4 inches with --units ft "
                         "(default: the configured)")
            ->check(CLI::IsMember({1, 2, 4, 5}));
    const CLI::Option* lasFromOpt = lasCmd->add_option(
        "--from", v.lasFrom, "start depth, in the depth unit (default: the proposed range)");
    const CLI::Option* lasToOpt = lasCmd->add_option(
        "--to", v.lasTo, "end depth, in the depth unit (default: the proposed range)");
    const CLI::Option* lasUnitsOpt =
        lasCmd
            ->add_option("--units", v.lasUnits,
                         "depths in metres or feet (default: the configured)")
            ->check(CLI::IsMember({"m", "ft"}));
    lasCmd->add_flag("--reverse", las.reverse, "the lines from the end of the log back");
    lasCmd->add_flag("--replace", las.replaceExisting,
                     "replace a LAS file of the same name without asking");

    for (CLI::App* command : app.get_subcommands({}))
        command->footer(ExitCodes);

    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp& e) {
        return ParsedCommandLine{std::nullopt, app.exit(e, out, err)};
    } catch (const CLI::CallForAllHelp& e) {
        return ParsedCommandLine{std::nullopt, app.exit(e, out, err)};
    } catch (const CLI::ParseError& e) {
        errorLine(err, std::string(e.what()) + " (see zarn-cli --help)");
        return ParsedCommandLine{std::nullopt, ExitCode::BadArguments};
    }

    if (!v.home.empty()) {
        // Made absolute once: the folder the user meant, whatever the program's own folder.
        std::error_code ec;
        line.home = std::filesystem::absolute(v.home, ec);
        if (ec)
            line.home = v.home;
    }
    if (*acquireCmd) {
        line.command = Command::Acquire;
        if (recordOpt->count() > 0)
            acquire.record = v.recordPath;
        acquire.loggingDown = v.direction == "down";
        takeIf(splitOpt, v.split, acquire.splitLength);
        takeIf(stopDepthOpt, v.stopDepth, acquire.stopDepth);
        takeIf(durationOpt, v.duration, acquire.duration);
        if (captureOpt->count() > 0)
            acquire.capture = v.capturePath;
        if (acquireImageOpt->count() > 0)
            acquire.image = v.acquireImage;
        acquire.statusLine = !v.quiet;
    } else if (*replayCmd) {
        line.command = Command::Replay;
        replay.header = replayHeader;
        replay.image = replayImage;
        takeIf(fromOpt, v.from, replay.from);
        takeIf(toOpt, v.to, replay.to);
        takeIf(speedOpt, v.speed, replay.speedSlider);
    } else if (*headerCmd) {
        line.command = Command::Header;
    } else if (*inspectCmd) {
        line.command = Command::Inspect;
        inspect.header = inspectHeader;
        takeIf(limitOpt, v.limit, inspect.limit);
    } else if (*dissectCmd) {
        line.command = Command::Dissect;
        dissect.capture = capture;
        dissect.decode = !v.framesOnly;
    } else if (*demoCmd) {
        line.command = Command::Demo;
        demo.output = demoOutput;
    } else if (*sondeCmd) {
        line.command = Command::Sonde;
        if (*sondeImport) {
            sonde.action = SondeOptions::Action::Import;
            sonde.importFile = v.sondeImport;
        } else if (*sondeSelect) {
            sonde.action = SondeOptions::Action::Select;
            sonde.serial = v.sondeSerial;
        } else {
            sonde.action = SondeOptions::Action::List;
        }
        (void)sondeList;
    } else if (*exportCmd && *lasCmd) {
        line.command = Command::ExportLas;
        las.header = v.lasHeader;
        if (lasOutOpt->count() > 0)
            las.output = v.lasOutput;
        if (curvesOpt->count() > 0)
            las.curves = v.lasCurves;
        takeIf(lasIntervalOpt, v.lasInterval, las.interval);
        takeIf(lasFromOpt, v.lasFrom, las.from);
        takeIf(lasToOpt, v.lasTo, las.to);
        if (lasUnitsOpt->count() > 0)
            las.feet = v.lasUnits == "ft";
    } else if (*exportCmd) {
        const bool toLgx = lgxCmd->parsed();
        line.command = toLgx ? Command::ExportLgx : Command::ExportPictures;
        const ExportOptions& o = toLgx ? lgxOpts : picturesOpts;
        pictures.header = v.exportHeader;
        if (o.output->count() > 0)
            pictures.output = v.exportOutput;
        if (o.grey->count() > 0 || o.colour->count() > 0)
            pictures.grey = v.grey;
        takeIf(o.from, v.exportFrom, pictures.from);
        takeIf(o.to, v.exportTo, pictures.to);
        takeIf(o.interval, v.interval, pictures.interval);
        if (o.deviation->count() > 0)
            pictures.deviation = indexIn(DeviationNames, v.deviation);
        if (o.units->count() > 0)
            pictures.feet = v.units == "ft";
        if (o.bicubic->count() > 0 || o.bilinear->count() > 0)
            pictures.bicubic = v.bicubic;
        if (typeOpt->count() > 0)
            pictures.type = v.exportType;
        takeIf(maxLinesOpt, v.maxLines, pictures.maxLines);
        takeIf(decimalsOpt, v.decimals, pictures.decimals);
        if (scaleColourOpt->count() > 0)
            pictures.scaleColour = indexIn(ScaleColourNames, v.scaleColour);
    } else if (*surveyCmd) {
        line.command = Command::Survey;
        takeIf(surveyFromOpt, v.surveyFrom, survey.from);
        takeIf(surveyToOpt, v.surveyTo, survey.to);
        takeIf(sectionOpt, v.sectionAzimuth, survey.sectionAzimuth);
        if (surveyOutOpt->count() > 0)
            survey.output = v.surveyOutput;
        if (plotOpt->count() > 0)
            survey.plot = v.plot;
        if (surveyUnitsOpt->count() > 0)
            survey.feet = v.surveyUnits == "ft";
    } else {
        (void)pathsCmd;
        line.command = Command::Paths;
    }
    return ParsedCommandLine{std::move(line), ExitCode::Ok};
}

} // namespace zarn::cli
