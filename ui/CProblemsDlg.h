// SPDX-License-Identifier: MIT
#pragma once
// The lines of a spell text that the check found wrong, by line.

#include <cstddef>
#include <string>
#include <vector>

#include <QDialog>

#include "SpellCheck.h"

class QLabel;
class QTreeView;
class ProblemsModel;

class CProblemsDlg : public QDialog {
    Q_OBJECT

public:
    explicit CProblemsDlg(QWidget* parent = nullptr);

    // Lists the warnings among `diagnostics` of the text file `textName`,
    // ordered by line; `notListed` more warnings were found but not kept,
    // which a line below the list says. The dialog refers to `diagnostics`:
    // they must outlive it.
    void SetProblems(const std::string& textName, const std::vector<Diagnostic>& diagnostics,
                     std::size_t notListed = 0);

private:
    ProblemsModel* m_pModel = nullptr;
    QTreeView* m_ctlList = nullptr;
    QLabel* m_ctlNotListed = nullptr;
};
