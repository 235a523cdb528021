#include "tablebases/tablebases.h"

#include "interface/options.h"

int32_t tb_max_men;
int64_t tb_decoder_memory;

// No table format is read yet: registration finds nothing, so the search
// never probes and no cache is needed.
int ProbeEGTB(int32_t, int32_t*) { return 0; }
int InitTablebases(const char*) { return 0; }
void AllocateTablebaseCache() {}
void SetTablebaseCacheSize(int megabytes) { tb_cache_size = megabytes << 20; }
void FreeTablebaseCache() {}
