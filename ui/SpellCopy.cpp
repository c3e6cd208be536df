// SPDX-License-Identifier: MIT
#include "SpellCopy.h"

#include <array>
#include <utility>

#include <QCoreApplication>
#include <QMimeData>

namespace {

// The six fields under the details dialog's labels, in its order. The
// labels are the dialog's own words, the same in every language.
std::array<std::pair<QString, QString>, 6> LabelledFields(const SpellCopyFields& spell) {
    return {{{QStringLiteral("Duration"), spell.duration},
             {QStringLiteral("Range"), spell.range},
             {QStringLiteral("Area of effect"), spell.area},
             {QStringLiteral("Components"), spell.components},
             {QStringLiteral("Casting Time"), spell.castingTime},
             {QStringLiteral("Saving Throw"), spell.savingThrow}}};
}

QString SchoolAndLevel(const SpellCopyFields& spell) {
    return QCoreApplication::translate("SpellCopy", "%1, level %2").arg(spell.school, spell.level);
}

}  // namespace

QString SpellAsText(const SpellCopyFields& spell) {
    QString text = spell.name + QLatin1Char('\n') + SchoolAndLevel(spell) + QLatin1Char('\n');
    for (const auto& [label, value] : LabelledFields(spell))
        text += label + QStringLiteral(": ") + value + QLatin1Char('\n');
    if (!spell.description.isEmpty())
        text += QLatin1Char('\n') + spell.description + QLatin1Char('\n');
    return text;
}

QString SpellAsHtml(const SpellCopyFields& spell) {
    QString html = QStringLiteral("<h3>") + spell.name.toHtmlEscaped() + QStringLiteral("</h3>\n<p><i>") +
                   SchoolAndLevel(spell).toHtmlEscaped() + QStringLiteral("</i></p>\n<table>\n");
    for (const auto& [label, value] : LabelledFields(spell))
        html += QStringLiteral("<tr><th align=\"left\">") + label.toHtmlEscaped() + QStringLiteral("</th><td>") +
                value.toHtmlEscaped() + QStringLiteral("</td></tr>\n");
    html += QStringLiteral("</table>\n");
    for (const QString& paragraph : spell.description.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        html += QStringLiteral("<p>") + paragraph.toHtmlEscaped() + QStringLiteral("</p>\n");
    return html;
}

QMimeData* SpellMimeData(const SpellCopyFields& spell) {
    auto* data = new QMimeData;
    data->setText(SpellAsText(spell));
    data->setHtml(SpellAsHtml(spell));
    return data;
}
