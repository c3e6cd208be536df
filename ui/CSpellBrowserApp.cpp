#include "CSpellBrowserApp.h"

#include <cstdio>
#include <vector>

#include <QApplication>
#include <QCoreApplication>
#include <QMetaObject>
#include <QPushButton>
#include <QStringList>

#include "BuildConfig.h"
#include "CSpellListDlg.h"
#include "CommandLine.h"
#include "DataDirectory.h"
#include "DisplayText.h"
#include "MessageBox.h"
#include "SchoolIcons.h"
#include "SpellPrinter.h"

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
    QCoreApplication::setApplicationName(QStringLiteral("Spells"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kProductVersion));
    {
        // The whole command line is judged with a core application alone,
        // so that no answer but a window needs a display.
        int count = argc;
        std::vector<char*> args(argv, argv + argc);
        args.push_back(nullptr);
        const QCoreApplication core(count, args.data());
        const CommandLine command = ParseCommandLine(WithoutQtOptions(ArgumentsOf(argc, argv)));
        if (const int code = AnswerWithoutWindow(command); code >= 0)
            return code;
        // A PDF is written without a display.
        if (command.action == CommandLine::Action::kPdf)
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
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
        const QString text = Utf8(dataDir.strMessage);
        Print(stderr, QStringLiteral("spellbrowser: ") + text + QLatin1Char('\n'));
        if (command.action != CommandLine::Action::kPdf)
            ShowMessageBox(text);
        return kExitFailure;
    }
    if (command.action == CommandLine::Action::kPdf) {
        const std::string book = command.strBook.toStdString();
        const std::string error =
            WriteClassPdf(dataDir.strDir, command.strClass.toStdString(), command.bBook ? &book : nullptr,
                          ArgumentBytes(command.strPdf),
                          command.bCards ? PrintLayout::kCards : PrintLayout::kSheet);
        if (error.empty())
            return kExitOk;
        Print(stderr, QStringLiteral("spellbrowser: ") + Utf8(error) + QLatin1Char('\n'));
        return kExitFailure;
    }
    m_strStartClass = command.strClass.toStdString();
    m_bNoSpellLists = dataDir.bNoSamples;
    InitInstance();
    return kExitOk;
}

bool CSpellBrowserApp::InitInstance() {
    CSpellListDlg dlg;
    // The start class loads once the dialog runs, as a click on its button.
    const char* button = m_strStartClass == "wizard"   ? "IDC_WIZARD"
                         : m_strStartClass == "priest" ? "IDC_PRIEST"
                                                       : nullptr;
    if (button)
        if (auto* b = dlg.findChild<QPushButton*>(QString::fromLatin1(button)))
            QMetaObject::invokeMethod(b, &QPushButton::click, Qt::QueuedConnection);
    if (m_bNoSpellLists)
        dlg.ShowNoSpellListsNotice();
    dlg.exec();
    return false;
}
