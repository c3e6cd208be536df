// SPDX-License-Identifier: MIT
#include "Allocator.h"

#include <malloc.h>

void GiveLargeBlocksTheirOwnPages() {
    // A fixed threshold also stops glibc from raising it as blocks are freed.
    constexpr int kLargeBlockBytes = 1 << 20;
    ::mallopt(M_MMAP_THRESHOLD, kLargeBlockBytes);
    // It fixes the heap's trim threshold too, at 128 KB, so that small
    // blocks freed and taken again (a dialog opened and closed) would make
    // the heap shrink and grow each time; keep twice the large size, as
    // glibc's own adjustment would.
    ::mallopt(M_TRIM_THRESHOLD, 2 * kLargeBlockBytes);
}
