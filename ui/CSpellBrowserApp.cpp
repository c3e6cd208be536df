#include "CSpellBrowserApp.h"

#include <QApplication>

#include "CSpellListDlg.h"
#include "SchoolIcons.h"

CSpellBrowserApp theApp;

int CSpellBrowserApp::Run(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Spells"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));
    QApplication::setWindowIcon(LoadMainIcon());
    InitInstance();
    return 0;
}

bool CSpellBrowserApp::InitInstance() {
    CSpellListDlg dlg;
    dlg.exec();
    return false;
}
