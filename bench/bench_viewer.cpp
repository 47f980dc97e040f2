// The viewer on boreholes of 10, 100 and 1000 m logged at 1 mm: folders of JPEG pictures of the
// export's sizes (720 pixels wide, at most 25600 lines each, named by their depths; the wall is
// the simulator's texture). Measured, side by side in one run:
//  - the time from opening a picture to the first screen composed (1000 x 900 pixels), with the
//    background loader started as the program does; the goal is at most 0.2 s, and the same for
//    every length (the folder's pictures are only probed, the first screen's bands decoded);
//  - scrolling one screen further decodes only the band that comes into view;
//  - jumping about the 1000 m borehole with the loader running keeps the decoded pieces within
//    the cache's budget, whatever the length.
#include "platform/Format.h"
#include "platform/imaging/JpegFile.h"
#include "sim/WallTexture.h"
#include "viewer/LVViewerDoc.h"
#include "viewer/ViewState.h"

#include "bench/BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

namespace {

namespace fs = std::filesystem;
using namespace lvviewer;

constexpr int Width = 720;
constexpr int MaxLines = 25600;
constexpr int ScreenWidth = 1000;
constexpr int ScreenHeight = 900;
constexpr std::size_t Budget = std::size_t{128} << 20;
const int Lengths[] = {10, 100, 1000};

std::string jpegOfRows(int rows) {
    static const zarn::sim::WallTexture wall(7);
    zarn::PixelImage image(Width, rows);
    wall.render({image.data(), std::size_t(Width) * rows}, Width, 0, rows);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < Width; ++x)
            image.row(y)[x] |= 0xFF000000u;
    return zarn::encodeJpeg(image.view()).value();
}

// The folders, made once: a picture of 25600 lines encoded once and written under every name,
// and the shorter last picture of each length.
struct Fixture {
    fs::path root;
    std::map<int, fs::path> first; // by length in metres
    Fixture() {
        char pattern[] = "/tmp/zarn-bench-viewer-XXXXXX";
        root = ::mkdtemp(pattern);
        const std::string full = jpegOfRows(MaxLines);
        for (const int metres : Lengths) {
            const fs::path folder = root / std::to_string(metres);
            fs::create_directories(folder);
            const long long lines = metres * 1000LL;
            for (long long at = 0; at < lines; at += MaxLines) {
                const int rows = static_cast<int>(std::min<long long>(MaxLines, lines - at));
                const std::string name =
                    zarn::format("BH_X_%09.4f-%09.4f.jpg", at / 1000.0, (at + rows) / 1000.0);
                std::ofstream(folder / name, std::ios::binary)
                    << (rows == MaxLines ? full : jpegOfRows(rows));
                if (at == 0)
                    first[metres] = folder / name;
            }
        }
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// A document with its view on a screen of ScreenWidth x ScreenHeight at the strip's top.
struct Shown {
    CLVViewerDoc doc;
    ViewState view;
    ScreenComposer composer;

    explicit Shown(bool loader) {
        doc.setUseLoader(loader);
        doc.setCacheBudget(Budget);
        view.setClient(ScreenWidth, ScreenHeight);
    }
    bool open(benchmark::State& state, const fs::path& file, std::int64_t top) {
        AssemblyFailure failure;
        if (!doc.OnOpenDocument(file, zarn::noProgress(), &failure)) {
            state.SkipWithError(failure.text.c_str());
            return false;
        }
        view.setStrip(doc.totalHeight(), top);
        return true;
    }
    void compose() {
        doc.setFocus(view.top());
        benchmark::DoNotOptimize(composer.compose(doc, view, ScreenWidth, ScreenHeight, nullptr));
    }
};

void openToFirstScreen(benchmark::State& state, int metres) {
    const fs::path file = fixture().first.at(metres);
    Shown shown(true);
    for (auto _ : state) {
        if (!shown.open(state, file, 0))
            return;
        shown.view.scrollTo(shown.doc.startRow());
        shown.compose();
        state.PauseTiming();
        shown.doc.OnCloseDocument();
        state.ResumeTiming();
    }
}
// One benchmark of its own name a length, so that the figures are told apart.
std::string openName(int metres) {
    return zarn::format("BM_OpenToFirstScreen_%dm", metres);
}

// VmHWM of /proc/self/status: the peak resident size, in kB.
long peakResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return 0;
}

struct Figures {
    double bandsPerScreen = 0;
    std::size_t peakBytes = 0;
    std::size_t budget = 0;
    long peakResidentKb = 0;
};
std::map<int, Figures> figures;

void BM_ScrollOneScreen(benchmark::State& state) {
    Shown shown(false);
    if (!shown.open(state, fixture().first.at(static_cast<int>(state.range(0))), 0))
        return;
    shown.compose();
    std::uint64_t screens = 0;
    const std::uint64_t before = shown.doc.cache().published();
    for (auto _ : state) {
        shown.view.scrollTo(shown.view.top() + ScreenHeight);
        if (shown.view.top() == shown.view.maxTop())
            shown.view.scrollTo(0);
        shown.compose();
        ++screens;
    }
    figures[static_cast<int>(state.range(0))].bandsPerScreen =
        double(shown.doc.cache().published() - before) /
        double(std::max<std::uint64_t>(1, screens));
}
BENCHMARK(BM_ScrollOneScreen)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_JumpAboutWithTheLoader(benchmark::State& state) {
    const int metres = static_cast<int>(state.range(0));
    Shown shown(true);
    if (!shown.open(state, fixture().first.at(metres), 0))
        return;
    // The process's peak resident size from here on (Linux keeps it; writing 5 resets it).
    std::ofstream("/proc/self/clear_refs") << "5";
    int step = 0;
    for (auto _ : state) {
        // Places spread over the borehole, each shown and decoded around by the loader.
        shown.view.scrollToPosition((step++ * 7919) % (ScrollRange + 1));
        shown.compose();
        shown.doc.waitUntilLoaderIdle();
    }
    Figures& f = figures[metres];
    f.peakBytes = shown.doc.cache().peakBytes();
    f.budget = shown.doc.cache().budget();
    f.peakResidentKb = peakResidentKb();
}
BENCHMARK(BM_JumpAboutWithTheLoader)->Arg(1000)->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (!zarn::bench::initialise(argc, argv, false))
        return 1;
    fixture(); // the pictures are made before any timing
    for (const int metres : Lengths)
        benchmark::RegisterBenchmark(openName(metres).c_str(), openToFirstScreen, metres)
            ->Unit(benchmark::kMillisecond);
    zarn::bench::CpuTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nOpen to the first screen (goal <= 200 ms, the same for every length):\n");
    double shortest = 0;
    for (const int metres : Lengths) {
        const double ms = reporter.time(openName(metres));
        if (shortest == 0)
            shortest = ms;
        std::printf("  %5d m (%3zu pictures): %7.1f ms  ratio to the goal %.2f, to 10 m %.2f\n",
                    metres,
                    static_cast<std::size_t>(std::distance(
                        fs::directory_iterator(fixture().root / std::to_string(metres)),
                        fs::directory_iterator())),
                    ms, ms / 200.0, shortest > 0 ? ms / shortest : 0.0);
    }
    const Figures& f = figures[1000];
    std::printf("Scrolling one screen of 1000 m: %.2f bands decoded a screen (%d rows a band, "
                "%d a screen)\n",
                f.bandsPerScreen, BandRows, ScreenHeight);
    std::printf("Jumping about 1000 m with the loader: decoded pieces peak %.0f MB of a %.0f MB "
                "budget (ratio %.2f); the process's peak resident size meanwhile %.0f MB\n",
                f.peakBytes / 1048576.0, f.budget / 1048576.0,
                f.budget ? double(f.peakBytes) / double(f.budget) : 0.0, f.peakResidentKb / 1024.0);
    benchmark::Shutdown();
    return 0;
}
