// Speed of the image row builder on mode-16 payloads of 1440 pixels (8 rows, parameter 3, encoded
// from the synthetic wall), with the rows turned: each payload has another oriented angle, so
// every row is shifted with interpolation, resampled to the 720 image columns and written with
// its depth scale into an image memory of a 1080-row screen. Measured against decoding the same
// payloads, in the same run; the goal is that building the rows costs at most half of decoding
// them, without any allocation per row.
#include "acquisition/stream/ToolsBmp.h"
#include "acquisition/stream/ToolsUnCompress.h"
#include "sim/DctEncoder.h"
#include "sim/WallTexture.h"

#include "bench/AllocationCounter.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <string>
#include <vector>

namespace {

using zarn::bench::heapAllocations;

constexpr int kWidth = 1440;
constexpr int kResolutionCode = 7;
constexpr int kRows = zarn::CToolsUnCompress::kDctRows;
constexpr int kPixels = kWidth * kRows;
constexpr int kStrips = 32;
constexpr int kParameter = 3;

const char* const kDecode = "BM_DecodeMode16Payload";
const char* const kRowsName = "BM_BuildRows";
const char* const kWhole = "BM_DrawDctPayload";

struct Material {
    std::vector<std::vector<std::uint8_t>> payloads;
    std::vector<std::vector<std::uint32_t>> decoded;

    Material() {
        std::vector<std::uint32_t> wall(static_cast<std::size_t>(kPixels) * kStrips);
        zarn::sim::WallTexture(7).render(wall, kWidth, 4000, kRows * kStrips);
        zarn::sim::DctEncoder encoder;
        zarn::CToolsUnCompress decoder;
        for (int s = 0; s < kStrips; ++s) {
            const std::span<const std::uint32_t> strip(wall.data() + s * kPixels, kPixels);
            payloads.emplace_back();
            // A valid parameter and whole strips: nothing is refused.
            static_cast<void>(encoder.encode(strip, kWidth, kParameter, payloads.back()));
            decoded.emplace_back(kPixels);
            decoder.InitBitReader(payloads.back());
            static_cast<void>(decoder.SelectDctParameters(kParameter));
            decoder.BuildDctTables();
            static_cast<void>(decoder.DecodeDctStrip(decoded.back(), kWidth));
        }
    }
};

const Material& material() {
    static const Material m;
    return m;
}

// The frame values of payload i: 1 mm deeper each time and turned by another angle.
zarn::MeasurementRecord recordOf(std::size_t i) {
    zarn::MeasurementRecord r;
    r.ImageDepth = 100.0 + 0.001 * static_cast<double>(i);
    r.Orientation.OrientedAngle = static_cast<double>((37 + 13 * i) % 360) + 0.37;
    r.ResolutionCode = kResolutionCode;
    r.PixelsPerRow = kWidth;
    r.ShutterFactor = 1.0;
    return r;
}

// A row builder with the main window's layout on a 1080-row screen.
struct Builder {
    zarn::MessageBus bus;
    zarn::CToolsBmp bmp{nullptr, bus};
    Builder() {
        if (!bmp.DrawImageBuffer(773, 53, 1080))
            std::abort();
    }
};

void BM_DecodeMode16Payload(benchmark::State& state) {
    const Material& m = material();
    zarn::CToolsUnCompress decoder;
    std::vector<std::uint32_t> out(kPixels);
    std::size_t next = 0;
    for (auto _ : state) {
        const auto& payload = m.payloads[next++ % kStrips];
        decoder.InitBitReader(payload);
        // A valid parameter and whole strips: nothing is refused.
        static_cast<void>(decoder.SelectDctParameters(kParameter));
        decoder.BuildDctTables();
        static_cast<void>(decoder.DecodeDctStrip(out, kWidth));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DecodeMode16Payload)->Unit(benchmark::kMicrosecond);

void BM_BuildRows(benchmark::State& state) {
    const Material& m = material();
    Builder builder;
    std::size_t next = 0;
    for (auto _ : state) {
        const std::size_t i = next++;
        builder.bmp.DrawDctRows(m.decoded[i % kStrips], kWidth, 1, recordOf(i));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BuildRows)->Unit(benchmark::kMicrosecond);

void BM_DrawDctPayload(benchmark::State& state) {
    const Material& m = material();
    Builder builder;
    std::size_t next = 0;
    for (auto _ : state) {
        const std::size_t i = next++;
        builder.bmp.DrawDctPayload(m.payloads[i % kStrips], kWidth, 1, kParameter, recordOf(i));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawDctPayload)->Unit(benchmark::kMicrosecond);

// Allocations made while building the rows of many payloads, after a first one.
double allocationsPerPayload() {
    const Material& m = material();
    Builder builder;
    builder.bmp.DrawDctRows(m.decoded[0], kWidth, 1, recordOf(0));
    constexpr int kPayloads = 2000;
    const auto before = heapAllocations.load();
    for (int i = 1; i <= kPayloads; ++i)
        builder.bmp.DrawDctRows(m.decoded[static_cast<std::size_t>(i) % kStrips], kWidth, 1,
                                recordOf(static_cast<std::size_t>(i)));
    return static_cast<double>(heapAllocations.load() - before) / kPayloads;
}

// Keeps each benchmark's processor time per iteration (the machine may be shared, so wall time
// would count other programs' turns).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                microseconds_[run.run_name.function_name] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    const std::map<std::string, double>& microseconds() const { return microseconds_; }

private:
    std::map<std::string, double> microseconds_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto& times = reporter.microseconds();
    const auto decode = times.find(kDecode);
    const auto rows = times.find(kRowsName);
    const auto whole = times.find(kWhole);
    std::printf("\nMode-16 payloads of %d rows x %d pixels, parameter %d, rows turned\n", kRows,
                kWidth, kParameter);
    if (decode == times.end() || rows == times.end()) {
        std::printf("ratio: both %s and %s must run (check --benchmark_filter)\n", kDecode,
                    kRowsName);
        return 0;
    }
    std::printf("decode a payload:           %8.2f us CPU\n", decode->second);
    std::printf("build its 8 rows:           %8.2f us CPU (%.2f us per row)\n", rows->second,
                rows->second / kRows);
    if (whole != times.end())
        std::printf("decode and build together:  %8.2f us CPU\n", whole->second);
    const double ratio = rows->second / decode->second;
    std::printf("ratio of building to decoding: %.2f (goal <= 0.5: %s)\n", ratio,
                ratio <= 0.5 ? "met" : "NOT met");
    const double perPayload = allocationsPerPayload();
    std::printf("allocations while building rows: %.3f per payload (goal 0: %s)\n", perPayload,
                perPayload == 0 ? "met" : "NOT met");
    return 0;
}
