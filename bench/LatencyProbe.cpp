// SPDX-License-Identifier: MIT
// The main window as a user feels it, in a fresh process: the real dialog
// driven with input events (QTest) over a list of ROWS spells whose
// descriptions are in a generated text of 150 MB. For each interaction it
// reports the longest stall of the event loop (the longest gap between two
// ticks of a 1 ms timer: how long the window could not answer) and the time
// from the input to the painted result, as medians of REPEATS rounds (the
// first load, into the empty list, on its own); and
// the resident memory above the empty window after the load, after two
// header clicks and after the find bar's searches (first round). The plain
// read+memmem of the text gives the descriptions' baseline in the same run.
//   latency_probe [ROWS] [REPEATS]   (default 1000000 5; offscreen unless
//                                     QT_QPA_PLATFORM or DISPLAY says otherwise)

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "Allocator.h"
#include "BenchIndex.h"
#include "CFindBar.h"
#include "CSpellListDlg.h"
#include "CSpellListView.h"
#include "GenerateSpellText.h"
#include "Globals.h"
#include "MessageBox.h"
#include "PaintWatch.h"
#include "ScratchDir.h"
#include "SearchRunner.h"
#include "SpellFiles.h"
#include "SpellListModel.h"
#include "SpellRecord.h"

namespace {

constexpr std::size_t kTextBytes = std::size_t{150} << 20;
// A word of the generated descriptions that no field holds.
constexpr char kDescriptionTerm[] = "pyre";

double MiB(int64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The list's index: generated records (varied names, levels and schools)
// whose descriptions are the text's entries, in turn.
void WriteIndex(const std::string& path, int64_t rows, const std::vector<GeneratedEntry>& entries) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    uint32_t state = 12345;
    std::array<uint8_t, kRecordSize> bytes;
    for (int64_t i = 0; i < rows; ++i) {
        SpellRecord r = MakeBenchRecord(state, i, BenchRecords::kSearch);
        r.nTextOffset = static_cast<int32_t>(entries[static_cast<std::size_t>(i) % entries.size()].descriptionOffset);
        EncodeRecord(r, bytes);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
}

// read() in 1 MiB blocks and memmem over each, as the description search's floor.
double ReadMemmemMs(const std::string& path, std::string_view needle) {
    std::vector<char> buffer(std::size_t{1} << 20);
    QElapsedTimer clock;
    clock.start();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::size_t kept = 0;
    std::size_t hits = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data() + kept, buffer.size() - kept);
        if (n <= 0)
            break;
        const std::size_t have = kept + static_cast<std::size_t>(n);
        for (const char* p = buffer.data(), *end = p + have;;) {
            const void* hit = ::memmem(p, static_cast<std::size_t>(end - p), needle.data(), needle.size());
            if (!hit)
                break;
            ++hits;
            p = static_cast<const char*>(hit) + 1;
        }
        kept = std::min(have, needle.size() - 1);
        std::memmove(buffer.data(), buffer.data() + have - kept, kept);
    }
    ::close(fd);
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (hits == 0)
        std::fprintf(stderr, "no hits for %s\n", std::string(needle).c_str());
    return ms;
}

// Runs interactions and measures them with a 1 ms heartbeat.
class Driver {
public:
    Driver() {
        clock_.start();
        heartbeat_.setTimerType(Qt::PreciseTimer);
        heartbeat_.setInterval(1);
        QObject::connect(&heartbeat_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            if (measuring_)
                longestGap_ = std::max(longestGap_, now - lastTick_);
            lastTick_ = now;
        });
        lastTick_ = clock_.nsecsElapsed();
        heartbeat_.start();
    }

    void Settle(int ms) {
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < ms)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 2);
    }

    // Sends `act` from the event loop, then waits until `done` holds and
    // `painted` has painted since; returns the stall and the time shown.
    std::pair<double, double> Measure(const std::function<void()>& act, const std::function<bool()>& done,
                                      QWidget* painted) {
        Settle(40);
        PaintWatch watch;
        qint64 shownAt = -1;
        bool acted = false;
        watch.onPaint = [&] {
            if (acted && shownAt < 0 && done())
                shownAt = clock_.nsecsElapsed();
        };
        painted->installEventFilter(&watch);
        longestGap_ = 0;
        measuring_ = true;
        qint64 start = 0;
        QTimer::singleShot(0, [&] {
            start = clock_.nsecsElapsed();
            act();
            acted = true;
        });
        QElapsedTimer limit;
        limit.start();
        while (shownAt < 0 && limit.elapsed() < 60000) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 2);
            // A result that paints nothing new is shown when it is done.
            if (acted && shownAt < 0 && done() && limit.elapsed() > 2000)
                shownAt = clock_.nsecsElapsed();
        }
        // The tick after the paint closes the gap that holds it.
        Settle(20);
        measuring_ = false;
        painted->removeEventFilter(&watch);
        return {static_cast<double>(longestGap_) / 1e6, static_cast<double>(shownAt - start) / 1e6};
    }

private:
    QElapsedTimer clock_;
    QTimer heartbeat_;
    qint64 lastTick_ = 0;
    qint64 longestGap_ = 0;
    bool measuring_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const int64_t rows = argc > 1 ? std::atoll(argv[1]) : 1000000;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 5;
    // As the browser does.
    GiveLargeBlocksTheirOwnPages();
    QApplication app(argc, argv);
    SetMessageBoxHook([](const QString& text, QMessageBox::StandardButtons) {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
        return QMessageBox::Ok;
    });

    const ScratchDir scratch("spells-latency", ScratchDir::Place::kMemory);
    GeneratedText generated;
    SpellTextOptions options;
    options.targetBytes = kTextBytes;
    std::string error;
    if (!WriteSpellTextFile(scratch.file("wizard.txt"), options, &generated, &error)) {
        std::fprintf(stderr, "can't write the text: %s\n", error.c_str());
        return 1;
    }
    WriteIndex(scratch.file("wizard.idx"), rows, generated.entries);

    std::map<std::string, std::vector<double>> stalls;
    std::map<std::string, std::vector<double>> shown;
    std::vector<std::string> order;
    const auto note = [&](const std::string& name, std::pair<double, double> m) {
        if (!stalls.count(name))
            order.push_back(name);
        if (qEnvironmentVariableIsSet("LATENCY_PROBE_VERBOSE"))
            std::fprintf(stderr, "%s: stall %.1f shown %.1f, resident %.1f MiB\n", name.c_str(), m.first, m.second,
                         MiB(CurrentRss()));
        stalls[name].push_back(m.first);
        shown[name].push_back(m.second);
    };
    std::vector<double> floors;
    int status = 0;
    {
        CSpellListDlg dlg;
        g_strDataDir = scratch.prefix();
        auto* list = dlg.findChild<CSpellListView*>(QStringLiteral("IDC_SPELL_LIST"));
        auto* wizard = dlg.findChild<QPushButton*>(QStringLiteral("IDC_WIZARD"));
        auto* model = dlg.Model();
        Driver driver;
        dlg.show();
        driver.Settle(300);
        const int64_t empty = CurrentRss();
        int64_t afterLoad = 0;
        int64_t afterClicks = 0;
        int64_t afterSearch = 0;

        QWidget* viewport = list->viewport();
        QHeaderView* header = list->header();
        const auto clickHeader = [&](int column) {
            const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                            header->height() / 2);
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        };
        for (int round = 0; round < repeats; ++round) {
            // The first load fills the empty list; later ones replace its rows.
            note(round == 0 ? "first load" : "load", driver.Measure([&] { QTest::mouseClick(wizard, Qt::LeftButton); },
                                        [&] { return model->rowCount() == rows; }, viewport));
            if (round == 0)
                afterLoad = CurrentRss();
            note("header click", driver.Measure([&] { clickHeader(1); },
                                                [&] { return model->KeyField() == kFieldLevel; }, viewport));
            note("header click back", driver.Measure([&] { clickHeader(1); },
                                                     [&] { return model->KeyField() == kFieldName; }, viewport));
            if (round == 0)
                afterClicks = CurrentRss();

            // The bar is made at its first opening: the window's paint
            // under it tells when it is shown.
            const auto barOpen = [&dlg] {
                const auto* made = dlg.findChild<CFindBar*>(QStringLiteral("IDC_FIND_BAR"));
                return made && made->IsOpen();
            };
            note("first Ctrl+F", driver.Measure([&] { QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier); },
                                                barOpen, &dlg));
            auto* bar = dlg.FindBar();
            auto* field = bar->findChild<QLineEdit*>(QStringLiteral("IDC_FIND_TEXT"));
            auto* level = bar->findChild<QComboBox*>(QStringLiteral("IDC_FIND_LEVEL"));
            auto* descriptions = bar->findChild<QCheckBox*>(QStringLiteral("IDC_FIND_DESCRIPTIONS"));
            auto* runner = bar->findChild<SearchRunner*>();
            const auto searched = [&] { return !runner->IsRunning(); };
            note("a letter typed", driver.Measure([&] { QTest::keyClick(field, Qt::Key_W); },
                                                  [&] { return searched() && model->IsFiltered(); }, viewport));
            note("a further letter", driver.Measure([&] { QTest::keyClick(field, Qt::Key_A); },
                                                    [&] { return searched() && model->IsFiltered(); }, viewport));
            field->selectAll();
            note("erase the term", driver.Measure([&] { QTest::keyClick(field, Qt::Key_Backspace); },
                                                  [&] { return searched() && !model->IsFiltered(); }, viewport));
            level->setCurrentIndex(3);
            driver.Settle(100);
            note("All levels again", driver.Measure([&] { QTest::keyClick(level, Qt::Key_Home); },
                                                    [&] { return searched() && !model->IsFiltered(); }, viewport));
            QTest::keyClicks(field, QString::fromLatin1(kDescriptionTerm));
            driver.Settle(100);
            const int before = model->rowCount();
            note("Descriptions too", driver.Measure([&] { QTest::keyClick(descriptions, Qt::Key_Space); },
                                                    [&] { return searched() && model->rowCount() != before; },
                                                    viewport));
            if (round == 0)
                afterSearch = CurrentRss();
            if (model->rowCount() == before)
                status = 1;
            field->clear();
            descriptions->setChecked(false);
            QTest::keyClick(field, Qt::Key_Escape);
            driver.Settle(50);
            floors.push_back(ReadMemmemMs(scratch.file("wizard.txt"), kDescriptionTerm));
        }
        if (model->LoadedRowCount() != rows)
            status = 1;

        std::printf("rows=%lld text_MB=%.1f rounds=%d (medians, ms)\n", static_cast<long long>(rows),
                    static_cast<double>(generated.bytes) / 1e6, repeats);
        std::printf("%-20s %10s %10s\n", "interaction", "stall", "shown");
        for (const std::string& name : order)
            std::printf("%-20s %10.1f %10.1f\n", name.c_str(), Median(stalls[name]), Median(shown[name]));
        std::printf("read+memmem of the text: %.1f ms; Descriptions too / it: %.2f\n", Median(floors),
                    Median(shown["Descriptions too"]) / Median(floors));
        std::printf("memory above the empty window (MiB): load %.1f, two header clicks %.1f, searches %.1f\n",
                    MiB(afterLoad - empty), MiB(afterClicks - empty), MiB(afterSearch - empty));
    }
    return status;
}
