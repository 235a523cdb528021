// The board record after set-up, the material index rules of PutPiece, and
// the whole-board check that catches a slip in any redundant field.
#include <gtest/gtest.h>

#include <cstring>

#include "board/board.h"
#include "board/tables.h"
#include "eval/pst.h"
#include "interface/options.h"
#include "search/driver.h"
#include "search/tables.h"
#include "test_util.h"

namespace {

TEST(NewGame, InitialPositionFields) {
  InitBoardForTests();
  const Board& b = thread_board;
  uint64_t key = 0, pawn_key = 0;
  for (int square = 0; square < 64; square++) {
    if (!b.Square[square]) continue;
    const int colour = (b.Occupied[BLACK] >> square) & 1;
    key ^= zobrist_keys[colour][b.Square[square]][square];
    if (b.Square[square] == PAWN) pawn_key ^= zobrist_keys[colour][PAWN][square];
  }
  EXPECT_EQ(b.Key, key);
  EXPECT_EQ(b.PawnKey, pawn_key);
  EXPECT_EQ(b.Key, 0x6ee014f89d04ce04ULL);
  EXPECT_EQ(b.PawnKey, 0xa46f11ab1dd80913ULL);
  for (int c = 0; c < 2; c++) {
    EXPECT_EQ(b.Material[c], 3900);
    EXPECT_EQ(b.PieceMaterial[c], 31);
    EXPECT_EQ(b.HeavyPieces[c], 4u);
    EXPECT_EQ(b.MinorPieces[c], 4u);
    EXPECT_EQ(b.PieceCount[PAWN][c], 8u);
    EXPECT_EQ(b.PieceCount[QUEEN][c], 1u);
  }
  EXPECT_EQ(b.MenCount, 32u);
  // One queen a side: the largest index, 531440, needs two of every piece.
  EXPECT_EQ(b.MaterialIndex, 2 * (9 + 27 + 81 + 243 + 729 + 2187) + (1 + 3) + 8 * (6561 + 59049));
  EXPECT_EQ(b.Castling, 15u);
  EXPECT_EQ(b.FiftyCount, 0);
  EXPECT_EQ(b.SideToMove, uint32_t(WHITE));
  EXPECT_EQ(b.KingSquare[WHITE], uint32_t(E1));
  EXPECT_EQ(b.KingSquare[BLACK], uint32_t(E8));
  EXPECT_EQ(game_ply, 0);
  for (int rank = 0; rank < 8; rank++) EXPECT_EQ(b.RankOccupancy[rank], (rank <= 1 || rank >= 6) ? 255u : 0u) << rank;
  for (int file = 0; file < 8; file++) EXPECT_EQ(b.FileOccupancy[file], 0xC3u) << file;
  EXPECT_EQ(b.DiagSumOccupancy[0], 1u);
  EXPECT_EQ(b.DiagDiffOccupancy[7], 0xC3u);
  EXPECT_EQ(VerifyBoard(), 1);
}

TEST(NewGame, PieceSquareSumsAreBlackMinusWhite) {
  InitBoardForTests();
  for (int i = 0; i < 1024; i++) {
    pst_opening[i] = int16_t((i * 37) % 201 - 100);
    pst_endgame[i] = int16_t((i * 53) % 157 - 70);
  }
  NewGame();
  int opening = 0, ending = 0;
  for (int square = 0; square < 64; square++) {
    const int piece = int(thread_board.Square[square]);
    if (!piece) continue;
    const int colour = (thread_board.Occupied[BLACK] >> square) & 1;
    const int sign = colour == BLACK ? 1 : -1;
    opening += sign * pst_opening[PstIndex(piece, colour, square)];
    ending += sign * pst_endgame[PstIndex(piece, colour, square)];
  }
  EXPECT_EQ(thread_board.PstOpening, int16_t(opening));
  EXPECT_EQ(thread_board.PstEnding, int16_t(ending));
  EXPECT_NE(opening, 0);
  EXPECT_EQ(VerifyBoard(), 1);
  memset(pst_opening, 0, sizeof pst_opening);
  memset(pst_endgame, 0, sizeof pst_endgame);
  NewGame();
}

TEST(NewGame, SearchMemoryKeptOnlyInUciAndFritzMode) {
  InitBoardForTests();
  for (int mode = 0; mode < 3; mode++) {
    uci_mode = mode == 1;
    fritz_mode = mode == 2;
    history_table[1234] = 77;
    ply_records[5].killer1[BLACK] = 4484;
    ply_records[5].best_move = 99;
    last_root_score = 55;
    searches_since_new_game = 3;
    max_depth = 7;
    force_mode = 1;
    NewGame();
    const bool keeps = mode != 0;
    EXPECT_EQ(history_table[1234], keeps ? 77 : 0) << mode;
    EXPECT_EQ(ply_records[5].killer1[BLACK], keeps ? 4484u : 0u) << mode;
    EXPECT_EQ(ply_records[5].best_move, 99u) << "killers only are cleared";
    EXPECT_EQ(last_root_score, keeps ? 55 : 0);
    EXPECT_EQ(searches_since_new_game, keeps ? 3 : 0);
    EXPECT_EQ(max_depth, 998);
    EXPECT_EQ(force_mode, 0);
    EXPECT_EQ(engine_side, BLACK);
  }
  uci_mode = fritz_mode = 0;
  NewGame();
}

TEST(PutPiece, MaterialIndexHasNoDigitForAThirdPieceOrNinthPawn) {
  InitBoardForTests();
  ClearBoard();
  thread_board.KingSquare[WHITE] = thread_board.KingSquare[BLACK] = 0;
  PutPiece(E1, WHITE, KING);
  PutPiece(E8, BLACK, KING);
  EXPECT_EQ(thread_board.MaterialIndex, 0);
  PutPiece(B1, WHITE, KNIGHT);
  PutPiece(G1, WHITE, KNIGHT);
  EXPECT_EQ(thread_board.MaterialIndex, 2 * 729);
  PutPiece(18, WHITE, KNIGHT);  // c3
  EXPECT_EQ(thread_board.MaterialIndex, NO_MATERIAL_INDEX);
  PutPiece(20, BLACK, PAWN);
  PutPiece(D8, BLACK, QUEEN);
  EXPECT_EQ(thread_board.MaterialIndex, NO_MATERIAL_INDEX) << "stays absent through later men";
  EXPECT_EQ(VerifyBoard(), 1);

  ClearBoard();
  PutPiece(E1, WHITE, KING);
  PutPiece(E8, BLACK, KING);
  for (int square = 8; square < 16; square++) PutPiece(square, BLACK, PAWN);
  EXPECT_EQ(thread_board.MaterialIndex, 8 * 59049);
  PutPiece(16, BLACK, PAWN);
  EXPECT_EQ(thread_board.MaterialIndex, NO_MATERIAL_INDEX) << "a ninth pawn would run past the table";
  NewGame();
}

// Each redundant field, set one off on a board that verifies, must fail the
// check; the fields of the record the check cannot see stay out.
TEST(VerifyBoard, FindsASlipInEveryRedundantField) {
  InitBoardForTests();
  SetPosition("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
  ASSERT_EQ(VerifyBoard(), 1);
  const Board good = thread_board;
  struct Slip {
    const char* field;
    void (*apply)(Board& b);
  };
  const Slip slips[] = {
      {"Square", [](Board& b) { b.Square[0] = KNIGHT; }},
      {"Square on an empty square", [](Board& b) { b.Square[27] = PAWN; }},
      {"Occupied", [](Board& b) { b.Occupied[WHITE] ^= SquareBit(0) | SquareBit(24); }},
      {"Pieces", [](Board& b) { b.Pieces[QUEEN][BLACK] ^= SquareBit(30); }},
      {"PieceCount", [](Board& b) { b.PieceCount[BISHOP][WHITE]++; }},
      {"PieceCount of pawns", [](Board& b) { b.PieceCount[PAWN][BLACK]--; }},
      {"MenCount", [](Board& b) { b.MenCount--; }},
      {"Material", [](Board& b) { b.Material[BLACK] += 100; }},
      {"PieceMaterial", [](Board& b) { b.PieceMaterial[WHITE] -= 3; }},
      {"HeavyPieces", [](Board& b) { b.HeavyPieces[BLACK]++; }},
      {"MinorPieces", [](Board& b) { b.MinorPieces[WHITE]--; }},
      {"KingSquare", [](Board& b) { b.KingSquare[BLACK] = 59; }},
      {"RankOccupancy", [](Board& b) { b.RankOccupancy[3] ^= 1; }},
      {"FileOccupancy", [](Board& b) { b.FileOccupancy[7] ^= 1u << 4; }},
      {"DiagSumOccupancy", [](Board& b) { b.DiagSumOccupancy[9] ^= 1u << 5; }},
      {"DiagDiffOccupancy", [](Board& b) { b.DiagDiffOccupancy[7] ^= 1u << 3; }},
      {"RooksQueens", [](Board& b) { b.RooksQueens ^= SquareBit(56); }},
      {"BishopsQueens", [](Board& b) { b.BishopsQueens ^= SquareBit(11); }},
      {"Key", [](Board& b) { b.Key ^= 1; }},
      {"PawnKey", [](Board& b) { b.PawnKey ^= uint64_t(1) << 63; }},
      {"PstOpening", [](Board& b) { b.PstOpening++; }},
      {"PstEnding", [](Board& b) { b.PstEnding--; }},
      {"MaterialIndex", [](Board& b) { b.MaterialIndex += material_index_weight[KNIGHT][WHITE]; }},
      {"MaterialIndex lost", [](Board& b) { b.MaterialIndex = NO_MATERIAL_INDEX; }},
      {"Castling", [](Board& b) { b.Castling = 16; }},
  };
  for (const Slip& slip : slips) {
    thread_board = good;
    slip.apply(thread_board);
    EXPECT_EQ(VerifyBoard(), 0) << slip.field;
  }
  thread_board = good;
  EXPECT_EQ(VerifyBoard(), 1);
}

}  // namespace
