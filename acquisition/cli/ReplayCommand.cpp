// replay: a recorded log through the same decoding and drawing path as the live data, into a
// depth-scaled PNG picture.
#include "acquisition/cli/CliSupport.h"
#include "acquisition/cli/Commands.h"
#include "acquisition/cli/LogWalk.h"
#include "acquisition/cli/StripCapture.h"
#include "acquisition/engine/AcquisitionEngine.h"
#include "acquisition/logfiles/PlaybackPacer.h"
#include "platform/Format.h"

#include <algorithm>
#include <ostream>
#include <system_error>

namespace zarn::cli {

namespace {

int cancelled(std::ostream& err) {
    errorLine(err, "replay cancelled; no picture written");
    return ExitCode::Interrupted;
}

} // namespace

int runReplay(const ReplayOptions& options, std::ostream& out, std::ostream& err,
              Progress& progress) {
    if (options.speedSlider &&
        (*options.speedSlider < SpeedSliderMin || *options.speedSlider > SpeedSliderMax)) {
        errorLine(err, "--speed must be between 1 and 50");
        return ExitCode::BadArguments;
    }
    // The log is checked first, as inspect reads it: a file that is not a header or a missing
    // data file stops here with one message; a damaged data file is replayed up to the damage
    // and then reported.
    LogWalk log;
    std::optional<WalkFailure> failed = log.open(options.header);
    if (!failed)
        failed = log.checkFiles();
    if (failed) {
        errorLine(err, failed->text);
        return failed->exitCode;
    }
    long long records = 0;
    progress.stage("Checking the log ...");
    const std::optional<WalkFailure> damage = log.walk(
        [&](const LogDataFile&, std::int64_t, std::span<const std::uint8_t>,
            const CDataLogReader&) {
            ++records;
            return true;
        },
        progress);
    progress.stage("");
    if (damage && damage->exitCode == ExitCode::Interrupted)
        return cancelled(err);
    if (damage && records == 0) {
        errorLine(err, damage->text);
        return damage->exitCode;
    }

    CliUserMessages messages(err);
    const LoadedSettings settings = loadSettings();
    EngineSetup setup;
    setup.configuration = settings.configuration;
    setup.sondes = settings.sondes;
    AcquisitionEngine engine(setup);

    std::string problem;
    const bool opened = engine.openReplay(options.header, problem, progress);
    progress.stage("");
    if (progress.cancelled())
        return cancelled(err);
    if (!opened) {
        errorLine(err, problem);
        return ExitCode::CorruptInput;
    }
    // The log's interval from its header (millimetres), unless given.
    const HeaderInfo& info = engine.header().Info();
    const double start = info.Startdepth / 1000.0;
    const double end = info.EndDepth / 1000.0;
    const double top = options.from.value_or(std::min(start, end));
    const double bottom = options.to.value_or(std::max(start, end));
    StripCapture capture(engine, std::min(top, bottom), std::max(top, bottom),
                         options.rowsPerMetre);
    if (!capture.valid()) {
        errorLine(err, capture.error());
        return ExitCode::BadArguments;
    }
    const bool played = engine.playToEnd(options.speedSlider.value_or(SpeedSliderMax), progress);
    progress.stage("");
    if (!played)
        return cancelled(err);

    int width = 0, height = 0;
    if (!capture.save(options.image, width, height, problem)) {
        if (damage) { // nothing whole enough to draw before the damage
            errorLine(err, damage->text);
            return damage->exitCode;
        }
        errorLine(err, options.image.string() + ": " + problem);
        return ExitCode::Failure;
    }
    out << format("Image: %s (%d x %d pixels, %.2f m to %.2f m, %d data file(s))\n",
                  options.image.string().c_str(), width, height, std::min(top, bottom),
                  std::max(top, bottom), engine.player().DataFiles());
    engine.closeReplay();
    if (damage) {
        errorLine(err, damage->text + " (the picture holds the records before it)");
        return damage->exitCode;
    }
    return ExitCode::Ok;
}

} // namespace zarn::cli
