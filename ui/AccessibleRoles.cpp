// SPDX-License-Identifier: MIT
#include "AccessibleRoles.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>

namespace {

// A label read as a status bar: its name is its accessible name, which
// CStatusLabel keeps at the settled text.
class AccessibleStatusLabel : public QAccessibleWidget {
public:
    explicit AccessibleStatusLabel(QWidget* label) : QAccessibleWidget(label, QAccessible::StatusBar) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return widget()->accessibleName();
        if (t == QAccessible::Value)
            return static_cast<const QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (className == QLatin1String("CStatusLabel"))
        return new AccessibleStatusLabel(widget);
    // The notice's children (text, buttons) stay its children.
    if (className == QLatin1String("CNoticeBar"))
        return new QAccessibleWidget(widget, QAccessible::AlertMessage);
    return nullptr;
}

}  // namespace

void InstallAccessibleRoles() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    static_cast<void>(installed);
}
