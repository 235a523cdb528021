#include "interface/options.h"

int32_t max_depth;
int32_t fixed_move_time;
int32_t mate_goal;
int32_t force_mode;
int32_t uci_mode;
int32_t fritz_mode;
int32_t aggressivity_half = 50;
int32_t cowardice_half = 50;
uint32_t tt_entries = 524288;
uint32_t pawn_hash_entries = 262144;
uint32_t eval_cache_entries = 524288;
