// Make and unmake, written once per colour and moving code on the board
// primitives of board/men.h.
#include "board/makemove.h"

#include <cassert>
#include <cstdio>

#include "board/men.h"
#include "board/tables.h"

const uint8_t castle_mask[64] = {
    253, 255, 255, 255, 252, 255, 255, 254,  // a1 e1 h1
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 247, 255, 255, 255, 243, 255, 255, 251,  // a8 e8 h8
};

namespace {
inline bool IsCastling(int from, int to, int king_start) {
  return from == king_start && (to == from + 2 || to == from - 2);
}

// The rook of a king move that castles goes to its square (Make) or back.
template <int Side, bool Make>
inline void MoveCastlingRook(int from, int to) {
  if (!IsCastling(from, to, Side == WHITE ? E1 : E8)) return;
  // The king lands on the g-file beside the h-rook's new square, or on the
  // c-file beside the a-rook's.
  const bool short_side = (to & 7) == 6;
  const int rook_from = short_side ? to + 1 : to - 2, rook_to = short_side ? to - 1 : to + 1;
  if constexpr (Make)
    MoveMan<Side, true>(ROOK, rook_from, rook_to);
  else
    MoveMan<Side, false>(ROOK, rook_to, rook_from);
}

// En passant: a pawn move to another file that takes nothing on its square.
inline bool IsEnPassant(int from, int to, int captured) { return !captured && ((from ^ to) & 7); }

// The board's part of a move by a man of the code Piece: one instance per
// code, so that every test on the moving man's code is settled at compile time.
template <int Side, int Piece>
inline void MakeManMove(Move move, int from, int to, int captured) {
  Board& b = thread_board;
  if (captured) {
    CaptureMan<Side, true>(Piece, from, to, captured);
    if (captured == ROOK) b.Castling &= castle_mask[to];
  } else {
    MoveMan<Side, true>(Piece, from, to);
  }
  if constexpr (Piece == KING || Piece == ROOK) b.Castling &= castle_mask[from];
  if constexpr (Piece == KING) MoveCastlingRook<Side, true>(from, to);
  if constexpr (Piece == PAWN) {
    if (const int promotion = MovePromotion(move))
      ChangeMan<Side, true>(to, PAWN, promotion);
    else if (IsEnPassant(from, to, captured))
      LiftMan<Side ^ 1, true>(PAWN, to - PawnForward(Side));
  }
}

// Its inverse. Key, piece-square sums and material index come back from the
// record instead.
template <int Side, int Piece>
inline void UnmakeManMove(Move move, int from, int to, int captured) {
  const int promotion = Piece == PAWN ? MovePromotion(move) : 0;
  if (promotion) ChangeMan<Side, false>(to, promotion, PAWN);
  if (captured)
    UncaptureMan<Side, false>(Piece, from, to, captured);
  else
    MoveMan<Side, false>(Piece, to, from);
  if constexpr (Piece == KING) MoveCastlingRook<Side, false>(from, to);
  if constexpr (Piece == PAWN) {
    if (!promotion && IsEnPassant(from, to, captured)) PlaceMan<Side ^ 1, false>(PAWN, to - PawnForward(Side));
  }
}

// Calls visit.template operator()<Piece>() with the moving man's code as a
// compile-time constant, so make and unmake are written once for every code.
template <typename Visit>
inline void ForMovingCode(int piece, Visit&& visit) {
  switch (piece) {
    case KING:
      visit.template operator()<KING>();
      break;
    case KNIGHT:
      visit.template operator()<KNIGHT>();
      break;
    case PAWN:
      visit.template operator()<PAWN>();
      break;
    case ROOK:
      visit.template operator()<ROOK>();
      break;
    case BISHOP:
      visit.template operator()<BISHOP>();
      break;
    case QUEEN:
      visit.template operator()<QUEEN>();
      break;
  }
}

template <int Side>
void MakeMoveFor(Move move, int save) {
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
  const int from = MoveFrom(move), to = MoveTo(move), piece = MovePiece(move), captured = MoveCaptured(move);
  assert(captured != KING);
  // Captures and pawn moves start the fifty-move count afresh.
  b.FiftyCount = captured || piece == PAWN ? 0 : b.FiftyCount + 1;
  ForMovingCode(piece, [&]<int Piece>() { MakeManMove<Side, Piece>(move, from, to, captured); });
  record.Move = move;
  game_ply++;
  b.SideToMove = Side ^ 1;
}

template <int Side>
void UnmakeMoveFor() {
  Board& b = thread_board;
  game_ply--;
  b.SideToMove = Side;
  const UndoRecord& record = game_history[game_ply];
  const Move move = record.Move;
  const int from = MoveFrom(move), to = MoveTo(move), captured = MoveCaptured(move);
  ForMovingCode(MovePiece(move), [&]<int Piece>() { UnmakeManMove<Side, Piece>(move, from, to, captured); });
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
  assert(VerifyBoard());
}

void UnmakeMove() {
  // The mover is the side not to move now.
  if (thread_board.SideToMove == BLACK)
    UnmakeMoveFor<WHITE>();
  else
    UnmakeMoveFor<BLACK>();
  assert(VerifyBoard());
}

int MakeGameMove(Move move) {
  if (!GameHasRoomForMove()) return 0;
  MakeMove(move, 1);
  return 1;
}

int32_t CountedMaterialIndex(const Board& b, bool* overflow) {
  *overflow = false;
  for (int piece : {QUEEN, ROOK, BISHOP, KNIGHT})
    for (int colour = 0; colour < 2; colour++)
      if (b.PieceCount[piece][colour] > 2) return NO_MATERIAL_INDEX;
  int32_t index = 0;
  for (int piece : {QUEEN, ROOK, BISHOP, KNIGHT, PAWN})
    for (int colour = 0; colour < 2; colour++)
      index += int32_t(b.PieceCount[piece][colour]) * material_index_weight[piece][colour];
  // More than eight pawns of a colour overflow the pawn digit: keep the index
  // inside the material table by having none.
  if (b.PieceCount[PAWN][WHITE] > 8 || b.PieceCount[PAWN][BLACK] > 8 || index > NO_MATERIAL_INDEX) {
    *overflow = index > NO_MATERIAL_INDEX;
    return NO_MATERIAL_INDEX;
  }
  return index;
}

void ComputeMaterialIndex() {
  bool overflow;
  thread_board.MaterialIndex = CountedMaterialIndex(thread_board, &overflow);
  if (overflow) printf("Error when indexing material!\n");
}
