// SPDX-License-Identifier: MIT
// Benchmarks of the spell data library over generated spell texts.
//
// The texts are generated at the first benchmark that needs them, in a
// scratch directory under /dev/shm that is removed at exit: a wizard text
// of SPELLS_BENCH_MB megabytes (environment, default 150) with LF line ends
// (text:0), the same with CR LF (text:1), a priest text of that size
// (text:2), and a small text with two descriptions of 100 KB. Each big
// text is built once and checked against what was generated.
//
//   LineScanFloor    read(2) in 64 KiB blocks + memchr per line: the floor
//   LineReaderScan   LineReader::ReadLine over the whole text
//   ParseOnly        ParseSpells over the whole text, records kept nowhere
//   BuildIndex       BuildIndexIn: the text to a synced index beside it
//   BuildVsFloor     the floors and BuildIndex in turn, each iteration; the
//                    counters are the ratios of their times, which a busy
//                    machine disturbs less than separate runs: build/scan
//                    to the line scan, build/floor to the line scan plus
//                    writing, syncing and renaming an index of the same
//                    size in place of the old one (what no build avoids)
//   ReadDescription  ReadDescriptionFromPath latency (arg: which description)
//
// Run with --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// for medians; --benchmark_format=json (or csv) for machine-readable output.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include <benchmark/benchmark.h>

#include "DescriptionReader.h"
#include "GenerateSpellText.h"
#include "IndexBuilder.h"
#include "IndexReader.h"
#include "LineReader.h"
#include "ReplacementFile.h"
#include "ScratchDir.h"
#include "SpellFiles.h"
#include "StatusMessage.h"

namespace {

struct TextFile {
    std::string label;
    std::string spellClass;  // also the file's name: <class>.txt
    std::string path;
    GeneratedText info;
};

enum Text { kWizardLf, kWizardCrlf, kPriest, kLongDescriptions, kTextCount };
enum Description { kMiddle, kRandom, kLongLines, kLongOneLine };

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "data_bench: %s\n", what.c_str());
    std::exit(1);
}

// The generated texts, made once per run.
class Corpus {
public:
    Corpus() {
        const char* megabytes = std::getenv("SPELLS_BENCH_MB");
        const std::size_t big = (megabytes ? std::strtoull(megabytes, nullptr, 10) : 150) * 1'000'000;
        SpellTextOptions wizard;
        wizard.targetBytes = big;
        SpellTextOptions crlf = wizard;
        crlf.crlf = true;
        SpellTextOptions priest;
        priest.seed = wizard.seed + 1;
        priest.targetBytes = big;
        priest.priest = true;
        priest.levels = 7;
        SpellTextOptions longDescriptions;
        longDescriptions.seed = wizard.seed + 3;
        longDescriptions.targetBytes = 32 * 1024;
        longDescriptions.longDescriptions = {{5, 100 * 1024, false}, {11, 100 * 1024, true}};

        Add("wizard LF", "wizard", wizard);
        Add("wizard CR LF", "crlf", crlf);
        Add("priest LF", "priest", priest);
        Add("100 KB descriptions", "long", longDescriptions);
        for (const TextFile& text : texts_)
            Check(text);
    }

    const std::string& Dir() const { return prefix_; }
    const TextFile& Get(int64_t which) const { return texts_.at(static_cast<std::size_t>(which)); }

    // Offset and length of a description of the first text.
    const GeneratedEntry& Entry(Description which, std::size_t iteration) const {
        const auto& entries = texts_[kWizardLf].info.entries;
        switch (which) {
        case kMiddle: return entries[entries.size() / 2];
        case kRandom: return entries[(iteration * 2654435761u) % entries.size()];
        case kLongLines: return texts_[kLongDescriptions].info.entries[5];
        case kLongOneLine: return texts_[kLongDescriptions].info.entries[11];
        }
        return entries.front();
    }

private:
    void Add(const char* label, const char* spellClass, const SpellTextOptions& options) {
        TextFile text{label, spellClass, TextPath(prefix_, spellClass), {}};
        std::string error;
        if (!WriteSpellTextFile(text.path, options, &text.info, &error))
            Fail(error);
        texts_.push_back(std::move(text));
    }

    // The build finds every generated entry at its offset.
    void Check(const TextFile& text) const {
        const BuildResult built = BuildIndexIn(prefix_, text.spellClass, 1);
        if (!built.ok() || built.nRecords != text.info.entries.size())
            Fail(text.path + ": " + std::to_string(built.nRecords) + " records indexed, " +
                 std::to_string(text.info.entries.size()) + " generated " +
                 StatusMessage(built.status, FileNaming::kName));
        const std::size_t middle = built.nRecords / 2;
        const RecordResult record =
            ReadRecordAt(IndexPath(prefix_, text.spellClass), static_cast<int64_t>(middle * kRecordSize));
        if (!record.ok() || record.record.nTextOffset != text.info.entries[middle].descriptionOffset)
            Fail(text.path + ": record " + std::to_string(middle) + " is not the generated entry");
    }

    ScratchDir dir_{"spells-bench", ScratchDir::Place::kMemory};
    std::string prefix_ = dir_.prefix();
    std::vector<TextFile> texts_;
};

const Corpus& TheCorpus() {
    static const Corpus corpus;
    return corpus;
}

// Lines in the file: read(2) in 64 KiB blocks and memchr, nothing more.
int64_t ScanLines(const std::string& path, std::vector<char>& buffer) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    int64_t lines = 0;
    for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) {
        const char* p = buffer.data();
        const char* const end = p + n;
        while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))))) {
            ++lines;
            ++p;
        }
    }
    ::close(fd);
    return lines;
}

struct Discard final : RecordSink {
    void Put(const SpellRecord& record) override { benchmark::DoNotOptimize(&record); }
};

// Benchmarks over one text, chosen by the first argument.
class TextBench : public benchmark::Fixture {
public:
    void SetUp(const benchmark::State& state) override { text = &TheCorpus().Get(state.range(0)); }

protected:
    void Finish(benchmark::State& state) const {
        state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text->info.bytes));
        state.SetLabel(text->label);
    }
    const TextFile* text = nullptr;
};

BENCHMARK_DEFINE_F(TextBench, LineScanFloor)(benchmark::State& state) {
    std::vector<char> buffer(64 * 1024);
    for (auto _ : state)
        benchmark::DoNotOptimize(ScanLines(text->path, buffer));
    Finish(state);
}

BENCHMARK_DEFINE_F(TextBench, LineReaderScan)(benchmark::State& state) {
    for (auto _ : state) {
        LineReader reader;
        reader.Open(text->path);
        std::string_view line;
        while (reader.ReadLine(line))
            benchmark::DoNotOptimize(line.data());
    }
    Finish(state);
}

BENCHMARK_DEFINE_F(TextBench, ParseOnly)(benchmark::State& state) {
    for (auto _ : state) {
        LineReader reader;
        reader.Open(text->path);
        Discard sink;
        benchmark::DoNotOptimize(ParseSpells(reader, text->spellClass == "priest", 1, sink));
    }
    Finish(state);
}

BENCHMARK_DEFINE_F(TextBench, BuildIndex)(benchmark::State& state) {
    for (auto _ : state)
        if (!BuildIndexIn(TheCorpus().Dir(), text->spellClass, 1).ok())
            state.SkipWithError("build failed");
    Finish(state);
}

// Writes `bytes` zero bytes as the new index of the text's class, in
// blocks as the builder writes them, and renames it over the old one.
bool WriteIndexOfSize(const TextFile& text, std::size_t bytes, const std::vector<uint8_t>& block) {
    ReplacementFile file;
    if (!file.Create(TheCorpus().Dir(), text.spellClass + std::string(kIndexExtension)))
        return false;
    for (std::size_t left = bytes; left > 0;) {
        const std::size_t n = std::min(left, block.size());
        if (::write(file.fd(), block.data(), n) != static_cast<ssize_t>(n))
            return false;
        left -= n;
    }
    return file.Commit();
}

BENCHMARK_DEFINE_F(TextBench, BuildVsFloor)(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    std::vector<char> buffer(64 * 1024);
    const std::vector<uint8_t> block(152 * kRecordSize);
    const std::size_t indexBytes = text->info.entries.size() * kRecordSize;
    Clock::duration scan{}, write{}, build{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(ScanLines(text->path, buffer));
        const auto t1 = Clock::now();
        if (!WriteIndexOfSize(*text, indexBytes, block))
            state.SkipWithError("index write failed");
        const auto t2 = Clock::now();
        if (!BuildIndexIn(TheCorpus().Dir(), text->spellClass, 1).ok())
            state.SkipWithError("build failed");
        const auto t3 = Clock::now();
        scan += t1 - t0;
        write += t2 - t1;
        build += t3 - t2;
    }
    using Seconds = std::chrono::duration<double>;
    state.counters["build/scan"] = Seconds(build) / Seconds(scan);
    state.counters["build/floor"] = Seconds(build) / Seconds(scan + write);
    state.SetLabel(text->label);
}

void BM_ReadDescription(benchmark::State& state) {
    const Corpus& corpus = TheCorpus();
    const auto which = static_cast<Description>(state.range(0));
    const TextFile& text = corpus.Get(which == kLongLines || which == kLongOneLine ? kLongDescriptions : kWizardLf);
    std::size_t i = 0;
    for (auto _ : state) {
        const GeneratedEntry& entry = corpus.Entry(which, i++);
        const DescriptionResult d = ReadDescriptionFromPath(text.path, entry.descriptionOffset);
        if (d.strText.size() != entry.descriptionBytes)
            state.SkipWithError("wrong description");
        benchmark::DoNotOptimize(d.strText.data());
    }
    static const char* const kLabels[] = {"middle of the big text", "random in the big text",
                                          "100 KB in lines", "100 KB in one line"};
    state.SetLabel(kLabels[which]);
}

constexpr auto kMs = benchmark::kMillisecond;
BENCHMARK_REGISTER_F(TextBench, LineScanFloor)->ArgName("text")->DenseRange(kWizardLf, kPriest)->Unit(kMs);
BENCHMARK_REGISTER_F(TextBench, LineReaderScan)->ArgName("text")->DenseRange(kWizardLf, kWizardCrlf)->Unit(kMs);
BENCHMARK_REGISTER_F(TextBench, ParseOnly)->ArgName("text")->Arg(kWizardLf)->Unit(kMs);
BENCHMARK_REGISTER_F(TextBench, BuildIndex)->ArgName("text")->DenseRange(kWizardLf, kPriest)->Unit(kMs);
BENCHMARK_REGISTER_F(TextBench, BuildVsFloor)->ArgName("text")->DenseRange(kWizardLf, kPriest)->Unit(kMs);
BENCHMARK(BM_ReadDescription)->ArgName("which")->DenseRange(kMiddle, kLongOneLine)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
