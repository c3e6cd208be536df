// SPDX-License-Identifier: MIT
#pragma once
// Spell texts are hand-written in whatever encoding the author's editor
// used: UTF-8 today, Windows-1251 in older files. Display text is UTF-8.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Length of the well-formed UTF-8 character that starts at text[i]: no
// overlong form, no surrogate, nothing above U+10FFFF, not truncated; 0
// when none starts there. Inline: searches call it for every character.
inline std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t b0 = byte(i);
    if (b0 < 0x80)
        return 1;
    std::size_t len;
    uint8_t lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        if (b0 == 0xE0) lo = 0xA0;  // overlong
        if (b0 == 0xED) hi = 0x9F;  // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        if (b0 == 0xF0) lo = 0x90;  // overlong
        if (b0 == 0xF4) hi = 0x8F;  // above U+10FFFF
    } else {
        return 0;
    }
    if (i + len > text.size())
        return 0;
    if (byte(i + 1) < lo || byte(i + 1) > hi)
        return 0;
    for (std::size_t k = 2; k < len; ++k)
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    return len;
}

// Length of the character whose lead byte `b0` is, in text already known
// to be valid UTF-8.
inline std::size_t Utf8LeadLength(unsigned char b0) {
    return b0 < 0x80 ? 1 : b0 < 0xE0 ? 2 : b0 < 0xF0 ? 3 : 4;
}

// The code point of the well-formed character of `length` bytes (as
// Utf8SequenceLength or Utf8LeadLength gives it) at text[i].
inline char32_t DecodeUtf8(std::string_view text, std::size_t i, std::size_t length) {
    const auto byte = [&](std::size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(text[i + k])); };
    switch (length) {
    case 1:
        return byte(0);
    case 2:
        return ((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
    case 3:
        return ((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
    default:
        return ((byte(0) & 0x07) << 18) | ((byte(1) & 0x3F) << 12) | ((byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
    }
}

// The Unicode code point of a Windows-1251 byte (0x98, undefined there,
// gives U+FFFD).
char32_t Cp1251ToUnicode(unsigned char byte);

// Appends the UTF-8 of code point `cp` to `out`.
void AppendUtf8(std::string& out, char32_t cp);

// True for well-formed UTF-8: no overlong forms, no surrogates, nothing
// above U+10FFFF, no truncated sequences.
bool IsValidUtf8(std::string_view text);

// `text` as UTF-8 for display: unchanged when it is valid UTF-8, otherwise
// read as Windows-1251 (the undefined byte 0x98 becomes U+FFFD).
std::string DecodeForDisplay(std::string_view text);

// The first at most `maxBytes` bytes of `text`. When `text` is valid UTF-8
// and the cut falls inside a character, that character is dropped whole.
std::string_view CutToLength(std::string_view text, std::size_t maxBytes);
