// Browser benchmarks, offscreen: loading indexes of growing size into the
// real main dialog, against a plain read of the same file; opening a
// spell's details; start-up to the first painted frame. The list loads of
// 100,000 and 1,000,000 records are BM_LoadIndex/100000 and /1000000.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTreeView>

#include "CSpellInfoDlg.h"
#include "CSpellListDlg.h"
#include "IndexBuilder.h"
#include "SpellFiles.h"
#include "SpellRecord.h"
#include "UiBenchSupport.h"

namespace {

std::string ClassFor(int64_t records) { return "bench" + std::to_string(records); }

// An index of `records` records with varied names, levels and schools,
// written by the library's own index writer.
void WriteIndex(const std::string& path, int64_t records) {
    static constexpr std::array<const char*, 16> kWords = {
        "Arcane", "Bolt",  "Cloud", "Dweomer", "Ember", "Frost", "Glyph",  "Hex",
        "Iron",   "Jolt",  "Kiln",  "Lantern", "Mist",  "Nova",  "Orison", "Ward"};
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    IndexWriter writer(fd);
    uint32_t state = 12345;
    const auto next = [&] { return state = state * 1664525u + 1013904223u; };
    for (int64_t i = 0; i < records; ++i) {
        SpellRecord r;
        const std::string name = std::string(kWords[next() >> 28]) + " " + kWords[next() >> 28] +
                                 " of " + kWords[next() >> 28] + " " + std::to_string(next() % 1000);
        SetField(r.szName, name);
        r.nLevel = static_cast<int32_t>(1 + next() % 9);
        r.nSchoolImage = static_cast<int32_t>(next() % 9);
        r.nTextOffset = static_cast<int32_t>(i * 700);
        SetField(r.szSchool, "Conjuration/Summoning");
        SetField(r.szRange, std::to_string(next() % 100) + " yds.");
        SetField(r.szDuration, std::to_string(next() % 10) + " rds./level");
        SetField(r.szArea, "20-ft. radius");
        SetField(r.szComponents, " V, S, M");
        SetField(r.szSavingThrow, (next() & 1) ? "Neg." : "1/2");
        SetField(r.szCastingTime, std::to_string(1 + next() % 9));
        WriteRecord(writer, r);
    }
    if (!writer.Flush())
        std::fprintf(stderr, "ui_bench: cannot write %s\n", path.c_str());
    ::close(fd);
}

const std::string& EnsureIndex(int64_t records) {
    static std::map<int64_t, std::string> made;
    auto& spellClass = made[records];
    if (spellClass.empty()) {
        spellClass = ClassFor(records);
        WriteIndex(IndexPath(BenchDataDir(), spellClass), records);
    }
    return spellClass;
}

// Peak resident memory since the last reset, in bytes.
int64_t PeakRss() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            int64_t kb = 0;
            status >> kb;
            return kb * 1024;
        }
        status.ignore(1 << 20, '\n');
    }
    return 0;
}

void ResetPeakRss() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

void BM_PlainRead(benchmark::State& state) {
    const std::string path = IndexPath(BenchDataDir(), EnsureIndex(state.range(0)));
    std::vector<char> buffer(64 * 1024);
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        int64_t total = 0;
        for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
            total += n;
        ::close(fd);
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_LoadIndex(benchmark::State& state) {
    const std::string& spellClass = EnsureIndex(state.range(0));
    CSpellListDlg dlg;
    g_strDataDir = BenchDataDir();  // the dialog resolved it from the executable
    dlg.show();
    QApplication::processEvents();
    int64_t peak = 0;
    for (auto _ : state) {
        ResetPeakRss();
        const int64_t before = PeakRss();
        if (!dlg.LoadIndex(0, spellClass))
            state.SkipWithError("load failed");
        QApplication::processEvents();  // the first paint of the loaded list
        peak = std::max(peak, PeakRss() - before);
    }
    state.counters["peak_MiB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
    state.counters["rows"] = dlg.findChild<QTreeView*>("IDC_SPELL_LIST")->model()->rowCount();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The details of one spell: its record and its description, without the
// window's first paint.
void BM_OpenDetails(benchmark::State& state) {
    const bool large = state.range(0) != 0;
    static const std::string text = [] {
        std::string t = "Fire Lance\nEvocation\nRange: 30 yds.\tComponents: V, S, M\n"
                        "Duration: Instantaneous\tCasting Time: 1\n"
                        "Area of Effect: 1 creature\tSaving Throw: 1/2\nNotes: none.\n";
        t += "A lance of fire leaps from the caster's hand toward one creature in range.\n"
             "  The target takes 3d6 points of damage, half on a successful save.\n\n"
             "\tWater or ice armour halves the damage again.\n\n";
        t += "Long Tale\nDivination\nRange: 0\tComponents: V\nDuration: 1 turn\tCasting Time: 1\n"
             "Area of Effect: Special\tSaving Throw: None\nNotes: none.\n";
        for (int i = 0; i < 1000; ++i)
            t += "a line of about one hundred characters, which makes the whole description a hundred kilobytes.\n";
        return t + "\nEnd\n";
    }();
    static const bool built = [] {
        std::ofstream(TextPath(BenchDataDir(), "details"), std::ios::binary) << text;
        return BuildIndexIn(BenchDataDir(), "details", 1).ok();
    }();
    if (!built) {
        state.SkipWithError("build failed");
        return;
    }
    for (auto _ : state) {
        CSpellInfoDlg dlg;
        dlg.m_strPath = BenchDataDir() + "details";
        dlg.m_nOffset = large ? static_cast<int64_t>(kRecordSize) : 0;
        dlg.OnInitDialog();
        benchmark::DoNotOptimize(dlg.m_strName);
    }
}

// From constructing the main dialog to its first painted frame.
void BM_StartupToFirstPaint(benchmark::State& state) {
    class PaintWatch : public QObject {
    public:
        bool painted = false;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint)
                painted = true;
            return false;
        }
    };
    for (auto _ : state) {
        CSpellListDlg dlg;
        PaintWatch watch;
        dlg.installEventFilter(&watch);
        dlg.show();
        while (!watch.painted)
            QApplication::processEvents();
    }
}

BENCHMARK(BM_PlainRead)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadIndex)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenDetails)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StartupToFirstPaint)->Unit(benchmark::kMillisecond);

}  // namespace
