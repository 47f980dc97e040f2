// Survey speed: the deviation survey of a simulated 1000 m log (records of the synthetic wall,
// 720 pixels at 8 mm per record in data files of 200 m; the hole builds and turns, the sonde
// rolls, its sensors are noisy, so that every record's orientation differs) at the default
// station spacing of 1 m, against the floor of that work measured in the same run: one
// sequential read of the same .lox files. The goal is a survey time of at most 1.2 times the
// floor. The survey reads only the record heads, so the payloads of the log are 64 distinct
// encoded pictures of the wall used in turn.
#include "acquisition/survey/Survey.h"
#include "acquisition/survey/SurveyReport.h"
#include "bench/BenchLog.h"
#include "bench/BenchSupport.h"
#include "sim/OrientationSensors.h"
#include "sim/SimulatorSettings.h"
#include "sim/Trajectory.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

using namespace zarn;

constexpr int Records = 125000; // 1000 m at 8 mm per record
constexpr int Payloads = 64;
constexpr double Metres = Records * 0.008;
const char* const Ours = "BM_Survey";
const char* const Floor = "BM_SequentialRead";

struct Fixture {
    bench::BenchLog log{"survey"};
    Fixture() {
        test::TestLogShape shape = bench::wallShape();
        shape.recordsPerFile = 25000;
        log.makePayloads(Payloads, shape);
        const sim::SimulatorSettings settings = sim::SimulatorSettings::parse(
            "[Sonde]\nInclination = 2\nAzimuth = 300\nBuildFrom = 100\nBuildTo = 700\n"
            "BuildBy = 40\nTurnFrom = 200\nTurnTo = 900\nTurnBy = 90\n");
        const sim::Trajectory path(settings.sonde);
        const sim::OrientationSensors sensors(settings.sonde.magneticField,
                                              settings.sonde.magneticDip);
        std::mt19937 random(5);
        std::normal_distribution<double> noise(0, settings.sonde.sensorNoise);
        std::vector<test::TestRecord> records = test::evenRecords(100000, 80, Records);
        for (std::size_t i = 0; i < records.size(); ++i) {
            test::TestRecord& r = records[i];
            r.payload = log.payload(i);
            const double md = static_cast<double>(r.depthUnits) / 10000.0 - 1.07;
            sim::SensorReadings s = sensors.read(path.inclinationAt(md), path.azimuthAt(md),
                                                 static_cast<double>(i) * 0.4);
            for (double* v : {&s.gx, &s.gy, &s.gz, &s.hx, &s.hy, &s.hz})
                *v += noise(random);
            test::setSensors(r, s);
        }
        log.write(records, shape);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// The survey as zarn-cli survey makes it: the stations, the path and the table.
void BM_Survey(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        const SurveyResult stations = surveyStations(f.log.source(), SurveyOptions{});
        if (!stations.problem.empty()) {
            state.SkipWithError(stations.problem.c_str());
            return;
        }
        SurveyReport report;
        report.points = minimumCurvature(validDirections(stations), 0, 30);
        const std::string table = surveyCsv(report);
        benchmark::DoNotOptimize(table.data());
    }
}

void BM_SequentialRead(benchmark::State& state) {
    bench::sequentialReads(state, fixture().log.dataFiles(), 1);
}

BENCHMARK(BM_Survey)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SequentialRead)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return zarn::bench::runComparison(argc, argv, [] { fixture(); },
                                      {Ours, Floor, "Survey of 1000 m at 1 m",
                                       "one sequential read of its .lox files", 1.2, Metres});
}
