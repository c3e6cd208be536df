// SPDX-License-Identifier: MIT
#pragma once
// The search of the checker's one pass over a description's lines: the
// next byte above 127, counting the LFs on the way, so that only the lines
// holding such a byte are looked at one by one.
//
// With SSE2 (every x86-64) 64 and 16 bytes a step; elsewhere std::find_if
// and memchr. It earns 8 % of the check of a 150 MB text against taking
// the lines one by one with memchr and a byte loop (CheckBench's BM_Check,
// 134.0 against 146.2 ms of CPU, medians of 10 repetitions interleaved in
// one run); the eight-bytes-a-step test it replaced earned 3 %.

#include <cstddef>
#include <string_view>

struct HighByte {
    std::size_t at;         // position of the byte, or npos for none
    std::size_t lfsBefore;  // LFs from the start of the search up to it (or to the end)
};

// The first byte above 127 in `text` from `from` and the LFs before it.
HighByte FindHighByte(std::string_view text, std::size_t from = 0);
// Whether a byte of `line` is above 127.
bool HasHighByte(std::string_view line);
// The same with std::find_if and memchr: the reference for tests and the
// baseline the search is measured against.
HighByte FindHighBytePlain(std::string_view text, std::size_t from = 0);
