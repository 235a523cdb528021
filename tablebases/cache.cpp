#include "tablebases/cache.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "interface/options.h"
#include "platform/files.h"
#include "tablebases/registry.h"
#include "tablebases/tablebases.h"

void* tb_cache_memory;
void* tb_cache_base;
uint32_t tb_cache_entries;
TbCacheEntry* tb_cache_free;
TbCacheEntry* tb_cache_lru;
TbCacheEntry* tb_cache_mru;

constexpr int EXTENT_BLOCK_BITS = 18;  // 2^18 blocks of 8192 bytes an extent file
constexpr int32_t CHAIN_MASK = TB_CACHE_CHAINS - 1;

static void ForgetCacheArea() {
  tb_cache_entries = 0;
  tb_cache_base = nullptr;
  tb_cache_free = tb_cache_lru = tb_cache_mru = nullptr;
}

void FreeTablebaseCache() {
  std::free(tb_cache_memory);
  tb_cache_memory = nullptr;
  ForgetCacheArea();
}

void AllocateTablebaseCache() {
  FreeTablebaseCache();
  tb_cache_memory = tb_cache_size > 0 ? std::malloc(size_t(tb_cache_size)) : nullptr;
  if (tb_cache_memory == nullptr && tb_cache_size > 0) {
    std::printf("An error occured while memory allocation!\n");
    tb_max_men = 0;
    InitTablebaseCache(nullptr, 0);
    return;
  }
  InitTablebaseCache(tb_cache_memory, uint32_t(tb_cache_size));
}

void SetTablebaseCacheSize(int megabytes) {
  FreeTablebaseCache();
  const int64_t bytes = int64_t(megabytes) << 20;
  if (megabytes < 0 || bytes > INT32_MAX) {
    // More than the size's global can hold: as a failed allocation.
    std::printf("An error occured while memory allocation!\n");
    tb_max_men = 0;
    return;
  }
  tb_cache_size = int32_t(bytes);
  AllocateTablebaseCache();
}

void InitTablebaseCache(void* memory, uint32_t bytes) {
  CloseTablebaseFiles();
  ForgetCacheArea();
  if (memory == nullptr || bytes < TB_CACHE_ENTRY_BYTES) return;
  tb_cache_base = memory;
  tb_cache_entries = bytes / TB_CACHE_ENTRY_BYTES;
  ResetTablebaseCache();
}

void ResetTablebaseCache() {
  tb_cache_free = tb_cache_lru = tb_cache_mru = nullptr;
  if (tb_cache_entries == 0) return;
  CloseTablebaseFiles();
  TbCacheEntry* headers = static_cast<TbCacheEntry*>(tb_cache_base);
  uint8_t* slots = reinterpret_cast<uint8_t*>(headers + tb_cache_entries);
  for (uint32_t i = 0; i < tb_cache_entries; i++) {
    TbCacheEntry& e = headers[i];
    e = TbCacheEntry{};
    e.data = slots + size_t(i) * TB_BLOCK_BYTES;
    e.older = i + 1 < tb_cache_entries ? &headers[i + 1] : nullptr;
  }
  for (int id = 1; id < TB_TABLE_ROWS; id++)
    for (int side = 0; side < 2; side++)
      if (tb_descriptors[id].cache_chains[side])
        std::memset(tb_descriptors[id].cache_chains[side], 0, TB_CACHE_CHAINS * sizeof(TbCacheEntry*));
  tb_cache_free = &headers[0];
}

int32_t IsTableAvailable(int32_t table, int32_t side) {
  const TbDescriptor& d = tb_descriptors[table];
  const int s = FileSide(d, side);
  const int extents = ExtentCount(d, s);
  for (int e = 0; e < extents && e < TB_MAX_EXTENTS; e++)
    if (d.file_name[s][e]) return 1;
  return 0;
}

static void UnlinkFromUsage(TbCacheEntry* e) {
  if (e->newer)
    e->newer->older = e->older;
  else
    tb_cache_mru = e->older;
  if (e->older)
    e->older->newer = e->newer;
  else
    tb_cache_lru = e->newer;
  e->older = e->newer = nullptr;
}

static void AppendAtMru(TbCacheEntry* e) {
  e->older = tb_cache_mru;
  e->newer = nullptr;
  if (tb_cache_mru)
    tb_cache_mru->newer = e;
  else
    tb_cache_lru = e;
  tb_cache_mru = e;
}

static void UnlinkFromChain(TbCacheEntry* e, TbCacheEntry** head) {
  if (e->chain_prev)
    e->chain_prev->chain_next = e->chain_next;
  else
    *head = e->chain_next;
  if (e->chain_next) e->chain_next->chain_prev = e->chain_prev;
  e->chain_next = e->chain_prev = nullptr;
}

static void PushOnChain(TbCacheEntry* e, TbCacheEntry** head) {
  e->chain_prev = nullptr;
  e->chain_next = *head;
  if (*head) (*head)->chain_prev = e;
  *head = e;
}

// Bytes past what a block filled read as "no value", so that a short file
// or a short last block never answers with another block's leftovers. A
// 16-bit entry that the end cuts in two has no value either: the fill
// starts at its low byte.
static void FillUnreadTail(uint8_t* data, int filled, bool word_entries) {
  if (word_entries) filled &= ~1;
  for (int i = filled; i < TB_BLOCK_BYTES; i++) data[i] = (word_entries && (i & 1) == 0) ? 0xFF : 0x7F;
}

// Loads the block into the entry's slot; 0 on success.
static int LoadBlock(TbDescriptor& d, int side, int extent, int32_t block_in_extent, uint8_t* data) {
  FILE*& file = d.file[side][extent];
  if (!file) {
    file = OpenRegularFile(d.file_name[side][extent]);
    if (!file) {
      // Perhaps too many open files: close them all and try once more.
      CloseTablebaseFiles();
      file = OpenRegularFile(d.file_name[side][extent]);
      if (!file) return 1;
    }
  }
  const bool word_entries = d.flags & TB_FLAG_WORD_ENTRIES;
  if (const BlockIndex* index = d.block_index[side][extent]) {
    DecoderState* state = tb_decoder_state;
    if (InitDecoderState(state, data) != 0) return 1;
    if (ReadCompressedBlock(state, index, file, block_in_extent) != 0) return 1;
    if (DecompressBlock(state, index, state->decoded_size) != 0) return 1;
    FillUnreadTail(data, state->decoded_size, word_entries);
    return 0;
  }
  if (SeekFile(file, uint64_t(block_in_extent) * TB_BLOCK_BYTES) != 0) return 1;
  const size_t got = std::fread(data, 1, TB_BLOCK_BYTES, file);
  if (std::ferror(file)) {
    std::clearerr(file);
    return 1;
  }
  FillUnreadTail(data, int(got), word_entries);
  return 0;
}

int32_t GetCachedTableByte(int32_t table, int32_t side, int32_t block, int32_t offset) {
  TbDescriptor& d = tb_descriptors[table];
  TbCacheEntry** chains = d.cache_chains[side];
  if (!chains || tb_cache_entries == 0) return TB_BROKEN;
  TbCacheEntry** head = &chains[block & CHAIN_MASK];
  for (TbCacheEntry* e = *head; e; e = e->chain_next) {
    if (e->block != block) continue;
    if (e != tb_cache_mru) {
      UnlinkFromUsage(e);
      AppendAtMru(e);
    }
    if (e != *head) {
      UnlinkFromChain(e, head);
      PushOnChain(e, head);
    }
    return int8_t(e->data[offset]);
  }

  const bool split = d.flags & TB_FLAG_SPLIT;
  const int extent = split ? block >> EXTENT_BLOCK_BITS : 0;
  const int32_t block_in_extent = split ? block & ((1 << EXTENT_BLOCK_BITS) - 1) : block;
  // A missing extent costs no cached block.
  if (extent >= TB_MAX_EXTENTS || !d.file_name[side][extent]) return TB_BROKEN;

  TbCacheEntry* e = tb_cache_free;
  if (e) {
    tb_cache_free = e->older;
    e->older = nullptr;
  } else {
    e = tb_cache_lru;
    UnlinkFromUsage(e);
    UnlinkFromChain(e, &tb_descriptors[e->table].cache_chains[e->side][e->block & CHAIN_MASK]);
  }
  e->table = table;
  e->side = side;
  e->block = block;
  if (LoadBlock(d, side, extent, block_in_extent, e->data) != 0) {
    // This extent is not tried again until the tables are registered anew.
    std::free(d.file_name[side][extent]);
    d.file_name[side][extent] = nullptr;
    e->older = tb_cache_free;
    tb_cache_free = e;
    return TB_BROKEN;
  }
  AppendAtMru(e);
  PushOnChain(e, head);
  return int8_t(e->data[offset]);
}

static int32_t ByteValue(int32_t b) {
  if (b == 0) return 0;
  if (b == 127) return TB_BROKEN;
  if (b == -128) return 32640;
  if (b == -127) return -32640;
  return b > 0 ? b + 32640 : b - 32640;
}

int32_t ProbeTableEntry(int32_t table, int32_t side, uint64_t index) {
  const TbDescriptor& d = tb_descriptors[table];
  side = FileSide(d, side);
  if (tb_cache_entries == 0 || !d.cache_chains[side]) return TB_BROKEN;
  if (table == TB_FIXED_ANSWER_TABLE && side == 1)
    for (uint64_t fixed : tb_fixed_answer_indices)
      if (index == fixed) return TB_FIXED_ANSWER_VALUE;
  // Only impossible positions map past the table; the file is sound.
  if (index >= uint64_t(d.entries[side])) return TB_BROKEN;
  if (!(d.flags & TB_FLAG_WORD_ENTRIES)) {
    const int32_t b = GetCachedTableByte(table, side, int32_t(index >> 13), int32_t(index & 8191));
    return b == TB_BROKEN ? TB_BROKEN : ByteValue(b);
  }
  const int32_t block = int32_t(index >> 12);
  const int32_t offset = int32_t(index & 4095) * 2;
  const int32_t low = GetCachedTableByte(table, side, block, offset);
  if (low == TB_BROKEN) return TB_BROKEN;
  const int32_t high = GetCachedTableByte(table, side, block, offset + 1);
  if (high == TB_BROKEN) return TB_BROKEN;
  const int32_t value = high * 256 + (low & 255);
  return value == TB_BROKEN ? TB_BROKEN : value;
}
