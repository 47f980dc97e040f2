#include "tests/acquisition/cli/integration/SimulatedAcquisition.h"

#include "platform/Format.h"
#include "platform/ProfileDocument.h"
#include "platform/imaging/PngFile.h"
#include "sim/ftd2xx/SimulatorReport.h"

#include <atomic>
#include <cstdlib>
#include <dlfcn.h>
#include <sstream>
#include <vector>

namespace zarn::test {

namespace {

// A run of its own for every configuration written in this process.
std::atomic<int> configurations{0};

// Longest run the tests allow before the acquire run stops by itself, s.
constexpr double RunLimitSeconds = 300;

} // namespace

SimulatedLoggerTest::SimulatedLoggerTest() {
    // Held for the test: the link loads and unloads the library as it binds and closes it; the
    // simulator and its report stay while this handle is open.
    library_ = dlopen(ZARN_FTD2XX_SIM, RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(library_, nullptr) << dlerror();
    cli::clearInterrupt();
}

SimulatedLoggerTest::~SimulatedLoggerTest() {
    cli::clearInterrupt();
    unsetenv("ZARN_SIM_CONFIG");
    unsetenv("ZARN_FTD2XX");
    if (library_)
        dlclose(library_);
}

void SimulatedLoggerTest::configureSimulator(const SimulatedInterval& interval) {
    const std::string text =
        format("; run %d of this process\n"
               "[Device]\n"
               "FastMode = %s\n"
               "[Winch]\n"
               "StartDepth = %.3f\n"
               "EndDepth = %.3f\n"
               "Speed = %.3f\n"
               "StartDelay = %d\n",
               ++configurations, interval.fastMode ? "yes" : "no", interval.startDepth,
               interval.endDepth, WinchSpeed, interval.fastMode ? 150 : 1) +
        interval.sections;
    home.write("simulator.ini", text);
    setenv("ZARN_SIM_CONFIG", home.file("simulator.ini").c_str(), 1);
}

cli::LoadedSettings SimulatedLoggerTest::programSettings(int orientationMode) const {
    cli::LoadedSettings settings = cli::loadSettings();
    SondeTable& sondes = settings.sondes;
    SondeSlot& slot = sondes.slots[static_cast<std::size_t>(sondes.selected)];
    slot = SondeSlot{};
    slot.serialNumber = 417;
    slot.cameraOffset = CameraOffsetMetres * 100;
    sondes.copySelectedToWorking();
    settings.configuration.logger.orientationMode = orientationMode;
    settings.configuration.logger.magneticOffset = 0;
    return settings;
}

cli::AcquireOptions SimulatedLoggerTest::recordOptions(const std::string& name, bool loggingDown,
                                                       double stopDepth) const {
    cli::AcquireOptions options;
    options.driver = ZARN_FTD2XX_SIM;
    options.record = logFolder() / name;
    options.loggingDown = loggingDown;
    options.stopDepth = stopDepth;
    options.duration = RunLimitSeconds;
    options.statusLine = false;
    return options;
}

std::string SimulatedLoggerTest::report() const {
    if (!library_)
        return {};
    const auto call = reinterpret_cast<ZarnSimReportFn>(dlsym(library_, ZarnSimReportName));
    if (!call)
        return {};
    const int length = call(nullptr, 0);
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    call(text.data(), static_cast<unsigned>(text.size()));
    return std::string(text.data());
}

long long reportCount(const std::string& report, std::string_view section, std::string_view key) {
    const std::optional<std::string> value = ProfileDocument::parse(report).get(section, key);
    return value ? parseInt(*value) : -1;
}

AcquireOutcome runAcquisition(const cli::AcquireOptions& options,
                              const cli::LoadedSettings& settings) {
    std::ostringstream out;
    std::ostringstream err;
    AcquireOutcome outcome;
    {
        cli::CliUserMessages messages(err, MessageAnswer::No);
        cli::AcquireRun run(options, settings, out, err);
        outcome.code = run.execute();
        outcome.result = run.result();
    }
    outcome.out = out.str();
    outcome.err = err.str();
    return outcome;
}

CommandRun inspectLog(const std::filesystem::path& header) {
    cli::InspectOptions options;
    options.header = header;
    return runCommand(
        [&](std::ostream& out, std::ostream& err) { return cli::runInspect(options, out, err); });
}

ReplayedLog replayLog(const cli::ReplayOptions& options) {
    ReplayedLog replayed;
    replayed.run = runCommand(
        [&](std::ostream& out, std::ostream& err) { return cli::runReplay(options, out, err); });
    if (replayed.run.code == cli::ExitCode::Ok)
        replayed.picture = loadPng(options.image, &replayed.problem);
    return replayed;
}

} // namespace zarn::test
