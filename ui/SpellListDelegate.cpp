// SPDX-License-Identifier: MIT
#include "SpellListDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>

void SpellListDelegate::initStyleOption(QStyleOptionViewItem* option,
                                        const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    // A row without an icon keeps the icon's room empty.
    if (index.column() == 0)
        option->features |= QStyleOptionViewItem::HasDecoration;
}

bool SpellListDelegate::IsTextCut(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget* widget = opt.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    // The style draws the text inside this rectangle, less a margin on
    // either side, and elides what does not fit.
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    return opt.fontMetrics.horizontalAdvance(opt.text) > textRect.width() - 2 * margin;
}

QRect SpellListDelegate::IconRect(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget* widget = opt.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    return style->subElementRect(QStyle::SE_ItemViewItemDecoration, &opt, widget);
}

bool SpellListDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                  const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (!event || !view || event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    // The school icon names its school.
    if (const QString school = index.data(Qt::AccessibleDescriptionRole).toString();
        !school.isEmpty() && IconRect(option, index).contains(event->pos())) {
        QToolTip::showText(event->globalPos(), school, view->viewport(), IconRect(option, index));
        return true;
    }
    if (IsTextCut(option, index))
        QToolTip::showText(event->globalPos(), index.data(Qt::DisplayRole).toString(),
                           view->viewport(), view->visualRect(index));
    else
        QToolTip::hideText();
    return true;
}
