// SPDX-License-Identifier: MIT
#include "ColumnLayout.h"

#include <algorithm>
#include <cstdint>

void ColumnLayout::SetUserWidth(int field, int width) {
    if (IsColumnField(field))
        user_[static_cast<std::size_t>(field)] = width > 0 ? width : 0;
}

int ColumnLayout::UserWidth(int field) const {
    return IsColumnField(field) ? user_[static_cast<std::size_t>(field)] : 0;
}

std::vector<int> ColumnLayout::Widths(int keyField, int available) const {
    std::vector<int> widths;
    int64_t used = 0;
    int64_t growable = 0;  // table widths of the columns that take extra room
    for (int column = 0; column < kColumnCount; ++column) {
        const auto field = static_cast<std::size_t>(ColumnField(keyField, column));
        widths.push_back(user_[field] > 0 ? user_[field] : table_[field]);
        used += widths.back();
        if (user_[field] == 0)
            growable += table_[field];
    }
    int64_t extra = available - used;
    if (extra <= 0 || growable <= 0)
        return widths;
    // Cut captions first, when the room allows all of them.
    int64_t captions = 0;
    for (int column = 0; column < kColumnCount; ++column) {
        const auto field = static_cast<std::size_t>(ColumnField(keyField, column));
        if (user_[field] == 0)
            captions += std::max(0, caption_[field] - table_[field]);
    }
    if (captions <= extra) {
        for (int column = 0; column < kColumnCount; ++column) {
            const auto field = static_cast<std::size_t>(ColumnField(keyField, column));
            if (user_[field] == 0)
                widths[static_cast<std::size_t>(column)] = std::max(table_[field], caption_[field]);
        }
        extra -= captions;
    }
    // Shares by running sums, so that they add up to the extra exactly.
    int64_t before = 0;
    int64_t given = 0;
    for (int column = 0; column < kColumnCount; ++column) {
        const auto field = static_cast<std::size_t>(ColumnField(keyField, column));
        if (user_[field] > 0)
            continue;
        before += table_[field];
        const int64_t share = extra * before / growable - given;
        given += share;
        widths[static_cast<std::size_t>(column)] += static_cast<int>(share);
    }
    return widths;
}
