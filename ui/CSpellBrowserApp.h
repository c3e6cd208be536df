// SPDX-License-Identifier: MIT
#pragma once
// The application: reads the command line, settles the data directory and
// runs the main dialog until the user leaves it.

#include <string>

#include <QStringList>

class CSpellBrowserApp {
public:
    // Creates the Qt application, runs Start, returns the exit code. A
    // command line that opens no window (--help, --version, a mistake) is
    // answered before any window system is needed.
    int Run(int argc, char** argv);

    // Runs the program for `arguments` (the program's name first, Qt's own
    // options taken out) in the running QApplication. Returns the exit
    // code: 0, 1 when the data directory cannot be used (after a message
    // box saying why), 2 for a command-line mistake (after the usage).
    int Start(const QStringList& arguments);

    // Shows the main dialog modally, with the start class loaded when one
    // was asked for. Returns false: the program ends when the dialog does.
    bool InitInstance();

private:
    std::string m_strStartClass;  // "wizard", "priest" or empty
    bool m_bNoSpellLists = false;  // the data folder could not be set up: no samples
};

extern CSpellBrowserApp theApp;
