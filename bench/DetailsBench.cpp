// SPDX-License-Identifier: MIT
// Opening a spell's details, from the click to the first painted frame of
// the dialog: a description of ordinary length, a megabyte of words, and a
// single word of 1.1 MB (cut to the 1 MiB cap by the description reader).
// Run with --benchmark_filter=DetailsOpen.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include <QApplication>
#include <QPlainTextEdit>

#include "CSpellInfoDlg.h"
#include "Globals.h"
#include "IndexBuilder.h"
#include "PaintWatch.h"
#include "SpellFiles.h"
#include "SpellRecord.h"

namespace {

// The spell text with the three entries, its index built beside it, in a
// scratch directory removed at exit.
class DetailsFiles {
public:
    DetailsFiles() {
        dir_ = std::filesystem::temp_directory_path() /
               ("spells-detailsbench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        std::string text = Entry("Ember Mote");
        text += "A spark leaps from the caster's finger toward one creature within range.\n"
                "  The target takes 1d3 points of fire damage, and cloth it touches smoulders.\n\n"
                "\tA successful saving throw halves the damage.\n\n";
        text += Entry("Long Tale");
        for (std::size_t size = 0; size < (std::size_t{1} << 20); size += 64)
            text += "many words of a long tale, each line of it sixty-four bytes \n";
        text += "\n" + Entry("Long Word") + std::string(1100000, 'w') + "\n";
        std::ofstream(dir_ / "details.txt", std::ios::binary) << text;
        const std::string saved = g_strDataDir;
        g_strDataDir = dir_.string() + "/";
        g_nLevel = 1;
        built_ = BuildIndex("details").nRecords == 3;
        g_strDataDir = saved;
    }
    ~DetailsFiles() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    DetailsFiles(const DetailsFiles&) = delete;
    DetailsFiles& operator=(const DetailsFiles&) = delete;

    bool built() const { return built_; }
    std::string path() const { return (dir_ / "details").string(); }

private:
    static std::string Entry(const std::string& name) {
        return name +
               "\nEvocation\nRange: 30 yds.\tComponents: V, S, M\n"
               "Duration: Instantaneous\tCasting Time: 1\n"
               "Area of Effect: 1 creature\tSaving Throw: 1/2\nNotes: none.\n";
    }

    std::filesystem::path dir_;
    bool built_ = false;
};

void BM_DetailsOpen(benchmark::State& state) {
    static const DetailsFiles files;
    if (!files.built()) {
        state.SkipWithError("index build failed");
        return;
    }
    const int64_t record = state.range(0);
    for (auto _ : state) {
        CSpellInfoDlg dlg;
        dlg.m_strPath = files.path();
        dlg.m_nOffset = record * static_cast<int64_t>(kRecordSize);
        dlg.OnInitDialog();
        PaintWatch watch;
        dlg.m_ctlDescription->viewport()->installEventFilter(&watch);
        dlg.show();
        while (!watch.painted)
            QApplication::processEvents();
        state.PauseTiming();
        dlg.hide();
        state.ResumeTiming();
    }
    state.SetLabel(record == 0 ? "ordinary description" : record == 1 ? "1 MiB of words"
                                                                        : "1.1 MB word");
}

BENCHMARK(BM_DetailsOpen)->ArgName("record")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace
