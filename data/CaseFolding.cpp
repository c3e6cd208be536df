#include "CaseFolding.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

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

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

constexpr uint64_t kHighBits = 0x8080808080808080ULL;

// Eight ASCII bytes with A-Z lowered, all at once: a byte's high bit is
// set in `geA` when it is >= 'A', in `gtZ` when it is > 'Z'.
uint64_t LowerAscii8(uint64_t w) {
    const uint64_t geA = w + 0x3F3F3F3F3F3F3F3FULL;  // 0x80 - 'A'
    const uint64_t gtZ = w + 0x2525252525252525ULL;  // 0x80 - 'Z' - 1
    return w | (((geA ^ gtZ) & kHighBits) >> 2);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

// Length of the run of ASCII bytes at the start of `text`.
std::size_t AsciiPrefix(std::string_view text) {
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t w;
        std::memcpy(&w, text.data() + i, 8);
        if (w & kHighBits)
            break;
    }
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80)
        ++i;
    return i;
}

}  // namespace

char32_t FoldCase(char32_t cp) {
    if (cp < kDirectLimit)
        return kDirect[cp];
    const auto* end = std::end(kFoldPairs);
    const auto* it = std::lower_bound(std::begin(kFoldPairs), end, cp,
                                      [](const FoldPair& p, char32_t c) { return p.from < c; });
    return (it != end && it->from == cp) ? it->to : cp;
}

void AppendAsciiFolded(std::string& out, std::string_view ascii) {
    const std::size_t at = out.size();
    out.resize(at + ascii.size());
    char* dst = out.data() + at;
    std::size_t i = 0;
    for (; i + 8 <= ascii.size(); i += 8) {
        uint64_t w;
        std::memcpy(&w, ascii.data() + i, 8);
        w = LowerAscii8(w);
        std::memcpy(dst + i, &w, 8);
    }
    for (; i < ascii.size(); ++i)
        dst[i] = LowerAscii(ascii[i]);
}

void AppendCaseFolded(std::string& out, std::string_view utf8) {
    std::size_t i = 0;
    while (i < utf8.size()) {
        const std::size_t run = AsciiPrefix(utf8.substr(i));
        AppendAsciiFolded(out, utf8.substr(i, run));
        i += run;
        if (i >= utf8.size())
            break;
        // One multi-byte character; the input is valid, so its lead byte
        // tells its length.
        const auto byte = [&](std::size_t k) {
            return static_cast<char32_t>(static_cast<unsigned char>(utf8[k]));
        };
        const char32_t b0 = byte(i);
        const std::size_t len = b0 < 0xE0 ? 2 : b0 < 0xF0 ? 3 : 4;
        if (i + len > utf8.size()) {  // not valid UTF-8 after all: kept as it is
            out.append(utf8.substr(i));
            break;
        }
        char32_t cp;
        if (len == 2)
            cp = ((b0 & 0x1F) << 6) | (byte(i + 1) & 0x3F);
        else if (len == 3)
            cp = ((b0 & 0x0F) << 12) | ((byte(i + 1) & 0x3F) << 6) | (byte(i + 2) & 0x3F);
        else
            cp = ((b0 & 0x07) << 18) | ((byte(i + 1) & 0x3F) << 12) | ((byte(i + 2) & 0x3F) << 6) |
                 (byte(i + 3) & 0x3F);
        const char32_t folded = FoldCase(cp);
        if (folded == cp)
            out.append(utf8.substr(i, len));
        else
            AppendUtf8(out, folded);
        i += len;
    }
}
