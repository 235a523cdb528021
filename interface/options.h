// interface/options.h: option and search-control globals, set by start-up,
// the ini file and the commands; read by the board, search, book and
// tablebases.
#pragma once

#include <cstdint>

#include "board/board.h"

extern int32_t max_depth;            // iteration limit without a clock
extern int32_t fixed_move_time;      // centiseconds per move, 0 = none
extern int32_t mate_goal;            // moves of "go mate", 0 = none
extern int32_t force_mode;           // typed moves are only played
extern int32_t uci_mode;             // 1 after "uci", 0 after "xboard"
extern int32_t fritz_mode;           // set by "fritz", never cleared
extern int32_t aggressivity_half;    // half the "Aggressivity" percent: weight of the opponent's king shelter
extern int32_t cowardice_half;       // half the "Cowardice" percent: weight of the own king shelter
extern uint32_t tt_entries;          // transposition-table entries
extern uint32_t pawn_hash_entries;   // pawn-hash records; 0 = no pawn hash
extern uint32_t eval_cache_entries;  // evaluation-cache records
extern int32_t time_left;            // own clock in centiseconds; -1 no clock; INFINITE_CLOCK infinite
// The clock of a search that only "stop" ends.
constexpr int32_t INFINITE_CLOCK = 999999999;
extern int32_t own_increment;  // centiseconds per move
extern int32_t moves_to_go;    // 0 = none
extern int32_t node_limit;     // 0 = none
extern int32_t search_moves_count;
extern Move search_moves[256];
extern int32_t go_ponder;  // UCI "go ponder" until "ponderhit" or "stop"
extern int32_t ponder_on;  // pondering allowed now
extern int32_t pondering_allowed;
extern int32_t post_thinking;
extern int32_t multi_pv;
extern int32_t own_book;
extern int32_t silent_search;
extern int32_t use_learning;
extern int32_t use_learning_data;
extern int32_t use_book_learning;
extern int32_t book_learning_bound;
extern int32_t resign_value;
extern int32_t resign_times;
extern int32_t aggressivity;        // "Aggressivity" percent, 0 to 300
extern int32_t cowardice;           // "Cowardice" percent, 0 to 300
extern int32_t tb_cache_size;       // bytes of the tablebase block cache
extern int32_t book_learning_mode;  // 0 kill, 1 discover
extern int32_t use_book_weights;
extern int32_t variety_of_play;         // percent, 0 to 100
extern int32_t log_learning_into_file;  // write learn.log lines
extern int32_t use_egtb;
constexpr int TB_PATH_SIZE = 1024;
extern char tb_path[TB_PATH_SIZE];  // tablebase directory list
