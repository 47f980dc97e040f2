// Reading a large data log (.lox): the depth search to the far end of the log against reading the
// same file sequentially with read() into a 1 MB buffer, and the reading of records for replay
// (everything but the drawing) in records per second.
//
// The log is recorded from the simulated logger: 500 MB unless ZARN_BENCH_LOX_MB says otherwise.
// sim::Logger, driven in-process in model time, sends the full data frames of a sonde powered
// from the start and logged down from 10 m at 2 m/min in the default camera settings (mode 16,
// 720 pixels per row, records of about 1.6 KB, some 550 m for 500 MB); the program's frame
// decoder (CToolsStream) decodes each one, and its recording rule (CRecordingRule) and data log
// writer (CDataLogWriter) record it as a live recording does, the elapsed time in model time.
// The video is not drawn.
//
// Recording 500 MB that way takes several minutes (progress on stderr), so the log is kept in
// the cache folder zarn-bench-lox-cache under the temporary directory and used again by the next
// run whose size asks for the same number of bytes; a run with another size records it afresh.
// Delete that folder to get the space back. Before the runs the program reads the whole log
// once (the last-depth scan that also gives the depth searched for), so it is in the page cache
// and the comparison is of the work done on the bytes, not of the disk.
#include "acquisition/app/RecorderState.h"
#include "acquisition/app/SettingsRecords.h"
#include "acquisition/app/SondeTable.h"
#include "acquisition/link/CommandFrames.h"
#include "acquisition/logfiles/DataLogReader.h"
#include "acquisition/logfiles/DataLogScans.h"
#include "acquisition/logfiles/DataLogWriter.h"
#include "acquisition/logfiles/Header.h"
#include "acquisition/logfiles/RecordingRule.h"
#include "acquisition/stream/DecoderSettings.h"
#include "acquisition/stream/StreamSink.h"
#include "acquisition/stream/ToolsStream.h"
#include "acquisition/wire/FrameLayout.h"
#include "platform/FileIo.h"
#include "platform/Format.h"
#include "platform/ProfileDocument.h"
#include "sim/Logger.h"
#include "sim/SimulatorSettings.h"

#include "bench/BenchSupport.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char* const kSearch = "BM_DepthSearchToTheFarEnd";
const char* const kSequential = "BM_SequentialRead1MB";

// Changes whenever the recording below changes, so that an older cached log is not used.
const char* const kRecipe = "sim-logger-2mpm-mode16-v1";

constexpr double StartDepth = 10.0; // m
constexpr double WinchSpeed = 2.0;  // m/min

// The frame decoder's hand-over to the recording, as the acquisition engine composes it: the
// recording rule decides, the data log writer appends. Nothing is drawn.
class RecordingSink final : public zarn::StreamSink {
public:
    RecordingSink(zarn::CRecordingRule& rule, zarn::CDataLogWriter& writer)
        : rule_(rule), writer_(writer) {}
    zarn::RecordingDecision recordingRule(zarn::MeasurementRecord& record) override {
        return rule_.Apply(record);
    }
    void writeLogFile(std::span<const std::uint8_t> frame, int payloadLength,
                      zarn::MeasurementRecord& record) override {
        writer_.WriteLogFile(frame, payloadLength, record);
    }

private:
    zarn::CRecordingRule& rule_;
    zarn::CDataLogWriter& writer_;
};

std::vector<std::uint8_t> bytesOf(const zarn::CommandFrame& f) {
    return {f.bytes.begin(), f.bytes.begin() + static_cast<std::ptrdiff_t>(f.length)};
}

// The frame of a USB packet as the logger sent it (sync, counter, length, frame, end marker).
std::span<const std::uint8_t> frameOf(const std::vector<std::uint8_t>& packet) {
    if (packet.size() < 8 || packet[0] != 0x55 || packet[1] != 0xAA || packet[2] != 0x5A ||
        packet[3] != 0xA5 || (packet[5] | (packet[6] << 8)) != static_cast<int>(packet.size()))
        return {};
    return std::span(packet).subspan(7, packet.size() - 8);
}

struct LargeLog {
    std::filesystem::path folder;
    std::filesystem::path dataFile;
    std::filesystem::path cacheFile;
    std::int64_t target = 0;
    std::int64_t bytes = 0;
    std::int64_t records = 0;
    double lastDepth = 0.0;

    LargeLog() {
        const char* mb = std::getenv("ZARN_BENCH_LOX_MB");
        target = (mb && std::atoll(mb) > 0 ? std::atoll(mb) : 500) << 20;
        folder = std::filesystem::temp_directory_path() / "zarn-bench-lox-cache";
        dataFile = folder / "bench.lox";
        cacheFile = folder / "cache.ini";

        const bool cached = readCache();
        if (!cached && !record())
            std::exit(1);
        // The logger depth of the last record, read back as the program reads it.
        const std::optional<double> last = zarn::ScanLastDepth(dataFile);
        if (!last) {
            std::fprintf(stderr, "no record can be read from %s\n", dataFile.c_str());
            std::exit(1);
        }
        lastDepth = *last;
        std::printf("data log%s: %lld records, %.1f MB, last depth %.4f m (%s)\n",
                    cached ? " (cached)" : "", static_cast<long long>(records),
                    static_cast<double>(bytes) / (1 << 20), lastDepth, dataFile.c_str());
    }

    // The log a previous run recorded for the same size, when it is whole.
    bool readCache() {
        const std::optional<std::string> text = zarn::readWholeFile(cacheFile);
        if (!text)
            return false;
        const zarn::ProfileDocument cache = zarn::ProfileDocument::parse(*text);
        std::error_code ec;
        const auto size = std::filesystem::file_size(dataFile, ec);
        if (ec || cache.get("Log", "Recipe") != kRecipe ||
            cache.get("Log", "TargetBytes") !=
                zarn::format("%lld", static_cast<long long>(target)) ||
            cache.get("Log", "Bytes") !=
                zarn::format("%llu", static_cast<unsigned long long>(size)))
            return false;
        bytes = static_cast<std::int64_t>(size);
        records = zarn::parseInt(cache.get("Log", "Records").value_or("0"));
        return true;
    }

    // Records the log afresh from the simulated logger's frames; false (with the reason on
    // stderr) when it could not.
    bool record() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
        std::filesystem::create_directories(folder, ec);
        if (ec) {
            std::fprintf(stderr, "cannot make %s: %s\n", folder.c_str(), ec.message().c_str());
            return false;
        }

        // The winch goes far enough for the log to reach its size with records of 1 KB.
        const double metres = static_cast<double>(target) / 1024.0 * WinchSpeed / 60.0 / 20.0;
        const std::string ini = zarn::format("[Device]\nFastMode = yes\nSeed = 17\n"
                                             "[Sonde]\nPowered = yes\n"
                                             "[Winch]\nStartDepth = %.1f\nEndDepth = %.1f\n"
                                             "Speed = %.1f\nStartDelay = 0\n",
                                             StartDepth, StartDepth + metres + 10, WinchSpeed);
        const zarn::sim::SimulatorSettings simulator = zarn::sim::SimulatorSettings::parse(ini);
        zarn::sim::Logger logger(simulator);

        // The program's side: its default configuration and winch settings, a sonde selected
        // with the simulated camera offset.
        zarn::Configuration configuration;
        configuration.paths.fileName = "bench.lox";
        configuration.program.recordSplit = 0; // one data file
        if (const auto f1 = zarn::CommandFrames::F1(configuration.logger, configuration.program))
            logger.receive(bytesOf(*f1), 0);
        zarn::SondeTable sondes;
        sondes.slots[0].serialNumber = 417;
        sondes.slots[0].cameraOffset = simulator.sonde.cameraOffsetCm;
        sondes.selected = 0;
        sondes.copySelectedToWorking();

        double t = 0; // model time, s
        auto modelClock = [&t] {
            return std::chrono::steady_clock::time_point(
                std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                    std::chrono::duration<double>(t)));
        };
        zarn::CHeader header;
        zarn::RecorderState state;
        zarn::CDataLogWriter writer(header, state, nullptr, modelClock);
        zarn::CRecordingRule rule(state, &writer);
        RecordingSink sink(rule, writer);
        zarn::MessageBus bus; // nobody listens
        zarn::CToolsStream stream(&sink, nullptr, bus);
        stream.setSettings(zarn::DecoderSettings::from(configuration, sondes.working, false));

        const double travelSeconds = (metres + 10) / WinchSpeed * 60.0;
        std::int64_t reported = 0;
        bool started = false;
        while (writer.BytesWritten() < target) {
            if (t > travelSeconds + 60) {
                std::fprintf(stderr, "\nthe winch reached the end of its interval at %.1f MB\n",
                             static_cast<double>(writer.BytesWritten()) / (1 << 20));
                return false;
            }
            const zarn::sim::ProducedFrame produced = logger.produce(t);
            t += produced.periodSeconds;
            const std::span<const std::uint8_t> frame = frameOf(produced.packet);
            if (frame.size() < zarn::frame::full::MinimumSize)
                continue;
            // Decoded as the link decodes it; what counts is the data log it makes.
            static_cast<void>(stream.DecodeFullFrame(frame, true));
            if (!started) {
                // The recording starts where the first frame put the sonde.
                const zarn::MeasurementRecord now = stream.snapshot();
                zarn::RecordingSetup setup;
                setup.headerPath = folder / "bench.hed";
                setup.dataFile = dataFile;
                setup.loggingDown = true;
                setup.loggerDepth = now.LoggerDepth;
                rule.SetLoggingDirection(true);
                rule.SetLastDepth(now.ImageDepth);
                if (!writer.StartRecording(setup, configuration, sondes)) {
                    std::fprintf(stderr, "cannot start the recording in %s\n", folder.c_str());
                    return false;
                }
                started = true;
            }
            if (writer.BytesWritten() >= reported + (10 << 20)) {
                reported = writer.BytesWritten();
                std::fprintf(stderr,
                             "\rrecording the data log from the simulated logger: "
                             "%4lld of %lld MB",
                             static_cast<long long>(reported >> 20),
                             static_cast<long long>(target >> 20));
            }
        }
        std::fprintf(stderr, "\n");
        bytes = writer.BytesWritten();
        records = writer.RecordCount();
        static_cast<void>(writer.StopRecording()); // false only when none ran

        zarn::ProfileDocument cache;
        cache.set("Log", "Recipe", kRecipe);
        cache.set("Log", "TargetBytes", zarn::format("%lld", static_cast<long long>(target)));
        cache.set("Log", "Bytes", zarn::format("%lld", static_cast<long long>(bytes)));
        cache.set("Log", "Records", zarn::format("%lld", static_cast<long long>(records)));
        cache.set("Log", "ModelSeconds", zarn::format("%.1f", t));
        if (!zarn::writeFileAtomically(cacheFile, cache.serialize()))
            std::fprintf(stderr, "the cache note %s was not written\n", cacheFile.c_str());
        return true;
    }
};

LargeLog& largeLog() {
    static LargeLog log;
    return log;
}

void BM_SequentialRead1MB(benchmark::State& state) {
    const LargeLog& log = largeLog();
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        const int fd = ::open(log.dataFile.c_str(), O_RDONLY | O_CLOEXEC);
        std::int64_t total = 0;
        for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
            total += n;
        ::close(fd);
        benchmark::DoNotOptimize(total);
        if (total != log.bytes)
            state.SkipWithError("short read");
    }
    state.SetBytesProcessed(state.iterations() * log.bytes);
}

void BM_DepthSearchToTheFarEnd(benchmark::State& state) {
    const LargeLog& log = largeLog();
    zarn::MessageBus bus;
    for (auto _ : state) {
        // A fresh reader each time: the file is opened as the search would open it.
        zarn::CDataLogReader reader(nullptr, nullptr, bus);
        reader.SetDataFile(log.dataFile);
        std::int64_t position = 0;
        if (!reader.SearchDepth(position, log.lastDepth) || position != log.bytes)
            state.SkipWithError("the last record was not found");
    }
    state.SetBytesProcessed(state.iterations() * log.bytes);
}

void BM_ReplayRecordReading(benchmark::State& state) {
    const LargeLog& log = largeLog();
    zarn::MessageBus bus;
    zarn::CDataLogReader reader(nullptr, nullptr, bus);
    reader.SetDataFile(log.dataFile);
    std::int64_t position = 0;
    std::int64_t read = 0;
    for (auto _ : state) {
        if (!reader.ReadDataLineInFile(position)) {
            position = 0;
            state.PauseTiming();
            reader.Close();
            state.ResumeTiming();
            continue;
        }
        ++read;
    }
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(read), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_SequentialRead1MB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DepthSearchToTheFarEnd)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReplayRecordReading)->UseRealTime();

// Passes everything to the console and keeps each benchmark's median real time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string name = run.run_name.function_name;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && !median_.count(name);
            if (!median && !single)
                continue;
            median_[name] = run.GetAdjustedRealTime();
            if (name == "BM_ReplayRecordReading" && run.counters.count("records/s"))
                recordsPerSecond_ = run.counters.at("records/s").value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double milliseconds(const std::string& name) const {
        const auto it = median_.find(name);
        return it == median_.end() ? 0.0 : it->second;
    }
    double recordsPerSecond() const { return recordsPerSecond_; }

private:
    std::map<std::string, double> median_;
    double recordsPerSecond_ = 0.0;
};

} // namespace

int main(int argc, char** argv) {
    if (!zarn::bench::initialise(argc, argv, false))
        return 1;
    const LargeLog& log = largeLog();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double search = reporter.milliseconds(kSearch);
    const double sequential = reporter.milliseconds(kSequential);
    const double mb = static_cast<double>(log.bytes) / (1 << 20);
    if (search > 0 && sequential > 0) {
        std::printf("\ndepth search to the far end: %8.1f ms, %7.0f MB/s\n", search,
                    mb / search * 1000);
        std::printf("sequential read(), 1 MB:     %8.1f ms, %7.0f MB/s\n", sequential,
                    mb / sequential * 1000);
        const double ratio = search / sequential;
        std::printf("ratio of times, search / sequential read: %.2f (goal <= 1.5: %s)\n", ratio,
                    ratio <= 1.5 ? "met" : "NOT met");
    } else {
        std::printf("\nratio: both the search and the sequential read must run\n");
    }
    if (reporter.recordsPerSecond() > 0)
        std::printf("replay record reading without drawing: %.0f records/s\n",
                    reporter.recordsPerSecond());
    return 0;
}
