// SPDX-License-Identifier: MIT
#pragma once
// The nine list columns: captions and default widths in field order, and
// how columns map to fields once a key field stands in front.

#include <QString>

inline constexpr int kColumnCount = 9;

extern const char g_szColumnNames[kColumnCount][20];
// Widths in pixels for an 8-point dialog font whose horizontal base unit
// is 6 pixels; DialogUnits scales them to the font in use.
extern const int g_nColumnWidths[kColumnCount];

// True for a field number 0..8, the only numbers that may index the
// column tables.
constexpr bool IsColumnField(int field) { return field >= 0 && field < kColumnCount; }

// The field shown in column `column` when `keyField` is the key field:
// column 0 shows the key field, columns 1..8 the other fields in order.
// -1 when either number is outside 0..8.
int ColumnField(int keyField, int column);

// The field whose caption is `caption`, searched from the last entry to
// the first; -1 when no caption matches.
int FindColumnField(const QString& caption);
