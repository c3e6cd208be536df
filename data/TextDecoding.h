#pragma once
// Spell texts are hand-written in whatever encoding the author's editor
// used: UTF-8 today, Windows-1251 in older files. Display text is UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

// True for well-formed UTF-8: no overlong forms, no surrogates, nothing
// above U+10FFFF, no truncated sequences.
bool IsValidUtf8(std::string_view text);

// `text` as UTF-8 for display: unchanged when it is valid UTF-8, otherwise
// read as Windows-1251 (the undefined byte 0x98 becomes U+FFFD).
std::string DecodeForDisplay(std::string_view text);

// The first at most `maxBytes` bytes of `text`. When `text` is valid UTF-8
// and the cut falls inside a character, that character is dropped whole.
std::string_view CutToLength(std::string_view text, std::size_t maxBytes);
