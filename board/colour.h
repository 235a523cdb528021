// board/colour.h: the colour-dependent constants the move generators share
// (pawn direction, rank masks, castling rights, squares and move words), one
// set per colour as a template argument, and the castling test they share.
// Owns no state; the castling test reads thread_board.
#pragma once

#include <cstdint>

#include "board/attacks.h"
#include "board/board.h"
#include "board/movegen.h"

template <int Colour>
struct ColourTraits {
  static constexpr int Them = Colour ^ 1;
  static constexpr int Forward = PawnForward(Colour);
  // A rank counted from this side's back rank (0 to 7), as a bit set.
  static constexpr uint64_t RankMask(int rank) { return uint64_t(0xFF) << (8 * (Colour == WHITE ? rank : 7 - rank)); }
  static constexpr uint64_t SecondRank = RankMask(1);
  static constexpr uint64_t ThirdRank = RankMask(2);
  static constexpr uint64_t SeventhRank = RankMask(6);
  static constexpr uint64_t LastRank = RankMask(7);
  static constexpr int BackRankBase = Colour == WHITE ? A1 : A8;
  static constexpr uint32_t ShortRight = Colour == WHITE ? WHITE_SHORT : BLACK_SHORT;
  static constexpr uint32_t LongRight = Colour == WHITE ? WHITE_LONG : BLACK_LONG;
  static constexpr int KingStart = Colour == WHITE ? E1 : E8;
  static constexpr Move ShortCastling = Colour == WHITE ? WHITE_SHORT_CASTLING : BLACK_SHORT_CASTLING;
  static constexpr Move LongCastling = Colour == WHITE ? WHITE_LONG_CASTLING : BLACK_LONG_CASTLING;
  // The squares between king and rook, which must be empty.
  static constexpr uint64_t ShortPath = SquareBit(KingStart + 1) | SquareBit(KingStart + 2);
  static constexpr uint64_t LongPath = SquareBit(KingStart - 1) | SquareBit(KingStart - 2) | SquareBit(KingStart - 3);
};
static_assert(ColourTraits<WHITE>::SeventhRank == 0x00FF000000000000ULL &&
                  ColourTraits<BLACK>::SecondRank == 0x00FF000000000000ULL,
              "rank masks count from each side's back rank");

// Castling to one wing (Short: the king's side), in two halves so that a
// generator can put a cheap test of its own between them. The king's own
// square is the caller's: no generator that castles runs in check.
// The right is held and the path between king and rook is empty.
template <int Colour, bool Short>
inline bool CastlingPathClear() {
  using S = ColourTraits<Colour>;
  const Board& b = thread_board;
  return (b.Castling & (Short ? S::ShortRight : S::LongRight)) &&
         !((b.Occupied[WHITE] | b.Occupied[BLACK]) & (Short ? S::ShortPath : S::LongPath));
}

// No enemy man attacks the square the king crosses or the one it lands on.
template <int Colour, bool Short>
inline bool CastlingPathSafe() {
  using S = ColourTraits<Colour>;
  constexpr int step = Short ? 1 : -1;
  return !IsSquareAttacked(S::Them, S::KingStart + step) && !IsSquareAttacked(S::Them, S::KingStart + 2 * step);
}

template <int Colour, bool Short>
inline bool CanCastle() {
  return CastlingPathClear<Colour, Short>() && CastlingPathSafe<Colour, Short>();
}
