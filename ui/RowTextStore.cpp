// SPDX-License-Identifier: MIT
#include "RowTextStore.h"

#include <cstring>

// A row: its text offset (4 bytes, least significant first), then each
// field in field order as either
//   one byte n < 0xF0 and the n bytes of the text, or
//   0xF0 | id >> 8 and id & 0xFF: the text of dictionary entry `id`.

namespace {

constexpr uint8_t kReference = 0xF0;
// A reference takes two bytes: shorter texts are always stored.
constexpr std::size_t kShortestShared = 2;

}  // namespace

// The first and last bytes of a text of two or more: eight of each from
// eight bytes up, four from four, else two and one. With the length they
// tell texts of up to sixteen bytes apart.
RowTextStore::Words RowTextStore::WordsOf(std::string_view text) {
    const char* p = text.data();
    const std::size_t n = text.size();
    Words words{0, 0};
    if (n >= 8) {
        std::memcpy(&words.head, p, 8);
        std::memcpy(&words.tail, p + n - 8, 8);
    } else if (n >= 4) {
        uint32_t head;
        uint32_t tail;
        std::memcpy(&head, p, 4);
        std::memcpy(&tail, p + n - 4, 4);
        words = {head, tail};
    } else {
        uint16_t head;
        std::memcpy(&head, p, 2);
        words = {head, static_cast<unsigned char>(p[n - 1])};
    }
    return words;
}

RowTextStore::RowTextStore() = default;
RowTextStore::~RowTextStore() = default;
RowTextStore::RowTextStore(RowTextStore&&) noexcept = default;
RowTextStore& RowTextStore::operator=(RowTextStore&&) noexcept = default;

uint64_t RowTextStore::Reserve(std::size_t bytes) {
    if (kBlockSize - blockUsed_ < bytes) {
        blocks_.push_back(std::make_unique_for_overwrite<uint8_t[]>(kBlockSize));
        blockUsed_ = 0;
    }
    const uint64_t place = (static_cast<uint64_t>(blocks_.size() - 1) << kBlockBits) | blockUsed_;
    blockUsed_ += bytes;
    return place;
}

std::optional<RowTextStore::Handle> RowTextStore::Append(const Fields& fields, int32_t textOffset) {
    // Room for the row as if every text were stored; what references
    // save is given back at the end.
    std::size_t room = 4 + kFieldCount;
    for (const std::string_view text : fields) {
        if (text.size() > kMaxTextLength)
            return std::nullopt;
        room += text.size();
    }
    const uint64_t place = Reserve(room);
    textBytes_ += room - 4 - kFieldCount;
    uint8_t* const begin = blocks_.back().get() + (place & (kBlockSize - 1));
    uint8_t* out = begin;
    const auto offset = static_cast<uint32_t>(textOffset);
    for (int shift = 0; shift < 32; shift += 8)
        *out++ = static_cast<uint8_t>(offset >> shift);

    for (std::size_t f = 0; f < kFieldCount; ++f) {
        const std::string_view text = fields[f];
        const std::size_t n = text.size();
        Dictionary& dictionary = dictionaries_[f];
        std::size_t newSlot = kSlots;
        Words words{0, 0};
        if (dictionary.enabled && n >= kShortestShared) {
            if (dictionary.byHash.empty())
                dictionary.byHash.assign(kSlots, 0);
            words = WordsOf(text);
            const uint64_t h = (words.head ^ (words.tail * 0x9E3779B97F4A7C15u) ^ n) * 0xBF58476D1CE4E5B9u;
            const auto slot = static_cast<std::size_t>(h >> (64 - kSlotBits));
            ++dictionary.lookups;
            if (const std::size_t id = dictionary.byHash[slot]; id != 0) {
                const Known& known = dictionary.known[id - 1];
                if ((known.entry & 0xFF) == n && known.words.head == words.head &&
                    known.words.tail == words.tail &&
                    (n <= 16 || std::memcmp(At(known.entry >> 8) + 8, text.data() + 8, n - 16) == 0)) {
                    ++dictionary.hits;
                    *out++ = static_cast<uint8_t>(kReference | ((id - 1) >> 8));
                    *out++ = static_cast<uint8_t>((id - 1) & 0xFF);
                    continue;
                }
            }
            if (dictionary.entries.size() < kMaxIds)
                newSlot = slot;
            else if (dictionary.hits * 4 < dictionary.lookups && dictionary.lookups >= 4 * kMaxIds)
                dictionary.enabled = false;  // a full dictionary of texts that rarely repeat
        }
        *out++ = static_cast<uint8_t>(n);
        if (n != 0)
            std::memcpy(out, text.data(), n);
        if (newSlot != kSlots) {
            const uint64_t textPlace = place + static_cast<uint64_t>(out - begin);
            dictionary.entries.push_back(textPlace << 8 | n);
            dictionary.known.push_back({words, textPlace << 8 | n});
            dictionary.byHash[newSlot] = static_cast<uint16_t>(dictionary.entries.size());
        }
        out += n;
    }
    blockUsed_ -= room - static_cast<std::size_t>(out - begin);
    return place;
}

std::string_view RowTextStore::Field(Handle row, int field) const {
    if (field < 0 || field >= kFieldCount)
        return {};
    const uint8_t* p = At(row) + 4;
    for (int f = 0; f < field; ++f)
        p += p[0] < kReference ? 1 + p[0] : 2;
    if (p[0] < kReference)
        return {reinterpret_cast<const char*>(p + 1), p[0]};
    const std::size_t id = static_cast<std::size_t>(p[0] & 0x0F) << 8 | p[1];
    return EntryText(dictionaries_[static_cast<std::size_t>(field)].entries[id]);
}

RowTextStore::Fields RowTextStore::AllFields(Handle row) const {
    Fields fields;
    const uint8_t* p = At(row) + 4;
    for (std::size_t f = 0; f < kFieldCount; ++f) {
        if (p[0] < kReference) {
            fields[f] = {reinterpret_cast<const char*>(p + 1), p[0]};
            p += 1 + p[0];
        } else {
            const std::size_t id = static_cast<std::size_t>(p[0] & 0x0F) << 8 | p[1];
            fields[f] = EntryText(dictionaries_[f].entries[id]);
            p += 2;
        }
    }
    return fields;
}

int32_t RowTextStore::TextOffset(Handle row) const {
    const uint8_t* p = At(row);
    uint32_t offset = 0;
    for (int i = 3; i >= 0; --i)
        offset = offset << 8 | p[i];
    return static_cast<int32_t>(offset);
}

void RowTextStore::EndAppending() {
    for (Dictionary& dictionary : dictionaries_) {
        dictionary.byHash = std::vector<uint16_t>();
        dictionary.known = std::vector<Known>();
        dictionary.entries.shrink_to_fit();
    }
}
