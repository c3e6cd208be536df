#pragma once
// The lines of a spell text that the check found wrong, by line.

#include <string>
#include <vector>

#include <QDialog>

#include "SpellCheck.h"

class QTableWidget;

class CProblemsDlg : public QDialog {
    Q_OBJECT

public:
    explicit CProblemsDlg(QWidget* parent = nullptr);

    // Lists the warnings among `diagnostics` of the text file `textName`,
    // ordered by line.
    void SetProblems(const std::string& textName, const std::vector<Diagnostic>& diagnostics);

private:
    QTableWidget* m_ctlList = nullptr;
};
