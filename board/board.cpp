// The board record and whole-position set-up.
#include "board/board.h"

#include <cstdio>
#include <cstring>

#include "board/makemove.h"
#include "board/men.h"
#include "board/tables.h"
#include "book/book.h"
#include "eval/pst.h"
#include "interface/options.h"
#include "search/driver.h"
#include "search/tables.h"

Board thread_board;
UndoRecord game_history[GAME_HISTORY_SIZE];
int32_t game_ply;
int32_t setup_ply;
MoveEntry move_list[MOVE_LIST_SIZE];
int32_t move_list_end;
int32_t root_move_end = TYPED_MOVE_LIST_START;

void ClearBoard() {
  Board& b = thread_board;
  b.MaterialIndex = 0;
  b.PstOpening = b.PstEnding = 0;
  b.FiftyCount = 0;
  b.Key = b.PawnKey = 0;
  b.MenCount = 0;
  for (int c = 0; c < 2; c++) {
    b.HeavyPieces[c] = b.MinorPieces[c] = 0;
    b.Material[c] = b.PieceMaterial[c] = 0;
    b.Occupied[c] = 0;
    for (int piece : {KING, KNIGHT, PAWN, ROOK, BISHOP, QUEEN}) b.Pieces[piece][c] = 0;
    for (int piece : {KNIGHT, PAWN, ROOK, BISHOP, QUEEN}) b.PieceCount[piece][c] = 0;
  }
  b.RooksQueens = b.BishopsQueens = 0;
  memset(b.RankOccupancy, 0, sizeof b.RankOccupancy);
  memset(b.FileOccupancy, 0, sizeof b.FileOccupancy);
  memset(b.DiagSumOccupancy, 0, sizeof b.DiagSumOccupancy);
  memset(b.DiagDiffOccupancy, 0, sizeof b.DiagDiffOccupancy);
  memset(b.Square, 0, sizeof b.Square);
}

void PutPiece(int square, int colour, int piece) {
  if (colour == WHITE)
    PlaceMan<WHITE, true>(piece, square);
  else
    PlaceMan<BLACK, true>(piece, square);
  // A king's set names its one square.
  if (piece == KING) thread_board.Pieces[KING][colour] = SquareBit(square);
}

void NewGame() {
  game_ply = setup_ply = 0;
  ClearBoard();
  static const int back_rank[8] = {ROOK, KNIGHT, BISHOP, QUEEN, KING, BISHOP, KNIGHT, ROOK};
  for (int file = 0; file < 8; file++) PutPiece(file, WHITE, back_rank[file]);
  for (int file = 0; file < 8; file++) PutPiece(8 + file, WHITE, PAWN);
  for (int file = 0; file < 8; file++) PutPiece(56 + file, BLACK, back_rank[file]);
  for (int file = 0; file < 8; file++) PutPiece(48 + file, BLACK, PAWN);
  thread_board.SideToMove = WHITE;
  thread_board.Castling = 15;

  max_depth = 998;
  fixed_move_time = 0;
  mate_goal = 0;
  engine_side = BLACK;
  force_mode = 0;
  if (uci_mode || fritz_mode) return;
  memset(history_table, 0, sizeof history_table);
  ClearKillers();
  last_root_score = 0;
  last_root_side = 0;
  searches_since_new_game = 0;
  book_learning_done = 0;
}

// ---------------------------------------------------------------------------
// Consistency check.

namespace {
bool Check(bool ok, const char* field) {
  if (!ok) fprintf(stderr, "VerifyBoard: %s differs\n", field);
  return ok;
}
}  // namespace

int VerifyBoard() {
  const Board& b = thread_board;
  Board r{};  // recomputed
  if (b.Occupied[WHITE] & b.Occupied[BLACK]) return Check(false, "Occupied overlap");
  for (int square = 0; square < 64; square++) {
    const int piece = int(b.Square[square]);
    const uint64_t bit = SquareBit(square);
    const bool white = b.Occupied[WHITE] & bit, black = b.Occupied[BLACK] & bit;
    if (piece == 0) {
      if (white || black) return Check(false, "Occupied (empty square)");
      continue;
    }
    if (piece == 4 || piece > 7 || (!white && !black)) return Check(false, "Square");
    const int colour = white ? WHITE : BLACK;
    const int file = square & 7, rank = square >> 3;
    r.MenCount++;
    r.Occupied[colour] |= bit;
    r.Pieces[piece][colour] |= bit;
    r.PieceCount[piece][colour]++;
    r.RankOccupancy[rank] |= 1u << file;
    r.FileOccupancy[file] |= 1u << rank;
    r.DiagSumOccupancy[file + rank] |= 1u << rank;
    r.DiagDiffOccupancy[file - rank + 7] |= 1u << rank;
    const uint64_t key = zobrist_keys[colour][piece][square];
    r.Key ^= key;
    if (piece == PAWN) r.PawnKey ^= key;
    if (MovesStraight(piece)) r.RooksQueens |= bit;
    if (MovesDiagonally(piece)) r.BishopsQueens |= bit;
    if (piece != KING) r.Material[colour] += piece_value[piece];
    r.PieceMaterial[colour] += piece_material_units[piece];
    r.HeavyPieces[colour] += uint32_t(heavy_piece_units[piece]);
    r.MinorPieces[colour] += uint32_t(minor_piece_units[piece]);
    if (piece == KING) r.KingSquare[colour] = uint32_t(square);
    const int sign = colour == BLACK ? 1 : -1;
    r.PstOpening = int16_t(r.PstOpening + sign * pst_opening[PstIndex(piece, colour, square)]);
    r.PstEnding = int16_t(r.PstEnding + sign * pst_endgame[PstIndex(piece, colour, square)]);
  }
  bool ok = Check(b.MenCount == r.MenCount, "MenCount");
  for (int c = 0; c < 2 && ok; c++) {
    ok = Check(b.Occupied[c] == r.Occupied[c], "Occupied") && Check(b.Material[c] == r.Material[c], "Material") &&
         Check(b.PieceMaterial[c] == r.PieceMaterial[c], "PieceMaterial") &&
         Check(b.HeavyPieces[c] == r.HeavyPieces[c], "HeavyPieces") &&
         Check(b.MinorPieces[c] == r.MinorPieces[c], "MinorPieces") &&
         Check(r.PieceCount[KING][c] == 1, "one king a side") &&
         Check(b.KingSquare[c] == r.KingSquare[c], "KingSquare");
    for (int piece : {KING, KNIGHT, PAWN, ROOK, BISHOP, QUEEN}) {
      if (!ok) break;
      ok = Check(b.Pieces[piece][c] == r.Pieces[piece][c], "Pieces");
      if (ok && piece != KING) ok = Check(b.PieceCount[piece][c] == r.PieceCount[piece][c], "PieceCount");
    }
  }
  if (!ok) return 0;
  for (int i = 0; i < 8 && ok; i++)
    ok = Check(b.RankOccupancy[i] == r.RankOccupancy[i], "RankOccupancy") &&
         Check(b.FileOccupancy[i] == r.FileOccupancy[i], "FileOccupancy");
  for (int i = 0; i < 16 && ok; i++)
    ok = Check(b.DiagSumOccupancy[i] == r.DiagSumOccupancy[i], "DiagSumOccupancy") &&
         Check(b.DiagDiffOccupancy[i] == r.DiagDiffOccupancy[i], "DiagDiffOccupancy");
  ok = ok && Check(b.RooksQueens == r.RooksQueens, "RooksQueens") &&
       Check(b.BishopsQueens == r.BishopsQueens, "BishopsQueens") && Check(b.Key == r.Key, "Key") &&
       Check(b.PawnKey == r.PawnKey, "PawnKey") && Check(b.PstOpening == r.PstOpening, "PstOpening") &&
       Check(b.PstEnding == r.PstEnding, "PstEnding") && Check(b.Castling < 16, "Castling") &&
       Check(b.SideToMove < 2, "SideToMove");
  if (!ok) return 0;
  // The material index: computed from the counts as the incremental rules keep it.
  bool overflow;
  return Check(b.MaterialIndex == CountedMaterialIndex(b, &overflow), "MaterialIndex") ? 1 : 0;
}
