// SPDX-License-Identifier: MIT
#pragma once
// The spell list's view: a table of whole rows without grid or row
// header, which stays fast at a million rows (a reset lays out nothing
// per row), made to look and answer the keys as a list of rows does: one
// focus frame around the current row, Left and Right scroll, Home and End
// go to the first and last row, Tab leaves the list, and every row is as
// tall as the cells' text and icon need in the list's font.
//
// Its current row may change while another control has the focus (the
// find bar selects the first match as the user types); a screen reader
// then hears of the new row without being told that a cell took the
// focus, which stays where the user is typing.

#include <QTableView>

class QHeaderView;

class CSpellListView : public QTableView {
    Q_OBJECT

public:
    explicit CSpellListView(QWidget* parent = nullptr);

    // The column header.
    QHeaderView* header() const { return horizontalHeader(); }

    void setModel(QAbstractItemModel* model) override;

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Sets the rows' height from the delegate's size of the first row's
    // cells, or before any rows from the style's size of a cell with an
    // icon and a line of text.
    void UpdateRowHeight();
    // Repaints the whole rows of `a` and `b`.
    void UpdateRows(const QModelIndex& a, const QModelIndex& b);

    QMetaObject::Connection m_resetConnection;   // the model's reset, to UpdateRowHeight
    QMetaObject::Connection m_insertConnection;  // its first rows, to UpdateRowHeight
    bool m_bRowsMeasured = false;                // the height is that of rows shown
};
