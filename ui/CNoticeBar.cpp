// SPDX-License-Identifier: MIT
#include "CNoticeBar.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include "AccessibleRoles.h"
#include "CloseIcon.h"
#include "DisplayText.h"
#include "Messages.h"
#include "resource.h"

CNoticeBar::CNoticeBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QString::fromLatin1(RESOURCE_NAME(IDC_NOTICE_BAR)));
    InstallAccessibleRoles();  // an alert to screen readers
    setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
    // The colours of an information bar, whatever the style.
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(0xFF, 0xF4, 0xC2));
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);

    m_ctlIcon = new QLabel(this);  // its sign is drawn as the bar is first shown

    m_ctlText = new QLabel(this);
    m_ctlText->setObjectName(QString::fromLatin1(RESOURCE_NAME(IDC_NOTICE_TEXT)));
    m_ctlText->setTextFormat(Qt::PlainText);
    m_ctlText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    m_ctlAction = new QPushButton(this);
    m_ctlAction->setObjectName(QString::fromLatin1(RESOURCE_NAME(IDC_NOTICE_ACTION)));
    // Drawn as the default button only while it has the focus.
    m_ctlAction->setAutoDefault(false);

    m_ctlClose = new QToolButton(this);
    m_ctlClose->setObjectName(QString::fromLatin1(RESOURCE_NAME(IDC_NOTICE_CLOSE)));
    SetCloseIcon(m_ctlClose);
    m_ctlClose->setAutoRaise(true);
    m_ctlClose->setToolTip(Message(messages::kCloseNotice));
    m_ctlClose->setAccessibleName(tr("Close notice"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 2, 2);
    layout->addWidget(m_ctlIcon);
    layout->addWidget(m_ctlText, 1);
    layout->addWidget(m_ctlAction);
    layout->addWidget(m_ctlClose);

    connect(m_ctlAction, &QPushButton::clicked, this, &CNoticeBar::ActionClicked);
    connect(m_ctlClose, &QToolButton::clicked, this, [this] {
        hide();
        emit Closed();
    });
    hide();
}

void CNoticeBar::ShowNotice(const QString& text, const QString& action) {
    if (m_ctlIcon->pixmap().isNull()) {
        const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
        m_ctlIcon->setPixmap(
            style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(iconSize, iconSize));
    }
    m_ctlText->setText(text);
    m_ctlText->setToolTip(text);
    m_ctlAction->setText(action);
    m_ctlAction->setVisible(!action.isEmpty());
    // The alert is named by its text, and announced as it appears; a new
    // text in a shown strip appears anew, so that it is announced too.
    if (!isHidden() && accessibleName() != text)
        hide();
    setAccessibleName(text);
    show();
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

QString CNoticeBar::Text() const { return m_ctlText->text(); }
