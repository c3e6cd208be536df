// SPDX-License-Identifier: MIT
#pragma once
// Simple Unicode case folding (CaseFolding.txt, statuses C and S): the
// one-to-one mapping that makes "Ä" and "ä", "Ж" and "ж" compare equal.

#include <cstddef>
#include <string>
#include <string_view>

// The simple case folding of code point `cp`; `cp` itself when it has none.
char32_t FoldCase(char32_t cp);

// Writes the UTF-8 of `cp` (at most four bytes) to `out`; returns the end.
char* PutUtf8(char* out, char32_t cp);

// Folds the run of ASCII bytes at the start of `text` into `out` (A-Z
// lowered, eight bytes at a time); returns the length of the run.
std::size_t FoldAsciiRun(char* out, std::string_view text);

// Appends the simple case folding of `utf8` to `out`. `utf8` must be valid
// UTF-8 (IsValidUtf8); the result is valid UTF-8 as well.
void AppendCaseFolded(std::string& out, std::string_view utf8);
