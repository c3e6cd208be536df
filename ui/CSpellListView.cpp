// SPDX-License-Identifier: MIT
#include "CSpellListView.h"

#include <algorithm>

#include <QAccessible>
#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionFocusRect>

CSpellListView::CSpellListView(QWidget* parent) : QTableView(parent) {
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    // Whole rows are selected: the header would mark every column.
    horizontalHeader()->setHighlightSections(false);
    connect(this, &QAbstractItemView::iconSizeChanged, this, &CSpellListView::UpdateRowHeight);
    UpdateRowHeight();
}

void CSpellListView::setModel(QAbstractItemModel* model) {
    if (model == this->model())
        return;
    disconnect(m_resetConnection);
    disconnect(m_insertConnection);
    QTableView::setModel(model);
    if (!model)
        return;
    // The first row's cells give the height of all: measured again when
    // the rows are replaced or the first ones arrive.
    m_resetConnection = connect(model, &QAbstractItemModel::modelReset, this, &CSpellListView::UpdateRowHeight);
    m_insertConnection = connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first) {
        if (first == 0)
            UpdateRowHeight();
    });
    UpdateRowHeight();
}

void CSpellListView::UpdateRowHeight() {
    // Without rows the height stays as the last rows had it: a new height
    // costs the header a pass over every row (25 ms at a million rows),
    // and the rows that come back would change it again. Before the first
    // rows it is the height of a cell with an icon and a line of text, as
    // every row's first cell is, so that those rows come without the pass.
    const bool hasRows = model() && model()->rowCount() > 0;
    if (!hasRows && m_bRowsMeasured)
        return;
    int height = std::max(iconSize().height(), fontMetrics().height());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    if (hasRows && itemDelegate()) {
        for (int column = 0; column < model()->columnCount(); ++column)
            height = std::max(height, itemDelegate()->sizeHint(option, model()->index(0, column)).height());
        m_bRowsMeasured = true;
    } else {
        option.features |= QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
        option.text = QStringLiteral("Xg");
        option.decorationSize = iconSize();
        height = std::max(height, style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).height());
    }
    if (verticalHeader()->defaultSectionSize() != height)
        verticalHeader()->setDefaultSectionSize(height);
}

void CSpellListView::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        UpdateRowHeight();
}

QModelIndex CSpellListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
    const QModelIndex current = currentIndex();
    if (!model() || model()->rowCount() == 0)
        return QTableView::moveCursor(cursorAction, modifiers);
    switch (cursorAction) {
    case MoveLeft:
    case MoveRight: {
        // No cell of a row is current on its own: the arrows scroll.
        QScrollBar* bar = horizontalScrollBar();
        bar->setValue(bar->value() + (cursorAction == MoveLeft ? -bar->singleStep() : bar->singleStep()));
        return current;
    }
    case MoveHome:
    case MoveEnd: {
        const int row = cursorAction == MoveHome ? 0 : model()->rowCount() - 1;
        return model()->index(row, current.isValid() ? current.column() : 0);
    }
    case MoveNext:
    case MovePrevious:
        return current;
    default:
        return QTableView::moveCursor(cursorAction, modifiers);
    }
}

void CSpellListView::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    // One focus frame around the whole current row, as a list of rows
    // shows it; the cells draw none (SpellListDelegate).
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !(hasFocus() || viewport()->hasFocus()))
        return;
    const QHeaderView* columns = horizontalHeader();
    int last = columns->count() - 1;
    while (last >= 0 && columns->isSectionHidden(last))
        --last;
    if (last < 0)
        return;
    const QRect row = visualRect(current);
    const int left = columns->sectionViewportPosition(0);
    const int right = columns->sectionViewportPosition(last) + columns->sectionSize(last);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.state |= QStyle::State_KeyboardFocusChange | QStyle::State_HasFocus;
    option.rect = QRect(left, row.y(), right - left, row.height());
    option.backgroundColor = palette().color(
        selectionModel() && selectionModel()->isSelected(current) ? QPalette::Highlight : QPalette::Base);
    QPainter painter(viewport());
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

void CSpellListView::UpdateRows(const QModelIndex& a, const QModelIndex& b) {
    for (const QModelIndex& index : {a, b})
        if (index.isValid()) {
            const QRect row = visualRect(index);
            viewport()->update(QRect(0, row.y(), viewport()->width(), row.height()));
        }
}

void CSpellListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    // The base view reports every new current cell as focused; without the
    // focus the rows are repainted as it would, and only the base view's
    // work is done.
    if (hasFocus() || !QAccessible::isActive()) {
        QTableView::currentChanged(current, previous);
        UpdateRows(previous, current);  // the rows' focus frame moves
        return;
    }
    UpdateRows(previous, current);
    // Past the table's own handler, which would report a focused cell.
    QAbstractItemView::currentChanged(current, previous);  // NOLINT(bugprone-parent-virtual-call)
}
