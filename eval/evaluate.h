// eval/evaluate.h: the evaluation's entry (lazy cut, evaluation cache,
// fifty-move damping), the full static evaluation with its working record
// thread_eval_info, and the exchange safety test. Reads thread_board, the
// parameters and the root search's lazy window; writes thread_eval_info, the
// phase globals and the caches.
#pragma once

#include <cstdint>

#include "board/board.h"
#include "board/tables.h"

// The evaluation's working record, cleared at the start of every full
// evaluation; every score in it is from black's view (positive favours black).
struct EvalInfo {
  int32_t score;
  int32_t opening;
  int32_t endgame;
  int32_t king_attack[2];
  int32_t side_endgame[2];
  int32_t attack_tempo[2];
  uint64_t queen_attacks[2];
  uint64_t knight_attacks_of[2];
  uint64_t bishop_attacks_of[2];
  uint64_t rook_attacks_of[2];
  uint64_t pawn_attack_sets[2];  // by colour: the squares that side's pawns attack
  uint64_t blocked_pawns[2];
  uint64_t minor_square_classes[4][2];
  uint64_t king_zone[2];
  uint64_t minor_attacks[2];
  int32_t threatened_count[2];
  uint64_t rook_check_squares[2];
  uint64_t queen_check_squares[2];
  uint64_t bishop_check_squares[2];
  uint64_t knight_check_squares[2];
  int32_t danger[2];
  int32_t shelter_penalty[2];
  int32_t ending[2];
  int32_t material;
  int32_t reliable;
  int32_t cacheable;
  int32_t second_score;
  int32_t attackers[2];
  uint64_t attacked_squares[2];
  uint64_t hot_squares[2];
  uint64_t passed_pawns[2];
};

extern EvalInfo thread_eval_info;

// 0 with all material on the board, 256 with none.
extern int32_t current_phase;
extern int32_t black_phase;
extern int32_t white_phase;
// Set by the special endgame knowledge, cleared by the full evaluation.
extern int32_t white_cannot_win;
extern int32_t black_cannot_win;

// One record of the evaluation cache (fields reordered from the listing so
// that the record packs into 48 bytes).
struct EvalCacheEntry {
  uint64_t key;  // Key ^ castle_keys[Castling]
  uint64_t hot_squares[2];
  uint64_t attacked_squares[2];
  int16_t score[2];  // by side to move; NO_SCORE = none
  int16_t material;
};
static_assert(sizeof(EvalCacheEntry) == 48, "an evaluation-cache record is 48 bytes");
// The cache's key of a position: the men and the castling rights.
inline uint64_t EvalCacheKey(const Board& b) { return b.Key ^ castle_keys[b.Castling & 15]; }
// The evaluation cache, owned here and allocated by the search's table code
// (search/tables.h); nullptr while off. As with the pawn hash, the common
// size skips the division.
extern EvalCacheEntry* eval_cache;
inline uint32_t EvalCacheIndex(uint64_t key, uint32_t entries) {
  return entries == 524288 ? uint32_t(key & 0x7FFFF) : uint32_t(key) % entries;
}

// Scores: a mate found at ply n is MATE_SCORE - n; the same value bounds
// every search window.
constexpr int32_t MATE_SCORE = 32700;
// The score of mating at ply n, and of being mated at ply n.
constexpr int32_t MateIn(int32_t n) { return MATE_SCORE - n; }
constexpr int32_t MatedIn(int32_t n) { return n - MATE_SCORE; }
constexpr int32_t NO_SCORE = -MATE_SCORE;
constexpr int32_t MATE_BOUND = 31000;  // beyond this a score is a mate score

// The root search's state that the evaluation reads: the side to move at the
// root and the lazy window around the expected root score, from the root
// side's view. Defined and set by the root search (search/root.cpp); the
// evaluation never writes them.
extern int32_t root_side;
extern int32_t lazy_window_low;
extern int32_t lazy_window_high;

// The lazy material cut shared by the evaluation entry and the quiescence
// search. With the side to move's material balance outside the lazy window
// (seen from the side to move) and the side ahead able to force a win, the
// balance less 100 for a pawn of the side behind one step from promotion (or
// 50 for one two steps away) is written to *balance when it still lies
// outside the window. Returns +1 for a cut above the window, -1 below, 0 for
// no cut (*balance untouched).
int LazyMaterialCut(int32_t* balance);

// The search's static score from the side to move's view. The two bounds do
// not change the result.
int32_t Evaluate(int32_t alpha = -MATE_SCORE, int32_t beta = MATE_SCORE);
// The full static evaluation: *score (preset to NO_SCORE by the caller) gets
// the side-to-move score; the rest stays in thread_eval_info.
void EvaluatePosition(int32_t* score, int32_t bound = MATE_SCORE);
// score * factor / 256, truncated toward zero.
inline int32_t ScaleScore(int32_t score, int32_t factor) { return int32_t(int64_t(score) * factor / 256); }

// 1 when the man on from can go to (or capture on) to without losing
// material; the mover's colour is that of the man on from.
int IsExchangeSafe(int to, int from);
