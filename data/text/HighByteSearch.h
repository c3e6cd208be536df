// SPDX-License-Identifier: MIT
#pragma once
// The search of the checker's one pass over a description's lines: the
// next byte above 127 or CR, counting the LFs on the way, so that only the
// lines holding such a byte are looked at one by one; and the look at one
// line for both.
//
// With SSE2 (every x86-64) 64 and 16 bytes a step; elsewhere std::find_if,
// std::any_of and memchr. It earns 11 % of the check of a 150 MB text
// against taking each line with memchr and a byte loop (CheckBench's
// BM_Check, 148.1 against 166.3 ms of CPU, medians of 10 repetitions
// interleaved in one run); the eight-bytes-a-step test of each line it
// replaced earned 3 % against that byte loop. Where the processor runs
// them (chosen once), AVX-512 takes 64 bytes and AVX2 32 a step, with a
// mask of each step's LFs counted by popcount: 7 % off that check again
// (194 against 181 ms of CPU, medians of 9 runs interleaved).

#include <cstddef>
#include <string_view>
#include <vector>

struct FoundByte {
    std::size_t at;         // position of the byte, or npos for none
    std::size_t lfsBefore;  // LFs from the start of the search up to it (or to the end)
};

// The first byte above 127 or CR in `text` from `from`, and the LFs before it.
FoundByte FindHighByteOrCr(std::string_view text, std::size_t from = 0);
// Whether a line holds a byte above 127, and a CR.
struct LineBytes {
    bool high;
    bool cr;
};
LineBytes ScanLine(std::string_view line);
// The same with std::any_of and find.
LineBytes ScanLinePlain(std::string_view line);
// The same with std::find_if and memchr: the reference for tests and the
// baseline the search is measured against.
FoundByte FindHighByteOrCrPlain(std::string_view text, std::size_t from = 0);

// Every way of FindHighByteOrCr and ScanLine this processor can run, the
// one they use first, so that tests can try each.
struct HighByteSearch {
    std::string_view name;
    FoundByte (*find)(std::string_view text, std::size_t from);
    LineBytes (*scan)(std::string_view line);
};
std::vector<HighByteSearch> HighByteSearches();
