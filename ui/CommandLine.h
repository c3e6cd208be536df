#pragma once
// The browser's command line: spellbrowser [--data-dir DIR] [wizard|priest],
// with --help and --version, parsed the Qt way.

#include <QString>
#include <QStringList>

struct CommandLine {
    enum class Action { kRun, kHelp, kVersion, kError, kPdf };

    Action action = Action::kRun;
    QString strDataDir;  // --data-dir, empty when not given
    QString strClass;    // the class to show at start, lower case; empty for none
    QString strError;    // what is wrong, for kError
    // kPdf: --pdf OUT [--cards] [--book NAME] CLASS writes the class's
    // spells (or the book's) as a PDF and exits.
    QString strPdf;
    bool bCards = false;
    bool bBook = false;
    QString strBook;
};

// Parses `arguments`, the program's name first, Qt's own options already
// taken out by QApplication. A class name is accepted in any case.
CommandLine ParseCommandLine(const QStringList& arguments);

// The usage text that --help prints.
QString CommandLineHelp();

// "spellbrowser (Spells) 1.0.0.1", the line that --version prints.
QString VersionLine();
