// SPDX-License-Identifier: MIT
// The problems dialog with many warnings: from SetProblems to its list's
// first painted frame, for 2,000 to 200,000 warnings (a build keeps at most
// KeptWarnings::kDefaultLimit; the dialog takes any number).

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include <QApplication>
#include <QTreeView>

#include "CProblemsDlg.h"
#include "PaintWatch.h"
#include "SpellCheck.h"

namespace {

std::vector<Diagnostic> Warnings(int64_t count) {
    std::vector<Diagnostic> warnings;
    warnings.reserve(static_cast<std::size_t>(count));
    for (int64_t i = 0; i < count; ++i)
        warnings.push_back({i * 8 + 1, Severity::kWarning, DiagnosticCode::kParagraphAsSpell,
                            "this line begins with a capital letter after a blank line in the description of "
                            "\"Spell " + std::to_string(i) + "\", so it starts a new spell, whose field lines "
                            "lack 6 of their 6 markers",
                            "Spell " + std::to_string(i + 1)});
    return warnings;
}

void BM_ProblemsOpen(benchmark::State& state) {
    const std::vector<Diagnostic> warnings = Warnings(state.range(0));
    for (auto _ : state) {
        CProblemsDlg dlg;
        dlg.SetProblems("wizard.txt", warnings);
        PaintWatch watch;
        auto* list = dlg.findChild<QTreeView*>(QStringLiteral("IDC_PROBLEM_LIST"));
        list->viewport()->installEventFilter(&watch);
        dlg.show();
        while (!watch.painted)
            QApplication::processEvents();
        state.PauseTiming();
        dlg.hide();
        state.ResumeTiming();
    }
    state.counters["warnings"] = static_cast<double>(state.range(0));
}

}  // namespace

BENCHMARK(BM_ProblemsOpen)->ArgName("warnings")->Arg(2000)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);
