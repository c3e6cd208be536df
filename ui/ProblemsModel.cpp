// SPDX-License-Identifier: MIT
#include "ProblemsModel.h"

#include <algorithm>

#include "DisplayText.h"
#include "Messages.h"

ProblemsModel::ProblemsModel(QObject* parent) : QAbstractTableModel(parent) {}

void ProblemsModel::SetProblems(const std::vector<Diagnostic>& diagnostics) {
    beginResetModel();
    m_problems.clear();
    for (const Diagnostic& d : diagnostics)
        if (d.severity == Severity::kWarning)
            m_problems.push_back(&d);
    std::stable_sort(m_problems.begin(), m_problems.end(),
                     [](const Diagnostic* a, const Diagnostic* b) { return a->nLine < b->nLine; });
    endResetModel();
}

int ProblemsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(std::min<std::size_t>(m_problems.size(), INT32_MAX));
}

int ProblemsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant ProblemsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Diagnostic& d = *m_problems[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case kLineColumn: return QString::number(d.nLine);
        case kMessageColumn: return Message(d.strMessage);
        case kSpellColumn: return Utf8(d.strSpell);
        default: return {};
        }
    case Qt::ToolTipRole:
        // A message wider than its column is read whole here.
        return index.column() == kMessageColumn ? QVariant(Message(d.strMessage)) : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue((index.column() == kLineColumn ? Qt::AlignRight : Qt::AlignLeft) |
                                   Qt::AlignVCenter);
    default: return {};
    }
}

QVariant ProblemsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumnCount)
        return {};
    return Message(messages::kProblemColumns[static_cast<std::size_t>(section)]);
}
