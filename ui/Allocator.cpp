// SPDX-License-Identifier: MIT
#include "Allocator.h"

#include <malloc.h>

void GiveLargeBlocksTheirOwnPages() {
    // A fixed threshold also stops glibc from raising it as blocks are freed.
    constexpr int kLargeBlockBytes = 1 << 20;
    ::mallopt(M_MMAP_THRESHOLD, kLargeBlockBytes);
}
