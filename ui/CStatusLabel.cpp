// SPDX-License-Identifier: MIT
#include "CStatusLabel.h"

#include <QTimer>

#include "AccessibleRoles.h"

namespace {

// About the pause between words when typing: a count is read once the
// user stops, not for every letter.
constexpr int kSettleDelayMs = 500;

}  // namespace

CStatusLabel::CStatusLabel(QWidget* parent) : QLabel(parent) {
    InstallAccessibleRoles();
    m_pSettle = new QTimer(this);
    m_pSettle->setSingleShot(true);
    m_pSettle->setInterval(kSettleDelayMs);
    connect(m_pSettle, &QTimer::timeout, this, &CStatusLabel::Announce);
}

void CStatusLabel::SetStatusText(const QString& text) {
    // A label without an accessible name reports every new text; with one
    // it is silent, and the name announces the text when it settles.
    // A hidden label is heard by no one: its name follows at once.
    if (accessibleName().isEmpty() || !isVisible()) {
        m_pSettle->stop();
        setAccessibleName(text.isEmpty() ? QStringLiteral(" ") : text);
        setText(text);
        return;
    }
    setText(text);
    m_pSettle->start();
}

void CStatusLabel::SetSettleDelay(int ms) { m_pSettle->setInterval(ms); }

void CStatusLabel::Announce() {
    // setAccessibleName sends the name-changed event.
    if (accessibleName() != text())
        setAccessibleName(text());
}
