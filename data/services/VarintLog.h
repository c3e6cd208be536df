// SPDX-License-Identifier: MIT
#pragma once
// A compact append-only store of unsigned numbers and byte strings: a
// number takes one byte per 7 bits (LEB128), and the bytes go into blocks
// of 64 KiB, so that growing never copies what is stored.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class VarintLog {
public:
    static constexpr std::size_t kBlockBytes = std::size_t{64} * 1024;

    // Where the next byte goes; a position for Reader.
    uint64_t Size() const { return size_; }

    void Put(uint64_t n) {
        while (n >= 0x80) {
            PutByte(static_cast<uint8_t>(n | 0x80));
            n >>= 7;
        }
        PutByte(static_cast<uint8_t>(n));
    }
    // The length, then the bytes.
    void PutString(std::string_view bytes) {
        Put(bytes.size());
        while (!bytes.empty()) {
            if (size_ % kBlockBytes == 0)
                PutByte(static_cast<uint8_t>(bytes[0]));  // begins a block
            else {
                const std::size_t room = kBlockBytes - size_ % kBlockBytes;
                const std::size_t n = std::min(room, bytes.size());
                std::memcpy(blocks_.back().get() + size_ % kBlockBytes, bytes.data(), n);
                size_ += n;
                bytes.remove_prefix(n);
                continue;
            }
            bytes.remove_prefix(1);
        }
    }
    // Reads what was put, in order, from a position.
    class Reader {
    public:
        explicit Reader(const VarintLog& log, uint64_t at = 0) : log_(log), at_(at) {}
        bool AtEnd() const { return at_ >= log_.size_; }
        uint64_t Get() {
            uint64_t n = 0;
            for (unsigned shift = 0; !AtEnd() && shift < 64; shift += 7) {
                const uint8_t b = Byte();
                n |= uint64_t{b & 0x7Fu} << shift;
                if ((b & 0x80) == 0)
                    break;
            }
            return n;
        }
        std::string GetString() {
            std::string out(static_cast<std::size_t>(Get()), '\0');
            for (char& c : out)
                c = AtEnd() ? '\0' : static_cast<char>(Byte());
            return out;
        }
        // Whether the string that follows equals `bytes`; reads it.
        bool StringEquals(std::string_view bytes) {
            const uint64_t size = Get();
            bool same = size == bytes.size();
            for (uint64_t i = 0; i < size && !AtEnd(); ++i) {
                const uint8_t b = Byte();
                same = same && b == static_cast<uint8_t>(bytes[static_cast<std::size_t>(i)]);
            }
            return same;
        }

    private:
        uint8_t Byte() {
            const uint8_t b = log_.blocks_[at_ / kBlockBytes][at_ % kBlockBytes];
            ++at_;
            return b;
        }
        const VarintLog& log_;
        uint64_t at_;
    };

private:
    void PutByte(uint8_t b) {
        if (size_ % kBlockBytes == 0 && size_ / kBlockBytes == blocks_.size())
            blocks_.push_back(std::make_unique<uint8_t[]>(kBlockBytes));
        blocks_[size_ / kBlockBytes][size_ % kBlockBytes] = b;
        ++size_;
    }

    std::vector<std::unique_ptr<uint8_t[]>> blocks_;
    uint64_t size_ = 0;
};
