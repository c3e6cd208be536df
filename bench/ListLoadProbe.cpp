// SPDX-License-Identifier: MIT
// A list load as a user meets it, in a fresh process: the main window is
// shown empty, "Wizard" is clicked, and the program reports the time to
// the click's return and to the first painted frame of the loaded list,
// and the peak resident memory above the empty window; then the time to
// open the find bar (Ctrl+F) and the peak memory with it.
//   list_load_probe [RECORDS]    (default 1000000; offscreen unless
//                                 QT_QPA_PLATFORM or DISPLAY says otherwise)

#include <cstdio>
#include <cstdlib>
#include <string>

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>

#include "Allocator.h"
#include "BenchIndex.h"
#include "CFindBar.h"
#include "CSpellListDlg.h"
#include "CSpellListView.h"
#include "Globals.h"
#include "MessageBox.h"
#include "PaintWatch.h"
#include "ScratchDir.h"
#include "SpellFiles.h"

namespace {

void WaitForPaint(const PaintWatch& watch) {
    while (!watch.painted)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

double MiB(int64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const int64_t records = argc > 1 ? std::atoll(argv[1]) : 1000000;
    // As the browser does.
    GiveLargeBlocksTheirOwnPages();
    QApplication app(argc, argv);
    SetMessageBoxHook([](const QString& text, QMessageBox::StandardButtons) {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
        return QMessageBox::Ok;
    });

    const ScratchDir scratch("spells-loadprobe", ScratchDir::Place::kMemory);
    WriteBenchIndex(scratch.file("wizard.idx"), records);

    int status = 0;
    {
        CSpellListDlg dlg;
        g_strDataDir = scratch.prefix();
        auto* list = dlg.findChild<CSpellListView*>(QStringLiteral("IDC_SPELL_LIST"));
        auto* wizard = dlg.findChild<QPushButton*>(QStringLiteral("IDC_WIZARD"));
        PaintWatch watch;
        list->viewport()->installEventFilter(&watch);
        dlg.show();
        WaitForPaint(watch);
        QApplication::processEvents();

        ResetPeakRss();
        const int64_t empty = CurrentRss();
        QElapsedTimer clock;
        clock.start();
        wizard->click();
        const double loadMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        const int64_t loadPeak = PeakRss();
        watch.painted = false;
        WaitForPaint(watch);
        const double frameMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        const int64_t peak = PeakRss();
        const int rows = list->model()->rowCount();

        // Then Ctrl+F: the find bar up to its first frame.
        // The bar is made at its first opening: that is timed too.
        PaintWatch barWatch;
        clock.restart();
        CFindBar* bar = dlg.FindBar();
        bar->installEventFilter(&barWatch);
        bar->OnFind();
        WaitForPaint(barWatch);
        const double findBarMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        const int64_t findBarPeak = PeakRss();
        // The view lays out its rows at the first paint: the peak may come then.
        std::printf("records=%lld rows=%d load_ms=%.1f first_frame_ms=%.1f empty_MiB=%.1f "
                    "peak_MiB=%.1f above_empty_MiB=%.1f (loading %.1f) find_bar_ms=%.1f "
                    "with_find_bar_MiB=%.1f\n",
                    static_cast<long long>(records), rows, loadMs, frameMs, MiB(empty), MiB(peak),
                    MiB(peak - empty), MiB(loadPeak - empty), findBarMs, MiB(findBarPeak - empty));
        if (rows != records)
            status = 1;
    }
    return status;
}
