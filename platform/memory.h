// platform/memory.h: heap blocks for the search's large tables (the
// transposition table, the pawn hash, the evaluation cache), backed by large
// pages where the system offers them. Owns no state.
#pragma once

#include <cstddef>

// A block of at least bytes bytes, aligned to a large page and marked for
// large pages, so that the random probes of a table of megabytes miss the
// address translation cache far less; nullptr when the memory is refused.
// Where large pages are not available the block is an ordinary one.
void* AllocateTableMemory(size_t bytes);
// Frees a block of AllocateTableMemory (nullptr is allowed).
void FreeTableMemory(void* block);
