// SPDX-License-Identifier: MIT
// The browser's command line and start-up: options, the class to show at
// start, and the data directory it settles, through the application
// object and through the real executable.

#include <cstdlib>
#include <filesystem>
#include <string>

#include <QApplication>
#include <QByteArray>
#include <QFileInfo>
#include <QProcess>
#include <QLabel>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include "CSpellBrowserApp.h"
#include "CSpellListDlg.h"
#include "CSpellListView.h"
#include "CommandLine.h"
#include "DataDirectory.h"
#include "QtTestSupport.h"

namespace {

const char* ActionName(CommandLine::Action action) {
    switch (action) {
    case CommandLine::Action::kRun: return "run";
    case CommandLine::Action::kHelp: return "help";
    case CommandLine::Action::kVersion: return "version";
    case CommandLine::Action::kError: return "error";
    case CommandLine::Action::kPdf: return "pdf";
    }
    return "?";
}

TEST(CommandLine, Table) {
    const struct {
        QStringList arguments;  // after the program's name
        const char* action;
        QString dataDir, spellClass, error;
    } kCases[] = {
        {{}, "run", "", "", ""},
        {{"wizard"}, "run", "", "wizard", ""},
        {{"Priest"}, "run", "", "priest", ""},
        {{"--data-dir", "/srv/spells"}, "run", "/srv/spells", "", ""},
        {{"--data-dir=/srv/spells", "priest"}, "run", "/srv/spells", "priest", ""},
        {{"wizard", "--data-dir", "d"}, "run", "d", "wizard", ""},
        {{"--help"}, "help", "", "", ""},
        {{"-h", "wizard"}, "help", "", "", ""},
        {{"--version"}, "version", "", "", ""},
        {{"-v"}, "version", "", "", ""},
        {{"--bogus"}, "error", "", "", "Unknown option 'bogus'."},
        {{"-x", "wizard"}, "error", "", "", "Unknown option 'x'."},
        {{"--data-dir"}, "error", "", "", "Missing value after '--data-dir'."},
        {{"--data-dir="}, "error", "", "", "--data-dir needs a folder"},
        {{"--data-dir", "a", "--data-dir", "b"}, "error", "", "", "--data-dir given more than once"},
        {{"rogue"}, "error", "", "", "unknown spell class 'rogue': wizard or priest"},
        {{"wizard", "priest"}, "error", "", "", "unexpected argument 'priest'"},
    };
    for (const auto& c : kCases) {
        const CommandLine command = ParseCommandLine(QStringList{"spellbrowser"} + c.arguments);
        const std::string where = c.arguments.join(' ').toStdString();
        EXPECT_STREQ(ActionName(command.action), c.action) << where;
        EXPECT_EQ(command.strDataDir, c.dataDir) << where;
        EXPECT_EQ(command.strClass, c.spellClass) << where;
        EXPECT_EQ(command.strError, c.error) << where;
    }
}

TEST(CommandLine, QtOptionsAreTakenOutBeforeTheParse) {
    const struct {
        QStringList arguments, kept;  // after the program's name
    } kCases[] = {
        {{"-platform", "offscreen", "wizard"}, {"wizard"}},
        {{"--platform", "xcb", "--style=Fusion", "-reverse", "--bogus"}, {"--bogus"}},
        {{"-style", "Fusion", "-stylesheet", "a.qss", "--data-dir", "d"}, {"--data-dir", "d"}},
        {{"wizard", "-platform"}, {"wizard", "-platform"}},  // without its value Qt leaves it
        {{"--data-dir", "-x", "-platformx"}, {"--data-dir", "-x", "-platformx"}},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(WithoutQtOptions(QStringList{"spellbrowser"} + c.arguments), QStringList{"spellbrowser"} + c.kept)
            << c.arguments.join(' ').toStdString();
}

TEST(CommandLine, ArgumentBytesComeBackAsTheyWere) {
    const struct {
        std::string bytes;
        QString text;
    } kCases[] = {
        {"", ""},
        {"/srv/spells", "/srv/spells"},
        {"caf\xC3\xA9 \xD0\x96 \xF0\x9F\x94\xA5", QString::fromUtf8("café Ж 🔥")},
        {"caf\xE9", QStringLiteral("caf") + QChar(0xDCE9)},                     // Latin-1
        {"\xC3", QString(QChar(0xDCC3))},                                      // cut short
        {"\xED\xA0\x80", QString(QChar(0xDCED)) + QChar(0xDCA0) + QChar(0xDC80)},  // a surrogate
        {"\xC0\xAF", QString(QChar(0xDCC0)) + QChar(0xDCAF)},                    // overlong
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(ArgumentText(c.bytes), c.text) << c.bytes;
        EXPECT_EQ(ArgumentBytes(ArgumentText(c.bytes)), c.bytes) << c.bytes;
    }
    const char* argv[] = {"spellbrowser", "--data-dir", "/tmp/caf\xE9"};
    EXPECT_EQ(ArgumentBytes(ArgumentsOf(3, argv).at(2)), "/tmp/caf\xE9");
}

// What the main dialog showed when it was closed.
struct Shown {
    int dialogs = 0;
    std::string listClass;
    QStringList firstNames;  // the first three rows' key texts
    int rows = 0;
    QString notice;  // the notice bar's text, when shown
};

// An environment variable set or unset for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : name_(name), had_(qEnvironmentVariableIsSet(name)),
                                                           saved_(qgetenv(name)) {
        Set(value);
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, saved_);
        else
            qunsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    // An empty value unsets the variable.
    void Set(const QByteArray& value) {
        if (value.isEmpty())
            qunsetenv(name_);
        else
            qputenv(name_, value);
    }

private:
    const char* name_;
    bool had_;
    QByteArray saved_;
};

// Application start-ups with message boxes recorded, SPELLS_DATA_DIR
// unset, a scratch XDG_DATA_HOME (the user's own data folder is never
// touched), and the main dialog read and closed once it has loaded what it
// was asked to.
class StartupTest : public QtTest {
protected:
    void SetUp() override {
        QtTest::SetUp();
        g_strDataDir.clear();
        // Settings in the scratch folder, never the user's own.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           QString::fromStdString(dir.prefix() + "config"));
    }

    // Runs the application; `waitFor` is the class whose load the dialog
    // is read after ("" reads it at once).
    int Start(const QStringList& arguments, const std::string& waitFor = "") {
        shown = {};
        QTimer poll;
        poll.setInterval(0);
        int polls = 0;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* dlg = qobject_cast<CSpellListDlg*>(w);
                if (!dlg || !dlg->isVisible())
                    continue;
                // A load that never comes ends the wait after many turns of
                // the event loop, and the test fails on the class.
                if (dlg->ListClass() != waitFor && ++polls < 1000)
                    return;
                ++shown.dialogs;
                shown.listClass = dlg->ListClass();
                auto* list = dlg->findChild<CSpellListView*>(QStringLiteral("IDC_SPELL_LIST"));
                shown.rows = list->model()->rowCount();
                if (auto* notice = dlg->findChild<QLabel*>(QStringLiteral("IDC_NOTICE_TEXT")))
                    shown.notice = notice->isVisibleTo(dlg) ? notice->text() : QString();
                for (int row = 0; row < std::min(3, shown.rows); ++row)
                    shown.firstNames << list->model()->index(row, 0).data().toString();
                dlg->reject();
            }
        });
        poll.start();
        CSpellBrowserApp app;
        return app.Start(QStringList{"spellbrowser"} + arguments);
    }

    // A data folder set up from the sample lists, as on a first start.
    std::string SeededFolder() {
        const DataDirResult seeded = SeedUserDataDir(dir.prefix() + "spells/", SPELLS_SAMPLES_DIR);
        EXPECT_TRUE(seeded.ok()) << seeded.strMessage;
        return seeded.strDir;
    }

    Shown shown;
    ScopedEnv dataDirEnv{"SPELLS_DATA_DIR", {}};
    ScopedEnv xdgDataHome{"XDG_DATA_HOME", QByteArray::fromStdString(dir.prefix() + "xdg")};
};

TEST_F(StartupTest, ClassArgumentLoadsItAsItsButtonDoes) {
    const std::string folder = SeededFolder();
    EXPECT_EQ(Start({"--data-dir", QString::fromStdString(folder), "wizard"}, "wizard"), 0);
    EXPECT_EQ(g_strDataDir, folder);
    EXPECT_EQ(g_strClass, "wizard");
    EXPECT_EQ(shown.dialogs, 1);
    EXPECT_EQ(shown.listClass, "wizard");
    EXPECT_EQ(shown.rows, 29);
    EXPECT_EQ(shown.firstNames, (QStringList{"Ashen Hand", "Beckon Lesser Familiar", "Bleak Chorus"}));

    EXPECT_EQ(Start({"priest", "--data-dir", QString::fromStdString(folder)}, "priest"), 0);
    EXPECT_EQ(shown.rows, 29);
    EXPECT_EQ(shown.firstNames,
              (QStringList{"Blessing of the Hearth", "Call the Flock", "Candle of Vigil"}));
    EXPECT_TRUE(MessageTexts().isEmpty()) << MessageTexts().join('|').toStdString();
}

TEST_F(StartupTest, WithoutClassTheLastClassOrTheWizardListOpens) {
    const std::string folder = SeededFolder();
    EXPECT_EQ(Start({"--data-dir", QString::fromStdString(folder)}, "wizard"), 0);
    EXPECT_EQ(shown.dialogs, 1);
    EXPECT_EQ(shown.listClass, "wizard");
    EXPECT_EQ(shown.rows, 29);
    EXPECT_EQ(Start({"--data-dir", QString::fromStdString(folder), "priest"}, "priest"), 0);
    // The class last shown comes back, from the settings file.
    EXPECT_EQ(Start({"--data-dir", QString::fromStdString(folder)}, "priest"), 0);
    EXPECT_EQ(shown.listClass, "priest");
    QSettings settings(QString::fromStdString(dir.prefix() + "config/Spells/spellbrowser.ini"),
                       QSettings::IniFormat);
    EXPECT_EQ(settings.value("list/class").toString(), QStringLiteral("priest"));
    EXPECT_TRUE(MessageTexts().isEmpty()) << MessageTexts().join('|').toStdString();
}

TEST_F(StartupTest, WithoutAnyIndexTheListSaysWhatToDo) {
    EXPECT_EQ(Start({"--data-dir", QString::fromStdString(dir.prefix())}), 0);
    EXPECT_EQ(shown.listClass, "");
    EXPECT_EQ(shown.notice,
              QString::fromStdString("No index yet: press Create Index to build one from wizard.txt or "
                                     "priest.txt in " + dir.prefix()));
    EXPECT_TRUE(MessageTexts().isEmpty()) << MessageTexts().join('|').toStdString();
}

TEST_F(StartupTest, ClassWithoutIndexSaysSoAsItsButtonDoes) {
    EXPECT_EQ(Start({"--data-dir", QString::fromStdString(dir.prefix()), "priest"}), 0);
    EXPECT_EQ(shown.dialogs, 1);
    EXPECT_EQ(MessageTexts(), QStringList{kNoIndex});
}

TEST_F(StartupTest, EnvironmentNamesTheFolderUnlessTheCommandLineDoes) {
    const std::string folder = SeededFolder();
    dataDirEnv.Set(QByteArray::fromStdString(folder));
    EXPECT_EQ(Start({"wizard"}, "wizard"), 0);
    EXPECT_EQ(g_strDataDir, folder);
    EXPECT_EQ(shown.rows, 29);

    EXPECT_EQ(Start({"--data-dir", QString::fromStdString(dir.prefix())}), 0);
    EXPECT_EQ(g_strDataDir, dir.prefix());
}

TEST_F(StartupTest, DataDirThatIsNotUtf8IsTakenByItsBytes) {
    const std::string folder = dir.prefix() + "caf\xE9/";
    ASSERT_TRUE(SeedUserDataDir(folder, SPELLS_SAMPLES_DIR).ok());
    const char* argv[] = {"spellbrowser", "--data-dir", folder.c_str(), "wizard"};
    EXPECT_EQ(Start(ArgumentsOf(4, argv).mid(1), "wizard"), 0);
    EXPECT_EQ(g_strDataDir, folder);
    EXPECT_EQ(shown.rows, 29);
    EXPECT_TRUE(MessageTexts().isEmpty()) << MessageTexts().join('|').toStdString();
}

TEST_F(StartupTest, BuildTreeExecutableDirectoryHoldsTheSamples) {
    EXPECT_EQ(Start({}), 0);
    const std::string executableDir =
        QFileInfo(QCoreApplication::applicationFilePath()).absolutePath().toStdString() + "/";
    EXPECT_EQ(g_strDataDir, executableDir);
}

TEST_F(StartupTest, MissingFolderEndsTheStartWithAMessage) {
    const struct {
        QStringList arguments;
        QByteArray environment;
        QString message;
    } kCases[] = {
        {{"--data-dir", "/nonexistent/spells"}, "",
         "can't use data folder /nonexistent/spells/: No such file or directory"},
        {{"wizard"}, "/nonexistent/env/",
         "can't use data folder /nonexistent/env/: No such file or directory"},
        {{"--data-dir", "/etc/passwd"}, "", "can't use data folder /etc/passwd/: Not a directory"},
    };
    for (const auto& c : kCases) {
        messages.clear();
        g_strDataDir = "before/";
        dataDirEnv.Set(c.environment);
        EXPECT_EQ(Start(c.arguments), 1) << c.message.toStdString();
        EXPECT_EQ(shown.dialogs, 0) << c.message.toStdString();
        EXPECT_EQ(MessageTexts(), QStringList{c.message});
        EXPECT_EQ(g_strDataDir, "before/");
    }
}

// ---- the real executable ---------------------------------------------------

struct ProcessRun {
    int status = -1;
    QString out, err;
};

// `locale`, when given, is the only locale setting of the run ("" for none).
ProcessRun RunBrowser(const QStringList& arguments, bool withDisplay = true, const char* locale = nullptr) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (locale) {
        for (const char* name : {"LANG", "LANGUAGE", "LC_ALL", "LC_MESSAGES"})
            environment.remove(QString::fromLatin1(name));
        if (*locale)
            environment.insert(QStringLiteral("LANG"), QString::fromLatin1(locale));
    }
    // Without a runtime folder Qt warns on the error output.
    const QTemporaryDir runtime;
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    if (!withDisplay) {
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    }
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(SPELLBROWSER_PATH), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

TEST(Executable, HelpAndVersionNeedNoDisplay) {
    for (const bool display : {true, false}) {
        const ProcessRun version = RunBrowser({"--version"}, display);
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.out, "spellbrowser (Spells) 1.0.0.1\n");

        const ProcessRun help = RunBrowser({"--help"}, display);
        EXPECT_EQ(help.status, 0);
        EXPECT_TRUE(help.out.startsWith("Usage: spellbrowser [options] [class]\n")) << help.out.toStdString();
        for (const char* option : {"-h, --help", "-v, --version", "--data-dir <DIR>", "class"})
            EXPECT_TRUE(help.out.contains(QLatin1String(option))) << option;
    }
}

TEST(Executable, MistakesPrintTheUsageAndExitTwo) {
    const struct {
        QStringList arguments;
        QString firstLine;
    } kCases[] = {
        {{"--bogus"}, "spellbrowser: Unknown option 'bogus'."},
        {{"rogue"}, "spellbrowser: unknown spell class 'rogue': wizard or priest"},
        {{"wizard", "priest"}, "spellbrowser: unexpected argument 'priest'"},
        {{"../wizard"}, "spellbrowser: unknown spell class '../wizard': wizard or priest"},
        {{"--data-dir"}, "spellbrowser: Missing value after '--data-dir'."},
        {{"--data-dir="}, "spellbrowser: --data-dir needs a folder"},
        {{"-platform", "offscreen", "--style=Fusion", "--bogus"}, "spellbrowser: Unknown option 'bogus'."},
    };
    for (const auto& c : kCases)
        for (const bool display : {true, false}) {
            const ProcessRun run = RunBrowser(c.arguments, display);
            EXPECT_EQ(run.status, 2) << c.firstLine.toStdString() << (display ? "" : ", no display");
            EXPECT_TRUE(run.err.startsWith(c.firstLine + "\n\nUsage: spellbrowser [options] [class]\n"))
                << run.err.toStdString();
            EXPECT_EQ(run.out, "");
        }
}

TEST(Executable, UsageAndMistakesFollowTheLocale) {
    const ProcessRun help = RunBrowser({"--help"}, false, "ru_RU.UTF-8");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("  -h, --help        Показать эту справку и выйти.\n")))
        << help.out.toStdString();
    EXPECT_TRUE(help.out.contains(QStringLiteral("  --cards           С --pdf: печатать карточки 63 x 88 мм, а не лист.\n")))
        << help.out.toStdString();
    const ProcessRun mistake = RunBrowser({"--data-dir="}, false, "ru_RU.UTF-8");
    EXPECT_EQ(mistake.status, 2);
    EXPECT_TRUE(mistake.err.startsWith(QStringLiteral("spellbrowser: --data-dir требует папку\n\n")))
        << mistake.err.toStdString();

    // English, C or no locale at all: the English texts, nothing else.
    for (const char* locale : {"en_US.UTF-8", "en_GB.UTF-8", "C", "C.UTF-8", ""}) {
        const ProcessRun english = RunBrowser({"--help"}, false, locale);
        EXPECT_TRUE(english.out.startsWith(QStringLiteral("Usage: spellbrowser [options] [class]\n"
                                                          "Browses the wizard and priest spell lists of a "
                                                          "tabletop role-playing game.\n")))
            << locale << ": " << english.out.toStdString();
        EXPECT_TRUE(english.out.contains(QStringLiteral("  -h, --help        Show this help and exit.\n")))
            << locale;
        const ProcessRun englishMistake = RunBrowser({"--data-dir="}, false, locale);
        EXPECT_TRUE(englishMistake.err.startsWith(QStringLiteral("spellbrowser: --data-dir needs a folder\n\n")))
            << locale << ": " << englishMistake.err.toStdString();
    }
}

}  // namespace
