// Picture export speed (bilinear, and bicubic against bilinear): a simulated 20 m log (records of
// the synthetic wall at 1 mm per line, 720 pixels) exported at 1 mm to one JPEG picture, against
// the floor of that work measured in the same run: decoding the same records plus libjpeg-turbo
// encoding the same output pixels at the same quality. The goal is an export time of at most 1.5
// times the floor; the time of a whole 1000 m hole is the 20 m figure times 50, since the run
// streams and its memory does not grow with the log.
#include "acquisition/export/ExportRecordReader.h"
#include "acquisition/export/PictureExportRun.h"
#include "acquisition/logfiles/LogRecord.h"
#include "acquisition/stream/ToolsUnCompress.h"
#include "bench/BenchLog.h"
#include "bench/BenchSupport.h"
#include "platform/imaging/JpegFile.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

using namespace zarn;

constexpr int Records = 2500; // 20 m at 8 mm per record
constexpr double Metres = Records * 0.008;
const char* const Ours = "BM_PictureExport";
const char* const Bicubic = "BM_PictureExportBicubic";
const char* const Floor = "BM_DecodeAndEncodeFloor";

struct Fixture {
    bench::BenchLog log{"export"};
    Fixture() { log.write(test::evenRecords(100000, 80, Records), bench::wallShape()); }
    PictureExportJob job() const {
        PictureExportJob j;
        j.from = 10.0;
        j.to = 10.0 + Metres - 0.01;
        j.interval = 0.001;
        j.type = CBmpCreator::PictureType::Jpeg;
        j.outputFolder = log.folder() / "out";
        return j;
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_PictureExport(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        const PictureExportResult result = PictureExportRun(f.log.source(), f.job()).run();
        if (result.outcome != ExportOutcome::Done) {
            state.SkipWithError(result.message.c_str());
            return;
        }
        benchmark::DoNotOptimize(result.lines);
    }
}

// The same export with bicubic resampling; its goal is at most 3 times the bilinear export.
void BM_PictureExportBicubic(benchmark::State& state) {
    Fixture& f = fixture();
    PictureExportJob job = f.job();
    job.bicubic = true;
    for (auto _ : state) {
        const PictureExportResult result = PictureExportRun(f.log.source(), job).run();
        if (result.outcome != ExportOutcome::Done) {
            state.SkipWithError(result.message.c_str());
            return;
        }
        benchmark::DoNotOptimize(result.lines);
    }
}

void BM_DecodeAndEncodeFloor(benchmark::State& state) {
    Fixture& f = fixture();
    const PictureExportJob job = f.job();
    const long long lines = job.totalLines();
    PixelImage picture(720, static_cast<int>(lines), 0xFF808080u);
    std::vector<std::uint32_t> decoded(8 * 720);
    CToolsUnCompress decoder;
    for (auto _ : state) {
        // The decoded lines go straight into the picture: the same pixels the export writes.
        ExportRecordReader reader(f.log.source().files);
        int row = 0;
        while (reader.next()) {
            const auto record = reader.record();
            decoder.InitBitReader(record.subspan(logrecord::HeadSize));
            static_cast<void>(decoder.SelectDctParameters(record[logrecord::ImageMode] & 7));
            decoder.BuildDctTables();
            static_cast<void>(decoder.DecodeDctStrip(decoded, 720));
            for (int r = 0; r < 8 && row < picture.height(); ++r, ++row)
                std::copy_n(decoded.begin() + r * 720, 720, picture.view().row(row));
        }
        JpegOptions options;
        options.quality = 90;
        const std::optional<std::string> bytes = encodeJpeg(picture.view(), options);
        benchmark::DoNotOptimize(bytes);
    }
}

BENCHMARK(BM_PictureExport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PictureExportBicubic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeAndEncodeFloor)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return zarn::bench::runBenchmarks(
        argc, argv, true, [] { fixture(); },
        [](const zarn::bench::CpuTimeReporter& reporter) {
            zarn::bench::printComparison(
                reporter,
                {Ours, Floor, "Picture export of 20 m at 1 mm to JPEG", "floor", 1.5, Metres});
            zarn::bench::printComparison(
                reporter, {Bicubic, Ours, "Bicubic export", "the bilinear export", 3.0});
        });
}
