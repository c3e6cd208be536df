// SPDX-License-Identifier: MIT
#include "FieldColumn.h"

#include <cstring>
#include <limits>
#include <new>

#include "CaseFolding.h"

namespace {

// A hash of a field text from its first and last eight bytes and its
// length: inline and branch-light, as every field of every row is hashed;
// texts alike there but different between are told apart by comparing.
// Short texts are read as two overlapping words, never a byte at a time.
std::size_t Hash(std::string_view text) {
    const auto word = [&](std::size_t at, std::size_t bytes) {
        uint64_t value = 0;
        if (bytes == 8) {
            std::memcpy(&value, text.data() + at, 8);
        } else {
            uint32_t half = 0;
            std::memcpy(&half, text.data() + at, 4);
            value = half;
        }
        return value;
    };
    const std::size_t n = text.size();
    uint64_t head = 0;
    uint64_t tail = 0;
    if (n >= 8) {
        head = word(0, 8);
        tail = word(n - 8, 8);
    } else if (n >= 4) {
        head = word(0, 4);
        tail = word(n - 4, 4);
    } else if (n > 0) {
        const auto byte = [&](std::size_t at) { return uint64_t{static_cast<unsigned char>(text[at])}; };
        head = byte(0) << 16 | byte(n / 2) << 8 | byte(n - 1);
    }
    uint64_t h = (head * 0x9E3779B97F4A7C15u) ^ (tail + n) * 0xC2B2AE3D27D4EB4Fu;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9u;
    return static_cast<std::size_t>(h ^ (h >> 32));
}

// Texts are found by 32-bit offsets into their stores.
void CheckRoom(const std::string& store, std::size_t more) {
    if (store.size() + more > std::numeric_limits<uint32_t>::max())
        throw std::bad_alloc();
}

}  // namespace

std::string_view FieldColumn::Raw(uint32_t id) const {
    const uint32_t begin = id == 0 ? 0 : rawEnd_[id - 1];
    return std::string_view(raw_).substr(begin, rawEnd_[id] - begin);
}

std::string_view FieldColumn::Folded(uint32_t id) const {
    const uint32_t begin = id == 0 ? 0 : foldedEnd_[id - 1];
    return std::string_view(folded_).substr(begin, foldedEnd_[id] - begin);
}

uint32_t FieldColumn::IdAt(std::size_t row) const {
    return VisitIds([row](auto ids) { return static_cast<uint32_t>(ids[row]); });
}

void FieldColumn::Rehash() {
    std::vector<uint32_t> slots(std::max<std::size_t>(16, slots_.size() * 2), 0);
    const std::size_t mask = slots.size() - 1;
    for (uint32_t id = 0; id < TextCount(); ++id) {
        std::size_t slot = Hash(Raw(id)) & mask;
        while (slots[slot] != 0)
            slot = (slot + 1) & mask;
        slots[slot] = id + 1;
    }
    slots_ = std::move(slots);
}

void FieldColumn::PushId(uint32_t id) {
    if (width_ == 1 && id > std::numeric_limits<uint8_t>::max()) {
        ids16_.reserve(ids8_.capacity());
        ids16_.assign(ids8_.begin(), ids8_.end());
        ids8_ = std::vector<uint8_t>();
        width_ = 2;
    }
    if (width_ == 2 && id > std::numeric_limits<uint16_t>::max()) {
        ids32_.reserve(ids16_.capacity());
        ids32_.assign(ids16_.begin(), ids16_.end());
        ids16_ = std::vector<uint16_t>();
        width_ = 4;
    }
    if (width_ == 1)
        ids8_.push_back(static_cast<uint8_t>(id));
    else if (width_ == 2)
        ids16_.push_back(static_cast<uint16_t>(id));
    else
        ids32_.push_back(id);
}

uint32_t FieldColumn::Append(std::string_view raw) {
    // At most half the slots full: probes stay short.
    if (2 * (TextCount() + 1) > slots_.size())
        Rehash();
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = Hash(raw) & mask;
    while (slots_[slot] != 0 && Raw(slots_[slot] - 1) != raw)
        slot = (slot + 1) & mask;
    uint32_t id = 0;
    if (slots_[slot] != 0) {
        id = slots_[slot] - 1;
    } else {
        if (TextCount() >= std::numeric_limits<uint32_t>::max() - 1)
            throw std::bad_alloc();
        CheckRoom(raw_, raw.size());
        CheckRoom(folded_, FoldRoom(raw.size()));
        id = static_cast<uint32_t>(TextCount());
        raw_.append(raw);
        const std::size_t at = folded_.size();
        folded_.resize(at + FoldRoom(raw.size()));
        folded_.resize(static_cast<std::size_t>(FoldDisplayText(folded_.data() + at, raw) - folded_.data()));
        rawEnd_.push_back(static_cast<uint32_t>(raw_.size()));
        foldedEnd_.push_back(static_cast<uint32_t>(folded_.size()));
        slots_[slot] = id + 1;
    }
    PushId(id);
    ++rows_;
    return id;
}
