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
#include "bench/BenchLog.h"
#include "bench/BenchSupport.h"

#include <benchmark/benchmark.h>

namespace {

using namespace zarn;

constexpr int Records = 25000; // 200 m at 8 mm per record
constexpr int Payloads = 64;
constexpr double Metres = Records * 0.008;
const char* const Ours = "BM_LasExport";
const char* const Floor = "BM_TwoSequentialReads";

struct Fixture {
    bench::BenchLog log{"las"};
    LasExportJob job;
    Fixture() {
        test::TestLogShape shape = bench::wallShape();
        shape.gammaOnBoard = true;
        shape.recordsPerFile = 6250; // four data files, as a split recording has
        log.makePayloads(Payloads, shape);
        std::vector<test::TestRecord> records = test::evenRecords(100000, 80, Records);
        for (std::size_t i = 0; i < records.size(); ++i) {
            test::TestRecord& r = records[i];
            r.payload = log.payload(i);
            r.gamma = 40 + static_cast<int>(i % 17);
            r.gx = -9976;
            r.gy = 698 + static_cast<int>(i % 5);
            r.gz = 12;
            r.hx = 2000;
            r.hy = 3000;
            r.hz = -4000 + static_cast<int>(i % 7);
        }
        log.write(records, shape);
        // The dialog's defaults: every curve, the first interval, the proposed range.
        const LasRange range = lasRangeOf(log.source(), false);
        const LasDepthGrid grid{false};
        job.fromUnits = grid.unitsOf(range.from.value_or(0));
        job.toUnits = grid.unitsOf(range.to.value_or(0));
        job.intervalTicks = lasIntervalAt(false, 0).ticks;
        job.output = log.folder() / "out" / "WELL1.las";
        job.workFolder = log.folder() / "work";
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_LasExport(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        const LasExportResult result = LasExport(f.log.source(), f.job).run();
        if (result.outcome != LasPassOutcome::Done) {
            state.SkipWithError(result.message.c_str());
            return;
        }
        benchmark::DoNotOptimize(result.lines);
    }
}

void BM_TwoSequentialReads(benchmark::State& state) {
    bench::sequentialReads(state, fixture().log.dataFiles(), 2);
}

BENCHMARK(BM_LasExport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TwoSequentialReads)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return zarn::bench::runComparison(argc, argv, [] { fixture(); },
                                      {Ours, Floor, "LAS export of 200 m at 1 cm",
                                       "two sequential reads of its .lox files", 2.0, Metres});
}
