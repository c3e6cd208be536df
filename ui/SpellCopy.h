// SPDX-License-Identifier: MIT
#pragma once
// A spell as the clipboard takes it: plain text, and HTML beside it for
// programs that paste rich text.

#include <QString>

class QMimeData;

struct SpellCopyFields {
    QString name;
    QString school;
    QString level;
    QString duration;
    QString range;
    QString area;
    QString components;
    QString castingTime;
    QString savingThrow;
    QString description;
};

// The spell as text: its name, "School, level N", the six fields with the
// details dialog's labels, one a line, a blank line and the description.
QString SpellAsText(const SpellCopyFields& spell);
// The same as HTML, every text escaped.
QString SpellAsHtml(const SpellCopyFields& spell);
// Clipboard data holding both forms.
QMimeData* SpellMimeData(const SpellCopyFields& spell);
