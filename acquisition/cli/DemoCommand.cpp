// demo: the main job on the embedded default. The simulated logger is bound like a driver, a
// short interval is acquired through the real link and recorded, the log is replayed into a
// picture, exported as depth-scaled JPEG pictures with their HTML page, an LGX image log and a
// LAS 2.0 file, surveyed (the hole's path from the sonde's sensors), and the log is also kept as
// the demonstration log the replay's file choice proposes.
#include "acquisition/cli/AcquireRun.h"
#include "acquisition/cli/CliSupport.h"
#include "acquisition/cli/Commands.h"
#include "acquisition/cli/LogWalk.h"
#include "acquisition/engine/SimulatorSetup.h"
#include "acquisition/export/HtmlPage.h"
#include "acquisition/logfiles/LogPaths.h"
#include "platform/FileIo.h"
#include "platform/Format.h"
#include "platform/Home.h"
#include "platform/PendingFile.h"

#include <cstdlib>
#include <ostream>
#include <system_error>
#include <unistd.h>

namespace zarn::cli {

namespace {

constexpr const char* DemoTitle = "ZARN_DEMO_720";
// The simulated run: 20 m logged down at 10 m/min in fast mode, with the default borehole. In
// fast mode the simulator's clock runs ahead of ours while the power-on sequence waits, so the
// winch waits a minute of its time before it moves: the recording starts at the top.
constexpr const char* SimulatorConfiguration = "[Device]\n"
                                               "FastMode = yes\n"
                                               "[Winch]\n"
                                               "StartDepth = 10\n"
                                               "EndDepth = 30\n"
                                               "Speed = 10\n"
                                               "StartDelay = 60\n";
constexpr double StopDepth = 29.5;
constexpr double RunLimitSeconds = 900;

// A copy made under a temporary name and renamed: an interrupted copy leaves no file cut short.
[[nodiscard]] bool copyFile(const std::filesystem::path& from, const std::filesystem::path& to,
                            std::string& problem) {
    std::error_code ec;
    PendingFile pending(to);
    std::filesystem::copy_file(from, pending.path(),
                               std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
        problem = to.string() + ": " + ec.message();
        return false;
    }
    if (!pending.commit(&problem)) {
        problem = to.string() + ": " + problem;
        return false;
    }
    return true;
}

// The demonstration log: the header under the name the replay's file choice proposes and every
// data file it lists, beside it under the names the header gives them.
[[nodiscard]] bool copyDemonstrationLog(const std::filesystem::path& header,
                                        const std::filesystem::path& demoHeader,
                                        std::string& problem) {
    LogWalk log;
    if (const std::optional<WalkFailure> failed = log.open(header)) {
        problem = failed->text;
        return false;
    }
    if (const std::optional<WalkFailure> missing = log.checkFiles()) {
        problem = missing->text;
        return false;
    }
    const std::filesystem::path folder = demoHeader.parent_path();
    for (const LogDataFile& file : log.files()) {
        const std::filesystem::path target =
            file.index == 1 ? dataFileOfHeader(demoHeader) : folder / file.path.filename();
        if (!copyFile(file.path, target, problem))
            return false;
    }
    return copyFile(header, demoHeader, problem);
}

} // namespace

int runDemo(const DemoOptions& options, std::ostream& out, std::ostream& err, Progress& progress) {
    std::error_code ec;
    std::filesystem::create_directories(options.output, ec);
    if (ec) {
        errorLine(err, options.output.string() + ": " + ec.message());
        return ExitCode::Failure;
    }
    const std::filesystem::path output = std::filesystem::absolute(options.output, ec);
    const std::filesystem::path simulator = findSimulator(options.simulator);
    if (simulator.empty()) {
        errorLine(err, std::string("the simulator library ") + SimulatorFileName +
                           " was not found; give it with --simulator");
        return ExitCode::DriverNotBound;
    }
    const std::filesystem::path simulatorIni = output / "simulator.ini";
    if (!writeFileAtomically(simulatorIni, SimulatorConfiguration)) {
        errorLine(err, simulatorIni.string() + ": cannot write");
        return ExitCode::Failure;
    }
    setenv("ZARN_SIM_CONFIG", simulatorIni.c_str(), 1);

    CliUserMessages messages(err, MessageAnswer::Yes);
    LoadedSettings settings = loadSettings();
    ensureSonde(settings.sondes);

    // 1. The live run, recorded.
    AcquireOptions acquire;
    acquire.driver = simulator.string();
    acquire.record = output / DemoTitle;
    acquire.replaceExisting = true;
    acquire.loggingDown = true;
    acquire.stopDepth = StopDepth;
    acquire.duration = RunLimitSeconds;
    acquire.statusLine = true;
    out << "Simulated logger: " << simulator.string() << "\n"
        << "Simulator settings: " << simulatorIni.string() << "\n";
    AcquireRun run(acquire, settings, out, err);
    const int acquired = run.execute();
    if (acquired != ExitCode::Ok)
        return acquired;
    const std::filesystem::path header = run.result().header;

    // 2. The replay into a picture.
    ReplayOptions replay;
    replay.header = header;
    replay.image = output / (std::string(DemoTitle) + ".png");
    if (const int replayed = runReplay(replay, out, err, progress); replayed != ExitCode::Ok)
        return replayed;

    // 3. The log as depth-scaled JPEG pictures, as the picture export writes them, with the
    // HTML page that shows them.
    ExportPicturesOptions pictures;
    pictures.header = header;
    pictures.output = output / "pictures";
    pictures.type = "jpeg";
    pictures.html = true;
    if (const int exported = runExportPictures(pictures, out, err, progress);
        exported != ExitCode::Ok)
        return exported;

    // 4. The same lines as an LGX image log beside the pictures.
    ExportPicturesOptions lgx = pictures;
    lgx.type.reset();
    lgx.html = false;
    lgx.replace = true;
    if (const int exported = runExportLgx(lgx, out, err, progress); exported != ExitCode::Ok)
        return exported;

    // 5. The log's deviation survey: the table and its plot.
    SurveyOptions survey;
    survey.header = header;
    survey.output = output / (std::string(DemoTitle) + "_survey.csv");
    survey.plot = output / (std::string(DemoTitle) + "_survey.svg");
    if (const int surveyed = runSurvey(survey, out, err, progress); surveyed != ExitCode::Ok)
        return surveyed;

    // 6. The log as a LAS 2.0 file, with the configured curves and interval.
    ExportLasOptions las;
    las.header = header;
    las.output = output / (std::string(DemoTitle) + ".las");
    las.replaceExisting = true;
    if (const int exported = runExportLas(las, out, err, progress); exported != ExitCode::Ok)
        return exported;

    // 7. The demonstration log the replay's file choice proposes.
    const std::filesystem::path demoFolder = Home::configDir() / "Demo";
    std::filesystem::create_directories(demoFolder, ec);
    std::string problem;
    const std::filesystem::path demoHeader = demoFolder / (std::string(DemoTitle) + ".HED");
    if (ec || !copyDemonstrationLog(header, demoHeader, problem)) {
        errorLine(err, problem.empty() ? demoFolder.string() + ": " + ec.message() : problem);
        return ExitCode::Failure;
    }

    out << "\nMade:\n"
        << "  recorded log      " << header.string() << "\n";
    for (const std::filesystem::path& data : run.result().dataFilePaths)
        out << "  data file         " << data.string() << "\n";
    out << "  replayed picture  " << replay.image.string() << "\n"
        << "  exported pictures " << pictures.output->string() << "\n"
        << "  their HTML page   "
        << HtmlPage::pathFor(*pictures.output, dataFileOfHeader(header).filename().string())
               .string()
        << "\n"
        << "  LGX image log     " << (*pictures.output / "LGX").string() << "\n"
        << "  deviation survey  " << survey.output->string() << " and "
        << survey.plot->filename().string() << "\n"
        << "  LAS file          " << las.output->string() << "\n"
        << "  demonstration log " << demoHeader.string() << "\n"
        << "Look inside:  zarn-cli inspect " << header.string() << " --limit 3\n";
    return ExitCode::Ok;
}

} // namespace zarn::cli
