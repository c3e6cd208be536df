// SPDX-License-Identifier: MIT
#include "NameTable.h"

#include <algorithm>
#include <functional>

uint64_t NameTable::Hash(std::string_view name) { return std::hash<std::string_view>{}(name); }

void NameTable::FetchSlot(uint64_t hash) const {
    if (!m_slots.empty())
        __builtin_prefetch(&m_slots[Home(hash)]);
}

NameTable::NameTable(unsigned positionBits)
    : m_nPositionBits(positionBits), m_nPositionMask((uint64_t{1} << positionBits) - 1) {}

void NameTable::Grow() {
    // Twice the slots, to keep the table at most three quarters full. A
    // slot's place comes from the top bits of its name's hash, which the
    // slot keeps while the table has no more places than those bits can
    // tell; beyond, the name is hashed again.
    const unsigned bits = std::max(10u, m_nSlotBits + 1);
    std::vector<uint64_t> old(std::size_t{1} << bits);
    old.swap(m_slots);
    m_nSlotBits = bits;
    const std::size_t mask = m_slots.size() - 1;
    for (const uint64_t slot : old) {
        if (slot == 0)
            continue;
        uint64_t hash = slot & ~m_nPositionMask;
        if (bits > 64 - m_nPositionBits) {
            VarintLog::Reader name(m_names, (slot & m_nPositionMask) - 1);
            (void)name.Get();  // its line
            hash = Hash(name.GetString());
        }
        std::size_t i = static_cast<std::size_t>(hash >> (64 - bits));
        while (m_slots[i] != 0)
            i = (i + 1) & mask;
        m_slots[i] = slot;
    }
}

int64_t NameTable::FirstLine(std::string_view name, int64_t line, uint64_t hash) {
    if ((m_nNames + 1) * 4 > m_slots.size() * 3)
        Grow();
    const uint64_t tag = hash & ~m_nPositionMask;
    const std::size_t mask = m_slots.size() - 1;
    std::size_t i = Home(hash);
    for (; m_slots[i] != 0; i = (i + 1) & mask) {
        const uint64_t slot = m_slots[i];
        if ((slot & ~m_nPositionMask) != tag)
            continue;
        VarintLog::Reader stored(m_names, (slot & m_nPositionMask) - 1);
        const auto first = static_cast<int64_t>(stored.Get());
        if (stored.StringEquals(name))
            return first;
    }
    const uint64_t position = m_names.Size() + 1;
    if (position > m_nPositionMask)
        return 0;  // the store is full: not remembered
    m_names.Put(static_cast<uint64_t>(line));
    m_names.PutString(name);
    m_slots[i] = tag | position;
    ++m_nNames;
    return 0;
}
