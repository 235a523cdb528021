// board/colour.h: the colour-dependent constants the move generators share
// (pawn direction, rank masks, castling rights, squares and move words), one
// set per colour as a template argument. Owns no state.
#pragma once

#include <cstdint>

#include "board/board.h"
#include "board/movegen.h"

template <int Colour>
struct ColourTraits {
  static constexpr int Them = Colour ^ 1;
  static constexpr int Forward = PawnForward(Colour);
  // A rank counted from this side's back rank (0 to 7), as a bit set.
  static constexpr uint64_t RankMask(int rank) {
    return uint64_t(0xFF) << (8 * (Colour == WHITE ? rank : 7 - rank));
  }
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
};
static_assert(ColourTraits<WHITE>::SeventhRank == 0x00FF000000000000ULL &&
                  ColourTraits<BLACK>::SecondRank == 0x00FF000000000000ULL,
              "rank masks count from each side's back rank");
