// SPDX-License-Identifier: MIT
// Browser benchmarks, offscreen: loading indexes of growing size into the
// real main dialog, against a plain read of the same file and against the
// floor of a load (read, fold the keys, sort); opening a spell's details;
// start-up to the first painted frame.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTableView>
#include <QPushButton>
#include <QTreeView>

#include "BenchIndex.h"
#include "CSpellInfoDlg.h"
#include "CSpellListDlg.h"
#include "CSpellListView.h"
#include "CaseFolding.h"
#include "Globals.h"
#include "IndexBuilder.h"
#include "MessageBox.h"
#include "PaintWatch.h"
#include "SpellFiles.h"
#include "SpellListModel.h"
#include "SpellRecord.h"
#include "SpellSearch.h"
#include "UiBenchSupport.h"

namespace {

std::string ClassFor(int64_t records) { return "bench" + std::to_string(records); }

const std::string& EnsureIndex(int64_t records) {
    static std::map<int64_t, std::string> made;
    auto& spellClass = made[records];
    if (spellClass.empty()) {
        spellClass = ClassFor(records);
        WriteBenchIndex(IndexPath(BenchDataDir(), spellClass), records);
    }
    return spellClass;
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

// The floor of a list load: read the index file, fold every record's key
// field (the name) and sort the row numbers by it with std::sort on the
// first eight folded bytes, then the whole folded key, the row number
// breaking ties. A load does all of this and more.
void BM_LoadFloor(benchmark::State& state) {
    const std::string path = IndexPath(BenchDataDir(), EnsureIndex(state.range(0)));
    struct Entry {
        uint64_t prefix;
        uint64_t keyBegin;
        uint32_t keyLength;
        uint32_t row;
    };
    std::vector<uint8_t> buffer(150 * kRecordSize);
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        ::fstat(fd, &st);
        std::vector<Entry> entries;
        entries.reserve(static_cast<std::size_t>(st.st_size) / kRecordSize);
        std::string keys;
        std::size_t have = 0;
        for (ssize_t n; (n = ::read(fd, buffer.data() + have, buffer.size() - have)) > 0;) {
            have += static_cast<std::size_t>(n);
            std::size_t at = 0;
            for (; at + kRecordSize <= have; at += kRecordSize) {
                const char* name = reinterpret_cast<const char*>(buffer.data() + at + kNamePos);
                const std::size_t begin = keys.size();
                AppendDisplayFolded(keys, std::string_view(name, ::strnlen(name, kNameSize)));
                const std::size_t length = keys.size() - begin;
                uint64_t prefix = 0;
                for (std::size_t b = 0; b < 8; ++b)
                    prefix = (prefix << 8) | (b < length ? static_cast<unsigned char>(keys[begin + b]) : 0u);
                entries.push_back({prefix, begin, static_cast<uint32_t>(length),
                                   static_cast<uint32_t>(entries.size())});
            }
            std::memmove(buffer.data(), buffer.data() + at, have - at);
            have -= at;
        }
        ::close(fd);
        const std::string_view allKeys = keys;
        std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
            if (a.prefix != b.prefix)
                return a.prefix < b.prefix;
            const int order = allKeys.substr(a.keyBegin, a.keyLength).compare(allKeys.substr(b.keyBegin, b.keyLength));
            return order != 0 ? order < 0 : a.row < b.row;
        });
        benchmark::DoNotOptimize(entries.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_LoadIndex(benchmark::State& state) {
    const std::string& spellClass = EnsureIndex(state.range(0));
    CSpellListDlg dlg;
    g_strDataDir = BenchDataDir();
    dlg.show();
    QApplication::processEvents();
    int64_t peak = 0;
    for (auto _ : state) {
        ResetPeakRss();
        const int64_t before = PeakRss();
        if (!dlg.LoadIndex(static_cast<int>(state.range(1)), spellClass))
            state.SkipWithError("load failed");
        QApplication::processEvents();  // the first paint of the loaded list
        peak = std::max(peak, PeakRss() - before);
    }
    state.counters["peak_MiB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
    state.counters["rows"] = dlg.findChild<CSpellListView*>("IDC_SPELL_LIST")->model()->rowCount();
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
        g_strDataDir = BenchDataDir();
        g_nLevel = 1;
        return BuildIndex("details").ok();
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

// Shows `shown` and waits for the first paint of `painted`.
void ShowUntilPainted(QWidget& shown, QWidget& painted) {
    PaintWatch watch;
    painted.installEventFilter(&watch);
    shown.show();
    while (!watch.painted)
        QApplication::processEvents();
    painted.removeEventFilter(&watch);
}

// From constructing the main dialog to its first painted frame.
void BM_StartupToFirstPaint(benchmark::State& state) {
    for (auto _ : state) {
        CSpellListDlg dlg;
        ShowUntilPainted(dlg, dlg);
    }
}

// The baseline of a start-up: a bare dialog with one button, from its
// construction to its first painted frame.
void BM_BareDialogToFirstPaint(benchmark::State& state) {
    for (auto _ : state) {
        QDialog dlg;
        QPushButton button(QStringLiteral("OK"), &dlg);
        ShowUntilPainted(dlg, button);
    }
}

// A start-up as the user sees it: the main dialog opening with a list of
// 500 spells (about the size of a real list), to the list's first painted
// rows.
void BM_StartupWithListToFirstPaint(benchmark::State& state) {
    const std::string& spellClass = EnsureIndex(500);
    for (auto _ : state) {
        CSpellListDlg dlg;
        g_strDataDir = BenchDataDir();
        if (!dlg.LoadIndex(kFieldName, spellClass))
            state.SkipWithError("load failed");
        ShowUntilPainted(dlg, *dlg.findChild<CSpellListView*>("IDC_SPELL_LIST")->viewport());
    }
}

// A filter taken off and put back on a loaded list, each to its painted
// rows, as the find bar does when the term is erased and typed again: in a
// tree view set up as the list's (argument 0) and in a table view without
// grid and vertical header (argument 1), on the same model. The main
// dialog's own view stays hidden, so only the view measured lays out.
void BM_FilterReset(benchmark::State& state) {
    const std::string& spellClass = EnsureIndex(state.range(1));
    CSpellListDlg dlg;
    g_strDataDir = BenchDataDir();
    if (!dlg.LoadIndex(kFieldName, spellClass)) {
        state.SkipWithError("load failed");
        return;
    }
    auto* model = qobject_cast<SpellListModel*>(dlg.findChild<CSpellListView*>("IDC_SPELL_LIST")->model());
    std::unique_ptr<QAbstractItemView> view;
    if (state.range(0) == 0) {
        auto tree = std::make_unique<QTreeView>();
        tree->setRootIsDecorated(false);
        tree->setUniformRowHeights(true);
        tree->setAllColumnsShowFocus(true);
        view = std::move(tree);
    } else {
        auto table = std::make_unique<QTableView>();
        table->setShowGrid(false);
        table->verticalHeader()->hide();
        table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
        table->setWordWrap(false);
        view = std::move(table);
    }
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setModel(model);
    view->resize(900, 500);
    view->show();
    PaintWatch watch;
    view->viewport()->installEventFilter(&watch);
    const auto paint = [&watch] {
        watch.painted = false;
        while (!watch.painted)
            QApplication::processEvents();
    };
    paint();
    std::vector<uint32_t> some;
    for (uint32_t row = 0; row < static_cast<uint32_t>(model->rowCount()); row += 3)
        some.push_back(row);
    for (auto _ : state) {
        model->SetFilter(some);
        paint();
        model->ClearFilter();
        paint();
    }
    state.counters["rows"] = model->rowCount();
}

BENCHMARK(BM_PlainRead)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFloor)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);
// By name, and by level: nine keys, each shared by a ninth of the rows.
BENCHMARK(BM_LoadIndex)
    ->ArgsProduct({{1000, 10000, 100000, 1000000}, {kFieldName}})
    ->Args({1000000, kFieldLevel})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenDetails)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StartupToFirstPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterReset)->ArgsProduct({{0, 1}, {100000, 1000000}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareDialogToFirstPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupWithListToFirstPaint)->Unit(benchmark::kMillisecond);

}  // namespace
