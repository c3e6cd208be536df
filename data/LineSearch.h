#pragma once
// The byte searches under line reading: a line's end, and where a blank
// line may begin. They look at many bytes a step with the processor's
// vector instructions where it has them (SSE2, AVX2, AVX-512), which is
// most of the time an index build spends outside the kernel.

#include <cstddef>
#include <string_view>
#include <vector>

// How far past a block's end FindLf may read: the block's owner keeps that
// many readable bytes after it (their values do not matter).
inline constexpr std::size_t kFindLfReadAhead = 64;

// The first LF in [p, end), or null. Bytes up to `readable` (at or past
// `end`) may be read; with fewer than kFindLfReadAhead of them after p the
// search stays inside [p, end).
const char* FindLf(const char* p, const char* end, const char* readable);

// The first LF in [p, end) whose next byte, also before `end`, is LF or CR:
// where a blank line (LF, or CR LF) may begin. Null when there is none.
// Reads only [p, end).
const char* FindLfBeforeLfOrCr(const char* p, const char* end);

// Every way of the second search that this processor can run, the one
// FindLfBeforeLfOrCr uses among them, so that tests can try each.
struct LfBeforeLfOrCrSearch {
    std::string_view name;
    const char* (*find)(const char* p, const char* end);
};
std::vector<LfBeforeLfOrCrSearch> LfBeforeLfOrCrSearches();
