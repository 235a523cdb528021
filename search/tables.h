// search/tables.h: the search's tables kept between nodes and moves (ply
// records with killers, history, check replies, capture statistics) and the
// heap tables it allocates (here: the move-key table).
#pragma once

#include <cstdint>

#include "board/board.h"

struct PlyRecord {
  uint32_t flags;
  uint32_t in_check;
  int32_t static_eval;
  Move killer1[2];
  Move killer2[2];
  Move best_move;
};

constexpr int PLY_RECORDS = 200;  // the search never goes deeper than 196 plies
constexpr int KILLER_PLIES = 196;

extern PlyRecord ply_records[PLY_RECORDS];
extern int32_t ply;

// History counters: near * 32768 + class * 8192 + (move & 0xFFF) * 2 + side.
constexpr int HISTORY_SIZE = 65536;
extern int32_t history_table[HISTORY_SIZE];
// By the to-square of the checking move, the checked king's square and side.
extern Move check_reply_table[64][64][2];

constexpr int CAPTURE_STAT_SLOTS = 524288;
extern int32_t capture_stat_age[CAPTURE_STAT_SLOTS];
extern int32_t capture_stat_successes[CAPTURE_STAT_SLOTS];
extern int32_t capture_stat_tries[CAPTURE_STAT_SLOTS];
extern int32_t capture_stat_other_tries;
extern int32_t capture_stat_other_successes;

// The slot of a capture: moving piece, captured piece, to- and from-square,
// and bit 13 set for a capture by black (it falls inside the from field).
inline int CaptureStatSlot(int piece, int captured, int to, int from, int side) {
  return (piece | captured << 3 | to << 6 | from << 12) | (side == BLACK ? 1 << 13 : 0);
}

void ClearKillers();
void ClearCaptureStatistics();

// The move-key table: 8192 buckets of four keys and four 15-bit moves.
struct MoveKeyBucket {
  uint64_t key[4];
  uint16_t move[4];
};
static_assert(sizeof(MoveKeyBucket) == 40, "a move-key bucket is 40 bytes in both builds");
constexpr int MOVE_KEY_BUCKETS = 8192;
extern MoveKeyBucket* move_key_table;

// Allocates the move-key table; on failure prints the allocation message and
// returns 0.
int AllocateMoveKeyTable();
void FreeMoveKeyTable();

// The evaluation's pawn hash (eval/pawns.h, pawn_hash_entries records) and
// evaluation cache (eval/evaluate.h, eval_cache_entries records), allocated
// here with two spare records behind each table. On failure they print the
// allocation message and return 0.
int AllocatePawnHash();
int AllocateEvalCache();
void ClearPawnHash();
void ClearEvalCache();
void FreePawnHash();
void FreeEvalCache();
// Frees the pawn hash and allocates it again for the megabytes given (0 turns
// it off); returns 0 when the allocation failed.
int SetPawnHashSize(int megabytes);

// The transposition table (search/transposition.h): tt_entries entries of 20
// bytes plus ten spare entries. Allocation failures print the allocation
// message and return 0; the caller then ends the program with code 1.
int AllocateTranspositionTable();
// Zeroes the whole allocation (every entry empty) and restarts search_id at 0.
void ClearTranspositionTable();
void FreeTranspositionTable();
// Frees the table, sets tt_entries for the megabytes given (clamped to
// 0..1024; 0 turns the table off), allocates and clears it; 0 on failure.
int SetHashSize(int megabytes);
// Between two moves of the game: the search will start two plies further on,
// so the killers of records 2..193 move down to 0..191.
void ShiftKillers();
// The "clean" command: every search table, the pawn hash, the evaluation
// cache and the driver's memory of the last root score.
void ClearSearchTables();
// Start-up: the four heap tables, allocated and then cleared (the move-key
// table is filled afterwards). 0 when an allocation failed.
int AllocateHashTables();
