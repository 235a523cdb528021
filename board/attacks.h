// board/attacks.h: slider attack lookups through the rotated occupancy,
// square-attack tests, rays and x-rays, static exchange, pin and check tests.
// Reads thread_board; writes nothing (GivesCheck makes and takes back an en
// passant capture to test it).
#pragma once

#include <cstdint>

#include "board/board.h"
#include "board/tables.h"

// Exchange values in pawn units by piece code.
constexpr uint32_t see_value[8] = {0, 200, 3, 1, 0, 5, 3, 9};

// ---- slider attack sets with the current occupancy ----
inline uint64_t RankAttacksFrom(int square) {
  const int file = square & 7, rank = square >> 3;
  return rank_attacks[line_state[thread_board.RankOccupancy[rank]][file]][rank];
}
inline uint64_t FileAttacksFrom(int square) {
  const int file = square & 7, rank = square >> 3;
  return file_attacks[line_state[thread_board.FileOccupancy[file]][rank]][file];
}
inline uint64_t DiagSumAttacksFrom(int square) {
  const int file = square & 7, rank = square >> 3;
  return diag_sum_attacks[line_state[thread_board.DiagSumOccupancy[file + rank]][rank]][file + rank];
}
inline uint64_t DiagDiffAttacksFrom(int square) {
  const int file = square & 7, rank = square >> 3;
  return diag_diff_attacks[line_state[thread_board.DiagDiffOccupancy[file - rank + 7]][rank]][file - rank + 7];
}
inline uint64_t RookAttacksFrom(int square) { return RankAttacksFrom(square) | FileAttacksFrom(square); }
inline uint64_t BishopAttacksFrom(int square) { return DiagSumAttacksFrom(square) | DiagDiffAttacksFrom(square); }
inline uint64_t QueenAttacksFrom(int square) { return RookAttacksFrom(square) | BishopAttacksFrom(square); }

// The whole line (both directions) that a ray step runs along; 0 for a step
// that is not one of the eight.
inline uint64_t LineAttacksByStep(int square, int step) {
  switch (step) {
    case 1:
    case -1:
      return RankAttacksFrom(square);
    case 8:
    case -8:
      return FileAttacksFrom(square);
    case 7:
    case -7:
      return DiagSumAttacksFrom(square);
    case 9:
    case -9:
      return DiagDiffAttacksFrom(square);
    default:
      return 0;
  }
}
constexpr bool IsStraightStep(int step) { return step == 1 || step == -1 || step == 8 || step == -8; }

// The squares a man of the code attacks from the square, for the colour given
// (pawns only); empty for any other code.
inline uint64_t AttacksOf(int piece, int square, int colour) {
  switch (piece) {
    case KING:
      return king_attacks[square];
    case KNIGHT:
      return knight_attacks[square];
    case PAWN:
      return pawn_attacks[colour][square];
    case ROOK:
      return RookAttacksFrom(square);
    case BISHOP:
      return BishopAttacksFrom(square);
    case QUEEN:
      return QueenAttacksFrom(square);
    default:
      return 0;
  }
}

// 1 when a man of colour side attacks the square (en passant not counted).
inline int IsSquareAttacked(int side, int square) {
  const Board& b = thread_board;
  if (b.Pieces[PAWN][side] & pawn_attacks[side ^ 1][square]) return 1;
  if (b.Pieces[KNIGHT][side] & knight_attacks[square]) return 1;
  if (b.Pieces[KING][side] & king_attacks[square]) return 1;
  const uint64_t straight = b.RooksQueens & b.Occupied[side];
  if ((rook_lines[square] & straight) && (straight & RookAttacksFrom(square))) return 1;
  const uint64_t diagonal = b.BishopsQueens & b.Occupied[side];
  if ((bishop_lines[square] & diagonal) && (diagonal & BishopAttacksFrom(square))) return 1;
  return 0;
}

uint64_t GetRayAttacks(int square, int step);
uint64_t GetXrayAttackers(uint64_t set, int square, int step);
// 1 when the move (to, from, moving piece, victim, promotion) of the side to
// move does not lose material by the static exchange on the to-square.
int PassesStaticExchange(int to, int from, int piece, int victim, int promotion);
// The swap-off on `to` after a man of colour own worth `attacker` (exchange
// units) went there from `from` and took a man worth `value` < attacker:
// 1 when own does not come out behind.
int SwapOffIsSafe(int own, int to, int from, int attacker, int value);
int HasWinningCapture(int margin);

int IsPinned(int square);
int ExposesKing(Move move);

int GivesCheck(Move move);
int GivesDiscoveredCheck(Move move);

// 1 when the side to move is in check.
inline int InCheck() {
  const int side = int(thread_board.SideToMove);
  return IsSquareAttacked(side ^ 1, int(thread_board.KingSquare[side]));
}

// 1 when side, with the move, could take the other king: a position no set-up
// may give the search.
inline int KingCanBeTaken(int side) { return IsSquareAttacked(side, int(thread_board.KingSquare[side ^ 1])); }
