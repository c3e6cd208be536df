// SPDX-License-Identifier: MIT
#pragma once
// The texts of the list's rows, held compactly: each row's text offset and
// nine field texts one after another in large blocks, and a text that the
// same field held in an earlier row as a two-byte reference to that copy.
// Lists repeat most field texts (schools, ranges, components, levels), so
// a row takes little more than its name.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "SpellRecord.h"

class RowTextStore {
public:
    // Where a row's texts begin.
    using Handle = uint64_t;
    using Fields = std::array<std::string_view, kFieldCount>;

    // The longest field text a row may have; records hold at most 100 bytes.
    static constexpr std::size_t kMaxTextLength = 0xEF;

    RowTextStore();
    ~RowTextStore();
    RowTextStore(RowTextStore&&) noexcept;
    RowTextStore& operator=(RowTextStore&&) noexcept;

    // Adds a row of nine field texts (field order) and a text offset.
    // Nothing when a text is longer than kMaxTextLength. Growing may throw
    // std::bad_alloc; the rows added before stay readable.
    std::optional<Handle> Append(const Fields& fields, int32_t textOffset);

    // The texts of the row at `row`, valid while the store lives.
    std::string_view Field(Handle row, int field) const;
    Fields AllFields(Handle row) const;
    int32_t TextOffset(Handle row) const;
    // Asks the processor to fetch a row that will be read soon: rows read
    // in list order stand scattered in the store.
    void Prefetch(Handle row) const { __builtin_prefetch(At(row)); }

    // Drops what only appending needs; the rows stay readable.
    void EndAppending();

    // Bytes of all the rows' field texts, each counted where it repeats.
    uint64_t TextBytes() const { return textBytes_; }
    // Bytes the rows take, the unused ends of full blocks included.
    std::size_t Bytes() const {
        return blocks_.empty() ? 0 : (blocks_.size() - 1) * kBlockSize + blockUsed_;
    }

private:
    static constexpr int kBlockBits = 20;
    static constexpr std::size_t kBlockSize = std::size_t{1} << kBlockBits;
    // Texts met earlier, per field: up to 4096, each the place and length
    // of its first copy, found again through a small hash table.
    static constexpr std::size_t kMaxIds = 4096;
    static constexpr int kSlotBits = 12;
    static constexpr std::size_t kSlots = std::size_t{1} << kSlotBits;
    struct Words {
        uint64_t head;
        uint64_t tail;
    };
    static Words WordsOf(std::string_view text);
    // What appending compares a text with: one cache line an entry.
    struct Known {
        Words words;     // WordsOf() the entry's text
        uint64_t entry;  // as in entries
    };
    struct Dictionary {
        std::vector<uint64_t> entries;  // place << 8 | length, by id
        std::vector<Known> known;       // by id, while appending
        std::vector<uint16_t> byHash;   // id + 1 by hash of the text; 0 for none
        uint64_t lookups = 0;
        uint64_t hits = 0;
        bool enabled = true;
    };

    const uint8_t* At(uint64_t place) const {
        return blocks_[place >> kBlockBits].get() + (place & (kBlockSize - 1));
    }
    std::string_view EntryText(uint64_t entry) const {
        return {reinterpret_cast<const char*>(At(entry >> 8)), static_cast<std::size_t>(entry & 0xFF)};
    }
    // Room for `bytes` more in the last block; returns the place they go.
    uint64_t Reserve(std::size_t bytes);

    std::vector<std::unique_ptr<uint8_t[]>> blocks_;
    std::size_t blockUsed_ = kBlockSize;  // bytes used of the last block
    uint64_t textBytes_ = 0;
    std::array<Dictionary, kFieldCount> dictionaries_;
};
