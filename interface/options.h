// interface/options.h: option and search-control globals, set by start-up,
// the ini file and the commands; read by the board, search, book and
// tablebases.
#pragma once

#include <cstdint>

extern int32_t max_depth;        // iteration limit without a clock
extern int32_t fixed_move_time;  // centiseconds per move, 0 = none
extern int32_t mate_goal;        // moves of "go mate", 0 = none
extern int32_t force_mode;       // typed moves are only played
extern int32_t uci_mode;         // 1 after "uci", 0 after "xboard"
extern int32_t fritz_mode;       // set by "fritz", never cleared
extern int32_t aggressivity_half; // half the "Aggressivity" percent: weight of the opponent's king shelter
extern int32_t cowardice_half;    // half the "Cowardice" percent: weight of the own king shelter
extern uint32_t tt_entries;         // transposition-table entries
extern uint32_t pawn_hash_entries;  // pawn-hash records; 0 = no pawn hash
extern uint32_t eval_cache_entries; // evaluation-cache records
