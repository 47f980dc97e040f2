// The main window's paint path at 773 x 1024: the visible band copied out of the image memory
// under the image lock into the window's own pixels (ShowImage, forced), then painted with
// QPainter into a window-sized surface, against a plain memcpy of the same pixels. Goal: the
// whole path costs at most 3 times the memcpy.
#include "BenchSupport.h"

#include "acquisition/stream/ToolsBmp.h"

#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int Width = 773;
constexpr int Height = 1024;
constexpr const char* Copy = "BM_MemcpyOfTheBand";
constexpr const char* Paint = "BM_CopyOutAndPaint";

void BM_MemcpyOfTheBand(benchmark::State& state) {
    std::vector<std::uint32_t> from(static_cast<std::size_t>(Width) * Height, 0xFF808080);
    std::vector<std::uint32_t> to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size() * sizeof(std::uint32_t));
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemcpyOfTheBand);

void BM_CopyOutAndPaint(benchmark::State& state) {
    zarn::CToolsBmp image;
    if (!image.DrawImageBuffer(Width, 53, Height)) {
        state.SkipWithError("no image memory");
        return;
    }
    zarn::PixelImage band(Width, Height);
    QImage surface(Width, Height, QImage::Format_RGB32);
    for (auto _ : state) {
        static_cast<void>(image.ShowImage(band, true));
        const QImage view(reinterpret_cast<const uchar*>(band.data()), band.width(), band.height(),
                          band.width() * 4, QImage::Format_RGB32);
        QPainter painter(&surface);
        painter.drawImage(0, 0, view);
        painter.end();
        benchmark::DoNotOptimize(surface.constBits());
    }
}
BENCHMARK(BM_CopyOutAndPaint);

} // namespace

int main(int argc, char** argv) {
    if (!zarn::bench::initialise(argc, argv, true))
        return 1;
    zarn::bench::CpuTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const double copy = reporter.time(Copy);
    const double paint = reporter.time(Paint);
    if (copy <= 0 || paint <= 0) {
        std::printf("ratio: both %s and %s must run (check --benchmark_filter)\n", Copy, Paint);
        return 1;
    }
    const double ratio = paint / copy;
    std::printf("\nBand of %d x %d pixels\n", Width, Height);
    std::printf("memcpy of the band:          %10.1f ns CPU\n", copy);
    std::printf("copy out and paint:          %10.1f ns CPU\n", paint);
    std::printf("ratio of the paint path to the memcpy: %.2f (goal <= 3.0: %s)\n", ratio,
                ratio <= 3.0 ? "met" : "NOT met");
    return 0;
}
