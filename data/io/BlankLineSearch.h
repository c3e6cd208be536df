// SPDX-License-Identifier: MIT
#pragma once
// Where a blank line may begin in a block of text: the search that passes
// over a description's lines, most of the bytes of a spell text. It looks
// at many bytes a step with the processor's vector instructions where it
// has them (SSE2, AVX2, AVX-512), chosen once by what the processor runs.
// The project's one hand-vectorised loop, kept because it pays: against
// memchr for each LF and a look at the byte after it, it takes 6 to 8 %
// off the build of a 150 MB text (TextBench/BuildVsFloor's build/floor,
// 1.29 against 1.38 to 1.42).

#include <string_view>
#include <vector>

// The first LF in [p, end) whose next byte, also before `end`, is LF or CR:
// where a blank line (LF, or CR LF) may begin. Null when there is none.
// Reads only [p, end).
const char* FindLfBeforeLfOrCr(const char* p, const char* end);

// Every way of that search this processor can run, the one
// FindLfBeforeLfOrCr uses first, so that tests can try each.
struct LfBeforeLfOrCrSearch {
    std::string_view name;
    const char* (*find)(const char* p, const char* end);
};
std::vector<LfBeforeLfOrCrSearch> LfBeforeLfOrCrSearches();
