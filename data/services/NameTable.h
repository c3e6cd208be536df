// SPDX-License-Identifier: MIT
#pragma once
// The names of the spells seen, for finding a spell named as one before it.
//
// An open-addressing table over a compact store of the names: each name
// keeps its line and its bytes in a VarintLog, and a slot of 8 bytes finds
// it by hash. Against std::unordered_map<std::string, int64_t> it takes
// about 19 % off the check of a 150 MB text (CheckBench's BM_Check against
// the map, paired in one run), and keeps well under half the memory per
// name.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "VarintLog.h"

class NameTable {
public:
    // A slot holds a name's position in the store, + 1, in its low
    // `positionBits` bits and the top bits of its hash above them. The
    // default leaves 24 bits of hash and a terabyte of names; tests choose
    // others to reach every path.
    explicit NameTable(unsigned positionBits = 40);

    // The line given for `name` when it was first added, or 0 when it is
    // new: then it is added with `line` (not when the store is full).
    int64_t FirstLine(std::string_view name, int64_t line) { return FirstLine(name, line, Hash(name)); }
    // The same with the name's Hash.
    int64_t FirstLine(std::string_view name, int64_t line, uint64_t hash);

    // A look-up readied ahead, while other work is done: the name's hash,
    // then FetchSlot to bring its first slot into the cache, for FirstLine
    // to find at hand. Only a hint: the answers stay the same without. (A
    // second step that fetched the stored name the slot points to did not
    // measure.)
    static uint64_t Hash(std::string_view name);
    void FetchSlot(uint64_t hash) const;

    std::size_t Size() const { return m_nNames; }

private:
    void Grow();
    std::size_t Home(uint64_t hash) const { return static_cast<std::size_t>(hash >> (64 - m_nSlotBits)); }

    unsigned m_nPositionBits;
    uint64_t m_nPositionMask;
    VarintLog m_names;  // line, then the bytes, of each name
    std::vector<uint64_t> m_slots;
    unsigned m_nSlotBits = 0;  // log2 of the slots
    std::size_t m_nNames = 0;
};
