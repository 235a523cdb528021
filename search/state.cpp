// The search's shared counters, limits and root and driver state.
#include "search/search.h"

int32_t stop_search;
int32_t search_start_time;
int32_t target_time = 9999999;
int32_t hard_time_limit = 9999999;
int32_t poll_interval = 50000;
int32_t poll_countdown;
int32_t nps_report_interval;
int32_t depth_limit;

int32_t root_scores[MAX_ROOT_MOVES];
int32_t root_move_flags[MAX_ROOT_MOVES];
int32_t root_game_ply;
int32_t root_move_count;
int32_t root_move_index;
int32_t first_root_move_done;
int32_t root_material_balance;
int32_t iteration_depth;
int32_t seldepth;
int32_t multi_pv_final_lines;
uint64_t nodes;
uint32_t hash_writes;
uint64_t tbhits;
int32_t book_move_played;
Move obvious_move;
int32_t singular_search_active;

Move pending_best_move;
Move ponder_move;
Move predicted_move;
Move ponder_reply;
int32_t pondering_now;
int32_t ponder_done;
int32_t ponder_move_search;
int32_t new_game_pending;
uint64_t resign_keys[10];
int32_t resign_scores[10];
int32_t resign_book_flags[10];
