#include "acquisition/cli/AcquireRun.h"

#include "acquisition/app/Preferences.h"
#include "acquisition/cli/LogWalk.h"
#include "acquisition/link/LinkState.h"
#include "acquisition/logfiles/NewLog.h"
#include "platform/Format.h"

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <ostream>
#include <thread>
#include <unistd.h>

namespace zarn::cli {

namespace {

constexpr auto ServePeriod = std::chrono::milliseconds(10);
// The power-off sequence ends within a few seconds (at most 21 F0 orders 500 ms apart).
constexpr std::chrono::seconds PowerOffLimit{15};
// The same reverse-motion warning is repeated at most this often.
constexpr std::chrono::seconds WarningRepeat{5};

// The folder and title of --record DIR/NAME (".hed" taken off).
struct LogName {
    std::filesystem::path folder;
    std::string title;
};
LogName logNameOf(const std::filesystem::path& headerPath) {
    LogName name{headerPath.has_parent_path() ? headerPath.parent_path() : ".",
                 headerPath.filename().string()};
    if (headerPath.extension() == ".hed" || headerPath.extension() == ".HED")
        name.title = headerPath.stem().string();
    return name;
}

// Creates an output folder; the problem when it cannot be made or written into.
[[nodiscard]] std::optional<std::string> outputFolder(const std::filesystem::path& folder) {
    if (folder.empty())
        return std::nullopt;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec)
        return folder.string() + ": the folder cannot be created (" + ec.message() + ")";
    if (!std::filesystem::is_directory(folder, ec))
        return folder.string() + ": not a folder";
    if (::access(folder.c_str(), W_OK) != 0)
        return folder.string() + ": cannot write in this folder";
    return std::nullopt;
}

} // namespace

AcquireRun::AcquireRun(const AcquireOptions& options, const LoadedSettings& settings,
                       std::ostream& out, std::ostream& err)
    : options_(options), placements_(settings.placements), out_(out), err_(err),
      status_(out, &out == &std::cout && StatusLine::stdoutIsTerminal()) {
    if (!options_.driver.empty())
        setenv("ZARN_FTD2XX", options_.driver.c_str(), 1);
    EngineSetup setup;
    setup.configuration = settings.configuration;
    setup.sondes = settings.sondes;
    if (options_.splitLength)
        setup.configuration.program.recordSplit = *options_.splitLength;
    engine_ = std::make_unique<AcquisitionEngine>(setup);
    engine_->recovery().switchOff(options_.noVideoRecovery);
}

AcquireRun::~AcquireRun() = default;

int AcquireRun::fail(int code, const std::string& text) {
    status_.finish();
    errorLine(err_, text);
    result_.exitCode = code;
    return code;
}

void AcquireRun::serveOnce() {
    MessageBus::instance().deliverPosted();
    engine_->tick(Clock::now());
}

bool AcquireRun::serveUntil(const std::function<bool()>& done, std::chrono::duration<double> limit,
                            bool stopOnInterrupt) {
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(limit);
    while (true) {
        serveOnce();
        if (done())
            return true;
        if (Clock::now() >= end || (stopOnInterrupt && interruptRequested()))
            return false;
        std::this_thread::sleep_for(ServePeriod);
    }
}

int AcquireRun::checkOutputs() {
    if (options_.image && !options_.stopDepth)
        return fail(ExitCode::BadArguments, "--image needs --stop-depth (the picture's far end)");
    if (!engine_->sondes().selectedSlot().occupied())
        return fail(ExitCode::Failure,
                    "No sondes selected ... (zarn-cli sonde list shows the stored sondes; "
                    "zarn-cli sonde select SERIAL or zarn-cli sonde import FILE selects one)");
    if (options_.record) {
        const LogName name = logNameOf(*options_.record);
        if (!NewLogCreation::ValidTitle(name.title))
            return fail(ExitCode::BadArguments, "--record: not a log name: " + name.title);
        if (const std::optional<std::string> problem = outputFolder(name.folder))
            return fail(ExitCode::Failure, *problem);
        std::error_code ec;
        const std::filesystem::path header = name.folder / NewLogCreation::HeaderName(name.title);
        if (std::filesystem::exists(std::filesystem::symlink_status(header, ec)) &&
            !options_.replaceExisting)
            return fail(ExitCode::Failure, "a log named " + name.title + " exists in " +
                                               name.folder.string() + "; --replace replaces it");
    }
    for (const std::optional<std::filesystem::path>& file : {options_.capture, options_.image}) {
        if (!file)
            continue;
        if (const std::optional<std::string> problem = outputFolder(file->parent_path()))
            return fail(ExitCode::Failure, *problem);
    }
    if (options_.capture && !engine_->link().startRawCapture(*options_.capture))
        return fail(ExitCode::Failure,
                    options_.capture->string() + ": cannot write the raw capture");
    return ExitCode::Ok;
}

int AcquireRun::execute() {
    int code = checkOutputs();
    if (code != ExitCode::Ok)
        return code;
    code = connect();
    if (code == ExitCode::Ok)
        code = powerOn();
    if (code == ExitCode::Ok)
        code = startRecording();
    if (code == ExitCode::Ok)
        code = monitor();
    finish();
    // What the end found (no record written, the power-off not confirmed) wins: the operator
    // must hear of it whatever stopped the run.
    if (code == ExitCode::Ok)
        code = result_.exitCode;
    if (code == ExitCode::Ok && interruptRequested())
        code = ExitCode::Interrupted;
    result_.exitCode = code;
    return code;
}

int AcquireRun::connect() {
    if (!engine_->startLink())
        return fail(ExitCode::DriverNotBound,
                    "the USB bridge library " + Ftd2xxLibrary::libraryName() + " does not bind");
    out_ << "Looking for the logger ..." << std::endl;
    const bool found =
        serveUntil([this] { return engine_->link().linkState() >= LinkState::LoggerOnly; },
                   std::chrono::duration<double>(options_.connectTimeout));
    if (!found) {
        if (interruptRequested())
            return ExitCode::Interrupted;
        return fail(ExitCode::NoAnswer,
                    format("no logger answered within %.0f s", options_.connectTimeout));
    }
    out_ << "Logger found: " << engine_->link().texts().serialNumber << std::endl;
    return ExitCode::Ok;
}

int AcquireRun::powerOn() {
    using Result = PowerPanelLogic::PressResult;
    PowerPanelLogic& panel = engine_->panel();
    const Result pressed = panel.pressPower(Clock::now());
    if (pressed == Result::NoSonde)
        return fail(ExitCode::Failure, "no sonde is selected in the sonde table");
    if (pressed != Result::SwitchingOn)
        return fail(ExitCode::Failure, "the sonde could not be switched on now");
    powered_ = true;
    out_ << "Powering the sonde on ..." << std::endl;
    bool gaveUp = false;
    const bool on = serveUntil(
        [&] {
            if (panel.powerState() == PowerPanelLogic::PowerState::Off ||
                panel.powerState() == PowerPanelLogic::PowerState::PoweringOff) {
                gaveUp = true;
                return true;
            }
            return panel.powerState() == PowerPanelLogic::PowerState::On &&
                   panel.orderStep() == PowerPanelLogic::IdleStep;
        },
        std::chrono::duration<double>(options_.powerTimeout));
    if (on && !gaveUp) {
        sondeOnSince_ = Clock::now();
        out_ << "Sonde on." << std::endl;
        return ExitCode::Ok;
    }
    if (interruptRequested())
        return ExitCode::Interrupted;
    return fail(ExitCode::NoAnswer,
                gaveUp ? "the sonde did not accept the power-on orders"
                       : format("the sonde did not come on within %.0f s", options_.powerTimeout));
}

int AcquireRun::startRecording() {
    const double here = engine_->stream().snapshot().ImageDepth;
    if (options_.stopDepth &&
        (options_.loggingDown ? *options_.stopDepth <= here : *options_.stopDepth >= here))
        return fail(ExitCode::BadArguments,
                    format("--stop-depth %.2f m lies behind the start at %.2f m: logging %s it "
                           "must be %s than %.2f m",
                           *options_.stopDepth, here, options_.loggingDown ? "down" : "up",
                           options_.loggingDown ? "deeper" : "shallower", here));
    if (options_.image) {
        const double far = *options_.stopDepth;
        capture_ = std::make_unique<StripCapture>(*engine_, std::min(here, far),
                                                  std::max(here, far), options_.rowsPerMetre);
        if (!capture_->valid())
            return fail(ExitCode::BadArguments, capture_->error());
    }
    if (!options_.record)
        return ExitCode::Ok;
    std::string problem;
    std::optional<RecordingSetup> setup = prepareNewLog(*options_.record, problem);
    if (!setup)
        return fail(ExitCode::Failure, problem);
    if (!engine_->startRecording(*setup))
        return fail(ExitCode::Failure, "the recording did not start");
    recording_ = true;
    // The path keys of the new log are saved with the configuration, as "New log." does; once
    // the recording runs, so that writing the files does not hold its start back.
    ConfigurationStore store(engine_->configuration());
    CPreferences preferences(store, placements_);
    if (!preferences.SaveFiles())
        errorLine(err_, "warning: the path keys of the new log were not saved in " +
                            preferences.ConfigurationFile().string());
    result_.header = setup->headerPath;
    out_ << "Recording " << setup->headerPath.string() << std::endl;
    return ExitCode::Ok;
}

std::optional<RecordingSetup> AcquireRun::prepareNewLog(const std::filesystem::path& headerPath,
                                                        std::string& problem) {
    const LogName name = logNameOf(headerPath);
    const NewLogResult made =
        engine_->prepareNewLog(name.folder, name.title, options_.loggingDown, options_.splitLength);
    for (const SkippedLogFile& skipped : made.skipped)
        errorLine(err_, "not deleted: " + skipped.listedName + " (" + skipped.reason + ")");
    if (made.outcome == NewLogOutcome::InvalidName) {
        problem = "not a log name: " + name.title;
        return std::nullopt;
    }
    if (made.outcome == NewLogOutcome::Declined) {
        problem = "a log named " + name.title + " exists; --replace replaces it";
        return std::nullopt;
    }
    return made.setup;
}

bool AcquireRun::depthReached() const {
    if (!options_.stopDepth)
        return false;
    const double depth = engine_->stream().snapshot().ImageDepth;
    return options_.loggingDown ? depth >= *options_.stopDepth : depth <= *options_.stopDepth;
}

std::string AcquireRun::statusText() const {
    const MeasurementRecord r = engine_->stream().snapshot();
    const TransmissionCounts c = engine_->link().statistics().snapshot();
    std::string text = format("depth %8.2f m  speed %6.2f m/min  gamma %6.1f  frames %7u  "
                              "lost %5d  re-requested %5d%s",
                              r.ImageDepth, r.Speed, r.Gamma, r.Counters.GoodFrames, c.lostFrames,
                              c.videoRequests, recording_ ? "  REC" : "");
    if (const std::string pane = pane_.text(); !pane.empty())
        text += "  " + pane;
    return text;
}

void AcquireRun::warnReverseMotion() {
    const std::optional<std::string> text = engine_->takeReverseMotionText();
    if (!text || !recording_)
        return;
    const auto now = Clock::now();
    if (*text == lastWarning_ && now - lastWarningAt_ < WarningRepeat)
        return;
    lastWarning_ = *text;
    lastWarningAt_ = now;
    status_.finish();
    errorLine(err_, "warning: " + *text);
}

int AcquireRun::monitor() {
    const auto limit = options_.duration ? std::chrono::duration<double>(*options_.duration)
                                         : std::chrono::duration<double>(365.0 * 24 * 3600);
    bool lost = false;
    // A run that ends by its duration or by Ctrl-C goes on to the orderly end as one that got to
    // its depth; only a sonde switched off is a failure here.
    static_cast<void>(serveUntil(
        [&] {
            warnReverseMotion();
            if (options_.statusLine)
                status_.show(statusText());
            if (engine_->panel().powerState() != PowerPanelLogic::PowerState::On) {
                lost = true;
                return true;
            }
            return depthReached();
        },
        limit));
    status_.finish();
    if (lost && !interruptRequested())
        return fail(ExitCode::NoAnswer, "the sonde was switched off (link lost or logger "
                                        "no longer busy)");
    return ExitCode::Ok;
}

void AcquireRun::finish() {
    status_.finish();
    // The run's figures before the recording stop (it resets the record count) and the power-off
    // (its statistics reset clears the loss counters).
    const MeasurementRecord r = engine_->stream().snapshot();
    const TransmissionCounts c = engine_->link().statistics().snapshot();
    result_.goodFrames = r.Counters.GoodFrames;
    result_.lostFrames = c.lostFrames;
    result_.videoRequests = c.videoRequests;
    result_.lastDepth = r.ImageDepth;
    if (recording_) {
        result_.records = engine_->writer().RecordCount();
        result_.dataFiles = engine_->writer().FileIndex();
        // False only when the writer had stopped the recording itself, after saying why.
        static_cast<void>(engine_->endRecording());
        recording_ = false;
        countRecords();
    }
    if (powered_) {
        PowerPanelLogic& panel = engine_->panel();
        panel.switchOff(Clock::now());
        result_.powerOffConfirmed =
            serveUntil([&] { return panel.powerState() == PowerPanelLogic::PowerState::Off; },
                       PowerOffLimit, false);
        powered_ = false;
    }
    // A link thread still running after the shutdown's wait is joined with the engine.
    static_cast<void>(engine_->stopLink());
    engine_->link().stopRawCapture();
    if (capture_) {
        int width = 0, height = 0;
        std::string problem;
        if (capture_->save(*options_.image, width, height, problem)) {
            result_.image = *options_.image;
            out_ << format("Image: %s (%d x %d pixels)\n", options_.image->string().c_str(), width,
                           height);
        } else {
            errorLine(err_, options_.image->string() + ": " + problem);
            if (result_.exitCode == ExitCode::Ok)
                result_.exitCode = ExitCode::Failure;
        }
        capture_.reset();
    }
    printSummary();
}

void AcquireRun::countRecords() {
    LogWalk log;
    if (log.open(result_.header))
        return;
    for (const LogDataFile& file : log.files())
        result_.dataFilePaths.push_back(file.path);
    result_.dataFiles = static_cast<int>(log.files().size());
    long long records = 0;
    // The records before a damage are counted; the damage itself is named.
    if (const std::optional<WalkFailure> failed =
            log.walk([&](const LogDataFile&, std::int64_t, std::span<const std::uint8_t>,
                         const CDataLogReader&) {
                ++records;
                return true;
            }))
        errorLine(err_, "warning: " + failed->text);
    result_.recordsWritten = records;
}

void AcquireRun::printSummary() {
    out_ << format("Frames %u, lost %d, re-requested %d, last image depth %.2f m\n",
                   result_.goodFrames, result_.lostFrames, result_.videoRequests,
                   result_.lastDepth);
    if (!result_.header.empty()) {
        out_ << format("Log: %s (%lld records in %d data file(s))\n",
                       result_.header.string().c_str(), result_.recordsWritten, result_.dataFiles);
        for (const std::filesystem::path& file : result_.dataFilePaths)
            out_ << "  data file " << file.string() << "\n";
        out_ << std::flush;
        if (result_.recordsWritten == 0) {
            errorLine(err_, "the recording wrote no record" +
                                (lastWarning_.empty() ? std::string()
                                                      : " (last warning: " + lastWarning_ + ")"));
            if (result_.exitCode == ExitCode::Ok)
                result_.exitCode = ExitCode::Failure;
        }
    }
    if (!result_.powerOffConfirmed) {
        errorLine(err_, format("the power-off was not confirmed within %d s: sonde may still be "
                               "powered",
                               static_cast<int>(PowerOffLimit.count())));
        if (result_.exitCode == ExitCode::Ok)
            result_.exitCode = ExitCode::NoAnswer;
    }
}

} // namespace zarn::cli
