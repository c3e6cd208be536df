// SPDX-License-Identifier: MIT
#pragma once
// How a cell of the spell list is drawn: every row of the first column
// keeps room for a school icon, so that texts line up whether a row has an
// icon or not, and a text cut short by its column shows whole in a tooltip,
// as the school of an icon does.

#include <QStyledItemDelegate>

class SpellListDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    // True when the cell's text does not fit its column and is drawn cut.
    bool IsTextCut(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // Where the cell's icon is drawn.
    QRect IconRect(const QStyleOptionViewItem& option, const QModelIndex& index) const;
};
