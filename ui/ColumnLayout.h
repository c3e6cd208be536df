// SPDX-License-Identifier: MIT
#pragma once
// The list's column widths: the table's widths scaled to the font, a width
// the user gave a column kept with its field, and room beyond their sum
// shared out among the other columns in proportion to their widths.

#include <array>
#include <vector>

#include "ColumnTables.h"

class ColumnLayout {
public:
    // `tableWidths`: the width of each field's column (0..8) at the
    // template size.
    explicit ColumnLayout(const std::array<int, kColumnCount>& tableWidths) : table_(tableWidths) {}

    // The user's width for `field`'s column; 0 or less forgets it.
    void SetUserWidth(int field, int width);
    // The width each field's header needs for its whole caption: columns
    // get it first from room left over, before the rest is shared.
    void SetCaptionWidths(const std::array<int, kColumnCount>& widths) { caption_ = widths; }
    // The user's width for `field`, or 0 when the user set none.
    int UserWidth(int field) const;

    // The widths of columns 0..8 with `keyField` in front, for a list that
    // shows `available` pixels across. A column never gets narrower than
    // its user or table width; room left over goes to the columns without
    // a user width, in proportion to their table widths.
    std::vector<int> Widths(int keyField, int available) const;

private:
    std::array<int, kColumnCount> table_;
    std::array<int, kColumnCount> user_{};
    std::array<int, kColumnCount> caption_{};
};
