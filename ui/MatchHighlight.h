// SPDX-License-Identifier: MIT
#pragma once
// What the user's query matched in a text as shown, and how it is marked:
// as a browser's find does, dark text on yellow on any palette.

#include <QColor>
#include <QList>
#include <QPair>
#include <QString>

struct SpellQuery;

// Ranges of a QString: position and length.
using TextRanges = QList<QPair<int, int>>;

// Where `query` matches `text`, the text of `field` (a kField* column or
// kDescriptionField) as shown; MatchSpans in QString positions.
TextRanges MatchRanges(const QString& text, const SpellQuery& query, int field);

QColor MatchBackground();
QColor MatchForeground();
