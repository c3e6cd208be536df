// SPDX-License-Identifier: MIT
#include "ViewSettings.h"

#include <QSettings>
#include <QString>
#include <QVariant>

namespace {

constexpr int kMaxColumnWidth = 10000;

QString WidthKey(int field) {
    return QStringLiteral("columns/") + QString::fromLatin1(g_szColumnNames[field]);
}

}  // namespace

ViewSettings SettingsStore::Read(QSettings& settings) {
    ViewSettings view;
    const QVariant geometry = settings.value(QStringLiteral("window/geometry"));
    if (geometry.typeId() == QMetaType::QByteArray)
        view.geometry = geometry.toByteArray();
    for (int field = 0; field < kColumnCount; ++field) {
        bool ok = false;
        const int width = settings.value(WidthKey(field)).toInt(&ok);
        if (ok && width > 0 && width <= kMaxColumnWidth)
            view.widths[static_cast<std::size_t>(field)] = width;
    }
    const QString lastClass = settings.value(QStringLiteral("list/class")).toString();
    if (lastClass == QLatin1String("wizard") || lastClass == QLatin1String("priest"))
        view.lastClass = lastClass.toStdString();
    bool ok = false;
    const int step = settings.value(QStringLiteral("text/step")).toInt(&ok);
    if (ok && step >= kMinTextStep && step <= kMaxTextStep)
        view.textStep = step;
    return view;
}

void SettingsStore::Write(QSettings& settings, const ViewSettings& view) {
    settings.setValue(QStringLiteral("window/geometry"), view.geometry);
    for (int field = 0; field < kColumnCount; ++field) {
        const int width = view.widths[static_cast<std::size_t>(field)];
        if (width > 0)
            settings.setValue(WidthKey(field), width);
        else
            settings.remove(WidthKey(field));
    }
    settings.setValue(QStringLiteral("list/class"), QString::fromStdString(view.lastClass));
    settings.setValue(QStringLiteral("text/step"), view.textStep);
    settings.sync();
}
