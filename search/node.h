// search/node.h: small pieces that the alpha-beta and the quiescence search
// share at every node: move classes, the legality shortcut, the repetition
// walk, mate-distance pruning, capture futility and the capture statistics.
// Inline because they run at every node. Reads the board, the game history
// and ply; writes only the capture statistics.
#pragma once

#include <cstdint>

#include "board/attacks.h"
#include "board/board.h"
#include "board/movekeys.h"
#include "board/tables.h"
#include "eval/evaluate.h"
#include "eval/material.h"
#include "search/tables.h"
#include "search/transposition.h"

namespace search_node {

// Deepest ply a node may search from: the node writes the next ply's record.
constexpr int MAX_SEARCH_PLY = KILLER_PLIES - 2;
// Entries a node may append (captures, promotions, killers, quiet moves, and
// the singular test's own list on top).
constexpr int NODE_LIST_ROOM = 4 * MAX_GENERATED_MOVES;

inline bool IsEnPassant(Move m) {
  return MovePiece(m) == PAWN && MoveCaptured(m) == EMPTY && ((MoveFrom(m) ^ MoveTo(m)) & 7) != 0;
}
// No capture or promotion bits and not en passant.
inline bool IsQuiet(Move m) { return !IsCaptureOrPromotion(m) && !IsEnPassant(m); }

// A node that cannot go deeper or has no room left in its part of the move
// list is scored as a leaf.
inline bool NodeHasNoRoom() {
  return ply >= MAX_SEARCH_PLY || game_ply >= GAME_HISTORY_SIZE - 4 || move_list_end > SEARCH_LIST_END - NODE_LIST_ROOM;
}

// For a side to move that is not in check: 0 when the move would leave its own
// king attacked. En passant is not decided here (the caller makes it and looks).
inline int PassesPinTest(Move m) {
  const Board& b = thread_board;
  if (MovePiece(m) == KING) return !IsSquareAttacked(int(b.SideToMove) ^ 1, MoveTo(m));
  if (IsEnPassant(m)) return 1;
  return !ExposesKing(m);
}

// After MakeMove: 1 when the side that moved left its king attacked.
inline int MoverKingAttacked() {
  const Board& b = thread_board;
  const int mover = int(b.SideToMove) ^ 1;
  return IsSquareAttacked(int(b.SideToMove), int(b.KingSquare[mover]));
}

inline bool Irreversible(Move m) { return m == 0 || IsCaptureOrPromotion(m) || MovePiece(m) == PAWN; }

// The quiet move of the side to move that the move-key table names for this
// key difference can be played now (either direction of the stored move).
inline int CanReturnBy(uint32_t stored) {
  const Board& b = thread_board;
  const int own = int(b.SideToMove);
  const uint64_t occupied = b.Occupied[WHITE] | b.Occupied[BLACK];
  const int piece = MovePiece(stored);
  for (int turn = 0; turn < 2; turn++) {
    const int from = turn ? MoveTo(stored) : MoveFrom(stored);
    const int to = turn ? MoveFrom(stored) : MoveTo(stored);
    if (int(b.Square[from]) == piece && b.Square[to] == EMPTY && (b.Occupied[own] & SquareBit(from)))
      return (between_table[to][from] & occupied) == 0;
  }
  return 0;
}

// 1 when the node is a draw by the fifty-move rule, by a repetition of an
// earlier position of the game or search, or (beta <= 0) because the side to
// move can return to an earlier position by one quiet move. Never reads
// before the start of the history, nor past the reversible plies.
inline int IsDrawByRepetition(int32_t beta) {
  const Board& b = thread_board;
  if (b.FiftyCount < 3) return 0;
  if (b.FiftyCount >= 100) return 1;
  const int n = game_ply;
  if (n < 3) return 0;
  int oldest = n - b.FiftyCount;
  if (oldest < 0) oldest = 0;
  const bool upcoming = beta <= 0;
  uint64_t acc = 0;
  if (upcoming) acc = game_history[n - 1].Key ^ b.Key;
  for (int i = n - 3; i >= oldest; i -= 2) {
    if (upcoming) {
      acc ^= game_history[i].Key ^ game_history[i + 1].Key;
      if (acc == 0) {
        const uint32_t stored = LookUpMoveKey(b.Key ^ game_history[i].Key);
        if (stored && CanReturnBy(stored)) return 1;
      }
    }
    if (i - 1 < oldest || Irreversible(game_history[i - 1].Move)) return 0;
    if (b.Key == game_history[i - 1].Key) return 1;
    if (i - 2 < oldest || Irreversible(game_history[i - 2].Move)) return 0;
  }
  return 0;
}

// Success counts of the captures searched at a node that is not in check, for
// a capture that gives no check.
inline void CountCapture(Move m, int32_t order_score, int succeeded) {
  if (order_score >= 100000) {
    capture_stat_other_tries++;
    if (succeeded) capture_stat_other_successes++;
    return;
  }
  const int slot = CaptureStatSlot(MovePiece(m), MoveCaptured(m), MoveTo(m), MoveFrom(m), int(thread_board.SideToMove));
  const int32_t stamp = SearchStamp();
  if (capture_stat_age[slot] != stamp) {
    capture_stat_successes[slot] = 0;
    capture_stat_tries[slot] = 0;
    capture_stat_age[slot] = stamp;
  }
  capture_stat_tries[slot]++;
  if (succeeded) capture_stat_successes[slot]++;
  if (capture_stat_tries[slot] > 64) {
    capture_stat_tries[slot] /= 2;
    capture_stat_successes[slot] /= 2;
  }
}

// Bits of the flags word that a node stores with its table entry: what the
// position's generators are known to produce.
constexpr uint16_t NO_QUIET_CHECKS = 1;           // no quiet check exists here
constexpr uint16_t NO_CAPTURES = 2;               // no capture or promotion exists here
constexpr uint16_t FULL_CAPTURES_GENERATED = 16;  // ... and the full capture generator said so

// The lowest score the side to move can still get: mated at once when it is
// in check, else after its own move and the reply.
inline int32_t MateDistanceFloor(int in_check) { return MatedIn(ply + 2) - 2 * in_check; }

// Mate-distance pruning: alpha rises to the floor, and nothing found below
// this node can beat a mate given with its next move. true when that decides
// the node, with its score in result.
inline bool MateDistanceDecides(int32_t floor, int32_t& alpha, int32_t beta, int32_t& result) {
  if (floor > alpha) {
    if (floor >= beta) {
      result = floor;
      return true;
    }
    alpha = floor;
  }
  if (alpha >= MateIn(ply + 1)) {
    result = alpha;
    return true;
  }
  return false;
}

// Capture futility: the gap is what the static evaluation e still lacks of
// alpha once the capture's material gain is counted.
constexpr int32_t FUTILITY_OPEN_GAP = 58;   // smaller gaps: always searched
constexpr int32_t FUTILITY_BIG_GAIN = 478;  // gains from here on meet the wide gap
constexpr int32_t FUTILITY_SMALL_GAIN_GAP = 113;
constexpr int32_t FUTILITY_BIG_GAIN_GAP = 395;
constexpr int32_t FUTILITY_OPPONENT_UNITS = 10;  // below it a small gain may still tell,
constexpr int32_t FUTILITY_LOST_EVAL = -498;     // unless the side to move is lost anyway

// 1 when the capture or promotion m of the side to move is not worth
// searching at a node whose static evaluation is e; under-promotions never
// are.
inline bool CaptureIsFutile(Move m, int32_t alpha, int32_t e) {
  const int promotion = MovePromotion(m);
  if (promotion && promotion != QUEEN) return true;
  const int32_t gain = EstimateMaterialGain(m);
  const int32_t gap = alpha - e - gain;
  if (gap < FUTILITY_OPEN_GAP) return false;
  if (gain >= FUTILITY_BIG_GAIN) return gap >= FUTILITY_BIG_GAIN_GAP;
  const int32_t opponent_units = thread_board.PieceMaterial[int(thread_board.SideToMove) ^ 1];
  return gap >= FUTILITY_SMALL_GAIN_GAP && (opponent_units >= FUTILITY_OPPONENT_UNITS || e < FUTILITY_LOST_EVAL);
}

// Index of the best-scored entry in [begin, end), the earliest of equals,
// swapped to begin.
inline void SelectBest(int begin, int end) {
  int best = begin;
  for (int i = begin + 1; i < end; i++)
    if (move_list[i].score > move_list[best].score) best = i;
  if (best != begin) {
    const MoveEntry t = move_list[begin];
    move_list[begin] = move_list[best];
    move_list[best] = t;
  }
}

#ifndef NDEBUG
// Moves the search made that left the mover's king attacked (checked only in
// builds with assertions).
extern uint32_t illegal_moves_made;
inline void CheckMadeMove() {
  if (MoverKingAttacked()) illegal_moves_made++;
}
#else
inline void CheckMadeMove() {}
#endif

}  // namespace search_node
