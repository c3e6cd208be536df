// SPDX-License-Identifier: MIT
#pragma once
// A strip below the spell list that tells the user something without
// stopping them: a text, an optional button for what to do about it, and
// a button that closes the strip.

#include <QFrame>
#include <QString>

class QLabel;
class QPushButton;
class QToolButton;

class CNoticeBar : public QFrame {
    Q_OBJECT

public:
    explicit CNoticeBar(QWidget* parent = nullptr);

    // Shows the strip with `text`, and a button captioned `action` unless
    // that is empty.
    void ShowNotice(const QString& text, const QString& action = {});
    QString Text() const;

signals:
    // The action button was pressed.
    void ActionClicked();
    // The user closed the strip.
    void Closed();

private:
    QLabel* m_ctlIcon = nullptr;  // the style's warning sign, drawn when first shown
    QLabel* m_ctlText = nullptr;
    QPushButton* m_ctlAction = nullptr;
    QToolButton* m_ctlClose = nullptr;
};
