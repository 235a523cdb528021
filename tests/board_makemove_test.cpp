// Make and unmake: every incremental field, the save contract, special moves.
#include <gtest/gtest.h>

#include <cstring>

#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/tables.h"
#include "eval/pst.h"
#include "test_util.h"

namespace {

constexpr int Sq(const char* name) { return (name[0] - 'a') + 8 * (name[1] - '1'); }

bool SameBoard(const Board& a, const Board& b) { return memcmp(&a, &b, sizeof(Board)) == 0; }

// Walks the legal move tree, checking after every make that the board is
// consistent and after every unmake that it is exactly as before. The first
// move of a node saves the record, the later ones reuse it (save 0), as the
// search does.
void WalkAndVerify(int depth, int* failures) {
  if (depth == 0 || *failures > 3) return;
  const int start = move_list_end;
  GenerateLegalMoves(start);
  const int end = move_list_end;
  const Board before = thread_board;
  const int ply_before = game_ply;
  for (int i = start; i < end; i++) {
    MakeMove(move_list[i].move, i == start);
    if (!VerifyBoard()) {
      char text[8];
      ADD_FAILURE() << "after " << MoveToText(text, move_list[i].move);
      ++*failures;
    }
    WalkAndVerify(depth - 1, failures);
    UnmakeMove();
    if (!SameBoard(before, thread_board) || game_ply != ply_before) {
      char text[8];
      ADD_FAILURE() << "not restored after " << MoveToText(text, move_list[i].move);
      ++*failures;
    }
  }
  move_list_end = start;
}

TEST(MakeUnmake, EveryFieldConsistentAndRestoredThroughTrees) {
  InitBoardForTests();
  // Non-zero piece-square tables, so that the sums are checked too.
  for (int i = 0; i < 1024; i++) {
    pst_opening[i] = int16_t((i * 7919) % 4001 - 2000);
    pst_endgame[i] = int16_t((i * 104729) % 3001 - 1500);
  }
  const std::pair<const char*, int> positions[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 3},
      {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 3},
      {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 4},
      {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 3},
      {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3},
      {"n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1", 3},  // promotions both ways
      {"4k3/8/8/2pP4/8/8/8/4K3 w - c6 0 1", 4},        // en passant from the FEN
  };
  int failures = 0;
  for (auto [fen, depth] : positions) {
    SetPosition(fen);
    ASSERT_EQ(VerifyBoard(), 1) << fen;
    WalkAndVerify(depth, &failures);
  }
  EXPECT_EQ(failures, 0);
  memset(pst_opening, 0, sizeof pst_opening);
  memset(pst_endgame, 0, sizeof pst_endgame);
}

TEST(MakeUnmake, PawnDoubleStepChangesOnlyItsKeys) {
  InitBoardForTests();
  const uint64_t key = thread_board.Key, pawn_key = thread_board.PawnKey;
  PlayMove("e2e4");
  const uint64_t change = zobrist_keys[WHITE][PAWN][Sq("e2")] ^ zobrist_keys[WHITE][PAWN][Sq("e4")];
  EXPECT_EQ(thread_board.Key, key ^ change);
  EXPECT_EQ(thread_board.PawnKey, pawn_key ^ change);
  EXPECT_EQ(thread_board.Key, 0x4af915852251f83aULL);
  EXPECT_EQ(thread_board.FiftyCount, 0);
  EXPECT_EQ(thread_board.Castling, 15u);
  EXPECT_EQ(thread_board.SideToMove, uint32_t(BLACK));
  EXPECT_EQ(game_ply, 1);
  EXPECT_EQ(game_history[0].Move, MakeMoveWord(Sq("e2"), Sq("e4"), PAWN));
  EXPECT_EQ(game_history[0].Key, key);
}

TEST(MakeUnmake, CastlingRights) {
  InitBoardForTests();
  struct Case {
    const char* fen;
    const char* move;
    uint32_t rights;
  };
  const Case cases[] = {
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1f1", 12},   {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "a1a2", 13},
      {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "h8h7", 11},   {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8c8", 3},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "h1h8", 10},  // the captured rook takes right 4 too
      {"r3k2r/8/8/8/8/8/1n6/R3K2R b KQkq - 0 1", "b2a4", 15},
  };
  for (const Case& c : cases) {
    SetPosition(c.fen);
    PlayMove(c.move);
    EXPECT_EQ(thread_board.Castling, c.rights) << c.fen << " " << c.move;
    EXPECT_EQ(VerifyBoard(), 1);
  }
  // Black's rook takes on h1: right 1 goes with the captured rook, right 4 with the mover.
  SetPosition("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1");
  PlayMove("h8h1");
  EXPECT_EQ(thread_board.Castling, 10u);

  SetPosition("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  PlayMove("e1g1");
  EXPECT_EQ(thread_board.Square[Sq("f1")], uint32_t(ROOK));
  EXPECT_EQ(thread_board.Square[Sq("h1")], 0u);
  EXPECT_EQ(thread_board.Square[Sq("g1")], uint32_t(KING));
  EXPECT_EQ(thread_board.Castling, 12u);
  EXPECT_EQ(VerifyBoard(), 1);
}

TEST(MakeUnmake, EnPassantRemovesThePassedPawn) {
  InitBoardForTests();
  SetPosition("4k3/3p4/8/4P3/8/8/8/4K3 b - - 0 1");
  PlayMove("d7d5");
  const int32_t index = thread_board.MaterialIndex, material = thread_board.Material[BLACK];
  PlayMove("e5d6");
  EXPECT_EQ(thread_board.Square[Sq("d5")], 0u);
  EXPECT_EQ(thread_board.Square[Sq("d6")], uint32_t(PAWN));
  EXPECT_EQ(thread_board.PieceCount[PAWN][BLACK], 0u);
  EXPECT_EQ(thread_board.Material[BLACK], material - 100);
  EXPECT_EQ(thread_board.MaterialIndex, index - 59049);
  EXPECT_EQ(thread_board.FiftyCount, 0);
  EXPECT_EQ(thread_board.MenCount, 3u);
  EXPECT_EQ(VerifyBoard(), 1);
}

TEST(MakeUnmake, PromotionsAndTheMaterialIndex) {
  InitBoardForTests();
  SetPosition("4k3/P7/8/8/8/8/8/4K3 w - - 0 1");
  const int32_t index = thread_board.MaterialIndex;
  PlayMove("a7a8q");
  EXPECT_EQ(thread_board.Material[WHITE], 900);
  EXPECT_EQ(thread_board.PieceMaterial[WHITE], 9);
  EXPECT_EQ(thread_board.HeavyPieces[WHITE], 2u);
  EXPECT_EQ(thread_board.MaterialIndex, index - 6560);
  EXPECT_EQ(VerifyBoard(), 1);

  // A third queen has no index; taking it back to two recomputes the exact one.
  SetPosition("4k3/P7/8/8/8/8/8/QQ2K3 w - - 0 1");
  PlayMove("a7a8q");
  EXPECT_EQ(thread_board.MaterialIndex, NO_MATERIAL_INDEX);
  SetPosition("1r2k3/8/8/8/8/8/8/QQ2K3 w - - 0 1");
  const int32_t two_queens = thread_board.MaterialIndex;
  SetPosition("Qr2k3/8/8/8/8/8/8/QQ2K3 b - - 0 1");
  EXPECT_EQ(thread_board.MaterialIndex, NO_MATERIAL_INDEX);
  PlayMove("b8a8");
  EXPECT_EQ(thread_board.MaterialIndex, two_queens) << "two white queens against a rook";
  EXPECT_EQ(VerifyBoard(), 1);

  // Three white knights: capturing a black bishop leaves the index absent.
  SetPosition("4k3/8/8/3b4/8/2N5/8/NN2K3 w - - 0 1");
  EXPECT_EQ(thread_board.MaterialIndex, NO_MATERIAL_INDEX);
  PlayMove("c3d5");
  EXPECT_EQ(thread_board.MaterialIndex, NO_MATERIAL_INDEX);
  EXPECT_EQ(VerifyBoard(), 1);

  const char* under[] = {"b7b8r", "b7b8b", "b7b8n"};
  const int codes[] = {ROOK, BISHOP, KNIGHT};
  for (int i = 0; i < 3; i++) {
    SetPosition("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
    PlayMove(under[i]);
    EXPECT_EQ(thread_board.Square[Sq("b8")], uint32_t(codes[i]));
    EXPECT_EQ(thread_board.PieceCount[PAWN][WHITE], 0u);
    EXPECT_EQ(VerifyBoard(), 1);
  }
}

TEST(GameMoves, TheHistoryKeepsRoomForASearch) {
  InitBoardForTests();
  SetPosition("4k3/8/8/8/8/8/8/4K1N1 w - - 0 1");
  const char* shuffle[] = {"g1f3", "e8d8", "f3g1", "d8e8"};
  int played = 0;
  for (; played < MAX_GAME_PLIES + 10; played++) {
    const Move move = FindLegal(shuffle[played % 4]);
    ASSERT_NE(move, 0u);
    if (!MakeGameMove(move)) break;
  }
  EXPECT_EQ(played, MAX_GAME_PLIES);
  EXPECT_EQ(game_ply, MAX_GAME_PLIES);
  // The legality test still has room to make its trial moves.
  EXPECT_NE(FindLegal("g1f3"), 0u);
  EXPECT_EQ(game_ply, MAX_GAME_PLIES);
  EXPECT_EQ(VerifyBoard(), 1);
}

// With assert() on, make and unmake check the whole board: a slip in a
// field stops the program at the move that meets it.
TEST(MakeUnmakeDeathTest, AssertingBuildsCheckTheBoardAfterEveryMove) {
#ifdef NDEBUG
  GTEST_SKIP() << "assert() is off in this build";
#else
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  InitBoardForTests();
  EXPECT_DEATH(
      {
        thread_board.PawnKey ^= 1;
        PlayMove("g1f3");
      },
      "VerifyBoard: PawnKey differs");
  EXPECT_DEATH(
      {
        PlayMove("e2e4");
        thread_board.HeavyPieces[WHITE]++;
        UnmakeMove();
      },
      "VerifyBoard: HeavyPieces differs");
  // The board of this process was never touched.
  PlayMove("e2e4");
  UnmakeMove();
  EXPECT_EQ(VerifyBoard(), 1);
#endif
}

}  // namespace
