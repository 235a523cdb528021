#include "platform/memory.h"

#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {
// The large page of x86 Linux. The rounding below wastes at most this much.
constexpr size_t LARGE_PAGE_BYTES = size_t(2) << 20;
}  // namespace

void* AllocateTableMemory(size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  // Blocks below one large page gain nothing from it.
  if (bytes >= LARGE_PAGE_BYTES) {
    const size_t rounded = (bytes + LARGE_PAGE_BYTES - 1) / LARGE_PAGE_BYTES * LARGE_PAGE_BYTES;
    if (rounded < bytes) return nullptr;  // size_t overflow
    void* block = std::aligned_alloc(LARGE_PAGE_BYTES, rounded);
    // Only advice: a system that declines keeps ordinary pages.
    if (block) madvise(block, rounded, MADV_HUGEPAGE);
    return block;
  }
#endif
  return std::malloc(bytes);
}

void FreeTableMemory(void* block) { std::free(block); }
