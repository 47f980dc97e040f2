// LAS export speed: a simulated 200 m log (records of the synthetic wall, 720 pixels at 8 mm per
// record in data files of 50 m, the sonde inclined so that every orientation value is computed)
// exported at its default interval (1 cm, every curve), against the floor of that work measured
// in the same run: two sequential reads of the same .lox files (the export's two passes, had both
// read the log). The goal is an export time of at most 2 times the floor. 200 m is a fifth of a
// 1000 m hole and keeps the run short: the export streams, its time grows with the log (the
// 1000 m figure is the 200 m one times 5), the grid file by 168 bytes per centimetre, and nothing
// else grows. The export reads only the record heads, so the payloads of the log are 64 distinct
// encoded pictures of the wall used in turn.
#include "acquisition/export/LasExport.h"
#include "sim/WallTexture.h"
#include "tests/acquisition/export/ExportTestSupport.h"

#include "bench/BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace zarn;

constexpr int Records = 25000; // 200 m at 8 mm per record
constexpr int Payloads = 64;
constexpr double Metres = Records * 0.008;
const char* const Ours = "BM_LasExport";
const char* const Floor = "BM_TwoSequentialReads";

struct Fixture {
    fs::path folder;
    std::vector<std::uint8_t> payloads[Payloads];
    ExportSource source;
    LasExportJob job;
    Fixture() {
        char pattern[] = "/tmp/zarn-bench-las-XXXXXX";
        folder = ::mkdtemp(pattern);
        test::TestLogShape shape;
        shape.gammaOnBoard = true;
        shape.recordsPerFile = 6250; // four data files, as a split recording has
        static const sim::WallTexture wall(7);
        shape.pixel = [](int n, int r, int x) { return wall.pixel(x, 720, n * 8L + r); };
        const std::vector<test::TestRecord> some = test::evenRecords(100000, 80, Payloads);
        for (int n = 0; n < Payloads; ++n) {
            const std::vector<std::uint8_t> bytes = test::testRecordBytes(n, some[n], shape);
            payloads[n].assign(bytes.begin() + logrecord::HeadSize, bytes.end());
        }
        std::vector<test::TestRecord> records = test::evenRecords(100000, 80, Records);
        for (std::size_t i = 0; i < records.size(); ++i) {
            test::TestRecord& r = records[i];
            r.payload = &payloads[i % Payloads];
            r.gamma = 40 + static_cast<int>(i % 17);
            r.gx = -9976;
            r.gy = 698 + static_cast<int>(i % 5);
            r.gz = 12;
            r.hx = 2000;
            r.hy = 3000;
            r.hz = -4000 + static_cast<int>(i % 7);
        }
        const fs::path header = test::writeTestLog(folder / "log", records, shape);
        ExportSourceResult read = readExportSource(header);
        if (!read.source) {
            std::fprintf(stderr, "%s\n", read.problem.c_str());
            std::abort();
        }
        source = std::move(*read.source);
        // The dialog's defaults: every curve, the first interval, the proposed range.
        const LasRange range = lasRangeOf(source, false);
        const LasDepthGrid grid{false};
        job.fromUnits = grid.unitsOf(range.from.value_or(0));
        job.toUnits = grid.unitsOf(range.to.value_or(0));
        job.intervalTicks = lasIntervalAt(false, 0).ticks;
        job.output = folder / "out" / "WELL1.las";
        job.workFolder = folder / "work";
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_LasExport(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        const LasExportResult result = LasExport(f.source, f.job).run();
        if (result.outcome != LasPassOutcome::Done) {
            state.SkipWithError(result.message.c_str());
            return;
        }
        benchmark::DoNotOptimize(result.lines);
    }
}

void BM_TwoSequentialReads(benchmark::State& state) {
    Fixture& f = fixture();
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        std::size_t total = 0;
        for (int pass = 0; pass < 2; ++pass)
            for (const ExportDataFile& file : f.source.files) {
                const int fd = ::open(file.path.c_str(), O_RDONLY | O_CLOEXEC);
                if (fd < 0) {
                    state.SkipWithError("cannot open a data file");
                    return;
                }
                for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
                    total += static_cast<std::size_t>(n) + static_cast<unsigned char>(buffer[0]);
                ::close(fd);
            }
        benchmark::DoNotOptimize(total);
    }
}

BENCHMARK(BM_LasExport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TwoSequentialReads)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (!zarn::bench::initialise(argc, argv, true))
        return 1;
    fixture(); // the log is made before any timing
    zarn::bench::CpuTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double ours = reporter.time(Ours);
    const double floor = reporter.time(Floor);
    if (ours > 0 && floor > 0)
        std::printf("\nLAS export of %.0f m at 1 cm: %.1f ms (%.2f s for 1000 m), two sequential "
                    "reads of its .lox files %.1f ms; ratio %.2f (goal <= 2.0)\n",
                    Metres, ours, ours * 1000 / Metres / 1000, floor, ours / floor);
    benchmark::Shutdown();
    return 0;
}
