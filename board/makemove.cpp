// Make and unmake, written once per colour.
#include "board/makemove.h"

#include <cassert>
#include <cstdio>

#include "board/tables.h"
#include "eval/pst.h"

const uint8_t castle_mask[64] = {
    253, 255, 255, 255, 252, 255, 255, 254,  // a1 e1 h1
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
    247, 255, 255, 255, 243, 255, 255, 251,  // a8 e8 h8
};

namespace {
constexpr int piece_units[8] = {0, 0, 3, 0, 0, 5, 3, 9};
constexpr int heavy_units[8] = {0, 0, 0, 0, 0, 1, 0, 2};
constexpr int minor_units[8] = {0, 0, 1, 0, 0, 0, 1, 0};

inline void ToggleRotated(Board& b, int square) {
  const int file = square & 7, rank = square >> 3;
  b.RankOccupancy[rank] ^= 1u << file;
  b.FileOccupancy[file] ^= 1u << rank;
  b.DiagSumOccupancy[file + rank] ^= 1u << rank;
  b.DiagDiffOccupancy[file - rank + 7] ^= 1u << rank;
}

inline void ToggleSliderSets(Board& b, int piece, uint64_t bits) {
  if (piece & 4) {
    if (piece & 1) b.RooksQueens ^= bits;
    if (piece & 2) b.BishopsQueens ^= bits;
  }
}

// Piece-square term of a man as it enters the black-minus-white sums.
template <int Colour>
inline int PstTerm(const int16_t* table, int piece, int square) {
  const int value = table[PstIndex(piece, Colour, square)];
  return Colour == BLACK ? value : -value;
}

template <int Colour>
inline void AddPst(Board& b, int piece, int square, int sign) {
  b.PstOpening = int16_t(b.PstOpening + sign * PstTerm<Colour>(pst_opening, piece, square));
  b.PstEnding = int16_t(b.PstEnding + sign * PstTerm<Colour>(pst_endgame, piece, square));
}

// The rook's squares of the castling move whose king lands on to.
inline void CastlingRookSquares(int to, int* rook_from, int* rook_to) {
  if ((to & 7) == 6) {
    *rook_from = to + 1;
    *rook_to = to - 1;
  } else {
    *rook_from = to - 2;
    *rook_to = to + 1;
  }
}

template <int Side>
void MoveCastlingRook(Board& b, int king_to, bool with_keys) {
  int rook_from, rook_to;
  CastlingRookSquares(king_to, &rook_from, &rook_to);
  const uint64_t bits = SquareBit(rook_from) | SquareBit(rook_to);
  b.Occupied[Side] ^= bits;
  b.Pieces[ROOK][Side] ^= bits;
  b.RooksQueens ^= bits;
  ToggleRotated(b, rook_from);
  ToggleRotated(b, rook_to);
  if (with_keys) {
    b.Key ^= zobrist_keys[Side][ROOK][rook_from] ^ zobrist_keys[Side][ROOK][rook_to];
    AddPst<Side>(b, ROOK, rook_from, -1);
    AddPst<Side>(b, ROOK, rook_to, 1);
    b.Square[rook_from] = 0;
    b.Square[rook_to] = ROOK;
  } else {
    b.Square[rook_from] = ROOK;
    b.Square[rook_to] = 0;
  }
}

template <int Side>
void MakeMoveFor(Move move, int save) {
  constexpr int Opp = Side ^ 1;
  Board& b = thread_board;
  UndoRecord& record = game_history[game_ply];
  assert(game_ply < GAME_HISTORY_SIZE);
  if (save) {
    record.Key = b.Key;
    record.FiftyCount = b.FiftyCount;
    record.Castling = b.Castling;
    record.MaterialIndex = b.MaterialIndex;
    record.PstOpening = b.PstOpening;
    record.PstEnding = b.PstEnding;
  }
  int fifty = b.FiftyCount + 1;
  const int from = MoveFrom(move), to = MoveTo(move), piece = MovePiece(move), captured = MoveCaptured(move);
  const uint64_t from_bit = SquareBit(from), to_bit = SquareBit(to), bits = from_bit | to_bit;
  assert(captured != KING);

  ToggleSliderSets(b, piece, bits);
  b.Pieces[piece][Side] ^= bits;
  b.Occupied[Side] ^= bits;
  b.Key ^= zobrist_keys[Side][piece][from] ^ zobrist_keys[Side][piece][to];
  ToggleRotated(b, from);
  b.Square[from] = 0;
  b.Square[to] = uint32_t(piece);
  AddPst<Side>(b, piece, from, -1);
  AddPst<Side>(b, piece, to, 1);

  if (captured) {
    AddPst<Opp>(b, captured, to, -1);
    b.MenCount--;
    b.Occupied[Opp] ^= to_bit;
    b.Pieces[captured][Opp] ^= to_bit;
    fifty = 0;
    if (captured == PAWN) {
      b.Material[Opp] -= 100;
      b.Key ^= zobrist_keys[Opp][PAWN][to];
      b.PawnKey ^= zobrist_keys[Opp][PAWN][to];
      b.PieceCount[PAWN][Opp]--;
    } else {
      b.Key ^= zobrist_keys[Opp][captured][to];
      b.PieceMaterial[Opp] -= piece_units[captured];
      b.Material[Opp] -= piece_value[captured];
      b.HeavyPieces[Opp] -= heavy_units[captured];
      b.MinorPieces[Opp] -= minor_units[captured];
      b.PieceCount[captured][Opp]--;
      ToggleSliderSets(b, captured, to_bit);
      if (captured == ROOK) b.Castling &= castle_mask[to];
    }
    if (b.MaterialIndex != NO_MATERIAL_INDEX)
      b.MaterialIndex -= material_index_weight[captured][Opp];
    else if (captured != PAWN && b.PieceCount[captured][Opp] == 2)
      ComputeMaterialIndex();
  } else {
    ToggleRotated(b, to);
  }

  switch (piece) {
    case KING:
      b.KingSquare[Side] = uint32_t(to);
      b.Castling &= castle_mask[from];
      if (from == (Side == WHITE ? E1 : E8) && (to == from + 2 || to == from - 2)) MoveCastlingRook<Side>(b, to, true);
      break;
    case ROOK:
      b.Castling &= castle_mask[from];
      break;
    case PAWN: {
      fifty = 0;
      b.PawnKey ^= zobrist_keys[Side][PAWN][from];
      const int promotion = MovePromotion(move);
      if (!promotion) {
        b.PawnKey ^= zobrist_keys[Side][PAWN][to];
        if (!captured && ((from ^ to) & 7)) {
          const int victim = Side == WHITE ? to - 8 : to + 8;
          const uint64_t victim_bit = SquareBit(victim);
          AddPst<Opp>(b, PAWN, victim, -1);
          b.Key ^= zobrist_keys[Opp][PAWN][victim];
          b.PawnKey ^= zobrist_keys[Opp][PAWN][victim];
          b.Square[victim] = 0;
          ToggleRotated(b, victim);
          b.Occupied[Opp] ^= victim_bit;
          b.Pieces[PAWN][Opp] ^= victim_bit;
          b.MenCount--;
          b.Material[Opp] -= 100;
          b.PieceCount[PAWN][Opp]--;
          if (b.MaterialIndex != NO_MATERIAL_INDEX) b.MaterialIndex -= material_index_weight[PAWN][Opp];
        }
      } else {
        b.Square[to] = uint32_t(promotion);
        AddPst<Side>(b, PAWN, to, -1);
        AddPst<Side>(b, promotion, to, 1);
        b.Pieces[PAWN][Side] ^= to_bit;
        b.Pieces[promotion][Side] ^= to_bit;
        b.Key ^= zobrist_keys[Side][PAWN][to] ^ zobrist_keys[Side][promotion][to];
        b.PieceCount[PAWN][Side]--;
        b.PieceCount[promotion][Side]++;
        b.Material[Side] += piece_value[promotion] - 100;
        b.PieceMaterial[Side] += piece_units[promotion];
        b.HeavyPieces[Side] += heavy_units[promotion];
        b.MinorPieces[Side] += minor_units[promotion];
        ToggleSliderSets(b, promotion, to_bit);
        if (b.MaterialIndex != NO_MATERIAL_INDEX && b.PieceCount[promotion][Side] <= 2)
          b.MaterialIndex += material_index_weight[promotion][Side] - material_index_weight[PAWN][Side];
        else
          b.MaterialIndex = NO_MATERIAL_INDEX;
      }
      break;
    }
  }

  b.FiftyCount = fifty;
  record.Move = move;
  game_ply++;
  b.SideToMove = Opp;
}

template <int Side>
void UnmakeMoveFor() {
  constexpr int Opp = Side ^ 1;
  Board& b = thread_board;
  game_ply--;
  b.SideToMove = Side;
  const UndoRecord& record = game_history[game_ply];
  const Move move = record.Move;
  const int from = MoveFrom(move), to = MoveTo(move), piece = MovePiece(move), captured = MoveCaptured(move);
  const uint64_t from_bit = SquareBit(from), to_bit = SquareBit(to), bits = from_bit | to_bit;
  const int promotion = MovePromotion(move);

  if (promotion) {
    // Turn the promoted man back into the pawn that moved.
    b.Pieces[promotion][Side] ^= to_bit;
    b.Pieces[PAWN][Side] ^= to_bit;
    b.PieceCount[promotion][Side]--;
    b.PieceCount[PAWN][Side]++;
    b.Material[Side] -= piece_value[promotion] - 100;
    b.PieceMaterial[Side] -= piece_units[promotion];
    b.HeavyPieces[Side] -= heavy_units[promotion];
    b.MinorPieces[Side] -= minor_units[promotion];
    ToggleSliderSets(b, promotion, to_bit);
  }

  ToggleSliderSets(b, piece, bits);
  b.Pieces[piece][Side] ^= bits;
  b.Occupied[Side] ^= bits;
  ToggleRotated(b, from);
  b.Square[from] = uint32_t(piece);

  if (captured) {
    b.Square[to] = uint32_t(captured);
    b.MenCount++;
    b.Occupied[Opp] ^= to_bit;
    b.Pieces[captured][Opp] ^= to_bit;
    b.PieceCount[captured][Opp]++;
    if (captured == PAWN) {
      b.Material[Opp] += 100;
      b.PawnKey ^= zobrist_keys[Opp][PAWN][to];
    } else {
      b.PieceMaterial[Opp] += piece_units[captured];
      b.Material[Opp] += piece_value[captured];
      b.HeavyPieces[Opp] += heavy_units[captured];
      b.MinorPieces[Opp] += minor_units[captured];
      ToggleSliderSets(b, captured, to_bit);
    }
  } else {
    b.Square[to] = 0;
    ToggleRotated(b, to);
  }

  if (piece == KING) {
    b.KingSquare[Side] = uint32_t(from);
    if (from == (Side == WHITE ? E1 : E8) && (to == from + 2 || to == from - 2)) MoveCastlingRook<Side>(b, to, false);
  } else if (piece == PAWN) {
    b.PawnKey ^= zobrist_keys[Side][PAWN][from];
    if (!promotion) {
      b.PawnKey ^= zobrist_keys[Side][PAWN][to];
      if (!captured && ((from ^ to) & 7)) {
        const int victim = Side == WHITE ? to - 8 : to + 8;
        const uint64_t victim_bit = SquareBit(victim);
        b.PawnKey ^= zobrist_keys[Opp][PAWN][victim];
        b.Square[victim] = PAWN;
        ToggleRotated(b, victim);
        b.Occupied[Opp] ^= victim_bit;
        b.Pieces[PAWN][Opp] ^= victim_bit;
        b.MenCount++;
        b.Material[Opp] += 100;
        b.PieceCount[PAWN][Opp]++;
      }
    }
  }

  b.Castling = record.Castling;
  b.FiftyCount = record.FiftyCount;
  b.PstOpening = record.PstOpening;
  b.PstEnding = record.PstEnding;
  b.Key = record.Key;
  b.MaterialIndex = record.MaterialIndex;
}
}  // namespace

void MakeMove(Move move, int save) {
  if (thread_board.SideToMove == WHITE)
    MakeMoveFor<WHITE>(move, save);
  else
    MakeMoveFor<BLACK>(move, save);
}

void UnmakeMove() {
  // The mover is the side not to move now.
  if (thread_board.SideToMove == BLACK)
    UnmakeMoveFor<WHITE>();
  else
    UnmakeMoveFor<BLACK>();
}

int MakeGameMove(Move move) {
  if (!GameHasRoomForMove()) return 0;
  MakeMove(move, 1);
  return 1;
}

void ComputeMaterialIndex() {
  Board& b = thread_board;
  for (int piece : {QUEEN, ROOK, BISHOP, KNIGHT})
    for (int colour = 0; colour < 2; colour++)
      if (b.PieceCount[piece][colour] > 2) {
        b.MaterialIndex = NO_MATERIAL_INDEX;
        return;
      }
  int32_t index = 0;
  for (int piece : {QUEEN, ROOK, BISHOP, KNIGHT, PAWN})
    for (int colour = 0; colour < 2; colour++) index += int32_t(b.PieceCount[piece][colour]) * material_index_weight[piece][colour];
  // More than eight pawns of a colour overflow the pawn digit: say so, and
  // keep the index inside the material table by having none.
  if (b.PieceCount[PAWN][WHITE] > 8 || b.PieceCount[PAWN][BLACK] > 8 || index > NO_MATERIAL_INDEX) {
    if (index > NO_MATERIAL_INDEX) printf("Error when indexing material!\n");
    index = NO_MATERIAL_INDEX;
  }
  b.MaterialIndex = index;
}
