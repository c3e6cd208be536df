// SPDX-License-Identifier: MIT
#pragma once
// Whether a function with wide (AVX, AVX-512) instructions leaves the upper
// halves of the vector registers cleared when it returns. If it does not,
// every SSE instruction after it, up to the next clearing, runs slowly: the
// check of a 150 MB text took 169 against 125 ms with the AVX2 searches.
//
// The processor tells through XGETBV's in-use bits (x86-64 with AVX and
// XGETBV with ECX = 1); elsewhere, or where they do not clear when the
// registers are cleared, it cannot tell. Nor in an unoptimised build (the
// sanitizer's), where the compiler does not clear them at a function's
// return. A test there passes without a look rather than being skipped.

#include <cstdint>
#include <functional>
#include <optional>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && defined(__OPTIMIZE__)
#include <cpuid.h>

namespace wide_registers {

// The in-use bits of the upper halves of ymm0-15 and of zmm0-15.
constexpr uint64_t kUpperHalves = (uint64_t{1} << 2) | (uint64_t{1} << 6);

inline bool CanRead() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || (c & bit_OSXSAVE) == 0 || (c & bit_AVX) == 0)
        return false;
    if (__get_cpuid_max(0, nullptr) < 0xD)
        return false;
    __cpuid_count(0xD, 1, a, b, c, d);
    return (a & (1u << 2)) != 0;
}

inline uint64_t InUse() {
    uint32_t low = 0, high = 0;
    asm volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(1));
    return uint64_t{high} << 32 | low;
}

}  // namespace wide_registers

// Runs `call` with the upper halves cleared before it; whether they are
// still cleared after it, or nullopt when the processor cannot tell.
inline std::optional<bool> LeavesUpperHalvesCleared(const std::function<void()>& call) {
    using namespace wide_registers;
    if (!CanRead())
        return std::nullopt;
    asm volatile("vzeroupper");
    if ((InUse() & kUpperHalves) != 0)
        return std::nullopt;  // not cleared by clearing them: no telling
    call();
    return (InUse() & kUpperHalves) == 0;
}
#else
inline std::optional<bool> LeavesUpperHalvesCleared(const std::function<void()>&) { return std::nullopt; }
#endif
