// SPDX-License-Identifier: MIT
#pragma once
// Simple Unicode case folding (CaseFolding.txt, statuses C and S): the
// one-to-one mapping that makes "Ä" and "ä", "Ж" and "ж" compare equal.

#include <cstddef>
#include <string>
#include <string_view>

#include "TextDecoding.h"

// The simple case folding of code point `cp`; `cp` itself when it has none.
char32_t FoldCase(char32_t cp);

// Writes the UTF-8 of `cp` (at most four bytes) to `out`; returns the end.
char* PutUtf8(char* out, char32_t cp);

// Folds the run of ASCII bytes at the start of `text` into `out` (A-Z
// lowered, eight bytes at a time); returns the length of the run.
std::size_t FoldAsciiRun(char* out, std::string_view text);

// Room the folding of `n` raw bytes may take: a Windows-1251 byte can
// become three bytes of UTF-8.
constexpr std::size_t FoldRoom(std::size_t n) { return 3 * n + 4; }

// The folding of `raw` read as Windows-1251, into `out` (FoldRoom bytes);
// returns the end.
char* FoldCp1251(char* out, std::string_view raw);

// The simple case folding of `raw` as it is displayed (DecodeForDisplay:
// UTF-8 when it is valid UTF-8, else Windows-1251), into `out`, which has
// FoldRoom(raw.size()) bytes; returns the end. This one folding serves
// typed terms, rows, filters and sort keys, so they compare alike.
// One pass checks and folds UTF-8; the first byte that is not UTF-8 starts
// over as Windows-1251. Inline: it folds every field of every row.
inline char* FoldDisplayText(char* out, std::string_view raw) {
    char* const begin = out;
    const auto byte = [&](std::size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(raw[k])); };
    for (std::size_t i = 0; i < raw.size();) {
        const std::size_t run = FoldAsciiRun(out, raw.substr(i));
        out += run;
        i += run;
        while (i < raw.size() && byte(i) >= 0x80) {
            const std::size_t length = Utf8SequenceLength(raw, i);
            if (length == 0)
                return FoldCp1251(begin, raw);
            const char32_t cp = DecodeUtf8(raw, i, length);
            out = PutUtf8(out, FoldCase(cp));
            i += length;
        }
    }
    return out;
}

// The same appended to `out`.
void AppendDisplayFolded(std::string& out, std::string_view raw);
