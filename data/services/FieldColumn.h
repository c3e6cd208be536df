// SPDX-License-Identifier: MIT
#pragma once
// One field of a list's rows as the search reads it: each distinct text
// folded once, and each row the number of its text. Lists repeat most
// field texts (levels, schools, ranges, components), so a row takes one
// or two bytes a field, and a term is looked for once in each distinct
// text rather than once a row.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class FieldColumn {
public:
    // Appends a row whose field is `raw` (as stored); returns the id of
    // its text. Texts equal byte for byte share an id; ids count from 0 in
    // the order the texts are first met. May throw std::bad_alloc, after
    // which the column is only fit to be destroyed.
    uint32_t Append(std::string_view raw);
    void Reserve(std::size_t rows) { ids8_.reserve(rows); }

    std::size_t RowCount() const { return rows_; }
    std::size_t TextCount() const { return foldedEnd_.size(); }
    // Bytes of the distinct folded texts.
    std::size_t TextBytes() const { return folded_.size(); }
    // The text of `id`, folded (FoldDisplayText) and as stored.
    std::string_view Folded(uint32_t id) const;
    std::string_view Raw(uint32_t id) const;
    uint32_t IdAt(std::size_t row) const;

    // Calls `visit` with the rows' ids as a span of the narrowest unsigned
    // type that holds them, so that a pass over all rows reads one to four
    // bytes a row without a branch for the width.
    template <class Visit>
    decltype(auto) VisitIds(Visit&& visit) const {
        if (width_ == 4)
            return visit(std::span<const uint32_t>(ids32_));
        if (width_ == 2)
            return visit(std::span<const uint16_t>(ids16_));
        return visit(std::span<const uint8_t>(ids8_));
    }

private:
    void Rehash();
    void PushId(uint32_t id);

    std::string raw_;                  // the distinct texts as stored, back to back
    std::vector<uint32_t> rawEnd_;     // by id
    std::string folded_;               // the same folded
    std::vector<uint32_t> foldedEnd_;  // by id
    std::vector<uint32_t> slots_;      // id + 1 by hash of the raw text; 0 for none
    // The rows' ids in the narrowest of these that holds them all; the
    // others are empty.
    std::vector<uint8_t> ids8_;
    std::vector<uint16_t> ids16_;
    std::vector<uint32_t> ids32_;
    std::size_t rows_ = 0;
    unsigned width_ = 1;  // bytes an id
};
