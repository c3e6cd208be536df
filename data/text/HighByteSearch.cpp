// SPDX-License-Identifier: MIT
#include "HighByteSearch.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
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

FoundByte FindHighByteOrCrSse2(std::string_view text, std::size_t from) {
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

LineBytes ScanLineSse2(std::string_view line) {
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

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SPELLS_X86_HIGH_BYTE_SEARCHES 1

// The byte at the lowest set bit of `stops` (within the step at `p`), and
// the LFs of `lfs` before it.
__attribute__((always_inline)) inline FoundByte FoundInStep(const char* begin, const char* p, uint64_t stops,
                                                            uint64_t lfs, std::size_t counted) {
    const int at = std::countr_zero(stops);
    const uint64_t before = at == 0 ? 0 : lfs & (~uint64_t{0} >> (64 - at));
    return {static_cast<std::size_t>(p - begin) + static_cast<std::size_t>(at),
            counted + static_cast<std::size_t>(std::popcount(before))};
}

// 32 bytes a step: a mask of the bytes that stop the search, one of the LFs.
__attribute__((target("avx2,popcnt"))) FoundByte FindHighByteOrCrAvx2(std::string_view text, std::size_t from) {
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* p = begin + from;
    const __m256i lf = _mm256_set1_epi8('\n');
    const __m256i cr = _mm256_set1_epi8('\r');
    std::size_t lfs = 0;
    for (; end - p >= 32; p += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const auto stops = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_or_si256(a, _mm256_cmpeq_epi8(a, cr))));
        const auto lfMask = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, lf)));
        if (stops != 0)
            return FoundInStep(begin, p, stops, lfMask, lfs);
        lfs += static_cast<std::size_t>(std::popcount(lfMask));
    }
    // The SSE2 search's instructions would run slowly after this one's
    // wide registers until their upper halves are cleared.
    _mm256_zeroupper();
    FoundByte rest = FindHighByteOrCrSse2(text, static_cast<std::size_t>(p - begin));
    rest.lfsBefore += lfs;
    return rest;
}

// 64 bytes a step, the last one a masked load of what is left.
__attribute__((target("avx512f,avx512bw,popcnt"))) FoundByte FindHighByteOrCrAvx512(std::string_view text,
                                                                                   std::size_t from) {
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* p = begin + from;
    const __m512i lf = _mm512_set1_epi8('\n');
    const __m512i cr = _mm512_set1_epi8('\r');
    std::size_t lfs = 0;
    for (; end - p >= 64; p += 64) {
        const __m512i a = _mm512_loadu_si512(p);
        const uint64_t stops = _mm512_movepi8_mask(a) | _mm512_cmpeq_epi8_mask(a, cr);
        const uint64_t lfMask = _mm512_cmpeq_epi8_mask(a, lf);
        if (stops != 0)
            return FoundInStep(begin, p, stops, lfMask, lfs);
        lfs += static_cast<std::size_t>(std::popcount(lfMask));
    }
    if (p < end) {
        const __mmask64 valid = ~uint64_t{0} >> (64 - (end - p));  // the bytes that are left, fewer than 64
        const __m512i a = _mm512_maskz_loadu_epi8(valid, p);
        const uint64_t stops = (_mm512_movepi8_mask(a) | _mm512_cmpeq_epi8_mask(a, cr)) & valid;
        const uint64_t lfMask = _mm512_cmpeq_epi8_mask(a, lf) & valid;
        if (stops != 0)
            return FoundInStep(begin, p, stops, lfMask, lfs);
        lfs += static_cast<std::size_t>(std::popcount(lfMask));
    }
    return {std::string_view::npos, lfs};
}

// 64 bytes a step, the last one a masked load of what is left (zeros,
// neither high nor CR).
__attribute__((target("avx512f,avx512bw"))) LineBytes ScanLineAvx512(std::string_view line) {
    const char* p = line.data();
    std::size_t n = line.size();
    const __m512i cr = _mm512_set1_epi8('\r');
    uint64_t high = 0;
    uint64_t crs = 0;
    for (; n >= 64; p += 64, n -= 64) {
        const __m512i a = _mm512_loadu_si512(p);
        high |= _mm512_movepi8_mask(a);
        crs |= _mm512_cmpeq_epi8_mask(a, cr);
    }
    if (n > 0) {
        const __m512i a = _mm512_maskz_loadu_epi8(~uint64_t{0} >> (64 - n), p);
        high |= _mm512_movepi8_mask(a);
        crs |= _mm512_cmpeq_epi8_mask(a, cr);
    }
    return {high != 0, crs != 0};
}
#endif

std::vector<HighByteSearch> Searches() {
    std::vector<HighByteSearch> searches;
#if defined(SPELLS_X86_HIGH_BYTE_SEARCHES)
    __builtin_cpu_init();  // in case this runs among the static initialisers
    if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("popcnt"))
        searches.push_back({"avx512", FindHighByteOrCrAvx512, ScanLineAvx512});
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt"))
        searches.push_back({"avx2", FindHighByteOrCrAvx2, ScanLineSse2});
#endif
    searches.push_back({"sse2", FindHighByteOrCrSse2, ScanLineSse2});
    return searches;
}

}  // namespace

FoundByte FindHighByteOrCr(std::string_view text, std::size_t from) {
    static const auto best = Searches().front().find;  // the fastest the processor runs
    return best(text, from);
}

LineBytes ScanLine(std::string_view line) {
    static const auto best = Searches().front().scan;
    return best(line);
}

std::vector<HighByteSearch> HighByteSearches() { return Searches(); }

#else
FoundByte FindHighByteOrCr(std::string_view text, std::size_t from) { return FindHighByteOrCrPlain(text, from); }

std::vector<HighByteSearch> HighByteSearches() { return {{"plain", FindHighByteOrCrPlain, ScanLinePlain}}; }

LineBytes ScanLine(std::string_view line) { return ScanLinePlain(line); }
#endif
