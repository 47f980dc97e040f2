// The reader's packet framing and the dispatcher on a large stream, read in pieces of at most 24
// bytes as the live reader reads the device, with the decoders replaced by counters. The stream
// (over 100 MB) is made in memory by a small generator of valid packets: mostly full data frames
// with video payloads of 200 to 1500 bytes, some 16-byte and 20-byte frames.
//
// The line itself brings about 31 KB/s; offline replays of captures go through the same code, so
// the goal is 100 MB/s on one core. After the runs the program prints the rate of framing and
// dispatch, its ratio to that goal, and the heap allocations per packet (the goal is none).
#include "acquisition/link/FrameDispatcher.h"
#include "acquisition/link/PacketFramer.h"
#include "acquisition/stream/FrameLayout.h"
#include "platform/Shared.h"

#include "bench/BenchSupport.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <string>
#include <vector>

// The replaced operator new takes its memory from malloc, so the replaced operator delete frees
// it there; g++ cannot see that pairing through the replacement and warns.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {

std::atomic<std::uint64_t> allocations{0};

} // namespace

// Counts every heap allocation of the program, to show that the measured path makes none.
void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr double GoalMBs = 100.0;
constexpr std::size_t StreamBytes = 100u * 1024u * 1024u; // 104.9 MB

void put16(Bytes& f, std::size_t at, unsigned v) {
    f[at] = static_cast<std::uint8_t>(v & 0xFF);
    f[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

unsigned sumOf(const Bytes& f, std::size_t from, std::size_t to) {
    unsigned s = 0;
    for (std::size_t i = from; i < to; ++i)
        s += f[i];
    return s & 0xFFFF;
}

struct Stream {
    Bytes bytes;
    std::size_t packets = 0;
};

// Valid packets with consecutive counters; every frame passes all checks of the dispatcher.
Stream makeStream() {
    Stream s;
    s.bytes.reserve(StreamBytes + 2000);
    std::uint32_t random = 12345;
    auto next = [&] {
        random = random * 1664525u + 1013904223u;
        return random >> 8;
    };
    std::uint32_t picture = 1;
    Bytes frame;
    while (s.bytes.size() < StreamBytes) {
        const std::size_t kind = s.packets % 50;
        std::size_t n = 0;
        if (kind == 7 || kind == 29)
            n = 16;
        else if (kind == 41)
            n = 20;
        else
            n = 56 + 200 + next() % 1301;
        frame.assign(n, 0);
        for (std::size_t i = 0; i < n; ++i)
            frame[i] = static_cast<std::uint8_t>(next());
        frame[0] = 0; // the logger is not busy, no alarm bits
        if (n >= 56) {
            frame[22] = 0x90; // image mode: a compressed picture
            frame[23] = static_cast<std::uint8_t>(s.packets);
            if (s.packets % 30 == 0)
                ++picture;
            for (int i = 0; i < 4; ++i)
                frame[28 + i] = static_cast<std::uint8_t>(picture >> (8 * i));
            put16(frame, 47, sumOf(frame, 13, 47));
            put16(frame, n - 7, sumOf(frame, 49, n - 7));
            frame[n - 3] = 0x01;
        }
        put16(frame, n - 2, sumOf(frame, 0, n - 2));
        const std::size_t length = n + 8;
        const std::uint8_t header[7] = {0x55,
                                        0xAA,
                                        0x5A,
                                        0xA5,
                                        static_cast<std::uint8_t>(s.packets),
                                        static_cast<std::uint8_t>(length & 0xFF),
                                        static_cast<std::uint8_t>(length >> 8)};
        s.bytes.insert(s.bytes.end(), header, header + 7);
        s.bytes.insert(s.bytes.end(), frame.begin(), frame.end());
        s.bytes.push_back(0x99);
        ++s.packets;
    }
    return s;
}

const Stream& stream() {
    static const Stream s = makeStream();
    return s;
}

// The decoders, replaced by counters.
class CountingDecoder final : public zarn::FrameDecoder {
public:
    bool DecodeShortFrame(std::span<const std::uint8_t> f) override { return count(f); }
    bool DecodeStatusFrame(std::span<const std::uint8_t> f) override { return count(f); }
    int DecodeFullFrame(std::span<const std::uint8_t> f, bool) override { return count(f) ? 1 : 0; }
    bool DecodePacketHeader(std::span<const std::uint8_t>) override { return true; }
    std::uint8_t sondeAlarmByte() const override { return 0; }
    double lastDepth() const override { return 0.0; }
    std::uint64_t frames = 0;
    std::uint64_t bytes = 0;

private:
    bool count(std::span<const std::uint8_t> f) {
        ++frames;
        bytes += f.size();
        return true;
    }
};

// Counts the frames the framing hands on, without dispatching them.
class CountingHandler final : public zarn::FrameHandler {
public:
    void frameReady(std::span<const std::uint8_t> f) override {
        ++frames;
        bytes += f.size();
    }
    std::uint64_t frames = 0;
    std::uint64_t bytes = 0;
};

std::uint64_t packetsPerRun = 0;
std::uint64_t allocationsPerRun = 0;

void setRate(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream().bytes.size()));
}

void BM_FramingAndDispatch(benchmark::State& state) {
    const Stream& s = stream();
    zarn::DiagnosticLogs logs("/nonexistent-zarn-bench");
    zarn::Shared<zarn::Configuration> configuration;
    zarn::ConfigurationAccess access = [&](const std::function<void(zarn::Configuration&)>& edit) {
        configuration.modify(edit);
    };
    zarn::LinkFlags flags;
    zarn::TransmissionStatistics statistics;
    std::atomic<int> linkState{0};
    zarn::MessageBus bus; // nobody listens: posts are dropped as to a closed window
    CountingDecoder decoder;
    zarn::FrameDispatcher dispatcher(flags, statistics, linkState, access, logs, bus);
    dispatcher.setDecoder(&decoder);
    auto framer = std::make_unique<zarn::PacketFramer>(dispatcher);
    for (auto _ : state) {
        decoder.frames = 0;
        const std::uint64_t before = allocations.load();
        framer->feed(s.bytes);
        allocationsPerRun = allocations.load() - before;
        packetsPerRun = decoder.frames;
        benchmark::DoNotOptimize(decoder.bytes);
    }
    if (decoder.frames != s.packets || statistics.lostFrames.load() != 0)
        state.SkipWithError("not every frame came through");
    setRate(state);
}
BENCHMARK(BM_FramingAndDispatch)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FramingOnly(benchmark::State& state) {
    const Stream& s = stream();
    CountingHandler handler;
    auto framer = std::make_unique<zarn::PacketFramer>(handler);
    for (auto _ : state) {
        handler.frames = 0;
        framer->feed(s.bytes);
        benchmark::DoNotOptimize(handler.bytes);
    }
    if (handler.frames != s.packets)
        state.SkipWithError("not every frame came through");
    setRate(state);
}
BENCHMARK(BM_FramingOnly)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    if (!zarn::bench::initialise(argc, argv, false))
        return 1;
    const Stream& s = stream();
    zarn::bench::CpuTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double megabytes = static_cast<double>(s.bytes.size()) / 1e6;
    std::printf("\nStream: %.1f MB in %zu packets, read in pieces of at most 24 bytes\n", megabytes,
                s.packets);
    const double full = reporter.time("BM_FramingAndDispatch");
    const double framing = reporter.time("BM_FramingOnly");
    if (framing > 0)
        std::printf("framing only:          %8.1f MB/s\n", megabytes / (framing / 1000.0));
    if (full <= 0) {
        std::printf("framing and dispatch did not run (check --benchmark_filter)\n");
        return 0;
    }
    const double rate = megabytes / (full / 1000.0);
    std::printf("framing and dispatch:  %8.1f MB/s CPU, ratio to the %.0f MB/s goal: %.2f (%s)\n",
                rate, GoalMBs, rate / GoalMBs, rate >= GoalMBs ? "met" : "NOT met");
    std::printf("heap allocations per packet: %.4f (%llu in the last pass of %llu packets)\n",
                packetsPerRun ? double(allocationsPerRun) / double(packetsPerRun) : 0.0,
                static_cast<unsigned long long>(allocationsPerRun),
                static_cast<unsigned long long>(packetsPerRun));
    return 0;
}
