// Reading a large data log (.lox): the depth search to the far end of the log against reading the
// same file sequentially with read() into a 1 MB buffer, and the reading of records for replay
// (everything but the drawing) in records per second.
//
// The log is written first by the data log writer into a temporary folder: 500 MB unless
// ZARN_BENCH_LOX_MB says otherwise, records of 2 to 3 KB logged down from 10 m. It stays in the
// page cache (the writer just wrote it, and the sequential read runs first), so the comparison
// is of the work done on the bytes, not of the disk. The folder is removed at the end.
#include "acquisition/app/RecorderState.h"
#include "acquisition/logfiles/DataLogReader.h"
#include "acquisition/logfiles/DataLogWriter.h"
#include "acquisition/logfiles/LogRecord.h"
#include "platform/UserMessages.h"

#include "bench/BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char* const kSearch = "BM_DepthSearchToTheFarEnd";
const char* const kSequential = "BM_SequentialRead1MB";

struct LargeLog {
    std::filesystem::path folder;
    std::filesystem::path dataFile;
    std::int64_t bytes = 0;
    std::int64_t records = 0;
    double lastDepth = 0.0;

    LargeLog() {
        const char* mb = std::getenv("ZARN_BENCH_LOX_MB");
        const std::int64_t target = (mb && std::atoll(mb) > 0 ? std::atoll(mb) : 500) << 20;
        std::string pattern = (std::filesystem::temp_directory_path() / "zarn-bench-lox-XXXXXX");
        if (!::mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        folder = pattern;
        dataFile = folder / "bench.lox";

        zarn::CHeader header;
        zarn::RecorderState state;
        zarn::CDataLogWriter writer(header, state);
        zarn::RecordingSetup setup;
        setup.headerPath = folder / "bench.hed";
        setup.dataFile = dataFile;
        setup.loggerDepth = 10.0;
        zarn::Configuration configuration;
        configuration.paths.fileName = "bench.lox";
        configuration.program.recordSplit = 0; // one data file
        if (!writer.StartRecording(setup, configuration, zarn::SondeTable{})) {
            std::fprintf(stderr, "cannot start the recording in %s\n", folder.c_str());
            std::exit(1);
        }
        std::vector<std::uint8_t> frame(zarn::frame::full::Overhead + 3072);
        for (std::size_t i = 0; i < frame.size(); ++i)
            frame[i] = static_cast<std::uint8_t>(i * 13);
        frame[zarn::frame::full::SondeBlock + zarn::frame::sonde::ImageMode] = 0x74;
        zarn::MeasurementRecord record;
        record.Direction = 1;
        record.Speed = 3.0;
        for (std::int64_t n = 0; writer.BytesWritten() < target; ++n) {
            record.LoggerDepth = 10.0 + static_cast<double>(n) * 0.0005;
            record.ImageDepth = record.LoggerDepth - 0.03;
            const int payload = 2048 + static_cast<int>((n * 389) % 1024);
            writer.WriteLogFile(frame, payload, record);
            lastDepth = record.LoggerDepth;
            records = n + 1;
        }
        bytes = writer.BytesWritten();
        writer.StopRecording();
        std::printf("data log: %lld records, %.1f MB, last depth %.4f m\n",
                    static_cast<long long>(records), static_cast<double>(bytes) / (1 << 20),
                    lastDepth);
    }
    ~LargeLog() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
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
