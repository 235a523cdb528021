// tablebases/registry.h: the 440 known tables (tb_descriptors) and their
// registration from the directories of the tablebase path: file names,
// block indexes and the shared decoder state. Reads the file system.
#pragma once

#include <cstdint>
#include <cstdio>

#include "tablebases/compressed.h"
#include "tablebases/index.h"

enum {
  TB_FLAG_SYMMETRIC = 1,     // one set of files (white to move) serves both sides
  TB_FLAG_WORD_ENTRIES = 2,  // 2-byte entries
  TB_FLAG_SPLIT = 4,         // each side's data spread over extent files
};
constexpr int TB_MAX_EXTENTS = 18;
// Bytes of table data in one extent file of a split table.
constexpr int64_t TB_EXTENT_BYTES = int64_t(1) << 31;

struct TbCacheEntry;

struct TbDescriptor {
  int32_t id;
  int32_t flags;
  TbIndexFunction index_function[2];
  char signature[8];
  int64_t entries[2];
  char* file_name[2][TB_MAX_EXTENTS];
  FILE* file[2][TB_MAX_EXTENTS];
  BlockIndex* block_index[2][TB_MAX_EXTENTS];
  TbCacheEntry** cache_chains[2];  // 32 chain heads per side
};
constexpr int TB_CACHE_CHAINS = 32;

extern TbDescriptor tb_descriptors[TB_TABLE_ROWS];
extern int32_t tb_compressed_files;
extern DecoderState* tb_decoder_state;

// The row's side whose files serve this side to move.
inline int FileSide(const TbDescriptor& table, int side) { return (table.flags & TB_FLAG_SYMMETRIC) ? 0 : side; }
inline int EntryBytes(const TbDescriptor& table) { return (table.flags & TB_FLAG_WORD_ENTRIES) ? 2 : 1; }
// Extent files of one side: one for unsplit tables.
int ExtentCount(const TbDescriptor& table, int side);
// The extent character of a split table's file name: '0'..'9', then 'a'...
char ExtentCharacter(int extent);

// Returns the number of men of the largest table found (6, 5, 4, 3; 0 for
// none or a null path). Faults of a file that is found end the process.
int InitTablebases(const char* path);
int RegisterTablebaseFile(const char* directory, int id, int side);
void CheckTablebaseSize(int id, int side, uint64_t size, const char* name);
void* AllocateTablebaseMemory(size_t bytes);
void CloseTablebaseFiles();
