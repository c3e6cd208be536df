// SPDX-License-Identifier: MIT
#pragma once
// A label that reports a changing state, such as a count of matches: a
// screen reader sees it as a status bar and hears its text once the text
// has settled, not at every change on the way.

#include <QLabel>

class QTimer;

class CStatusLabel : public QLabel {
    Q_OBJECT

public:
    explicit CStatusLabel(QWidget* parent = nullptr);

    // Shows `text` at once; the accessible name follows, with one
    // name-changed event, when no other text came for the settle delay.
    void SetStatusText(const QString& text);
    // Milliseconds the text must stay before it is announced.
    void SetSettleDelay(int ms);

private:
    void Announce();

    QTimer* m_pSettle = nullptr;
};
