#pragma once
// Simple Unicode case folding (CaseFolding.txt, statuses C and S): the
// one-to-one mapping that makes "Ä" and "ä", "Ж" and "ж" compare equal.

#include <string>
#include <string_view>

// The simple case folding of code point `cp`; `cp` itself when it has none.
char32_t FoldCase(char32_t cp);

// Appends the simple case folding of `utf8` to `out`. `utf8` must be valid
// UTF-8 (IsValidUtf8); the result is valid UTF-8 as well.
void AppendCaseFolded(std::string& out, std::string_view utf8);

// Appends `ascii` with A-Z lowered. Every byte of `ascii` must be below 0x80.
void AppendAsciiFolded(std::string& out, std::string_view ascii);
