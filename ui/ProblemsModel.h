// SPDX-License-Identifier: MIT
#pragma once
// The warnings of a spell text check as a table: line, message, spell.
// Cells are made when shown, so any number of warnings costs little more
// than the warnings themselves.

#include <vector>

#include <QAbstractTableModel>

#include "SpellCheck.h"

class ProblemsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kLineColumn, kMessageColumn, kSpellColumn, kColumnCount };

    explicit ProblemsModel(QObject* parent = nullptr);

    // The warnings among `diagnostics`, ordered by line. The model refers
    // to them: `diagnostics` must outlive it or the next SetProblems.
    void SetProblems(const std::vector<Diagnostic>& diagnostics);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<const Diagnostic*> m_problems;
};
