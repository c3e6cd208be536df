// SPDX-License-Identifier: MIT
// Create Index from the window over a text of many tiny entries, in a fresh
// process: the check that runs with the build keeps only the first warnings,
// so the peak memory above the empty window stays the same whatever the
// text. Prints the notice and the peak.
//   create_index_probe [ENTRIES]   (default 6000000 seven-line entries,
//                                   each a warning; offscreen)

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include "Allocator.h"
#include "BenchIndex.h"
#include "CSpellListDlg.h"
#include "Globals.h"
#include "MessageBox.h"
#include "ScratchDir.h"
#include "SpellFiles.h"

namespace {

double MiB(int64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const long long entries = argc > 1 ? std::atoll(argv[1]) : 6000000;
    // As the browser does.
    GiveLargeBlocksTheirOwnPages();
    QApplication app(argc, argv);
    SetMessageBoxHook([](const QString& text, QMessageBox::StandardButtons) {
        if (!text.startsWith(QStringLiteral("\u0412\u044B")))  // the question is answered Yes
            std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
        return QMessageBox::Yes;
    });

    const ScratchDir scratch("spells-createprobe", ScratchDir::Place::kMemory);
    {
        std::ofstream text(scratch.file("wizard.txt"), std::ios::binary);
        const std::string entry = "A\nb\nc\nd\ne\nf\ng\n\n";
        for (long long i = 0; i < entries; ++i)
            text << entry;
    }

    CSpellListDlg dlg;
    g_strDataDir = scratch.prefix();
    dlg.show();
    QApplication::processEvents();
    ResetPeakRss();
    const int64_t empty = CurrentRss();
    dlg.findChild<QPushButton*>(QStringLiteral("IDC_CREATE_INDEX"))->click();
    const int64_t peak = PeakRss();
    const auto* notice = dlg.findChild<QLabel*>(QStringLiteral("IDC_NOTICE_TEXT"));
    std::printf("entries=%lld notice=\"%s\" empty_MiB=%.1f peak_MiB=%.1f above_empty_MiB=%.1f\n", entries,
                notice ? notice->text().toUtf8().constData() : "", MiB(empty), MiB(peak), MiB(peak - empty));
    return 0;
}
