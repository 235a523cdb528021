// Move text, FEN set-up and its refusals, the board diagram, table keys and
// the move-key table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/movekeys.h"
#include "board/notation.h"
#include "board/tables.h"
#include "search/tables.h"
#include "test_util.h"

namespace {

constexpr int Sq(const char* name) { return (name[0] - 'a') + 8 * (name[1] - '1'); }
bool SameBoard(const Board& a, const Board& b) { return memcmp(&a, &b, sizeof(Board)) == 0; }

TEST(MoveText, WritingAndReading) {
  InitBoardForTests();
  char buffer[8];
  EXPECT_STREQ(MoveToText(buffer, 0), "0000");
  EXPECT_STREQ(MoveToText(buffer, MakeMoveWord(Sq("e2"), Sq("e4"), PAWN)), "e2e4");
  EXPECT_STREQ(MoveToText(buffer, MakeMoveWord(Sq("e7"), Sq("e8"), PAWN, 0, QUEEN)), "e7e8q");
  EXPECT_STREQ(MoveToText(buffer, MakeMoveWord(Sq("b2"), Sq("a1"), PAWN, ROOK, KNIGHT)), "b2a1n");
  EXPECT_STREQ(MoveToSquaresText(buffer, MakeMoveWord(Sq("e7"), Sq("e8"), PAWN, 0, QUEEN)), "e7e8");

  EXPECT_TRUE(IsCoordinateMoveText("E2E4"));
  EXPECT_EQ(ParseCoordinateMove("E2E4"), ParseCoordinateMove("e2e4"));
  EXPECT_EQ(ParseCoordinateMove("e2e4"), FindLegal("e2e4"));
  EXPECT_TRUE(IsLegalMove(ParseCoordinateMove("g1f3")));
  EXPECT_FALSE(IsLegalMove(ParseCoordinateMove("g1g3")));
  // Characters outside the board give no move, and short texts are not read past their end.
  for (const char* bad : {"i2e4", "e9e4", "e2e0", "`2e4", "e2", "", "e2e", "a0a1"}) {
    EXPECT_FALSE(IsCoordinateMoveText(bad)) << bad;
    EXPECT_EQ(ParseCoordinateMove(bad), 0u) << bad;
  }
  EXPECT_EQ(BuildMoveFromSquares('e', '2', 'z', '4', 0), 0u);
  EXPECT_EQ(BuildMoveFromSquares('e', '2', 'e', '4' + 10, 0), 0u);
  EXPECT_EQ(BuildMoveFromSquares(200, '2', 'e', '4', 0), 0u);

  SetPosition("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
  EXPECT_TRUE(IsLegalMove(ParseCoordinateMove("b7b8q")));
  EXPECT_TRUE(IsLegalMove(ParseCoordinateMove("b7b8n")));
  EXPECT_FALSE(IsLegalMove(ParseCoordinateMove("b7b8"))) << "a promotion needs its letter";
  EXPECT_FALSE(IsLegalMove(ParseCoordinateMove("b7b8Q"))) << "in lower case";
  EXPECT_FALSE(IsLegalMove(ParseCoordinateMove("b7b8k")));
}

TEST(MoveText, TypedMoveListLookup) {
  InitBoardForTests();
  root_move_end = TYPED_MOVE_LIST_START;
  EXPECT_EQ(FindRootMove(ParseCoordinateMove("e2e4")), 0u) << "empty list";
  SetPosition("4k3/1P6/8/8/8/8/4P3/4K3 w - - 0 1");
  GenerateLegalMoves(TYPED_MOVE_LIST_START);
  root_move_end = move_list_end;
  move_list_end = 0;
  EXPECT_EQ(FindRootMove(ParseCoordinateMove("e2e4")), MakeMoveWord(Sq("e2"), Sq("e4"), PAWN));
  EXPECT_EQ(FindRootMove(ParseCoordinateMove("b7b8r")), MakeMoveWord(Sq("b7"), Sq("b8"), PAWN, 0, ROOK));
  EXPECT_EQ(FindRootMove(ParseCoordinateMove("b7b8")), 0u);
  EXPECT_EQ(FindRootMove(ParseCoordinateMove("e2e5")), 0u);
  root_move_end = TYPED_MOVE_LIST_START;
}

TEST(PrintBoard, Diagram) {
  InitBoardForTests();
  testing::internal::CaptureStdout();
  PrintBoard();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "*R*N*B*Q*K*B*N*R\n"
            "*P*P*P*P*P*P*P*P\n"
            " . . . . . . . .\n"
            " . . . . . . . .\n"
            " . . . . . . . .\n"
            " . . . . . . . .\n"
            " P P P P P P P P\n"
            " R N B Q K B N R\n");
}

TEST(LoadFen, FieldsAndCastlingRightsThatTheBoardSupports) {
  InitBoardForTests();
  SetPosition("r3k3/8/8/8/8/8/8/R2K3R w KQkq - 0 1");
  EXPECT_EQ(thread_board.Castling, 8u) << "white king off e1, no black rook on h8";
  SetPosition("r3k2r/8/8/8/8/8/8/R3K2R b Kq - 12 40");
  EXPECT_EQ(thread_board.Castling, 9u);
  EXPECT_EQ(thread_board.SideToMove, uint32_t(BLACK));
  EXPECT_EQ(thread_board.FiftyCount, 0) << "the clock fields are not read";
  EXPECT_EQ(game_ply, 0);
  SetPosition("  4k3/8/8/8/8/8/8/4K3   w   -   -");  // blanks around the fields; four fields suffice
  EXPECT_EQ(thread_board.MenCount, 2u);
  EXPECT_EQ(VerifyBoard(), 1);
}

TEST(LoadFen, EnPassantSquareRecordedAsTheDoubleStep) {
  InitBoardForTests();
  SetPosition("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
  EXPECT_EQ(game_ply, 1);
  EXPECT_EQ(game_history[0].Move, MakeMoveWord(Sq("d7"), Sq("d5"), PAWN));
  EXPECT_NE(FindLegal("e5d6"), 0u);
  EXPECT_EQ(VerifyBoard(), 1);
  for (const char* fen : {"4k3/8/8/4P3/8/8/8/4K3 w - d6 0 1",     // no pawn that stepped
                          "4k3/3p4/8/3pP3/8/8/8/4K3 w - d6 0 1",  // its start square is taken
                          "4k3/8/8/3pP3/8/8/8/4K3 b - d6 0 1",    // the wrong side to move
                          "4k3/8/8/3pP3/8/8/8/4K3 w - d3 0 1"}) {
    SetPosition(fen);
    EXPECT_EQ(game_ply, 0) << fen;
    EXPECT_EQ(FindLegal("e5d6"), 0u) << fen;
  }
  SetPosition("4k3/8/8/8/2Pp4/8/8/4K3 b - c3 0 1");
  EXPECT_EQ(game_ply, 1);
  EXPECT_NE(FindLegal("d4c3"), 0u);
}

TEST(LoadFen, TakingBackTheRecordedDoubleStepIsExact) {
  InitBoardForTests();
  // Leave a stale record 0 from an earlier game.
  PlayMove("g1f3");
  PlayMove("g8f6");
  SetPosition("r3k2r/8/8/3pP3/8/8/8/R3K2R w KQkq d6 0 1");
  const Board with_ep = thread_board;
  UnmakeMove();
  EXPECT_EQ(game_ply, 0);
  EXPECT_EQ(VerifyBoard(), 1);
  const Board taken_back = thread_board;
  SetPosition("r3k2r/3p4/8/4P3/8/8/8/R3K2R b KQkq - 0 1");
  EXPECT_TRUE(SameBoard(taken_back, thread_board)) << "the position before the double step, rights included";
  MakeMove(MakeMoveWord(Sq("d7"), Sq("d5"), PAWN), 1);
  EXPECT_TRUE(SameBoard(with_ep, thread_board));
}

TEST(LoadFen, RefusedTextsKeepThePreviousPosition) {
  InitBoardForTests();
  struct Case {
    const char* fen;
    FenError error;
  };
  const Case cases[] = {
      {"rnbqkbnr/ppppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", FEN_BAD_PLACEMENT},
      {"4k4/8/8/8/8/8/8/4K3 w - - 0 1", FEN_BAD_PLACEMENT},
      {"4k3/8/8/8/8/8/8/4K3P w - - 0 1", FEN_BAD_PLACEMENT},
      {"44k3/8/8/8/8/8/8/4K3 w - - 0 1", FEN_BAD_PLACEMENT},
      {"", FEN_MISSING_FIELDS},
      {"4k3/8/8/8/8/8/8/4K3", FEN_MISSING_FIELDS},
      {"4k3/8/8/8/8/8/8/4K3 w", FEN_MISSING_FIELDS},
      {"4k3/8/8/8/8/8/8/4K3 w KQ", FEN_MISSING_FIELDS},
      {"8/8/8/8/8/8/8/4K3 w - - 0 1", FEN_BAD_KINGS},
      {"4k3/8/8/8/8/8/8/3KK3 w - - 0 1", FEN_BAD_KINGS},
      {"4k2k/8/8/8/8/8/8/4K3 w - - 0 1", FEN_BAD_KINGS},
      {"P3k3/8/8/8/8/8/8/4K3 w - - 0 1", FEN_PAWN_ON_END_RANK},
      {"4k3/8/8/8/8/8/8/p3K3 w - - 0 1", FEN_PAWN_ON_END_RANK},
      {"4k3/pppppppp/p7/8/8/8/8/4K3 w - - 0 1", FEN_TOO_MANY_MEN},
      {"4k3/8/8/8/8/NNNNNNNN/NNNNNNNN/4K3 w - - 0 1", FEN_TOO_MANY_MEN},
      {"4k3/8/8/8/8/8/8/4R1K1 w - - 0 1", FEN_OPPONENT_IN_CHECK},
      {"4k3/8/8/8/8/8/3p4/4K3 b - - 0 1", FEN_OPPONENT_IN_CHECK},
  };
  PlayMove("e2e4");
  const Board before = thread_board;
  for (const Case& c : cases) {
    EXPECT_EQ(LoadFen(c.fen), c.error) << c.fen;
    EXPECT_TRUE(SameBoard(before, thread_board)) << c.fen;
    EXPECT_EQ(game_ply, 1) << c.fen;
    EXPECT_NE(std::string(FenErrorText(c.error)), "ok");
  }
  UnmakeMove();
  EXPECT_EQ(VerifyBoard(), 1);
  EXPECT_EQ(thread_board.Square[Sq("e2")], uint32_t(PAWN));
}

TEST(LoadFen, MangledTextsNeverCorruptTheBoard) {
  InitBoardForTests();
  const char* seeds[] = {
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e3 0 1",
      "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1",
  };
  const char alphabet[] = "rnbqkpRNBQKP12345678/ -wbKQkqa-h36e\t9x";
  uint64_t seed = 99;
  int accepted = 0;
  for (int trial = 0; trial < 20000; trial++) {
    std::string text = seeds[trial % 3];
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    const int edits = 1 + int((seed >> 33) % 4);
    for (int e = 0; e < edits && !text.empty(); e++) {
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      const size_t at = size_t(seed >> 33) % text.size();
      switch ((seed >> 20) % 3) {
        case 0:
          text[at] = alphabet[(seed >> 40) % (sizeof alphabet - 1)];
          break;
        case 1:
          text.erase(at, 1);
          break;
        case 2:
          text.resize(at);
          break;
      }
    }
    const Board before = thread_board;
    const int ply_before = game_ply;
    if (LoadFen(text.c_str()) == FEN_OK) {
      accepted++;
      ASSERT_EQ(VerifyBoard(), 1) << text;
      ASSERT_FALSE(
          IsSquareAttacked(int(thread_board.SideToMove), int(thread_board.KingSquare[thread_board.SideToMove ^ 1])));
      GenerateLegalMoves(LEGALITY_LIST_START);
      move_list_end = 0;
    } else {
      ASSERT_TRUE(SameBoard(before, thread_board)) << text;
      ASSERT_EQ(game_ply, ply_before);
    }
  }
  EXPECT_GT(accepted, 1000);
}

TEST(PositionKey, CastlingAndCapturableEnPassant) {
  InitBoardForTests();
  EXPECT_EQ(GetPositionKey(), thread_board.Key ^ castle_keys[15]);
  EXPECT_EQ(GetPositionKey(), 0x90e444c1f6245655ULL);
  PlayMove("e2e4");
  EXPECT_EQ(GetPositionKey(), thread_board.Key ^ castle_keys[15]) << "no black pawn beside e4";
  SetPosition("4k3/8/8/8/3p4/8/4P3/4K3 w - - 0 1");
  PlayMove("e2e4");
  EXPECT_EQ(GetPositionKey(), thread_board.Key ^ ep_keys[4] ^ castle_keys[0]);
  PlayMove("e8e7");
  EXPECT_EQ(GetPositionKey(), thread_board.Key ^ castle_keys[0]) << "the chance has passed";
  // The FEN's en passant square gives the same key as the double step played.
  SetPosition("4k3/8/8/8/3pP3/8/8/4K3 b - e3 0 1");
  EXPECT_EQ(GetPositionKey(), thread_board.Key ^ ep_keys[4] ^ castle_keys[0]);
}

TEST(MoveKeyTable, ContentsAndLookup) {
  InitBoardForTests();
  testing::internal::CaptureStdout();
  BuildMoveKeyTable();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "no bucket overflows";
  int entries = 0, full = 0;
  for (int i = 0; i < MOVE_KEY_BUCKETS; i++) {
    int used = 0;
    for (int slot = 0; slot < 4; slot++) used += move_key_table[i].move[slot] != 0;
    entries += used;
    full += used == 4;
  }
  EXPECT_EQ(entries, 3668);
  EXPECT_EQ(full, 13);

  const uint64_t king_step = zobrist_keys[WHITE][KING][Sq("e1")] ^ zobrist_keys[WHITE][KING][Sq("e2")];
  EXPECT_EQ(LookUpMoveKey(king_step), uint32_t(Sq("e2") | Sq("e1") << 6 | KING << 12)) << "the later insertion";
  const uint64_t knight = zobrist_keys[BLACK][KNIGHT][Sq("g8")] ^ zobrist_keys[BLACK][KNIGHT][Sq("f6")];
  EXPECT_EQ(LookUpMoveKey(knight), uint32_t(Sq("g8") | Sq("f6") << 6 | KNIGHT << 12));
  const uint64_t pawn = zobrist_keys[WHITE][PAWN][Sq("e2")] ^ zobrist_keys[WHITE][PAWN][Sq("e3")];
  EXPECT_EQ(LookUpMoveKey(pawn), 0u) << "pawn moves have no entry";
  const uint64_t jump = zobrist_keys[WHITE][ROOK][Sq("a1")] ^ zobrist_keys[WHITE][ROOK][Sq("b2")];
  EXPECT_EQ(LookUpMoveKey(jump), 0u) << "a rook does not move diagonally";
  EXPECT_EQ(LookUpMoveKey(king_step ^ 1), 0u);

  char buffer[8];
  EXPECT_STREQ(MoveToPieceText(buffer, 0), "-");
  EXPECT_STREQ(MoveToPieceText(buffer, MakeMoveWord(Sq("g1"), Sq("f3"), KNIGHT)), "Ng1f3");
  EXPECT_STREQ(MoveToPieceText(buffer, MakeMoveWord(Sq("e1"), Sq("e2"), KING)), "Ke1e2");
}

}  // namespace
