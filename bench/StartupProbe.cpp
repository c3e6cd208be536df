// SPDX-License-Identifier: MIT
// Start-up as a user waits for it: from starting the process to its first
// painted frame, in fresh processes. The browser starts on a data folder
// with a wizard list of about the size people keep (a 240 KB text, indexed)
// and counts as painted when the list's rows are; the baseline is a bare
// QDialog with one button in the same kind of process. Rounds alternate
// the two, and the medians and their ratio are printed.
//   startup_probe [ROUNDS]   (default 15; offscreen unless QT_QPA_PLATFORM
//                             or DISPLAY says otherwise)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QPushButton>

#include "CSpellBrowserApp.h"
#include "GenerateSpellText.h"
#include "IndexBuilder.h"
#include "ScratchDir.h"
#include "SpellFiles.h"
#include "StatusMessage.h"

namespace {

// The pipe a child writes one byte to at its first frame; -1 in the parent.
int g_nReadyFd = -1;

void TellPainted() {
    const char byte = 1;
    if (::write(g_nReadyFd, &byte, 1) != 1)
        std::_Exit(3);
    std::_Exit(0);  // the time of tearing down is no part of a start-up
}

// Tells the parent at the first paint of the spell list's rows.
class ListPaintWatch : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint)
            return false;
        const auto* view = qobject_cast<const QAbstractItemView*>(watched->parent());
        if (view && view->objectName() == QLatin1String("IDC_SPELL_LIST") && view->model() &&
            view->model()->rowCount() > 0)
            TellPainted();
        return false;
    }
};

// Installed as soon as the browser's QApplication exists.
void WatchBrowserPaints() {
    if (g_nReadyFd >= 0 && qApp)
        qApp->installEventFilter(new ListPaintWatch);
}
Q_COREAPP_STARTUP_FUNCTION(WatchBrowserPaints)

class ButtonPaintWatch : public QObject {
public:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            TellPainted();
        return false;
    }
};

int RunBareChild(int argc, char** argv) {
    QApplication app(argc, argv);
    QDialog dlg;
    QPushButton button(QStringLiteral("OK"), &dlg);
    ButtonPaintWatch watch;
    button.installEventFilter(&watch);
    dlg.show();
    return QApplication::exec();
}

int RunBrowserChild(const char* self, const char* dataDir) {
    std::string program = self;
    std::string option = "--data-dir";
    std::string dir = dataDir;
    std::string spellClass = "wizard";
    char* args[] = {program.data(), option.data(), dir.data(), spellClass.data(), nullptr};
    return theApp.Run(4, args);
}

// Milliseconds from starting `mode` in a fresh process to its first frame.
double TimeChild(const char* self, const char* mode, const std::string& dataDir) {
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        ::execl(self, self, mode, fd.c_str(), dataDir.c_str(), static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    ::close(fds[1]);
    char byte = 0;
    const bool painted = ::read(fds[0], &byte, 1) == 1;
    const auto end = std::chrono::steady_clock::now();
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!painted)
        return -1;
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && (std::strcmp(argv[1], "--child-bare") == 0 || std::strcmp(argv[1], "--child-browser") == 0)) {
        g_nReadyFd = std::atoi(argv[2]);
        if (std::strcmp(argv[1], "--child-bare") == 0) {
            int childArgc = 1;
            return RunBareChild(childArgc, argv);
        }
        return RunBrowserChild(argv[0], argv[3]);
    }
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    ScratchDir scratch("startup-probe");
    SpellTextOptions options;
    options.targetBytes = 240 * 1024;
    std::string error;
    if (!WriteSpellTextFile(TextPath(scratch.prefix(), "wizard"), options, nullptr, &error)) {
        std::fprintf(stderr, "startup_probe: %s\n", error.c_str());
        return 1;
    }
    const BuildResult built = BuildIndexIn(scratch.prefix(), "wizard", 1);
    if (!built.ok()) {
        std::fprintf(stderr, "startup_probe: %s\n", StatusMessage(built.status, FileNaming::kPath).c_str());
        return 1;
    }
    // The browser's settings go to the scratch folder, not the user's.
    ::setenv("XDG_CONFIG_HOME", (scratch.prefix() + "config").c_str(), 1);
    if (!std::getenv("XDG_RUNTIME_DIR") && ::mkdir((scratch.prefix() + "runtime").c_str(), 0700) == 0)
        ::setenv("XDG_RUNTIME_DIR", (scratch.prefix() + "runtime").c_str(), 1);

    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return 1;
    self[n] = '\0';

    std::vector<double> bare, browser;
    TimeChild(self, "--child-bare", scratch.prefix());  // warm the page cache
    TimeChild(self, "--child-browser", scratch.prefix());
    for (int i = 0; i < rounds; ++i) {
        bare.push_back(TimeChild(self, "--child-bare", scratch.prefix()));
        browser.push_back(TimeChild(self, "--child-browser", scratch.prefix()));
    }
    if (std::count(bare.begin(), bare.end(), -1.0) + std::count(browser.begin(), browser.end(), -1.0) > 0) {
        std::fprintf(stderr, "startup_probe: a child did not paint\n");
        return 1;
    }
    const double bareMs = Median(bare), browserMs = Median(browser);
    std::printf("start-up to the first frame, median of %d fresh processes each (%zu spells):\n", rounds,
                built.nRecords);
    std::printf("  bare QDialog with one button  %7.1f ms\n", bareMs);
    std::printf("  spellbrowser, list painted    %7.1f ms   %.2fx\n", browserMs, browserMs / bareMs);
    return 0;
}
