#include "BlankLineSearch.h"

#include <bit>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

const char* FindLfBeforeLfOrCrBytewise(const char* p, const char* end) {
    for (; end - p >= 2; ++p) {
        if (p[0] == '\n' && (p[1] == '\n' || p[1] == '\r'))
            return p;
    }
    return nullptr;
}

#if defined(__SSE2__)
// 32 bytes a step; the last bytes, which cannot fill a step, go bytewise.
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

}  // namespace

const char* FindLfBeforeLfOrCr(const char* p, const char* end) {
#if defined(__SSE2__)
    return FindLfBeforeLfOrCrSse2(p, end);
#else
    return FindLfBeforeLfOrCrBytewise(p, end);
#endif
}

std::vector<LfBeforeLfOrCrSearch> LfBeforeLfOrCrSearches() {
    std::vector<LfBeforeLfOrCrSearch> searches;
#if defined(__SSE2__)
    searches.push_back({"sse2", FindLfBeforeLfOrCrSse2});
#endif
    searches.push_back({"bytewise", FindLfBeforeLfOrCrBytewise});
    return searches;
}
