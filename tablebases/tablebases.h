// tablebases/tablebases.h: what the search and the command interface use of
// the endgame tablebases. Until tables are registered the largest table has
// 0 men and nothing answers.
#pragma once

#include <cstdint>

extern int32_t tb_max_men;
// Bytes used for table indices and decoder state after registration.
extern int64_t tb_decoder_memory;

// 1 with the value on the search's scale when a registered table covers the
// position (side: 1 when white is to move); 0 otherwise.
int ProbeEGTB(int32_t side, int32_t* score);
// Registers the tables found on the path list; the largest number of men of
// the tables found, 0 for none.
int InitTablebases(const char* path);
// The block cache for the registered tables, of tb_cache_size bytes.
void AllocateTablebaseCache();
// Frees the cache and allocates it again with the megabytes given.
void SetTablebaseCacheSize(int megabytes);
void FreeTablebaseCache();
