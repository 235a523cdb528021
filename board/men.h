// board/men.h: the board primitives that place, take off, move and change one
// man with every redundant field of thread_board. Used by the board's writers
// only (PutPiece, MakeMove, UnmakeMove). Reads zobrist_keys and the
// piece-square tables; writes thread_board.
//
// WithKeys selects the fields that unmake copies back from the history record
// instead of reversing them: Key, the piece-square sums and the material
// index. Make and set-up pass true; unmake passes false. PawnKey is never
// saved, so every primitive keeps it.
#pragma once

#include <cstdint>

#include "board/board.h"
#include "board/makemove.h"
#include "board/tables.h"
#include "eval/pst.h"

inline void ToggleRotatedOccupancy(int square) {
  Board& b = thread_board;
  const int file = square & 7, rank = square >> 3;
  b.RankOccupancy[rank] ^= 1u << file;
  b.FileOccupancy[file] ^= 1u << rank;
  b.DiagSumOccupancy[file + rank] ^= 1u << rank;
  b.DiagDiffOccupancy[file - rank + 7] ^= 1u << rank;
}

inline void ToggleSliderSets(int piece, uint64_t bits) {
  Board& b = thread_board;
  if (IsSlider(piece)) {
    if (MovesStraight(piece)) b.RooksQueens ^= bits;
    if (MovesDiagonally(piece)) b.BishopsQueens ^= bits;
  }
}

// A man's piece-square terms enter (sign 1) or leave (sign -1) the
// black-minus-white sums.
template <int Colour>
inline void AddPstTerms(int piece, int square, int sign) {
  Board& b = thread_board;
  const int index = PstIndex(piece, Colour, square);
  const int colour_sign = Colour == BLACK ? sign : -sign;
  b.PstOpening = int16_t(b.PstOpening + colour_sign * pst_opening[index]);
  b.PstEnding = int16_t(b.PstEnding + colour_sign * pst_endgame[index]);
}

// The material index as a man of the colour enters (Delta 1) or leaves
// (Delta -1) the counts, which already include the change. Entering past the
// code's digit drops the index; leaving back to a count of two rebuilds it.
template <int Colour, int Delta>
inline void CountInMaterialIndex(int piece) {
  Board& b = thread_board;
  if constexpr (Delta > 0) {
    if (b.MaterialIndex != NO_MATERIAL_INDEX && b.PieceCount[piece][Colour] <= material_index_limit[piece])
      b.MaterialIndex += material_index_weight[piece][Colour];
    else
      b.MaterialIndex = NO_MATERIAL_INDEX;
  } else {
    if (b.MaterialIndex != NO_MATERIAL_INDEX)
      b.MaterialIndex -= material_index_weight[piece][Colour];
    else if (piece != PAWN && b.PieceCount[piece][Colour] == 2)
      ComputeMaterialIndex();
  }
}

// A man of the colour enters (Delta 1) or leaves (Delta -1) the sets,
// counters and keys; its square's mailbox entry and rotated occupancy are the
// caller's, because a capture leaves the square occupied.
template <int Colour, int Delta, bool WithKeys>
inline void ListMan(int piece, int square) {
  Board& b = thread_board;
  const uint64_t bit = SquareBit(square);
  b.Occupied[Colour] ^= bit;
  b.Pieces[piece][Colour] ^= bit;
  ToggleSliderSets(piece, bit);
  b.MenCount += uint32_t(Delta);
  const uint64_t key = zobrist_keys[Colour][piece][square];
  if (piece == PAWN) b.PawnKey ^= key;
  if constexpr (WithKeys) {
    b.Key ^= key;
    AddPstTerms<Colour>(piece, square, Delta);
  }
  if (piece == KING) {
    // Kings are in no counter; only set-up places one.
    if constexpr (Delta > 0) b.KingSquare[Colour] = uint32_t(square);
    return;
  }
  b.PieceCount[piece][Colour] += uint32_t(Delta);
  b.Material[Colour] += Delta * piece_value[piece];
  b.PieceMaterial[Colour] += Delta * piece_material_units[piece];
  b.HeavyPieces[Colour] += uint32_t(Delta * heavy_piece_units[piece]);
  b.MinorPieces[Colour] += uint32_t(Delta * minor_piece_units[piece]);
  if constexpr (WithKeys) CountInMaterialIndex<Colour, Delta>(piece);
}

// A man of the colour goes from one square to another in its sets and keys;
// the counters stay.
template <int Colour, bool WithKeys>
inline void ShiftMan(int piece, int from, int to) {
  Board& b = thread_board;
  const uint64_t bits = SquareBit(from) | SquareBit(to);
  b.Occupied[Colour] ^= bits;
  b.Pieces[piece][Colour] ^= bits;
  ToggleSliderSets(piece, bits);
  const uint64_t keys = zobrist_keys[Colour][piece][from] ^ zobrist_keys[Colour][piece][to];
  if (piece == PAWN) b.PawnKey ^= keys;
  if (piece == KING) b.KingSquare[Colour] = uint32_t(to);
  if constexpr (WithKeys) {
    b.Key ^= keys;
    AddPstTerms<Colour>(piece, from, -1);
    AddPstTerms<Colour>(piece, to, 1);
  }
}

// A man of the colour onto an empty square.
template <int Colour, bool WithKeys>
inline void PlaceMan(int piece, int square) {
  ListMan<Colour, 1, WithKeys>(piece, square);
  ToggleRotatedOccupancy(square);
  thread_board.Square[square] = uint32_t(piece);
}

// A man of the colour off the board, its square left empty.
template <int Colour, bool WithKeys>
inline void LiftMan(int piece, int square) {
  ListMan<Colour, -1, WithKeys>(piece, square);
  ToggleRotatedOccupancy(square);
  thread_board.Square[square] = 0;
}

// A man of the colour from one square to an empty one.
template <int Colour, bool WithKeys>
inline void MoveMan(int piece, int from, int to) {
  ShiftMan<Colour, WithKeys>(piece, from, to);
  ToggleRotatedOccupancy(from);
  ToggleRotatedOccupancy(to);
  thread_board.Square[from] = 0;
  thread_board.Square[to] = uint32_t(piece);
}

// A man of the colour takes the enemy man on to: to stays occupied.
template <int Colour, bool WithKeys>
inline void CaptureMan(int piece, int from, int to, int captured) {
  ShiftMan<Colour, WithKeys>(piece, from, to);
  ListMan<Colour ^ 1, -1, WithKeys>(captured, to);
  ToggleRotatedOccupancy(from);
  thread_board.Square[from] = 0;
  thread_board.Square[to] = uint32_t(piece);
}

// The capture taken back: the man returns from to to from, and the taken man
// comes back onto to.
template <int Colour, bool WithKeys>
inline void UncaptureMan(int piece, int from, int to, int captured) {
  ShiftMan<Colour, WithKeys>(piece, to, from);
  ListMan<Colour ^ 1, 1, WithKeys>(captured, to);
  ToggleRotatedOccupancy(from);
  thread_board.Square[from] = uint32_t(piece);
  thread_board.Square[to] = uint32_t(captured);
}

// The man of the colour on the square becomes another (a promotion, or one
// taken back).
template <int Colour, bool WithKeys>
inline void ChangeMan(int square, int piece, int new_piece) {
  ListMan<Colour, -1, WithKeys>(piece, square);
  ListMan<Colour, 1, WithKeys>(new_piece, square);
  thread_board.Square[square] = uint32_t(new_piece);
}
