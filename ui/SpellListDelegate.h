// SPDX-License-Identifier: MIT
#pragma once
// How a cell of the spell list is drawn: every row of the first column
// keeps room for a school icon, so that texts line up whether a row has an
// icon or not, a text cut short by its column shows whole in a tooltip (as
// the school of an icon does), and what the find bar's query matched is
// marked in the visible text.

#include <QStyledItemDelegate>

class SpellListDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    // True when the cell's text does not fit its column and is drawn cut.
    bool IsTextCut(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // Where the cell's icon is drawn.
    QRect IconRect(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // Draws the matches of the cell's text again, marked, over the cell
    // that the style drew.
    void PaintMatches(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
};
