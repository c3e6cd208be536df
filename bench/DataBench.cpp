// Benchmarks of the spell data library.
//
// At startup the program generates its own spell texts (100 MiB each,
// change with --spells_bench_mb=N) in /dev/shm/spells-bench-<pid> (the
// system temporary directory when /dev/shm is missing), checks that the
// index builder finds every generated entry, runs the benchmarks and
// removes the directory again, also on SIGINT, SIGTERM and SIGHUP.
//
// Figures, as medians of 5 repetitions by default (pass
// --benchmark_repetitions=N to change; later flags win):
//   BM_LineScanFloor   read(2) in 64 KiB blocks + memchr per line: the floor
//   BM_GetlineScan     std::getline over std::ifstream, for reference
//   BM_LineReaderScan  LineReader::ReadLine over the whole text
//   BM_ParseOnly       ParseSpell over the whole text, nothing written
//   BM_BuildIndex      BuildIndex(), index written beside the text
//   BM_ReadDescription ReadDescriptionText() latency
// A summary at the end gives MB/s (10^6 bytes) and BuildIndex time / floor
// time, from the medians and from N alternating floor/BuildIndex pairs timed
// after the benchmarks (--spells_bench_pairs=N, default 11, 0 for none).

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

#include "DescriptionReader.h"
#include "GenerateSpellText.h"
#include "IndexBuilder.h"
#include "IndexReader.h"
#include "LineReader.h"
#include "SpellFiles.h"
#include "SpellRecord.h"
#include "SpellText.h"

namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// Scratch directory, removed at exit and on a signal.

// Set before any handler is installed and never changed afterwards.
char g_scratchRoot[4096] = {};

// Removes `name` under `parentFd` and everything in it, `depth` directory
// levels deep at most, using only async-signal-safe calls.
void RemoveTree(int parentFd, const char* name, int depth) {
    const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        alignas(8) char buffer[8192];
        for (;;) {
            const ssize_t n = ::getdents64(fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            int removed = 0;
            for (ssize_t at = 0; at < n;) {
                const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
                at += entry->d_reclen;
                const char* child = entry->d_name;
                if (std::strcmp(child, ".") == 0 || std::strcmp(child, "..") == 0)
                    continue;
                if (entry->d_type == DT_DIR && depth > 0) {
                    RemoveTree(fd, child, depth - 1);
                    ++removed;
                } else if (::unlinkat(fd, child, 0) == 0) {
                    ++removed;
                }
            }
            if (removed == 0)
                break;
            ::lseek(fd, 0, SEEK_SET);  // removing while listing may skip names
        }
        ::close(fd);
    }
    ::unlinkat(parentFd, name, AT_REMOVEDIR);
}

void RemoveScratch() {
    if (g_scratchRoot[0] != '\0')
        RemoveTree(AT_FDCWD, g_scratchRoot, 3);
}

extern "C" void OnSignal(int sig) {
    RemoveScratch();
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

// Creates the scratch directory and arranges its removal.
bool CreateScratch(std::string& root) {
    std::error_code ec;
    fs::path base = "/dev/shm";
    if (!fs::is_directory(base, ec) || ::access(base.c_str(), W_OK) != 0)
        base = fs::temp_directory_path(ec);
    const std::string path = (base / ("spells-bench-" + std::to_string(::getpid()))).string();
    if (path.size() >= sizeof g_scratchRoot) {
        std::fprintf(stderr, "data_bench: scratch path too long: %s\n", path.c_str());
        return false;
    }
    if (::mkdir(path.c_str(), 0700) != 0) {
        std::fprintf(stderr, "data_bench: cannot create %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    std::memcpy(g_scratchRoot, path.c_str(), path.size() + 1);
    std::atexit(RemoveScratch);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP})
        std::signal(sig, OnSignal);
    root = path;
    return true;
}

// ---------------------------------------------------------------------------
// The generated texts.

struct TextFile {
    std::string label;       // "lf", "crlf", ...
    std::string dir;         // data directory, ending in '/'
    std::string spellClass;  // "wizard" or "priest"
    std::string path;        // dir + spellClass + ".txt"
    GeneratedText info;

    std::string IndexFile() const { return dir + spellClass + ".idx"; }
};

struct Corpus {
    TextFile lf, crlf, priest, small, longText;
    int64_t middleOffset = 0;  // a description in the middle of lf, from its index
    std::size_t middleBytes = 0;
    std::vector<std::pair<int64_t, std::size_t>> randomDescriptions;  // offset, bytes
    // Descriptions of about 100 KB in longText: lines of 80-400 bytes, and one line.
    std::size_t longLinesEntry = 0, longOneLineEntry = 0;
};

Corpus g_corpus;

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

bool Generate(const std::string& root, const std::string& label, std::string_view spellClass,
              const SpellTextOptions& options, TextFile& out) {
    out.label = label;
    out.dir = root + "/" + label + "/";
    out.spellClass = std::string(spellClass);
    out.path = out.dir + out.spellClass + ".txt";
    if (::mkdir(out.dir.c_str(), 0700) != 0) {
        std::fprintf(stderr, "data_bench: cannot create %s: %s\n", out.dir.c_str(), std::strerror(errno));
        return false;
    }
    const auto t0 = std::chrono::steady_clock::now();
    std::string error;
    if (!WriteSpellTextFile(out.path, options, &out.info, &error)) {
        std::fprintf(stderr, "data_bench: %s\n", error.c_str());
        return false;
    }
    const double s = Seconds(std::chrono::steady_clock::now() - t0);
    const auto& info = out.info;
    std::fprintf(stderr, "data_bench: %-6s %s: %.1f MB, %zu entries (%.0f bytes each), %zu lines, %.2f s\n",
                 label.c_str(), out.path.c_str(), static_cast<double>(info.bytes) / 1e6,
                 info.entries.size(), static_cast<double>(info.bytes) / static_cast<double>(info.entries.size()),
                 info.lines, s);
    return true;
}

// Builds the text's index once and checks that it holds exactly the
// generated entries, at their offsets and levels.
bool Verify(const TextFile& text) {
    g_strDataDir = text.dir;
    g_nLevel = 1;
    const BuildResult built = BuildIndex(text.spellClass);
    if (!built.ok()) {
        std::fprintf(stderr, "data_bench: BuildIndex(%s): %s\n", text.path.c_str(), built.strMessage.c_str());
        return false;
    }
    const auto& entries = text.info.entries;
    if (built.nRecords != entries.size()) {
        std::fprintf(stderr, "data_bench: %s: %zu records indexed, %zu generated\n", text.path.c_str(),
                     built.nRecords, entries.size());
        return false;
    }
    IndexReader index;
    if (!index.Open(text.IndexFile())) {
        std::fprintf(stderr, "data_bench: cannot open %s\n", text.IndexFile().c_str());
        return false;
    }
    SpellRecord record;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!index.Next(record)) {
            std::fprintf(stderr, "data_bench: %s: index ends at record %zu\n", text.path.c_str(), i);
            return false;
        }
        if (record.nTextOffset != entries[i].descriptionOffset || record.nLevel != entries[i].level) {
            std::fprintf(stderr,
                         "data_bench: %s: record %zu has offset %d level %d, generated %lld level %d\n",
                         text.path.c_str(), i, record.nTextOffset, record.nLevel,
                         static_cast<long long>(entries[i].descriptionOffset), entries[i].level);
            return false;
        }
    }
    return true;
}

// Checks one description read against what was generated.
bool CheckDescription(const std::string& path, int64_t offset, std::size_t bytes) {
    const DescriptionResult d = ReadDescriptionText(path, offset);
    if (!d.ok() || d.strText.size() != bytes) {
        std::fprintf(stderr, "data_bench: %s at %lld: %zu description bytes, generated %zu\n", path.c_str(),
                     static_cast<long long>(offset), d.strText.size(), bytes);
        return false;
    }
    return true;
}

bool SetUpCorpus(std::size_t megabytes) {
    std::string root;
    if (!CreateScratch(root))
        return false;
    Corpus& c = g_corpus;
    const std::size_t big = megabytes * 1024 * 1024;

    SpellTextOptions wizard;
    wizard.targetBytes = big;
    SpellTextOptions wizardCrlf = wizard;  // the same text with CR LF line ends
    wizardCrlf.crlf = true;
    SpellTextOptions priest;
    priest.seed = wizard.seed + 1;
    priest.targetBytes = big;
    priest.priest = true;
    priest.levels = 7;
    SpellTextOptions small;  // about the size of a real class file
    small.seed = wizard.seed + 2;
    small.targetBytes = std::size_t{24} * 1024;
    constexpr std::size_t kLongBytes = std::size_t{100} * 1024;
    SpellTextOptions longText;
    longText.seed = wizard.seed + 3;
    longText.targetBytes = std::size_t{32} * 1024;
    c.longLinesEntry = 5;
    c.longOneLineEntry = 11;
    longText.longDescriptions = {{c.longLinesEntry, kLongBytes, false}, {c.longOneLineEntry, kLongBytes, true}};

    if (!Generate(root, "lf", "wizard", wizard, c.lf) || !Generate(root, "crlf", "wizard", wizardCrlf, c.crlf) ||
        !Generate(root, "priest", "priest", priest, c.priest) || !Generate(root, "small", "wizard", small, c.small) ||
        !Generate(root, "long", "wizard", longText, c.longText))
        return false;
    for (const TextFile* t : {&c.lf, &c.crlf, &c.priest, &c.small, &c.longText})
        if (!Verify(*t))
            return false;

    // A typical description: the middle record of the big index.
    const auto& entries = c.lf.info.entries;
    const std::size_t middle = entries.size() / 2;
    const auto record = ReadRecordAt(c.lf.IndexFile(), static_cast<int64_t>(middle * kRecordSize));
    if (!record.ok()) {
        std::fprintf(stderr, "data_bench: cannot read record %zu of %s\n", middle, c.lf.IndexFile().c_str());
        return false;
    }
    c.middleOffset = record.record.nTextOffset;
    c.middleBytes = entries[middle].descriptionBytes;
    // Descriptions all over the big text, in a fixed pseudo-random order.
    uint64_t x = 0x9E3779B97F4A7C15ULL;
    for (int i = 0; i < 4096; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        const auto& e = entries[x % entries.size()];
        c.randomDescriptions.emplace_back(e.descriptionOffset, e.descriptionBytes);
    }

    const auto& le = c.longText.info.entries;
    const auto& se = c.small.info.entries;
    if (!CheckDescription(c.lf.path, c.middleOffset, c.middleBytes) ||
        !CheckDescription(c.small.path, se[se.size() / 2].descriptionOffset, se[se.size() / 2].descriptionBytes) ||
        !CheckDescription(c.longText.path, le[c.longLinesEntry].descriptionOffset,
                          le[c.longLinesEntry].descriptionBytes) ||
        !CheckDescription(c.longText.path, le[c.longOneLineEntry].descriptionOffset,
                          le[c.longOneLineEntry].descriptionBytes))
        return false;
    return true;
}

// ---------------------------------------------------------------------------
// Benchmarks.

constexpr std::size_t kBlock = std::size_t{64} * 1024;

void SetBytes(benchmark::State& state, const TextFile& text) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.info.bytes));
}

// The floor: read(2) in 64 KiB blocks, memchr for every line end. Lines
// counted, or -1 when the file cannot be opened.
int64_t ScanLines(const std::string& path, std::vector<char>& buffer) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    int64_t lines = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n <= 0)
            break;
        const char* p = buffer.data();
        const char* const end = p + n;
        while (const auto* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) {
            ++lines;
            p = nl + 1;
        }
    }
    ::close(fd);
    return lines;
}

void BM_LineScanFloor(benchmark::State& state, const TextFile* text) {
    std::vector<char> buffer(kBlock);
    int64_t lines = 0;
    for (auto _ : state) {
        lines = ScanLines(text->path, buffer);
        if (lines < 0) {
            state.SkipWithError("cannot open the text");
            break;
        }
        benchmark::DoNotOptimize(lines);
    }
    SetBytes(state, *text);
    state.counters["lines"] = static_cast<double>(lines);
}

void BM_GetlineScan(benchmark::State& state, const TextFile* text) {
    std::string line;
    std::size_t lines = 0;
    for (auto _ : state) {
        std::ifstream in(text->path, std::ios::binary);
        if (!in) {
            state.SkipWithError("cannot open the text");
            break;
        }
        lines = 0;
        while (std::getline(in, line))
            ++lines;
        benchmark::DoNotOptimize(lines);
    }
    SetBytes(state, *text);
    state.counters["lines"] = static_cast<double>(lines);
}

void BM_LineReaderScan(benchmark::State& state, const TextFile* text) {
    std::size_t lines = 0;
    for (auto _ : state) {
        LineReader reader;
        if (!reader.Open(text->path)) {
            state.SkipWithError("cannot open the text");
            break;
        }
        lines = 0;
        std::string_view line;
        while (reader.ReadLine(line))
            ++lines;
        benchmark::DoNotOptimize(lines);
    }
    SetBytes(state, *text);
    state.counters["lines"] = static_cast<double>(lines);
}

// BuildIndex's loop without the index: LineReader + ParseSpell.
void BM_ParseOnly(benchmark::State& state, const TextFile* text) {
    const bool bPriest = text->spellClass == "priest";
    std::size_t count = 0;
    for (auto _ : state) {
        LineReader reader;
        if (!reader.Open(text->path)) {
            state.SkipWithError("cannot open the text");
            break;
        }
        g_nLevel = 1;
        SpellRecord record;
        ClearRecord(record);
        count = 0;
        for (;;) {
            const ParseResult result = ParseSpell(reader, record, bPriest);
            if (result == ParseResult::kReadError) {
                state.SkipWithError("read error");
                break;
            }
            if (result == ParseResult::kEnd)
                break;
            benchmark::DoNotOptimize(record);
            ++count;
            if (result == ParseResult::kLastEntry)
                break;
            ClearRecord(record);
        }
    }
    SetBytes(state, *text);
    state.counters["records"] = static_cast<double>(count);
}

void BM_BuildIndex(benchmark::State& state, const TextFile* text) {
    g_strDataDir = text->dir;
    std::size_t records = 0;
    for (auto _ : state) {
        g_nLevel = 1;
        const BuildResult result = BuildIndex(text->spellClass);
        if (!result.ok()) {
            state.SkipWithError(result.strMessage.c_str());
            break;
        }
        records = result.nRecords;
    }
    if (records != text->info.entries.size() && !state.error_occurred())
        state.SkipWithError("wrong record count");
    SetBytes(state, *text);
    state.counters["records"] = static_cast<double>(records);
}

void BM_ReadDescription(benchmark::State& state, const std::string* path, int64_t offset, std::size_t bytes) {
    for (auto _ : state) {
        DescriptionResult d = ReadDescriptionText(*path, offset);
        if (!d.ok() || d.strText.size() != bytes) {
            state.SkipWithError("wrong description");
            break;
        }
        benchmark::DoNotOptimize(d.strText.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_ReadDescriptionRandom(benchmark::State& state) {
    const auto& list = g_corpus.randomDescriptions;
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& [offset, bytes] = list[i];
        i = (i + 1) % list.size();
        DescriptionResult d = ReadDescriptionText(g_corpus.lf.path, offset);
        if (!d.ok() || d.strText.size() != bytes) {
            state.SkipWithError("wrong description");
            break;
        }
        benchmark::DoNotOptimize(d.strText.data());
    }
}

// Benchmarks whose time is compared with a floor benchmark in the summary.
struct Comparison {
    std::string name;
    std::string floor;
};
std::vector<std::string> g_order;
std::vector<Comparison> g_comparisons;

template <typename... Args>
benchmark::internal::Benchmark* Register(const std::string& name, Args&&... args) {
    g_order.push_back(name);
    return benchmark::RegisterBenchmark(name.c_str(), std::forward<Args>(args)...)->UseRealTime();
}

void RegisterAll() {
    Corpus& c = g_corpus;
    const auto ms = benchmark::kMillisecond;
    const auto us = benchmark::kMicrosecond;

    Register("BM_LineScanFloor/lf", BM_LineScanFloor, &c.lf)->Unit(ms);
    Register("BM_LineScanFloor/crlf", BM_LineScanFloor, &c.crlf)->Unit(ms);
    Register("BM_LineScanFloor/priest", BM_LineScanFloor, &c.priest)->Unit(ms);
    Register("BM_GetlineScan/lf", BM_GetlineScan, &c.lf)->Unit(ms);
    Register("BM_GetlineScan/crlf", BM_GetlineScan, &c.crlf)->Unit(ms);
    Register("BM_LineReaderScan/lf", BM_LineReaderScan, &c.lf)->Unit(ms);
    Register("BM_LineReaderScan/crlf", BM_LineReaderScan, &c.crlf)->Unit(ms);
    Register("BM_ParseOnly/lf", BM_ParseOnly, &c.lf)->Unit(ms);
    Register("BM_BuildIndex/wizard_lf", BM_BuildIndex, &c.lf)->Unit(ms);
    Register("BM_BuildIndex/wizard_crlf", BM_BuildIndex, &c.crlf)->Unit(ms);
    Register("BM_BuildIndex/priest_lf", BM_BuildIndex, &c.priest)->Unit(ms);

    // Offsets and sizes are known only after the corpus exists: the
    // lambdas read them when they run.
    Register("BM_ReadDescription/middle_of_big_text", [](benchmark::State& s) {
        BM_ReadDescription(s, &g_corpus.lf.path, g_corpus.middleOffset, g_corpus.middleBytes);
    })->Unit(us);
    Register("BM_ReadDescription/random_of_big_text", BM_ReadDescriptionRandom)->Unit(us);
    Register("BM_ReadDescription/small_file", [](benchmark::State& s) {
        const auto& e = g_corpus.small.info.entries[g_corpus.small.info.entries.size() / 2];
        BM_ReadDescription(s, &g_corpus.small.path, e.descriptionOffset, e.descriptionBytes);
    })->Unit(us);
    Register("BM_ReadDescription/100KB_lines", [](benchmark::State& s) {
        const auto& e = g_corpus.longText.info.entries[g_corpus.longLinesEntry];
        BM_ReadDescription(s, &g_corpus.longText.path, e.descriptionOffset, e.descriptionBytes);
    })->Unit(us);
    Register("BM_ReadDescription/100KB_one_line", [](benchmark::State& s) {
        const auto& e = g_corpus.longText.info.entries[g_corpus.longOneLineEntry];
        BM_ReadDescription(s, &g_corpus.longText.path, e.descriptionOffset, e.descriptionBytes);
    })->Unit(us);

    g_comparisons = {
        {"BM_GetlineScan/lf", "BM_LineScanFloor/lf"},
        {"BM_GetlineScan/crlf", "BM_LineScanFloor/crlf"},
        {"BM_LineReaderScan/lf", "BM_LineScanFloor/lf"},
        {"BM_LineReaderScan/crlf", "BM_LineScanFloor/crlf"},
        {"BM_ParseOnly/lf", "BM_LineScanFloor/lf"},
        {"BM_BuildIndex/wizard_lf", "BM_LineScanFloor/lf"},
        {"BM_BuildIndex/wizard_crlf", "BM_LineScanFloor/crlf"},
        {"BM_BuildIndex/priest_lf", "BM_LineScanFloor/priest"},
    };
}

// ---------------------------------------------------------------------------
// Paired measurement: on a busy machine the floor and BuildIndex benchmarks
// run minutes apart under different loads. Timing them alternately, pair
// by pair, and taking the median of the per-pair ratios cancels most of it.

// CPU time of the calling thread, system time included. (getrusage()
// counts in clock ticks on some kernels, too coarse for a 3 ms scan.)
double ThreadCpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// A ratio's verdict against the 2.0x target, judged on the figure as
// printed (two decimals).
const char* Verdict(double ratio) {
    return std::round(ratio * 100) <= 200 ? "ok" : "OVER";
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void PrintPairedRatio(const TextFile& text, int pairs, std::FILE* out) {
    std::vector<char> buffer(kBlock);
    std::vector<double> realRatios, cpuRatios, floorReal, buildReal;
    g_strDataDir = text.dir;
    for (int i = 0; i < pairs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        const double c0 = ThreadCpuSeconds();
        const int64_t lines = ScanLines(text.path, buffer);
        const auto t1 = std::chrono::steady_clock::now();
        const double c1 = ThreadCpuSeconds();
        g_nLevel = 1;
        const BuildResult built = BuildIndex(text.spellClass);
        const auto t2 = std::chrono::steady_clock::now();
        const double c2 = ThreadCpuSeconds();
        if (lines < 0 || !built.ok()) {
            std::fprintf(out, "paired measurement failed: %s\n", built.strMessage.c_str());
            return;
        }
        floorReal.push_back(Seconds(t1 - t0));
        buildReal.push_back(Seconds(t2 - t1));
        realRatios.push_back(Seconds(t2 - t1) / Seconds(t1 - t0));
        cpuRatios.push_back((c2 - c1) / (c1 - c0));
    }
    const double mb = static_cast<double>(text.info.bytes) / 1e6;
    std::fprintf(out,
                 "BuildIndex / floor, %d alternating pairs (%s): median ratio %.2fx real, %.2fx CPU "
                 "(target: at most 2.0x) %s; medians %.0f MB/s floor, %.0f MB/s BuildIndex\n",
                 pairs, text.label.c_str(), Median(realRatios), Median(cpuRatios),
                 Verdict(Median(realRatios)), mb / Median(floorReal), mb / Median(buildReal));
}

// ---------------------------------------------------------------------------
// Reporting: the usual console output, plus the medians kept for a summary.

class SummaryReporter : public benchmark::BenchmarkReporter {
public:
    // Passes everything on to `display` and keeps the medians.
    explicit SummaryReporter(std::unique_ptr<BenchmarkReporter> display) : display_(std::move(display)) {}

    bool ReportContext(const Context& context) override { return display_->ReportContext(context); }

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (!median && !single)
                continue;
            Figure& f = figures_[run.run_name.function_name];
            f.seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            f.cpuSeconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            f.unit = run.time_unit;
            const auto bytes = run.counters.find("bytes_per_second");
            f.bytesPerSecond = bytes == run.counters.end() ? 0.0 : bytes->second.value;
            f.median = median;
        }
        display_->ReportRuns(runs);
    }

    void Finalize() override { display_->Finalize(); }

    bool Has(const std::string& name) const { return figures_.count(name) != 0; }

    void PrintSummary(std::FILE* out) const {
        if (figures_.empty())
            return;
        // On a busy machine real time includes time spent waiting for a CPU;
        // the thread's CPU time does not, so both are shown.
        std::fprintf(out, "\nSummary (%s; MB = 10^6 bytes; ratios to the floor of the same text)\n",
                     figures_.begin()->second.median ? "medians" : "single runs");
        std::fprintf(out, "  %-36s %13s %13s %9s %12s %11s\n", "", "real", "CPU", "MB/s", "real ratio",
                     "CPU ratio");
        for (const std::string& name : g_order) {
            const auto it = figures_.find(name);
            if (it == figures_.end())
                continue;
            const Figure& f = it->second;
            const double m = benchmark::GetTimeUnitMultiplier(f.unit);
            const char* unit = benchmark::GetTimeUnitString(f.unit);
            std::fprintf(out, "  %-36s %10.3f %-2s %10.3f %-2s", name.c_str(), f.seconds * m, unit,
                         f.cpuSeconds * m, unit);
            if (f.bytesPerSecond > 0)
                std::fprintf(out, " %9.0f", f.bytesPerSecond / 1e6);
            for (const Comparison& cmp : g_comparisons) {
                if (cmp.name != name)
                    continue;
                const auto floor = figures_.find(cmp.floor);
                if (floor != figures_.end() && floor->second.seconds > 0 && floor->second.cpuSeconds > 0)
                    std::fprintf(out, " %11.2fx %10.2fx", f.seconds / floor->second.seconds,
                                 f.cpuSeconds / floor->second.cpuSeconds);
            }
            std::fprintf(out, "\n");
        }
        const auto build = figures_.find("BM_BuildIndex/wizard_lf");
        const auto floor = figures_.find("BM_LineScanFloor/lf");
        if (build != figures_.end() && floor != figures_.end() && floor->second.seconds > 0) {
            const double ratio = build->second.seconds / floor->second.seconds;
            const double cpuRatio = floor->second.cpuSeconds > 0 ? build->second.cpuSeconds / floor->second.cpuSeconds : 0;
            std::fprintf(out, "BuildIndex / floor (wizard, LF): %.2fx real, %.2fx CPU (target: at most 2.0x) %s\n",
                         ratio, cpuRatio, Verdict(ratio));
        }
        std::fflush(out);
    }

private:
    struct Figure {
        double seconds = 0;
        double cpuSeconds = 0;  // CPU time of the benchmark thread, system time included
        double bytesPerSecond = 0;
        benchmark::TimeUnit unit = benchmark::kNanosecond;
        bool median = false;
    };
    std::unique_ptr<BenchmarkReporter> display_;
    std::map<std::string, Figure> figures_;
};

// The value of `--name=value` (the last one given), or of a bare `--name`
// as "true"; `fallback` when absent.
std::string FlagValue(int argc, char** argv, std::string_view name, std::string fallback) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == name)
            fallback = "true";
        else if (arg.starts_with(name) && arg.size() > name.size() && arg[name.size()] == '=')
            fallback = std::string(arg.substr(name.size() + 1));
    }
    return fallback;
}

bool IsFalse(const std::string& value) {
    return value == "false" || value == "no" || value == "0" || value == "f" || value == "n";
}

}  // namespace

int main(int argc, char** argv) {
    // Read before Initialize(), which removes the flags it knows.
    const bool listOnly = !IsFalse(FlagValue(argc, argv, "--benchmark_list_tests", "false"));
    const std::string format = FlagValue(argc, argv, "--benchmark_format", "console");
    const std::string colorFlag = FlagValue(argc, argv, "--benchmark_color", "auto");
    const bool color = colorFlag == "auto" ? ::isatty(STDOUT_FILENO) != 0 : !IsFalse(colorFlag);

    // Defaults first, so that the user's own flags win.
    static char repetitions[] = "--benchmark_repetitions=5";
    static char aggregatesOnly[] = "--benchmark_report_aggregates_only=true";
    std::vector<char*> args = {argv[0], repetitions, aggregatesOnly};
    std::size_t megabytes = 100;
    int pairs = 11;
    constexpr std::string_view kSizeFlag = "--spells_bench_mb=";
    constexpr std::string_view kPairsFlag = "--spells_bench_pairs=";
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.starts_with(kSizeFlag)) {
            megabytes = std::strtoull(argv[i] + kSizeFlag.size(), nullptr, 10);
            if (megabytes == 0 || megabytes > 1900) {  // index offsets stop at 2 GiB
                std::fprintf(stderr, "data_bench: %s: want 1 to 1900 megabytes\n", argv[i]);
                return 1;
            }
        } else if (arg.starts_with(kPairsFlag)) {
            pairs = std::atoi(argv[i] + kPairsFlag.size());
        } else {
            args.push_back(argv[i]);
        }
    }
    args.push_back(nullptr);
    int count = static_cast<int>(args.size()) - 1;
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;

    RegisterAll();
    if (!listOnly && !SetUpCorpus(megabytes)) {
        RemoveScratch();
        return 1;
    }

    if (format == "console" || format == "json") {
        std::unique_ptr<benchmark::BenchmarkReporter> display;
        if (format == "json")
            display = std::make_unique<benchmark::JSONReporter>();
        else
            display = std::make_unique<benchmark::ConsoleReporter>(color ? benchmark::ConsoleReporter::OO_Color
                                                                         : benchmark::ConsoleReporter::OO_None);
        SummaryReporter reporter(std::move(display));
        benchmark::RunSpecifiedBenchmarks(&reporter);
        std::fflush(stdout);
        // Beside JSON on stdout the summary goes to stderr.
        std::FILE* out = format == "json" ? stderr : stdout;
        reporter.PrintSummary(out);
        if (pairs > 0 && reporter.Has("BM_BuildIndex/wizard_lf"))
            PrintPairedRatio(g_corpus.lf, pairs, out);
    } else {
        benchmark::RunSpecifiedBenchmarks();  // other formats: no summary
    }
    benchmark::Shutdown();
    RemoveScratch();
    return 0;
}
