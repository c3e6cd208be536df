// SPDX-License-Identifier: MIT
#include "CSpellBrowserApp.h"

#include <cstdio>
#include <vector>

#include <QApplication>
#include <QCoreApplication>
#include <QMetaObject>
#include <QPushButton>
#include <QSettings>
#include <QStringList>

#include <unistd.h>

#include "Allocator.h"
#include "BuildConfig.h"
#include "CSpellListDlg.h"
#include "CommandLine.h"
#include "DataDirectory.h"
#include "DisplayText.h"
#include "Globals.h"
#include "MessageBox.h"
#include "SchoolIcons.h"
#include "SpellFiles.h"
#include "SpellPrinter.h"
#include "Translations.h"
#include "ViewSettings.h"

CSpellBrowserApp theApp;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void Print(std::FILE* out, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), out);
    std::fflush(out);
}

// Answers a command line that opens no window: the help, the version, or a
// mistake with the usage. Returns -1 when the application is needed.
int AnswerWithoutWindow(const CommandLine& command) {
    switch (command.action) {
    case CommandLine::Action::kHelp:
        Print(stdout, CommandLineHelp());
        return kExitOk;
    case CommandLine::Action::kVersion:
        Print(stdout, VersionLine() + QLatin1Char('\n'));
        return kExitOk;
    case CommandLine::Action::kError:
        Print(stderr, QStringLiteral("spellbrowser: ") + command.strError + QStringLiteral("\n\n") +
                          CommandLineHelp());
        return kExitUsage;
    case CommandLine::Action::kRun:
    case CommandLine::Action::kPdf:
        break;
    }
    return -1;
}

}  // namespace

int CSpellBrowserApp::Run(int argc, char** argv) {
    GiveLargeBlocksTheirOwnPages();
    QCoreApplication::setApplicationName(QStringLiteral("Spells"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kProductVersion));
    // The texts in the system's language, for the usage and the window alike.
    Translations translations;
    {
        // The whole command line is judged with a core application alone,
        // so that no answer but a window needs a display.
        int count = argc;
        std::vector<char*> args(argv, argv + argc);
        args.push_back(nullptr);
        const QCoreApplication core(count, args.data());
        translations.Install();
        const CommandLine command = ParseCommandLine(WithoutQtOptions(ArgumentsOf(argc, argv)));
        if (const int code = AnswerWithoutWindow(command); code >= 0)
            return code;
        // A PDF is written without a display.
        if (command.action == CommandLine::Action::kPdf)
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    translations.Install();
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kApplicationId));
    QApplication::setWindowIcon(LoadMainIcon());
    // QApplication took its own options out of argv.
    return Start(ArgumentsOf(argc, argv));
}

int CSpellBrowserApp::Start(const QStringList& arguments) {
    const CommandLine command = ParseCommandLine(arguments);
    if (const int code = AnswerWithoutWindow(command); code >= 0)
        return code;

    const DataDirInputs inputs = DataDirInputsOfProcess(ArgumentBytes(command.strDataDir));
    const DataDirResult dataDir =
        SettleDataDir(inputs, inputs.strExecutableDir + kSamplesFromExecutable);
    if (!dataDir.ok()) {
        const QString text = Message(dataDir.strMessage);
        Print(stderr, QStringLiteral("spellbrowser: ") + text + QLatin1Char('\n'));
        if (command.action != CommandLine::Action::kPdf)
            ShowMessageBox(text);
        return kExitFailure;
    }
    g_strDataDir = dataDir.strDir;
    if (command.action == CommandLine::Action::kPdf) {
        const std::string book = command.strBook.toStdString();
        const std::string error =
            WriteClassPdf(dataDir.strDir, command.strClass.toStdString(), command.bBook ? &book : nullptr,
                          ArgumentBytes(command.strPdf),
                          command.bCards ? PrintLayout::kCards : PrintLayout::kSheet);
        if (error.empty())
            return kExitOk;
        Print(stderr, QStringLiteral("spellbrowser: ") + Message(error) + QLatin1Char('\n'));
        return kExitFailure;
    }
    m_strStartClass = command.strClass.toStdString();
    m_bNoSpellLists = dataDir.bNoSamples;
    InitInstance();
    return kExitOk;
}

bool CSpellBrowserApp::InitInstance() {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Spells"),
                       QStringLiteral("spellbrowser"));
    const ViewSettings view = SettingsStore::Read(settings);
    CSpellListDlg dlg;
    dlg.ApplyView(view);
    // The class of the command line, else the last one shown, else the
    // wizard list, else the priest list; a class without an index is passed over.
    const auto hasIndex = [](const std::string& spellClass) {
        return !spellClass.empty() && ::access(IndexPath(spellClass).c_str(), F_OK) == 0;
    };
    std::string startClass = m_strStartClass;
    if (startClass.empty())
        startClass = hasIndex(view.lastClass) ? view.lastClass
                     : hasIndex("wizard")      ? "wizard"
                     : hasIndex("priest")      ? "priest"
                                               : "";
    // The start class loads once the dialog runs, as a click on its button.
    const char* button = startClass == "wizard"   ? "IDC_WIZARD"
                         : startClass == "priest" ? "IDC_PRIEST"
                                                  : nullptr;
    if (button)
        if (auto* b = dlg.findChild<QPushButton*>(QString::fromLatin1(button)))
            QMetaObject::invokeMethod(b, &QPushButton::click, Qt::QueuedConnection);
    if (m_bNoSpellLists)
        dlg.ShowNoSpellListsNotice();
    else if (!button)
        dlg.ShowNoIndexNotice();
    dlg.exec();
    SettingsStore::Write(settings, dlg.CurrentView());
    return false;
}
