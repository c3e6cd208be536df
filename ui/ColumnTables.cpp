// SPDX-License-Identifier: MIT
#include "ColumnTables.h"

const char g_szColumnNames[kColumnCount][20] = {
    "Spell", "Level", "School/Sphere", "Range", "Duration",
    "Area",  "Components", "Saving", "Casting time",
};

const int g_nColumnWidths[kColumnCount] = {130, 50, 80, 50, 60, 60, 50, 80, 80};

int ColumnField(int keyField, int column) {
    if (!IsColumnField(keyField) || !IsColumnField(column))
        return -1;
    if (column == 0)
        return keyField;
    return column - 1 < keyField ? column - 1 : column;
}

int FindColumnField(const QString& caption) {
    for (int field = kColumnCount - 1; field >= 0; --field)
        if (caption == QLatin1String(g_szColumnNames[field]))
            return field;
    return -1;
}
