// SPDX-License-Identifier: MIT
// Search benchmarks, each next to a plain scan of the same bytes in the
// same run: field search over the real list model (100,000 and 1,000,000
// rows) against memmem over the row texts; description search over a
// generated spell text of at least 150 MB against read+memmem of the file
// (UTF-8 ASCII, UTF-8 Cyrillic and Windows-1251 Cyrillic; and a desc:
// term), and over a text
// edited so that no description ends; and the longest
// stall of the GUI thread while a query is typed into the find bar over
// 100,000 and a million rows.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <time.h>
#include <string.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>

#include "BenchIndex.h"
#include "CFindBar.h"
#include "CSpellListDlg.h"
#include "GenerateSpellText.h"
#include "Globals.h"
#include "IndexBuilder.h"
#include "IndexReader.h"
#include "SpellFiles.h"
#include "SpellListModel.h"
#include "SpellSearch.h"
#include "StatusMessage.h"
#include "UiBenchSupport.h"

namespace {

// Some Cyrillic in the rows: "щит" (shield).
constexpr std::string_view kCyrillicShield = "\xD0\xA9\xD0\xB8\xD1\x82";

// The real list model loaded with `rows` records, and the same rows' field
// texts side by side for the plain scan.
struct LoadedList {
    std::unique_ptr<SpellListModel> model;
    std::string rowTexts;
};

LoadedList& List(int64_t rows) {
    static std::map<int64_t, LoadedList> lists;
    LoadedList& list = lists[rows];
    if (list.model)
        return list;
    list.model = std::make_unique<SpellListModel>();
    list.model->BeginLoad(static_cast<std::size_t>(rows));
    uint32_t state = 12345;
    for (int64_t i = 0; i < rows; ++i) {
        const SpellRecord r = MakeBenchRecord(state, i, BenchRecords::kSearch);
        list.model->AppendRecord(r, i * static_cast<int64_t>(kRecordSize));
        for (int field = 0; field < kFieldCount; ++field)
            list.rowTexts += RecordFieldText(r, field) + '\0';
    }
    list.model->FinishLoad();
    return list;
}

std::size_t CountMemmem(std::string_view haystack, std::string_view needle) {
    std::size_t hits = 0;
    for (const char* p = haystack.data(), *end = p + haystack.size();;) {
        const void* hit = ::memmem(p, static_cast<std::size_t>(end - p), needle.data(), needle.size());
        if (!hit)
            return hits;
        ++hits;
        p = static_cast<const char*>(hit) + needle.size();
    }
}

const std::map<int, std::string> kFieldQueries = {
    {0, "lantern bolt"},                           // two ASCII terms
    {1, std::string(kCyrillicShield)},             // one Cyrillic term (upper-case Щ, folded)
    {2, "name:lantern -name:bolt"},                // a field term leads, an exclusion checks its rows
    {3, "\"lantern of\" -range:\"5 yds\""},          // a phrase and an excluded field phrase
    {4, "-comp:m"},                                // no term leads: every row's components as items
    {5, "level:3-5 save:1/2"},                    // a level range and a field term
    {6, "level:2-4 -comp:m"},                     // no term leads: levels and components of every row
};

// A query over the loaded list, its result shown by the model.
void BM_FieldSearch(benchmark::State& state) {
    LoadedList& list = List(state.range(0));
    const auto index = list.model->IndexSlot()->Get();
    const SpellQuery query = MakeQuery(kFieldQueries.at(static_cast<int>(state.range(1))), {}, {}, false);
    std::size_t matches = 0;
    for (auto _ : state) {
        SearchResult result = FindSpells(*index, query, {});
        matches = result.rows.size();
        list.model->SetFilter(std::move(result.rows));
    }
    list.model->ClearFilter();
    state.counters["matches"] = static_cast<double>(matches);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(list.rowTexts.size()));
}

// memmem over the same row texts for the query's longest term, as typed.
void BM_FieldMemmem(benchmark::State& state) {
    LoadedList& list = List(state.range(0));
    const std::string needle = state.range(1) == 0 ? "Lantern" : std::string(kCyrillicShield);
    std::size_t hits = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(hits = CountMemmem(list.rowTexts, needle));
    state.counters["hits"] = static_cast<double>(hits);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(list.rowTexts.size()));
}

// What a load adds for searching: the search index of the loaded rows.
void BM_SearchIndexBuild(benchmark::State& state) {
    const std::string_view texts = List(state.range(0)).rowTexts;
    for (auto _ : state) {
        SpellSearchIndex index;
        index.Reserve(static_cast<std::size_t>(state.range(0)));
        std::array<std::string_view, kFieldCount> fields;
        std::size_t field = 0;
        for (std::size_t pos = 0; pos < texts.size();) {
            const std::size_t end = texts.find('\0', pos);
            fields[field++] = texts.substr(pos, end - pos);
            pos = end + 1;
            if (field == fields.size()) {
                index.AddRow(fields, 0);
                field = 0;
            }
        }
        benchmark::DoNotOptimize(index.TextBytes());
    }
}

// ---- Descriptions -----------------------------------------------------------

constexpr std::size_t kTextBytes = std::size_t{160} << 20;

// Rewrites the generated text with Cyrillic words in place of some English
// ones, in UTF-8 or Windows-1251 (where the text's few other non-ASCII
// characters become ASCII).
void WriteCyrillic(const std::string& from, const std::string& to, bool cp1251) {
    struct Swap {
        std::string_view english, utf8, win1251;
    };
    static const Swap kSwaps[] = {
        {"fire", "\xD0\xBE\xD0\xB3\xD0\xBE\xD0\xBD\xD1\x8C", "\xEE\xE3\xEE\xED\xFC"},  // огонь
        {"the ", "\xD0\xB8 ", "\xE8 "},
        {"caster", "\xD0\x9C\xD0\xB0\xD0\xB3", "\xCC\xE0\xE3"},  // Маг
        {"creature", "\xD1\x81\xD1\x83\xD1\x89\xD0\xB5\xD1\x81\xD1\x82\xD0\xB2\xD0\xBE",
         "\xF1\xF3\xF9\xE5\xF1\xF2\xE2\xEE"},                    // существо
        {"light", "\xD1\x81\xD0\xB2\xD0\xB5\xD1\x82", "\xF1\xE2\xE5\xF2"},  // свет
        {"\xE2\x80\x94", "\xE2\x80\x94", "-"},
        {"\xC3\xA9", "\xC3\xA9", "e"}, {"\xC3\xB4", "\xC3\xB4", "o"}, {"\xC3\xAF", "\xC3\xAF", "i"},
        {"\xC2\xBD", "\xC2\xBD", "1/2"}, {"\xC3\xA7", "\xC3\xA7", "c"},
    };
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    std::string line;
    std::string converted;
    while (std::getline(in, line)) {
        converted.clear();
        for (std::size_t i = 0; i < line.size();) {
            const Swap* swap = nullptr;
            for (const Swap& s : kSwaps)
                if (std::string_view(line).substr(i, s.english.size()) == s.english) {
                    swap = &s;
                    break;
                }
            if (swap) {
                converted += cp1251 ? swap->win1251 : swap->utf8;
                i += swap->english.size();
            } else {
                converted += line[i++];
            }
        }
        out << converted << '\n';
    }
}

struct TextList {
    std::string spellClass;
    std::string textPath;
    std::size_t textBytes = 0;
    SpellSearchIndex index;
};

// 0: UTF-8 (ASCII with a few accented words), 1: UTF-8 Cyrillic,
// 2: Windows-1251 Cyrillic.
TextList& Text(int kind) {
    static std::map<int, TextList> texts;
    TextList& text = texts[kind];
    if (!text.textPath.empty())
        return text;
    const std::string base = BenchDataDir() + "text0.txt";
    if (!std::filesystem::exists(base)) {
        SpellTextOptions options;
        options.targetBytes = kTextBytes;
        std::string error;
        if (!WriteSpellTextFile(base, options, nullptr, &error))
            std::fprintf(stderr, "can't write %s\n", error.c_str());
    }
    text.spellClass = "text" + std::to_string(kind);
    text.textPath = BenchDataDir() + text.spellClass + ".txt";
    if (kind != 0)
        WriteCyrillic(base, text.textPath, kind == 2);
    g_strDataDir = BenchDataDir();
    g_nLevel = 1;
    const BuildResult built = BuildIndex(text.spellClass);
    if (!built.ok())
        std::fprintf(stderr, "%s\n", StatusMessage(built.status, FileNaming::kName).c_str());
    IndexReader reader;
    reader.Open(IndexPath(text.spellClass));
    text.index.Reserve(static_cast<std::size_t>(reader.RecordCount()));
    SpellRecord record;
    while (reader.Next(record))
        text.index.AddRecord(record);
    text.textBytes = std::filesystem::file_size(text.textPath);
    return text;
}

// The term searched in each kind of text: "pyre" (ASCII), "ОГОНЬ" (Cyrillic).
std::string Term(int kind) {
    return kind == 0 ? "pyre" : "\xD0\x9E\xD0\x93\xD0\x9E\xD0\x9D\xD0\xAC";
}
// The same term as the file holds it, for the plain scan.
std::string FileTerm(int kind) {
    switch (kind) {
    case 0: return "pyre";
    case 1: return "\xD0\xBE\xD0\xB3\xD0\xBE\xD0\xBD\xD1\x8C";
    default: return "\xEE\xE3\xEE\xED\xFC";
    }
}

// Runs `query` over the rows and descriptions of `text`; counts the matches.
void SearchDescriptions(benchmark::State& state, const TextList& text, const SpellQuery& query) {
    std::size_t matches = 0;
    for (auto _ : state) {
        const SearchResult result = FindSpells(text.index, query, text.textPath);
        if (!result.ok())
            state.SkipWithError(result.strMessage.c_str());
        matches = result.rows.size();
    }
    state.counters["matches"] = static_cast<double>(matches);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.textBytes));
}

void BM_DescriptionSearch(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    TextList& text = Text(kind);
    SearchDescriptions(state, text, MakeQuery(Term(kind), {}, {}, true));
    state.counters["rows"] = static_cast<double>(text.index.RowCount());
    state.counters["MB"] = static_cast<double>(text.textBytes) / 1e6;
}

// The same search over a list of a million rows whose descriptions are the
// UTF-8 text's, each shared by several rows, as the latency probe's list:
// the search alone, without the window's work on its result.
void BM_DescriptionSearchMillionRows(benchmark::State& state) {
    static const TextList many = [] {
        TextList list;
        const TextList& text = Text(0);
        list.textPath = text.textPath;
        list.textBytes = text.textBytes;
        std::vector<int32_t> offsets;
        IndexReader reader;
        reader.Open(IndexPath(BenchDataDir(), text.spellClass));
        SpellRecord record;
        while (reader.Next(record))
            offsets.push_back(record.nTextOffset);
        uint32_t seed = 12345;
        list.index.Reserve(1'000'000);
        for (int64_t i = 0; i < 1'000'000 && !offsets.empty(); ++i) {
            SpellRecord r = MakeBenchRecord(seed, i, BenchRecords::kSearch);
            r.nTextOffset = offsets[static_cast<std::size_t>(i) % offsets.size()];
            list.index.AddRecord(r);
        }
        return list;
    }();
    SearchDescriptions(state, many, MakeQuery(Term(0), {}, {}, true));
    state.counters["rows"] = static_cast<double>(many.index.RowCount());
}

// A desc: term over the UTF-8 text, "Descriptions too" unchecked, beside
// BM_DescriptionSearch/0 (the same term with the box checked).
void BM_DescriptionFieldTerm(benchmark::State& state) {
    SearchDescriptions(state, Text(0), MakeQuery("desc:" + Term(0), {}, {}, false));
}

// read() in 1 MiB blocks and memmem over each, with the overlap a match
// across two blocks needs.
void BM_DescriptionReadMemmem(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    TextList& text = Text(kind);
    const std::string needle = FileTerm(kind);
    std::vector<char> buffer(std::size_t{1} << 20);
    std::size_t hits = 0;
    for (auto _ : state) {
        hits = 0;
        const int fd = ::open(text.textPath.c_str(), O_RDONLY | O_CLOEXEC);
        std::size_t kept = 0;
        for (;;) {
            const ssize_t n = ::read(fd, buffer.data() + kept, buffer.size() - kept);
            if (n <= 0)
                break;
            const std::size_t have = kept + static_cast<std::size_t>(n);
            hits += CountMemmem(std::string_view(buffer.data(), have), needle);
            kept = std::min(have, needle.size() - 1);
            std::memmove(buffer.data(), buffer.data() + have - kept, kept);
        }
        ::close(fd);
        benchmark::DoNotOptimize(hits);
    }
    state.counters["hits"] = static_cast<double>(hits);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.textBytes));
}

// A text of 10 MB edited after indexing so that no description ends (its
// blank lines removed), searched for a term it does not hold, with every
// tenth of its spells listed: each description is read as far as the
// details would show it, no further. `text_MB_read` counts what was read.
void BM_EditedTextDescriptionSearch(benchmark::State& state) {
    static SpellSearchIndex index;
    static std::string textPath;
    if (textPath.empty()) {
        const std::string original = BenchDataDir() + "edited-original.txt";
        SpellTextOptions options;
        options.targetBytes = std::size_t{10} << 20;
        std::string error;
        if (!WriteSpellTextFile(original, options, nullptr, &error))
            std::fprintf(stderr, "can't write %s\n", error.c_str());
        textPath = BenchDataDir() + "edited.txt";
        std::filesystem::copy_file(original, textPath, std::filesystem::copy_options::overwrite_existing);
        g_strDataDir = BenchDataDir();
        g_nLevel = 1;
        if (const BuildResult built = BuildIndex("edited"); !built.ok())
            std::fprintf(stderr, "%s\n", StatusMessage(built.status, FileNaming::kName).c_str());
        IndexReader reader;
        reader.Open(IndexPath("edited"));
        SpellRecord record;
        for (int64_t i = 0; reader.Next(record); ++i)
            if (i % 10 == 0)
                index.AddRecord(record);
        std::ifstream in(original, std::ios::binary);
        std::ofstream out(textPath, std::ios::binary | std::ios::trunc);
        for (std::string line; std::getline(in, line);)
            if (!line.empty())
                out << line << '\n';
    }
    const SpellQuery query = MakeQuery("zqxj", {}, {}, true);
    uint64_t bytesRead = 0;
    for (auto _ : state) {
        const SearchResult result = FindSpells(index, query, textPath);
        if (!result.ok())
            state.SkipWithError(result.strMessage.c_str());
        bytesRead = result.textBytesRead;
    }
    state.counters["rows"] = static_cast<double>(index.RowCount());
    state.counters["text_MB_read"] = static_cast<double>(bytesRead) / 1e6;
}

// ---- The GUI thread while typing -----------------------------------------------

// CPU time of the calling thread.
int64_t ThreadCpuNs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// What BM_TypingStall types: the plain terms, and queries of field terms,
// exclusions, phrases and level ranges.
const std::map<int, QString> kTypedQueries = {
    {0, QStringLiteral("lantern bolt")},
    {1, QStringLiteral("name:lantern -range:\"5 yds\"")},
    {2, QStringLiteral("level:2-4 -comp:m")},
    {3, QStringLiteral("\"lantern of\" -name:bolt")},
};

// Types a query (kTypedQueries) into the find bar, one key every 60 ms,
// over the loaded rows, then erases it again; a 1 ms timer measures the
// longest gap between two of its ticks, that is, the longest time the
// event loop could not answer ("stall", wall time, which on a busy machine
// includes time the thread waited for a core), and the most CPU time the
// GUI thread spent between two ticks ("busy": its own work).
void BM_TypingStall(benchmark::State& state) {
    const int64_t rows = state.range(0);
    const std::string spellClass = "typing" + std::to_string(rows);
    g_strDataDir = BenchDataDir();
    WriteBenchIndex(IndexPath(spellClass), rows, BenchRecords::kSearch);
    CSpellListDlg dlg;
    g_strDataDir = BenchDataDir();
    dlg.show();
    dlg.LoadIndex(0, spellClass);
    auto* bar = dlg.FindBar();
    bar->OnFind();
    auto* field = bar->findChild<QLineEdit*>(QStringLiteral("IDC_FIND_TEXT"));
    QApplication::processEvents();

    double longestMs = 0;
    double longestCpuMs = 0;
    for (auto _ : state) {
        const QString typed = kTypedQueries.at(static_cast<int>(state.range(1)));
        std::vector<QString> steps;
        for (qsizetype i = 1; i <= typed.size(); ++i)
            steps.push_back(typed.left(i));
        for (qsizetype i = typed.size() - 1; i >= 0; --i)
            steps.push_back(typed.left(i));

        QElapsedTimer clock;
        clock.start();
        qint64 lastTick = 0;
        int64_t lastCpu = ThreadCpuNs();
        qint64 longest = 0;
        int64_t longestCpu = 0;
        QTimer heartbeat;
        heartbeat.setTimerType(Qt::PreciseTimer);
        heartbeat.setInterval(1);
        QObject::connect(&heartbeat, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            const int64_t cpu = ThreadCpuNs();
            longest = std::max(longest, now - lastTick);
            longestCpu = std::max(longestCpu, cpu - lastCpu);
            lastTick = now;
            lastCpu = cpu;
        });
        std::size_t step = 0;
        QTimer typist;
        typist.setInterval(60);
        QObject::connect(&typist, &QTimer::timeout, [&] {
            if (step < steps.size())
                field->setText(steps[step++]);
        });
        lastTick = clock.nsecsElapsed();
        lastCpu = ThreadCpuNs();
        heartbeat.start();
        typist.start();
        while (step < steps.size() || clock.elapsed() < static_cast<qint64>(steps.size()) * 60 + 500)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        typist.stop();
        heartbeat.stop();
        longestMs = std::max(longestMs, static_cast<double>(longest) / 1e6);
        longestCpuMs = std::max(longestCpuMs, static_cast<double>(longestCpu) / 1e6);
    }
    state.counters["longest_stall_ms"] = longestMs;
    state.counters["longest_busy_ms"] = longestCpuMs;
}

}  // namespace

BENCHMARK(BM_FieldSearch)->ArgsProduct({{100'000, 1'000'000}, {0, 1, 2, 3, 4, 5, 6}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FieldMemmem)->ArgsProduct({{100'000, 1'000'000}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchIndexBuild)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DescriptionSearch)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DescriptionFieldTerm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DescriptionSearchMillionRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DescriptionReadMemmem)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditedTextDescriptionSearch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypingStall)->ArgsProduct({{100'000, 1'000'000}, {0, 1, 2, 3}})->Iterations(1)->Unit(benchmark::kMillisecond);
