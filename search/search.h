// search/search.h: the search's own state and entry points: the game driver
// (Think), the root searches, the alpha-beta and quiescence searches with
// their extensions, and the counters and limits they share. One thread; all
// state global. Reads and writes the board, the move list and the search
// tables; calls the evaluation, the transposition table and the thinking
// output.
#pragma once

#include <cstdint>

#include "board/board.h"
#include "eval/evaluate.h"

// ---- limits and the stop request ----
extern int32_t stop_search;        // set by the input poll or the limits; every level unwinds with 0
extern int32_t search_start_time;  // centiseconds, monotonic clock
extern int32_t target_time;        // planned centiseconds for this move
extern int32_t hard_time_limit;    // never exceeded
extern int32_t poll_interval;      // nodes between input polls
extern int32_t poll_countdown;
extern int32_t nps_report_interval;
extern int32_t depth_limit;  // plies; 999 for the clock path

// ---- root state ----
constexpr int MAX_ROOT_MOVES = 256;
extern int32_t root_scores[MAX_ROOT_MOVES];
extern int32_t root_move_flags[MAX_ROOT_MOVES];
extern int32_t root_game_ply;
extern int32_t root_move_count;
extern int32_t root_move_index;
extern int32_t first_root_move_done;
extern int32_t root_material_balance;
extern int32_t iteration_depth;  // printed + 1
extern int32_t seldepth;
// The lines the final report of a MultiPV search shows: those of its last
// completed depth, or the ones finished when it stopped in its first.
extern int32_t multi_pv_final_lines;
// Search nodes and tablebase hits: 64 bits, as an analysis of days passes
// 2^32 nodes within the hour.
extern uint64_t nodes;
extern uint32_t hash_writes;  // at most once per table entry in a search
extern uint64_t tbhits;
extern int32_t book_move_played;
extern Move obvious_move;
extern int32_t singular_search_active;

// ---- game driver state ----
extern Move pending_best_move;  // UCI: the move a later "bestmove" prints
extern Move ponder_move;        // second move of the last principal variation printed
extern Move predicted_move;
extern Move ponder_reply;
extern int32_t pondering_now;
extern int32_t ponder_done;
extern int32_t ponder_move_search;
extern int32_t new_game_pending;
extern uint64_t resign_keys[10];
extern int32_t resign_scores[10];
extern int32_t resign_book_flags[10];

// ---- entry points ----
void Think();
// Plays the held result of a UCI ponder search that ended by its own limit,
// as the same search without "ponder" would have played it (learning
// included); move is that result, still legal here.
void PlayHeldPonderMove(Move move);
void ResetResignWindow();
// Iterative deepening of the current position; 1 when the game is over.
int SearchRoot(int max_depth, int use_book);
int SearchRootMove(int32_t alpha, int32_t beta, int32_t depth);
void SetLazyEvalWindow(int d);
int SearchRootMultiPV(int max_depth);
int PrepareRootMoves(int* start_depth);
void GenerateRootQuietMoves();

// Depth in quarter plies (ONE_PLY); node_type PV_NODE, CUT_NODE (expected
// to fail high) or ALL_NODE (expected to fail low); a child's expected type
// is the negation of its parent's.
constexpr int32_t ONE_PLY = 4;
constexpr int32_t PV_NODE = 0;
constexpr int32_t CUT_NODE = -1;
constexpr int32_t ALL_NODE = 1;
// Draft stored with a tablebase result: deeper than any search reaches.
constexpr int32_t TABLEBASE_DRAFT = 788;
int32_t AlphaBeta(int32_t alpha, int32_t beta, int32_t depth, int32_t null_ok, int32_t node_type);
int32_t Quiescence(int32_t alpha, int32_t beta, int32_t depth, int32_t node_flag = 0);
int32_t ComputeExtension(int32_t shallow, int32_t threat, int32_t depth, int32_t single_reply, Move move,
                         int32_t move_score, int32_t is_pv, int32_t* deferred, const uint64_t hot_squares[2],
                         int32_t gap);
int32_t IsSingularMove(int32_t bound, int32_t depth, Move excluded, int32_t near);

// Scores: MATE_SCORE, MATE_BOUND and MateIn / MatedIn live with the
// evaluation.
// One beyond every score: the side of a window that nothing can reach.
constexpr int32_t OPEN_WINDOW = MATE_SCORE + 1;
// Tablebase values beyond this are mates, counted from the probed position.
constexpr int32_t TABLEBASE_MATE_BOUND = 32400;
// Futility pruning is off when alpha lies beyond this.
constexpr int32_t FUTILITY_MATE_BOUND = 32500;

// The game driver's time allocation for the position on the board and the
// clock globals: target_time, hard_time_limit and poll_interval.
void AllocateTime();
// 1 for a UCI search that only "stop" ends: "go infinite", or a bare "go"
// with no clock and no limit.
int SearchIsInfinite();
// Polls the input while a finished search must not answer yet: while
// pondering, in a UCI ponder search or in an infinite one, until stopped or
// the input is closed.
void WaitForInput();
