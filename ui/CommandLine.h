// SPDX-License-Identifier: MIT
#pragma once
// The browser's command line: spellbrowser [--data-dir DIR] [wizard|priest],
// with --help and --version, parsed the Qt way.

#include <string>
#include <string_view>

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

// An argument's bytes as text, losslessly: valid UTF-8 is decoded, and
// each byte of anything else becomes the lone surrogate U+DC80..U+DCFF, so
// that ArgumentBytes gives back exactly the bytes (a folder name that is
// not UTF-8 still names its folder).
QString ArgumentText(std::string_view bytes);
std::string ArgumentBytes(const QString& text);
// argv[0..argc) by ArgumentText.
QStringList ArgumentsOf(int argc, const char* const* argv);

// `arguments` without the options that QApplication takes for itself
// (-platform, -style and the like, with one or two dashes), so that the
// command line can be judged before a window system is needed.
QStringList WithoutQtOptions(const QStringList& arguments);

// The usage text that --help prints.
QString CommandLineHelp();

// "spellbrowser (Spells) 1.0.0.1", the line that --version prints.
QString VersionLine();
