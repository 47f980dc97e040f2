// replay: a recorded log through the same decoding and drawing path as the live data, into a
// depth-scaled PNG picture.
#include "acquisition/cli/CliSupport.h"
#include "acquisition/cli/Commands.h"
#include "acquisition/cli/StripCapture.h"
#include "acquisition/engine/AcquisitionEngine.h"
#include "acquisition/logfiles/PlaybackPacer.h"
#include "platform/Format.h"

#include <algorithm>
#include <ostream>
#include <system_error>

namespace zarn::cli {

int runReplay(const ReplayOptions& options, std::ostream& out, std::ostream& err) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(options.header, ec)) {
        errorLine(err, options.header.string() + ": no such log header");
        return ExitCode::MissingFile;
    }
    if (options.speedSlider &&
        (*options.speedSlider < SpeedSliderMin || *options.speedSlider > SpeedSliderMax)) {
        errorLine(err, "--speed must be between 1 and 50");
        return ExitCode::BadArguments;
    }
    CliUserMessages messages(err);
    const LoadedSettings settings = loadSettings();
    EngineSetup setup;
    setup.configuration = settings.configuration;
    setup.sondes = settings.sondes;
    AcquisitionEngine engine(setup);

    std::string problem;
    if (!engine.openReplay(options.header, problem)) {
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
    engine.playToEnd(options.speedSlider.value_or(SpeedSliderMax));

    int width = 0, height = 0;
    if (!capture.save(options.image, width, height, problem)) {
        errorLine(err, options.image.string() + ": " + problem);
        return ExitCode::Failure;
    }
    out << format("Image: %s (%d x %d pixels, %.2f m to %.2f m, %d data file(s))\n",
                  options.image.string().c_str(), width, height, std::min(top, bottom),
                  std::max(top, bottom), engine.player().DataFiles());
    engine.closeReplay();
    return ExitCode::Ok;
}

} // namespace zarn::cli
