// SPDX-License-Identifier: MIT
#include "CSpellListView.h"

#include <QAccessible>

void CSpellListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    // QTreeView reports every new current cell as focused; without the
    // focus the rows are repainted as it would, and only the base view's
    // work is done.
    if (hasFocus() || !QAccessible::isActive()) {
        QTreeView::currentChanged(current, previous);
        return;
    }
    for (const QModelIndex& index : {previous, current})
        if (index.isValid()) {
            const QRect row = visualRect(index);
            viewport()->update(allColumnsShowFocus() ? QRect(0, row.y(), viewport()->width(), row.height()) : row);
        }
    QAbstractItemView::currentChanged(current, previous);
}
