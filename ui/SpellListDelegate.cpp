// SPDX-License-Identifier: MIT
#include "SpellListDelegate.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

#include "MatchHighlight.h"
#include "SpellListModel.h"

void SpellListDelegate::initStyleOption(QStyleOptionViewItem* option,
                                        const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    // A row without an icon keeps the icon's room empty.
    if (index.column() == 0)
        option->features |= QStyleOptionViewItem::HasDecoration;
}

void SpellListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    // The view frames the whole current row; a cell draws no focus of its own.
    QStyleOptionViewItem opt = option;
    opt.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(painter, opt, index);
    PaintMatches(painter, opt, index);
}

void SpellListDelegate::PaintMatches(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
    const TextRanges ranges = index.data(SpellListModel::MatchRangesRole).value<TextRanges>();
    if (ranges.isEmpty())
        return;
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    if (opt.direction != Qt::LeftToRight ||
        (opt.textElideMode != Qt::ElideRight && opt.textElideMode != Qt::ElideNone))
        return;
    const QWidget* widget = opt.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    // Where the style put the text: inside its rectangle less a margin on
    // either side, aligned there, cut at the right with an ellipsis.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect room =
        style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(margin, 0, -margin, 0);
    if (room.width() <= 0)
        return;
    const QFontMetrics& metrics = opt.fontMetrics;
    qsizetype visible = opt.text.size();
    QString shown = opt.text;
    if (opt.textElideMode == Qt::ElideRight) {
        shown = metrics.elidedText(opt.text, Qt::ElideRight, room.width());
        if (shown != opt.text)
            visible = std::max<qsizetype>(0, shown.size() - 1);  // the characters before the ellipsis
    }
    const QRect line = QStyle::alignedRect(opt.direction, opt.displayAlignment,
                                           QSize(metrics.horizontalAdvance(shown), metrics.height()), room);
    painter->save();
    painter->setClipRect(room.intersected(opt.rect));
    painter->setFont(opt.font);
    for (const auto& [start, length] : ranges) {
        const qsizetype end = std::min<qsizetype>(start + length, visible);
        if (start >= end)
            continue;
        const int left = line.left() + metrics.horizontalAdvance(shown.left(start));
        const QString part = shown.mid(start, end - start);
        const QRect mark(left, line.top(), metrics.horizontalAdvance(part), line.height());
        painter->fillRect(mark, MatchBackground());
        painter->setPen(MatchForeground());
        painter->drawText(QPoint(left, line.top() + metrics.ascent()), part);
    }
    painter->restore();
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
