// SPDX-License-Identifier: MIT
#pragma once
// How the process hands memory back. A large list's rows, its search index
// and a search's scratch are blocks of megabytes; glibc's allocator would,
// after the first such block is freed, serve later ones from its heaps and
// keep them when freed, so that each reload or search left the process
// larger.

// Blocks of a megabyte or more get pages of their own, returned to the
// system when freed. Called once at start-up, before the first window.
void GiveLargeBlocksTheirOwnPages();
