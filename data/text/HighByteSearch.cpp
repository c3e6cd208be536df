// SPDX-License-Identifier: MIT
#include "HighByteSearch.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

FoundByte FindHighByteOrCrPlain(std::string_view text, std::size_t from) {
    const auto it = std::find_if(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                                 [](char c) { return static_cast<unsigned char>(c) >= 0x80 || c == '\r'; });
    const auto at = static_cast<std::size_t>(it - text.begin());
    std::size_t lfs = 0;
    const char* const end = text.data() + at;
    for (const char* p = text.data() + from;
         (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) != nullptr; ++p)
        ++lfs;
    return {it == text.end() ? std::string_view::npos : at, lfs};
}

LineBytes ScanLinePlain(std::string_view line) {
    return {std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }),
            line.find('\r') != std::string_view::npos};
}

#if defined(__SSE2__)
namespace {

// Adds to `lfs` the LFs that the bytes of `counts` counted.
void AddCounts(__m128i counts, std::size_t& lfs) {
    const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
    lfs += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
           static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
}

}  // namespace

FoundByte FindHighByteOrCr(std::string_view text, std::size_t from) {
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* p = begin + from;
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const auto load = [](const char* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); };
    // A CR becomes 0xFF: its top bit is set as a high byte's is.
    const auto marked = [cr](__m128i bytes) { return _mm_or_si128(bytes, _mm_cmpeq_epi8(bytes, cr)); };
    std::size_t lfs = 0;
    // 64 bytes a step while none is above 127 or a CR. Each byte of `counts`
    // counts the LFs of its column, at most 4 a step, for at most 63 steps;
    // then they are summed.
    bool high = false;
    while (!high && end - p >= 64) {
        __m128i counts = _mm_setzero_si128();
        const char* const stop = p + 64 * std::min<std::ptrdiff_t>(63, (end - p) / 64);
        for (; p < stop; p += 64) {
            const __m128i a = load(p), b = load(p + 16), c = load(p + 32), d = load(p + 48);
            if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(marked(a), marked(b)), _mm_or_si128(marked(c), marked(d)))) !=
                0) {
                high = true;
                break;
            }
            counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(a, lf));
            counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(b, lf));
            counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(c, lf));
            counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(d, lf));
        }
        AddCounts(counts, lfs);
    }
    // Then 16 bytes a step, up to the step holding the byte.
    __m128i counts = _mm_setzero_si128();
    for (; end - p >= 16; p += 16) {
        const __m128i a = load(p);
        if (_mm_movemask_epi8(marked(a)) != 0)
            break;
        counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(a, lf));  // at most 4 steps: the 64 bytes above
    }
    AddCounts(counts, lfs);
    // A byte at a time in that step, or in the last bytes.
    for (; p < end; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80 || *p == '\r')
            return {static_cast<std::size_t>(p - begin), lfs};
        lfs += *p == '\n' ? 1 : 0;
    }
    return {std::string_view::npos, lfs};
}

LineBytes ScanLine(std::string_view line) {
    // Sixteen bytes a step, the last step overlapping the one before.
    const char* const p = line.data();
    const std::size_t n = line.size();
    if (n < 16)
        return ScanLinePlain(line);
    const __m128i cr = _mm_set1_epi8('\r');
    const auto load = [p](std::size_t at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)); };
    __m128i bytes = load(n - 16);
    __m128i crs = _mm_cmpeq_epi8(bytes, cr);
    for (std::size_t i = 0; i + 16 < n; i += 16) {
        const __m128i step = load(i);
        bytes = _mm_or_si128(bytes, step);
        crs = _mm_or_si128(crs, _mm_cmpeq_epi8(step, cr));
    }
    return {_mm_movemask_epi8(bytes) != 0, _mm_movemask_epi8(crs) != 0};
}
#else
FoundByte FindHighByteOrCr(std::string_view text, std::size_t from) { return FindHighByteOrCrPlain(text, from); }

LineBytes ScanLine(std::string_view line) { return ScanLinePlain(line); }
#endif
