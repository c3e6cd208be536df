// SPDX-License-Identifier: MIT
// The spell text check against the index build, over one generated text
// (150 MB; --check_bench_mb=N to change) in a scratch directory on /dev/shm
// (the system temporary directory without it), removed at exit.
//
//   BM_BuildIndex         BuildIndexIn, nothing watching: the baseline
//   BM_BuildIndexChecked  BuildIndexIn with a SpellChecker watching, keeping
//                         the first warnings as the window does
//   BM_Check              CheckSpellFile: the parse and the check, no index
//
// Medians of 5 repetitions unless --benchmark_repetitions says otherwise;
// the summary gives each one's MB/s and its speed relative to the build,
// in real time and in the CPU time of the benchmark's thread.

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <benchmark/benchmark.h>

#include "GenerateSpellText.h"
#include "IndexBuilder.h"
#include "ScratchDir.h"
#include "SpellCheck.h"
#include "StatusMessage.h"

namespace {

struct Text {
    std::string dir;  // ends in '/'
    GeneratedText info;
};

Text g_text;

bool MakeText(std::size_t megabytes, const ScratchDir& scratch) {
    g_text.dir = scratch.prefix();

    SpellTextOptions options;
    options.targetBytes = megabytes * 1000 * 1000;
    std::string error;
    if (!WriteSpellTextFile(g_text.dir + "wizard.txt", options, &g_text.info, &error)) {
        std::fprintf(stderr, "check_bench: %s\n", error.c_str());
        return false;
    }
    // The check must see the text the build sees.
    const CheckResult check = CheckSpellFile(g_text.dir, "wizard");
    if (!check.ok() || check.nSpells != g_text.info.entries.size()) {
        std::fprintf(stderr, "check_bench: the check found %zu spells of %zu\n", check.nSpells,
                     g_text.info.entries.size());
        return false;
    }
    std::fprintf(stderr, "check_bench: %.1f MB, %zu spells, %zu diagnostics (%zu warnings)\n",
                 static_cast<double>(g_text.info.bytes) / 1e6, check.nSpells,
                 check.counts.nWarnings + check.counts.nNotes, check.counts.nWarnings);
    return true;
}

void SetBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(g_text.info.bytes));
}

void BM_BuildIndex(benchmark::State& state) {
    for (auto _ : state) {
        const BuildResult result = BuildIndexIn(g_text.dir, "wizard", 1);
        if (!result.ok())
            state.SkipWithError(StatusMessage(result.status).c_str());
        benchmark::DoNotOptimize(result.nRecords);
    }
    SetBytes(state);
}

void BM_BuildIndexChecked(benchmark::State& state) {
    for (auto _ : state) {
        KeptWarnings found;  // as the window keeps them
        SpellChecker checker(&found);
        const BuildResult result = BuildIndexIn(g_text.dir, "wizard", 1, &checker);
        if (!result.ok())
            state.SkipWithError(StatusMessage(result.status).c_str());
        benchmark::DoNotOptimize(checker.Finish().nWarnings);
    }
    SetBytes(state);
}

void BM_Check(benchmark::State& state) {
    for (auto _ : state) {
        const CheckResult result = CheckSpellFile(g_text.dir, "wizard");
        if (!result.ok())
            state.SkipWithError(StatusMessage(result.status).c_str());
        benchmark::DoNotOptimize(result.diagnostics.size());
    }
    SetBytes(state);
}

struct Median {
    double real = 0;  // ms
    double cpu = 0;   // ms of this thread, so less of the other loads of a busy machine
};

// The console output, and the medians of each benchmark.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.aggregate_name == "median")
                medians[run.run_name.function_name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, Median> medians;
};

}  // namespace

int main(int argc, char** argv) {
    std::size_t megabytes = 150;
    std::vector<char*> args = {argv[0], const_cast<char*>("--benchmark_repetitions=5"),
                               const_cast<char*>("--benchmark_report_aggregates_only=true")};
    for (int i = 1; i < argc; ++i) {
        constexpr std::string_view kMb = "--check_bench_mb=";
        if (std::string_view(argv[i]).starts_with(kMb))
            megabytes = std::strtoul(argv[i] + kMb.size(), nullptr, 10);
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()) || megabytes == 0)
        return 1;
    const ScratchDir scratch("spells-check-bench", ScratchDir::Place::kMemory);
    if (!MakeText(megabytes, scratch))
        return 1;

    const auto ms = benchmark::kMillisecond;
    benchmark::RegisterBenchmark("BM_BuildIndex", BM_BuildIndex)->Unit(ms)->UseRealTime();
    benchmark::RegisterBenchmark("BM_BuildIndexChecked", BM_BuildIndexChecked)->Unit(ms)->UseRealTime();
    benchmark::RegisterBenchmark("BM_Check", BM_Check)->Unit(ms)->UseRealTime();
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto build = reporter.medians.find("BM_BuildIndex");
    if (build == reporter.medians.end() || build->second.real <= 0 || build->second.cpu <= 0)
        return 0;
    const double mb = static_cast<double>(g_text.info.bytes) / 1e6;
    std::printf("\nmedians over %.1f MB        real time                        CPU time\n", mb);
    for (const auto& [name, median] : reporter.medians)
        std::printf("  %-22s %7.1f ms %7.1f MB/s %5.2f x build   %7.1f ms %5.2f x build\n", name.c_str(),
                    median.real, mb * 1e3 / median.real, build->second.real / median.real, median.cpu,
                    build->second.cpu / median.cpu);
    return 0;
}
