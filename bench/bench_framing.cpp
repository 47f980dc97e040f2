// The reader's packet framing and the dispatcher on a large stream, read in pieces of at most 24
// bytes as the live reader reads the device, with the decoders replaced by counters.
//
// The stream (over 100 MB) is what the simulated logger sends, made in-process by sim::Logger in
// model time as fast as it can: a borehole logged down at 2 m/min with the sonde powered, one
// full data frame per picture in the default camera settings (mode 16, 720 pixels per row,
// about 1.6 KB a packet). Every minute of model time the operator switches the sonde off and on
// again, so the 20-byte status frames and the 16-byte frames of the power sequence come in
// between. A few packets are damaged on the way (a lost byte, a flipped bit, a cut packet: a
// dozen in all); the rest is clean. Making the stream takes a minute or two (progress on
// stderr) and is not measured.
//
// The line itself brings about 31 KB/s; offline replays of captures go through the same code, so
// the goal is 100 MB/s on one core. After the runs the program prints the rate of framing and
// dispatch, its ratio to that goal, and the heap allocations per packet (the goal is none).
#include "acquisition/app/SettingsRecords.h"
#include "acquisition/link/CommandFrames.h"
#include "acquisition/link/FrameDispatcher.h"
#include "acquisition/link/PacketFramer.h"
#include "platform/Shared.h"
#include "sim/Logger.h"
#include "sim/SimulatorSettings.h"

#include "bench/AllocationCounter.h"
#include "bench/BenchSupport.h"

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

using Bytes = std::vector<std::uint8_t>;

constexpr double GoalMBs = 100.0;
constexpr std::size_t StreamBytes = 100u * 1024u * 1024u; // 104.9 MB
// Model seconds between two power cycles of the sonde.
constexpr double PowerCyclePeriod = 60.0;

// The simulated logger: the sonde on from the start, a long way down, frames as fast as they are
// made; a few damaged packets spread over the stream (USB packets numbered from 1).
const char* const SimulatorIni = "[Device]\n"
                                 "FastMode = yes\n"
                                 "Seed = 17\n"
                                 "[Sonde]\n"
                                 "Powered = yes\n"
                                 "[Winch]\n"
                                 "StartDepth = 10\n"
                                 "EndDepth = 400\n"
                                 "Speed = 2\n"
                                 "[Faults]\n"
                                 "LostBytesAt = 4001, 19002, 33003, 47004\n"
                                 "FlippedBitsAt = 8005, 23006, 37007, 51008\n"
                                 "CutPacketsAt = 12009, 27010, 41011, 53012\n";

struct Stream {
    Bytes bytes;
    std::size_t packets = 0;      // USB packets on the stream
    std::size_t fullFrames = 0;   // of which full data frames,
    std::size_t statusFrames = 0; // 20-byte status frames
    std::size_t shortFrames = 0;  // and 16-byte frames
    std::size_t damaged = 0;      // packets damaged on purpose
    double modelSeconds = 0;
    double depth = 0; // m, the logger's counter at the end
};

std::vector<std::uint8_t> bytesOf(const zarn::CommandFrame& f) {
    return {f.bytes.begin(), f.bytes.begin() + static_cast<std::ptrdiff_t>(f.length)};
}

// The simulated logger's packets, one after the other as they reach the chip.
Stream makeStream() {
    Stream s;
    s.bytes.reserve(StreamBytes + 16384);
    zarn::sim::Logger logger(zarn::sim::SimulatorSettings::parse(SimulatorIni));
    // The program's winch settings first, as its power-on sequence sends them.
    zarn::Configuration program;
    if (const auto f1 = zarn::CommandFrames::F1(program.logger, program.program))
        logger.receive(bytesOf(*f1), 0);
    const std::vector<std::uint8_t> f0 = bytesOf(zarn::CommandFrames::F0(program.logger));
    const std::vector<std::uint8_t> f11 =
        bytesOf(zarn::CommandFrames::F11(program.logger, program.surface));

    double t = 0;
    double nextCycle = PowerCyclePeriod;
    bool switchOnNext = false;
    std::size_t reported = 0;
    while (s.bytes.size() < StreamBytes) {
        if (switchOnNext) {
            // One status frame of the shutdown went out: the sonde goes on again.
            logger.receive(f11, t);
            switchOnNext = false;
        } else if (t >= nextCycle) {
            logger.receive(f0, t);
            nextCycle += PowerCyclePeriod;
            switchOnNext = true;
        }
        const zarn::sim::ProducedFrame f = logger.produce(t);
        t += f.periodSeconds;
        if (f.packet.empty())
            continue;
        s.bytes.insert(s.bytes.end(), f.packet.begin(), f.packet.end());
        ++s.packets;
        switch (f.kind) {
        case zarn::sim::FrameKind::Status:
            ++s.statusFrames;
            break;
        case zarn::sim::FrameKind::Short:
            ++s.shortFrames;
            break;
        default:
            ++s.fullFrames;
            break;
        }
        if (s.bytes.size() >= reported + 10'000'000) {
            reported = s.bytes.size();
            std::fprintf(stderr, "\rmaking the stream with the simulated logger: %5.1f of %.1f MB",
                         static_cast<double>(reported) / 1e6, StreamBytes / 1e6);
        }
    }
    std::fprintf(stderr, "\n");
    const zarn::sim::FaultCounts& faults = logger.faults().counts();
    s.damaged = faults.lostBytes + faults.flippedBits + faults.cutPackets;
    s.modelSeconds = t;
    s.depth = logger.counterDepth(t);
    return s;
}

// A damaged packet costs at most itself and, when its damage hides the next packet's start, the
// packet after it; every other packet comes through.
bool everyCleanFrameCameThrough(const Stream& s, std::uint64_t frames) {
    return frames <= s.packets && frames + 2 * s.damaged >= s.packets;
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
        const std::uint64_t before = heapAllocations.load();
        framer->feed(s.bytes);
        allocationsPerRun = heapAllocations.load() - before;
        packetsPerRun = decoder.frames;
        benchmark::DoNotOptimize(decoder.bytes);
    }
    if (!everyCleanFrameCameThrough(s, decoder.frames))
        state.SkipWithError("not every clean frame came through");
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
    if (!everyCleanFrameCameThrough(s, handler.frames))
        state.SkipWithError("not every clean frame came through");
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
    std::printf("\nStream: %.1f MB in %zu packets from the simulated logger (%zu full data frames, "
                "%zu status frames, %zu 16-byte frames, %zu damaged; %.0f s of logging to %.1f m), "
                "read in pieces of at most 24 bytes\n",
                megabytes, s.packets, s.fullFrames, s.statusFrames, s.shortFrames, s.damaged,
                s.modelSeconds, s.depth);
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
