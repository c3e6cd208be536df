// SPDX-License-Identifier: MIT
#include "CaseFolding.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "TextDecoding.h"

namespace {

struct FoldPair {
    char32_t from;
    char32_t to;
};

constexpr FoldPair kFoldPairs[] = {
#include "CaseFoldingTable.inc"
};

// Code points below 0x800 (one and two UTF-8 bytes: Latin, Greek,
// Cyrillic, ...) are looked up directly.
constexpr char32_t kDirectLimit = 0x800;
constexpr auto kDirect = [] {
    std::array<char32_t, kDirectLimit> table{};
    for (char32_t cp = 0; cp < kDirectLimit; ++cp)
        table[cp] = cp;
    for (const FoldPair& pair : kFoldPairs)
        if (pair.from < kDirectLimit)
            table[pair.from] = pair.to;
    return table;
}();

constexpr uint64_t kHighBits = 0x8080808080808080ULL;

// Eight ASCII bytes with A-Z lowered, all at once: a byte's high bit is
// set in `geA` when it is >= 'A', in `gtZ` when it is > 'Z'.
uint64_t LowerAscii8(uint64_t w) {
    const uint64_t geA = w + 0x3F3F3F3F3F3F3F3FULL;  // 0x80 - 'A'
    const uint64_t gtZ = w + 0x2525252525252525ULL;  // 0x80 - 'Z' - 1
    return w | (((geA ^ gtZ) & kHighBits) >> 2);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

}  // namespace

char32_t FoldCase(char32_t cp) {
    if (cp < kDirectLimit)
        return kDirect[cp];
    const auto* end = std::end(kFoldPairs);
    const auto* it = std::lower_bound(std::begin(kFoldPairs), end, cp,
                                      [](const FoldPair& p, char32_t c) { return p.from < c; });
    return (it != end && it->from == cp) ? it->to : cp;
}

char* PutUtf8(char* out, char32_t cp) {
    if (cp < 0x80) {
        *out++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out++ = static_cast<char>(0xC0 | (cp >> 6));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (cp >> 12));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (cp >> 18));
        *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

std::size_t FoldAsciiRun(char* out, std::string_view text) {
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t w;
        std::memcpy(&w, text.data() + i, 8);
        if (w & kHighBits)
            break;
        w = LowerAscii8(w);
        std::memcpy(out + i, &w, 8);
    }
    for (; i < text.size() && static_cast<unsigned char>(text[i]) < 0x80; ++i)
        out[i] = LowerAscii(text[i]);
    return i;
}

char* FoldCp1251(char* out, std::string_view raw) {
    struct Folded {
        char bytes[4];
        uint8_t length;
    };
    static const auto kHigh = [] {
        std::array<Folded, 128> table{};
        for (std::size_t b = 0; b < table.size(); ++b) {
            Folded& f = table[b];
            const char32_t cp = Cp1251ToUnicode(static_cast<unsigned char>(0x80 + b));
            f.length = static_cast<uint8_t>(PutUtf8(f.bytes, FoldCase(cp)) - f.bytes);
        }
        return table;
    }();
    for (std::size_t i = 0; i < raw.size();) {
        const std::size_t run = FoldAsciiRun(out, raw.substr(i));
        out += run;
        i += run;
        for (; i < raw.size() && static_cast<unsigned char>(raw[i]) >= 0x80; ++i) {
            const Folded& f = kHigh[static_cast<unsigned char>(raw[i]) - 0x80u];
            std::memcpy(out, f.bytes, sizeof f.bytes);
            out += f.length;
        }
    }
    return out;
}

void AppendDisplayFolded(std::string& out, std::string_view raw) {
    const std::size_t at = out.size();
    out.resize(at + FoldRoom(raw.size()));
    const char* end = FoldDisplayText(out.data() + at, raw);
    out.resize(static_cast<std::size_t>(end - out.data()));
}
