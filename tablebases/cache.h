// tablebases/cache.h: the block cache of the table files and the entry
// values read through it. Owns the cache area and its lists; opens the
// registered files lazily and forgets a file that fails.
#pragma once

#include <cstdint>

// Value of an entry on the 16-bit scale: 0 draw, positive a win for the side
// to move, negative a loss; TB_BROKEN no value.
constexpr int32_t TB_BROKEN = 32767;
constexpr int TB_BLOCK_BYTES = 8192;
// What one cached block costs of the area: its header as the layout of the
// engine's files counts it (three numbers and five pointers) and its slot.
constexpr uint32_t TB_CACHE_HEADER_BYTES = 12 + 5 * sizeof(void*);
constexpr uint32_t TB_CACHE_SLOT_BYTES = 8228;
constexpr uint32_t TB_CACHE_ENTRY_BYTES = TB_CACHE_HEADER_BYTES + TB_CACHE_SLOT_BYTES;

struct TbCacheEntry {
  int32_t table;
  int32_t side;
  int32_t block;
  TbCacheEntry* older;
  TbCacheEntry* newer;
  TbCacheEntry* chain_next;
  TbCacheEntry* chain_prev;
  uint8_t* data;
};
static_assert(sizeof(TbCacheEntry) + TB_BLOCK_BYTES <= TB_CACHE_ENTRY_BYTES, "an entry fits its share of the area");

extern void* tb_cache_memory;
extern void* tb_cache_base;
extern uint32_t tb_cache_entries;
extern TbCacheEntry* tb_cache_free;
extern TbCacheEntry* tb_cache_lru;
extern TbCacheEntry* tb_cache_mru;

void InitTablebaseCache(void* memory, uint32_t bytes);
void ResetTablebaseCache();
int32_t IsTableAvailable(int32_t table, int32_t side);
// The byte, sign-extended, or TB_BROKEN when the block cannot be had.
int32_t GetCachedTableByte(int32_t table, int32_t side, int32_t block, int32_t offset);
int32_t ProbeTableEntry(int32_t table, int32_t side, uint64_t index);

// Indices of one table side that answer a fixed value without reading.
constexpr int32_t TB_FIXED_ANSWER_TABLE = 36;  // kppkp, black to move
constexpr int32_t TB_FIXED_ANSWER_VALUE = -32639;
constexpr uint64_t tb_fixed_answer_indices[7] = {56802428, 56811076, 56849992, 56858640, 59592489, 67775659, 71071628};
