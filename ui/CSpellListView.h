// SPDX-License-Identifier: MIT
#pragma once
// The spell list's view. Its current row may change while another control
// has the focus (the find bar selects the first match as the user types);
// a screen reader then hears of the new row without being told that a
// cell took the focus, which stays where the user is typing.

#include <QTreeView>

class CSpellListView : public QTreeView {
    Q_OBJECT

public:
    using QTreeView::QTreeView;

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
};
