// SPDX-License-Identifier: MIT
#include "BlankLineSearch.h"

#include <bit>
#include <cstdint>
#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The ways of FindLfBeforeLfOrCr, each handing the last bytes it cannot
// take a whole step over to the next simpler one.

const char* FindLfBeforeLfOrCrBytewise(const char* p, const char* end) {
    for (; end - p >= 2; ++p) {
        if (p[0] == '\n' && (p[1] == '\n' || p[1] == '\r'))
            return p;
    }
    return nullptr;
}

#if defined(__SSE2__)
const char* FindLfBeforeLfOrCrSse2(const char* p, const char* end) {
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const auto hits = [&](const char* at) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1));
        const __m128i nextBreaks = _mm_or_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(next, cr));
        return static_cast<uint32_t>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(here, lf), nextBreaks)));
    };
    // Each step reads 33 bytes from p.
    for (; end - p > 32; p += 32) {
        if (const uint32_t mask = hits(p) | (hits(p + 16) << 16))
            return p + std::countr_zero(mask);
    }
    return FindLfBeforeLfOrCrBytewise(p, end);
}
#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SPELLS_X86_SEARCHES 1
__attribute__((target("avx2"))) const char* FindLfBeforeLfOrCrAvx2(const char* p, const char* end) {
    const __m256i lf = _mm256_set1_epi8('\n');
    const __m256i cr = _mm256_set1_epi8('\r');
    const auto hits = [&](const char* at) __attribute__((target("avx2"))) {
        const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
        const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 1));
        const __m256i nextBreaks = _mm256_or_si256(_mm256_cmpeq_epi8(next, lf), _mm256_cmpeq_epi8(next, cr));
        return static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(here, lf), nextBreaks)));
    };
    // Each step reads 65 bytes from p.
    for (; end - p > 64; p += 64) {
        if (const uint64_t mask = hits(p) | (uint64_t{hits(p + 32)} << 32))
            return p + std::countr_zero(mask);
    }
    // The SSE2 search's instructions would run slowly after this one's
    // wide registers until their upper halves are cleared.
    _mm256_zeroupper();
    return FindLfBeforeLfOrCrSse2(p, end);
}
__attribute__((target("avx512f,avx512bw"))) const char* FindLfBeforeLfOrCrAvx512(const char* p, const char* end) {
    const __m512i lf = _mm512_set1_epi8('\n');
    const __m512i cr = _mm512_set1_epi8('\r');
    // Each step reads 65 bytes from p.
    for (; end - p > 64; p += 64) {
        const __m512i here = _mm512_loadu_si512(p);
        const __m512i next = _mm512_loadu_si512(p + 1);
        const __mmask64 hits = _mm512_cmpeq_epi8_mask(here, lf) &
                               (_mm512_cmpeq_epi8_mask(next, lf) | _mm512_cmpeq_epi8_mask(next, cr));
        if (hits)
            return p + std::countr_zero(static_cast<uint64_t>(hits));
    }
    _mm256_zeroupper();  // as above
    return FindLfBeforeLfOrCrSse2(p, end);
}
#endif

std::vector<LfBeforeLfOrCrSearch> Searches() {
    std::vector<LfBeforeLfOrCrSearch> searches;
#if defined(SPELLS_X86_SEARCHES)
    __builtin_cpu_init();  // in case this runs among the static initialisers
    if (__builtin_cpu_supports("avx512bw"))
        searches.push_back({"avx512", FindLfBeforeLfOrCrAvx512});
    if (__builtin_cpu_supports("avx2"))
        searches.push_back({"avx2", FindLfBeforeLfOrCrAvx2});
#endif
#if defined(__SSE2__)
    searches.push_back({"sse2", FindLfBeforeLfOrCrSse2});
#endif
    searches.push_back({"bytewise", FindLfBeforeLfOrCrBytewise});
    return searches;
}

}  // namespace

const char* FindLfBeforeLfOrCr(const char* p, const char* end) {
    static const auto best = Searches().front().find;  // the fastest the processor runs
    return best(p, end);
}

std::vector<LfBeforeLfOrCrSearch> LfBeforeLfOrCrSearches() { return Searches(); }
