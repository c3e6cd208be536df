// SPDX-License-Identifier: MIT
#pragma once
// The help of the browser (F1): its version, where its data folder is, the
// keys of every action, the query of the find bar and the school icons.

#include <QDialog>
#include <QString>

class QTextBrowser;

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    // `dataDir`: the data folder the browser reads.
    explicit CAboutDlg(const QString& dataDir, QWidget* parent = nullptr);

    // The text shown, as HTML.
    static QString Html(const QString& dataDir);

private:
    QTextBrowser* m_ctlText = nullptr;
};
