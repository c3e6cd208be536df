// SPDX-License-Identifier: MIT
#pragma once
// The order of the list's rows: ascending by the case-folded display text
// of their key field without leading blanks, compared as UTF-8 bytes (code
// point order), or descending; rows with equal keys in the order they were
// added (file order) either way.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class KeyOrder {
public:
    // Descending order; set before the first Add().
    void SetDescending(bool descending) { descending_ = descending; }
    // Room for `rows` keys; a hint.
    void Reserve(std::size_t rows);
    // Adds the key of the next row, its text as stored in the file. May
    // throw std::bad_alloc.
    void Add(std::string_view raw);
    std::size_t Size() const { return entries_.size(); }

    // Orders the rows added so far, once, calling `keepAlive` (when given)
    // every few thousand rows of work. Nothing can be added afterwards.
    void Sort(const std::function<void()>& keepAlive = {});
    // The row at place `i` of the order (after Sort()).
    uint32_t RowAt(std::size_t i) const { return entries_[i].row; }

private:
    // A key is sorted eight bytes at a time: each entry holds one chunk of
    // its key, the bytes packed most significant first and padded with
    // zeros (no key holds a zero byte). The chunks after the first wait in
    // rest_ until a tie on the chunk before asks for them.
    struct Entry {
        uint64_t chunk;
        uint32_t row;
        uint32_t rest;  // index of the key's second chunk in rest_, or kNoRest
    };
    static constexpr uint32_t kNoRest = UINT32_MAX;

    // Entries that agree on their keys before `chunk` and on the chunk's
    // bytes ordered so far.
    struct Range {
        std::size_t begin;
        std::size_t end;
        std::size_t chunk;  // which chunk of the keys the entries hold
    };
    void SortRange(const Range& range, std::vector<Range>& pending, const std::function<void()>& keepAlive);
    void SortSmall(const Range& range, std::vector<Range>& pending);
    // The entries of [begin, end) hold the same chunk: order them by their
    // next chunk, or by row when their keys end in it.
    void Resolve(std::size_t begin, std::size_t end, std::size_t chunk, std::vector<Range>& pending);

    bool descending_ = false;
    std::vector<Entry> entries_;
    std::vector<uint64_t> rest_;
    std::vector<char> ascii_;  // scratch: a key folded as ASCII
    std::string folded_;       // scratch: a key folded as any text
};
