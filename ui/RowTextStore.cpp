#include "RowTextStore.h"

#include <cstring>

// A row: its text offset (4 bytes, least significant first), then each
// field in field order as either
//   one byte n < 0xF0 and the n bytes of the text, or
//   0xF0 | id >> 8 and id & 0xFF: the text of dictionary entry `id`.

namespace {

constexpr uint8_t kReference = 0xF0;
constexpr std::size_t kNoSlot = SIZE_MAX;
// A reference takes two bytes: shorter texts are always stored.
constexpr std::size_t kShortestShared = 2;

// A hash of the text's length and of its first and last bytes (eight of
// each when it has that many).
std::size_t Slot(std::string_view text, int bits) {
    const char* p = text.data();
    const std::size_t n = text.size();
    uint64_t head = 0;
    uint64_t tail = 0;
    if (n >= 8) {
        std::memcpy(&head, p, 8);
        std::memcpy(&tail, p + n - 8, 8);
    } else if (n >= 4) {
        uint32_t h;
        uint32_t t;
        std::memcpy(&h, p, 4);
        std::memcpy(&t, p + n - 4, 4);
        head = h;
        tail = t;
    } else {  // two or three bytes
        uint16_t h;
        std::memcpy(&h, p, 2);
        head = h;
        tail = static_cast<unsigned char>(p[n - 1]);
    }
    const uint64_t h = (head ^ (tail * 0x9E3779B97F4A7C15u) ^ n) * 0xBF58476D1CE4E5B9u;
    return static_cast<std::size_t>(h >> (64 - bits));
}

}  // namespace

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
    // First what each field becomes, then the row's bytes in one go.
    std::array<std::size_t, kFieldCount> ids;    // dictionary entry, or kNoSlot
    std::array<std::size_t, kFieldCount> newSlots;  // where a new entry goes, or kNoSlot
    std::size_t bytes = 4;
    for (std::size_t f = 0; f < kFieldCount; ++f) {
        const std::string_view text = fields[f];
        if (text.size() > kMaxTextLength)
            return std::nullopt;
        ids[f] = kNoSlot;
        newSlots[f] = kNoSlot;
        Dictionary& dictionary = dictionaries_[f];
        if (dictionary.enabled && text.size() >= kShortestShared) {
            if (dictionary.byHash.empty())
                dictionary.byHash.assign(std::size_t{1} << kSlotBits, 0);
            const std::size_t slot = Slot(text, kSlotBits);
            ++dictionary.lookups;
            const std::size_t id = dictionary.byHash[slot];
            if (id != 0 && EntryText(dictionary.entries[id - 1]) == text) {
                ++dictionary.hits;
                ids[f] = id - 1;
                bytes += 2;
                continue;
            }
            if (dictionary.entries.size() < kMaxIds)
                newSlots[f] = slot;
            else if (dictionary.hits * 4 < dictionary.lookups && dictionary.lookups >= 4 * kMaxIds)
                dictionary.enabled = false;  // a full dictionary of texts that rarely repeat
        }
        bytes += 1 + text.size();
    }

    const uint64_t place = Reserve(bytes);
    uint8_t* const begin = blocks_.back().get() + (place & (kBlockSize - 1));
    uint8_t* out = begin;
    const auto offset = static_cast<uint32_t>(textOffset);
    for (int shift = 0; shift < 32; shift += 8)
        *out++ = static_cast<uint8_t>(offset >> shift);
    for (std::size_t f = 0; f < kFieldCount; ++f) {
        if (ids[f] != kNoSlot) {
            *out++ = static_cast<uint8_t>(kReference | (ids[f] >> 8));
            *out++ = static_cast<uint8_t>(ids[f] & 0xFF);
            continue;
        }
        const std::string_view text = fields[f];
        *out++ = static_cast<uint8_t>(text.size());
        if (!text.empty())
            std::memcpy(out, text.data(), text.size());
        if (newSlots[f] != kNoSlot) {
            Dictionary& dictionary = dictionaries_[f];
            const uint64_t textPlace = place + static_cast<uint64_t>(out - begin);
            dictionary.entries.push_back(textPlace << 8 | text.size());
            dictionary.byHash[newSlots[f]] = static_cast<uint16_t>(dictionary.entries.size());
        }
        out += text.size();
    }
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
        dictionary.byHash = {};
        dictionary.entries.shrink_to_fit();
    }
}
