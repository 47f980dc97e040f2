// What the benchmark programs share: their default repetitions, a console reporter that keeps
// each benchmark's processor time per iteration (the machine may be shared, so wall time would
// count other programs' turns): the median of the repetitions when there are several, otherwise
// the single run; the run of a program that prints its figures beside their reference; and the
// reference of the exports that read a log: sequential reads of its data files.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace zarn::bench {

// Initialises Google Benchmark with five repetitions reported as aggregates unless the command
// line says otherwise (interleaved at random when asked, so that both sides of a ratio meet the
// same load). False when the command line holds an unknown argument.
inline bool initialise(int argc, char** argv, bool interleave) {
    static std::string repetitions = "--benchmark_repetitions=5";
    static std::string interleaving = "--benchmark_enable_random_interleaving=true";
    static std::string aggregates = "--benchmark_report_aggregates_only=true";
    static std::vector<char*> args;
    args.assign(argv, argv + argc);
    bool given = false;
    for (int i = 1; i < argc; ++i)
        given = given || std::string(argv[i]).starts_with("--benchmark_repetitions");
    if (!given) {
        args.push_back(repetitions.data());
        if (interleave)
            args.push_back(interleaving.data());
        args.push_back(aggregates.data());
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    return !benchmark::ReportUnrecognizedArguments(count, args.data());
}

class CpuTimeReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const std::string& name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians_[name] = run.GetAdjustedCPUTime();
            else if (run.run_type == Run::RT_Iteration)
                singles_[name] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // Time per iteration in the benchmark's own unit, or 0 when it did not run.
    double time(const std::string& name) const {
        if (const auto m = medians_.find(name); m != medians_.end())
            return m->second;
        const auto s = singles_.find(name);
        return s != singles_.end() ? s->second : 0.0;
    }

private:
    std::map<std::string, double> medians_;
    std::map<std::string, double> singles_;
};

// Initialises, prepares what the benchmarks time (the log is made before any timing), runs them
// and hands their times to report, which prints the figures beside their reference.
template <class Prepare, class Report>
int runBenchmarks(int argc, char** argv, bool interleave, Prepare&& prepare, Report&& report) {
    if (!initialise(argc, argv, interleave))
        return 1;
    prepare();
    CpuTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    report(reporter);
    benchmark::Shutdown();
    return 0;
}

// A benchmark's time beside its reference's, the ratio and its goal, as one line when both ran:
// "what: T ms (S s for 1000 m), against R ms; ratio Q (goal <= G)". metres: the length of the log
// timed, for the time of a 1000 m hole (0: it is 1000 m, or no log).
struct Comparison {
    const char* ours;      // the benchmark's name
    const char* reference; // the reference's name
    std::string what;      // "LAS export of 200 m at 1 cm"
    std::string against;   // "two sequential reads of its .lox files"
    double goal = 1;
    double metres = 0;
};

// Prints the comparison; the figures: false when one of them did not run.
inline bool printComparison(const CpuTimeReporter& reporter, const Comparison& c) {
    const double ours = reporter.time(c.ours);
    const double reference = reporter.time(c.reference);
    if (!(ours > 0 && reference > 0))
        return false;
    std::printf("\n%s: %.1f ms", c.what.c_str(), ours);
    if (c.metres > 0 && c.metres != 1000)
        std::printf(" (%.2f s for 1000 m)", ours * 1000 / c.metres / 1000);
    std::printf(", %s %.1f ms; ratio %.2f (goal <= %.1f)\n", c.against.c_str(), reference,
                ours / reference, c.goal);
    return true;
}

// runBenchmarks for a program that compares one benchmark with its reference.
template <class Prepare>
int runComparison(int argc, char** argv, Prepare&& prepare, const Comparison& comparison) {
    return runBenchmarks(argc, argv, true, prepare, [&](const CpuTimeReporter& reporter) {
        printComparison(reporter, comparison);
    });
}

// The floor of an export that reads a log: `passes` reads of its data files from the first byte
// to the last, in pieces of 1 MB copied into the program.
inline void sequentialReads(benchmark::State& state,
                            const std::vector<std::filesystem::path>& files, int passes) {
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        std::size_t total = 0;
        for (int pass = 0; pass < passes; ++pass)
            for (const std::filesystem::path& file : files) {
                const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
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

} // namespace zarn::bench
