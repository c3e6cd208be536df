#pragma once
// The application: runs the main dialog until the user leaves it.

class CSpellBrowserApp {
public:
    // Creates the Qt application, runs InitInstance, returns the exit code.
    int Run(int argc, char** argv);

    // Shows the main dialog modally. Returns false: the program ends when
    // the dialog does.
    bool InitInstance();
};

extern CSpellBrowserApp theApp;
