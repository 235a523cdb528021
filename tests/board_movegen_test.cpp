// Capture, promotion and quiet generators: order, scores, castling, killers,
// the legal move list.
#include <gtest/gtest.h>

#include <algorithm>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "search/tables.h"
#include "search/transposition.h"
#include "test_util.h"

namespace {

using Texts = std::vector<std::string>;
constexpr int Sq(const char* name) { return (name[0] - 'a') + 8 * (name[1] - '1'); }

Texts Captures(uint64_t targets) {
  move_list_end = 0;
  GenerateCaptures(targets);
  return MoveTexts(0, move_list_end);
}

Texts Quiets(int table = 1) {
  move_list_end = 0;
  GenerateQuietMoves(table);
  return MoveTexts(0, move_list_end);
}

Texts LegalMoves() {
  GenerateLegalMoves(LEGALITY_LIST_START);
  Texts texts = MoveTexts(LEGALITY_LIST_START, move_list_end);
  move_list_end = 0;
  return texts;
}

uint64_t Enemy() { return thread_board.Occupied[thread_board.SideToMove ^ 1]; }

TEST(GenerateCaptures, OrderOfPawnsPromotionsAndPieces) {
  InitBoardForTests();
  EXPECT_TRUE(Captures(Enemy()).empty()) << "nothing to take in the initial position";

  SetPosition("5n1r/6P1/8/8/8/8/8/K6k w - - 0 1");
  EXPECT_EQ(Captures(Enemy()), (Texts{"g7f8q", "g7f8n", "g7f8r", "g7f8b", "g7h8q", "g7h8n", "g7h8r", "g7h8b"}));

  // Black pawns are taken from the highest square down.
  SetPosition("4k3/1p4p1/P1P2P1P/8/8/8/8/4K3 b - - 0 1");
  EXPECT_EQ(Captures(Enemy()), (Texts{"g7f6", "g7h6", "b7a6", "b7c6"}));

  // Pieces in the order knight, bishop, rook, queen, king.
  SetPosition("4k3/1B6/8/Q2p4/2K2N2/3R4/8/8 w - - 0 1");
  EXPECT_EQ(Captures(Enemy()), (Texts{"f4d5", "b7d5", "d3d5", "a5d5", "c4d5"}));
}

TEST(GenerateCaptures, EnPassantWhateverTheTargets) {
  InitBoardForTests();
  SetPosition("4k3/3p4/8/2P1P3/8/8/8/4K3 b - - 0 1");
  PlayMove("d7d5");
  move_list_end = 0;
  GenerateCaptures(0);
  ASSERT_EQ(MoveTexts(0, move_list_end), (Texts{"c5d6", "e5d6"}));
  for (int i = 0; i < 2; i++) {
    EXPECT_EQ(MoveCaptured(move_list[i].move), 0);
    EXPECT_EQ(move_list[i].score, 100901);
  }
  // The same pawn arriving in two steps gives nothing.
  SetPosition("4k3/3p4/8/2P1P3/8/8/8/4K3 b - - 0 1");
  PlayMove("d7d6");
  PlayMove("e1e2");
  PlayMove("d6d5");
  EXPECT_TRUE(Captures(0).empty());
}

TEST(ScoreCapture, ValuesByExchangeAndPromotion) {
  InitBoardForTests();
  SetPosition("4k3/1P6/8/3q4/4P3/8/8/4K3 w - - 0 1");
  EXPECT_EQ(ScoreCapture(FindLegal("b7b8q")), 107900);
  EXPECT_EQ(ScoreCapture(FindLegal("b7b8r")), -128100);
  EXPECT_EQ(ScoreCapture(FindLegal("b7b8n")), -128100);
  EXPECT_EQ(ScoreCapture(FindLegal("b7b8b")), -128100);
  EXPECT_EQ(ScoreCapture(FindLegal("e4d5")), 108900) << "pawn takes queen";
  EXPECT_EQ(ScoreCapture(FindLegal("e1d2")), 100901) << "a move without capture or promotion";

  move_list_end = 0;
  GeneratePromotions();
  EXPECT_EQ(MoveTexts(0, move_list_end), (Texts{"b7b8q", "b7b8r", "b7b8n", "b7b8b"}));
}

TEST(ScoreCapture, LosingCapturesRankedByTheirSuccessThisSearch) {
  InitBoardForTests();
  SetPosition("4k3/8/2p5/3p4/8/8/8/3QK3 w - - 0 1");
  const Move move = FindLegal("d1d5");
  ASSERT_NE(move, 0u);
  const int slot = CaptureStatSlot(QUEEN, PAWN, Sq("d5"), Sq("d1"), WHITE);
  search_id = 5;
  capture_stat_age[slot] = 5;
  capture_stat_tries[slot] = 9;
  capture_stat_successes[slot] = 5;
  EXPECT_EQ(ScoreCapture(move), 100 + 50000) << "average 1280 / 9 = 142, bonus index 8";
  capture_stat_tries[slot] = 8;
  EXPECT_EQ(ScoreCapture(move), 100 - 128000) << "eight tries are too few to judge";

  // A slot of an earlier search starts afresh.
  capture_stat_tries[slot] = 50;
  capture_stat_successes[slot] = 50;
  search_id = 6;
  EXPECT_EQ(ScoreCapture(move), 100 - 128000);
  EXPECT_EQ(capture_stat_age[slot], 6);
  EXPECT_EQ(capture_stat_tries[slot], 0);
  EXPECT_EQ(capture_stat_successes[slot], 0);

  // Past 32767 searches the stamp is stored and compared alike.
  search_id = 40000;
  capture_stat_age[slot] = SearchStamp();
  capture_stat_tries[slot] = 10;
  capture_stat_successes[slot] = 10;
  EXPECT_EQ(ScoreCapture(move), 100 + 50000);
  EXPECT_EQ(capture_stat_tries[slot], 10);

  // More successes than tries (a broken table) stay inside the bonus table.
  capture_stat_successes[slot] = 1000;
  EXPECT_EQ(ScoreCapture(move), 100 + 50000);
  ClearCaptureStatistics();
  search_id = 0;
}

TEST(GenerateQuietMoves, OrderAndPawnPushes) {
  InitBoardForTests();
  EXPECT_EQ(Quiets(), (Texts{"b1a3", "b1c3", "g1f3", "g1h3", "a2a3", "a2a4", "b2b3", "b2b4", "c2c3", "c2c4",
                             "d2d3", "d2d4", "e2e3", "e2e4", "f2f3", "f2f4", "g2g3", "g2g4", "h2h3", "h2h4"}));
  PlayMove("e2e4");
  EXPECT_EQ(Quiets(), (Texts{"b8a6", "b8c6", "g8f6", "g8h6", "h7h6", "h7h5", "g7g6", "g7g5", "f7f6", "f7f5",
                             "e7e6", "e7e5", "d7d6", "d7d5", "c7c6", "c7c5", "b7b6", "b7b5", "a7a6", "a7a5"}));

  SetPosition("4k3/1P6/8/8/4p3/8/4P3/K7 w - - 0 1");
  EXPECT_EQ(Quiets(), (Texts{"e2e3", "a1b1", "a1a2", "a1b2"})) << "no push from the seventh, one past a blocker";
  SetPosition("4k3/8/8/8/8/4p3/4P3/K7 w - - 0 1");
  EXPECT_EQ(Quiets(), (Texts{"a1b1", "a1a2", "a1b2"}));
}

TEST(GenerateQuietMoves, HistoryHalves) {
  InitBoardForTests();
  const Move knight = FindLegal("g1f3");
  history_table[HistoryIndex(knight, 0, WHITE)] = 11;
  history_table[HistoryIndex(knight, 1, WHITE)] = 22;
  move_list_end = 0;
  GenerateQuietMoves(0);
  const Texts first = MoveTexts(0, move_list_end);
  const int32_t score0 = move_list[2].score;
  move_list_end = 0;
  GenerateQuietMoves(1);
  EXPECT_EQ(MoveTexts(0, move_list_end), first);
  EXPECT_EQ(first[2], "g1f3");
  EXPECT_EQ(score0, 11);
  EXPECT_EQ(move_list[2].score, 22);
  EXPECT_EQ(GetHistoryScore(knight, 2), 11) << "only the low bit picks the half";
  history_table[HistoryIndex(knight, 0, WHITE)] = history_table[HistoryIndex(knight, 1, WHITE)] = 0;
}

TEST(GenerateQuietMoves, CastlingConditions) {
  InitBoardForTests();
  auto castles = [](const char* fen, const char* move) {
    SetPosition(fen);
    const Texts moves = Quiets();
    return std::find(moves.begin(), moves.end(), move) != moves.end();
  };
  EXPECT_TRUE(castles("4k3/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1"));
  EXPECT_FALSE(castles("4k3/8/8/8/8/7b/8/4K2R w K - 0 1", "e1g1")) << "f1 attacked";
  EXPECT_FALSE(castles("4k3/8/8/8/8/8/7b/4K2R w K - 0 1", "e1g1")) << "g1 attacked";
  EXPECT_TRUE(castles("4k3/8/8/8/1b6/8/8/4K2R w K - 0 1", "e1g1")) << "check is the caller's test";
  EXPECT_FALSE(castles("4k3/8/8/8/8/8/8/4K1NR w K - 0 1", "e1g1"));
  EXPECT_TRUE(castles("1r2k3/8/8/8/8/8/8/R3K3 w Q - 0 1", "e1c1")) << "b1 may be attacked";
  EXPECT_FALSE(castles("4k3/8/8/8/8/8/8/RN2K3 w Q - 0 1", "e1c1")) << "b1 must be empty";
  EXPECT_FALSE(castles("3rk3/8/8/8/8/8/8/R3K3 w Q - 0 1", "e1c1")) << "d1 attacked";
  EXPECT_TRUE(castles("r3k2r/8/8/8/8/8/8/4K3 b kq - 0 1", "e8g8"));
  EXPECT_TRUE(castles("r3k2r/8/8/8/8/8/8/4K3 b kq - 0 1", "e8c8"));
  EXPECT_FALSE(castles("r3k2r/8/8/8/8/8/8/4K3 b q - 0 1", "e8g8"));
  // Castling comes first, short before long.
  SetPosition("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  const Texts moves = Quiets();
  ASSERT_GE(moves.size(), 2u);
  EXPECT_EQ(moves[0], "e1g1");
  EXPECT_EQ(moves[1], "e1c1");
}

TEST(AddMoveIfValid, StoredMovesThatFitThePosition) {
  InitBoardForTests();
  auto added = [](Move move) {
    move_list_end = 0;
    AddMoveIfValid(move);
    if (move_list_end == 1) {
      EXPECT_EQ(move_list[0].score, 0);
    }
    return move_list_end == 1;
  };
  SetPosition("4k3/8/8/8/8/8/8/4K2R w - - 0 1");
  EXPECT_FALSE(added(WHITE_SHORT_CASTLING)) << "no right";
  SetPosition("4k3/8/8/8/8/7b/8/4K2R w K - 0 1");
  EXPECT_FALSE(added(WHITE_SHORT_CASTLING)) << "f1 attacked";
  SetPosition("4k3/8/8/8/8/8/8/4K2R w K - 0 1");
  EXPECT_TRUE(added(WHITE_SHORT_CASTLING));

  SetPosition("4k3/8/8/8/8/8/8/4KB2 w - - 0 1");
  EXPECT_FALSE(added(MakeMoveWord(Sq("f1"), Sq("e3"), KNIGHT))) << "a bishop stands on the from-square";
  SetPosition("4k3/8/8/8/8/4p3/8/4KN2 w - - 0 1");
  EXPECT_FALSE(added(MakeMoveWord(Sq("f1"), Sq("e3"), KNIGHT))) << "the to-square is occupied";
  EXPECT_TRUE(added(MakeMoveWord(Sq("f1"), Sq("g3"), KNIGHT)));

  SetPosition("4k3/8/8/8/P7/8/8/R3K3 w - - 0 1");
  EXPECT_FALSE(added(MakeMoveWord(Sq("a1"), Sq("a8"), ROOK))) << "a4 blocks";
  SetPosition("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  EXPECT_TRUE(added(MakeMoveWord(Sq("a1"), Sq("a8"), ROOK)));
  SetPosition("4k3/8/8/8/8/8/8/R3K3 b - - 0 1");
  EXPECT_FALSE(added(MakeMoveWord(Sq("a1"), Sq("a8"), ROOK))) << "not the mover's man";
}

TEST(GenerateLegalMoves, LegalListsOfSpecialPositions) {
  InitBoardForTests();
  const Texts start = LegalMoves();
  ASSERT_EQ(start.size(), 20u);
  EXPECT_EQ(Texts(start.begin(), start.begin() + 5), (Texts{"b1a3", "b1c3", "g1f3", "g1h3", "a2a3"}));

  struct Case {
    const char* fen;
    const char* absent;
    size_t count;
  };
  const Case cases[] = {
      {"4k3/8/8/8/8/8/4r3/R3K2R w KQ - 0 1", "e1g1", 3},  // in check: no castling
      {"4k3/8/8/8/8/8/4r3/R3K2R w KQ - 0 1", "e1c1", 3},
      {"4k3/8/8/8/4r3/8/4N3/4K3 w - - 0 1", "e2c3", 4},                          // pinned knight stays; king moves only
      {"8/8/8/KPp4r/8/8/8/7k w - c6 0 1", "b5c6", 4},                            // en passant would open the rank
      {"rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3", "", 0},  // mate
      {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "", 0},                                 // stalemate
  };
  for (const Case& c : cases) {
    SetPosition(c.fen);
    const Texts moves = LegalMoves();
    EXPECT_EQ(moves.size(), c.count) << c.fen;
    EXPECT_TRUE(std::find(moves.begin(), moves.end(), c.absent) == moves.end()) << c.fen << " " << c.absent;
  }
  // An empty list leaves the end at the start.
  GenerateLegalMoves(LEGALITY_LIST_START);
  EXPECT_EQ(move_list_end, LEGALITY_LIST_START);
  EXPECT_EQ(game_ply, 0);
}

}  // namespace
