// Check evasions: exact lists and order for hand-made checks, the ordering
// scores, and agreement with the legal move list over walked move trees.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "search/tables.h"
#include "test_util.h"

namespace {

using Texts = std::vector<std::string>;

void ClearOrderingTables() {
  memset(history_table, 0, sizeof history_table);
  memset(check_reply_table, 0, sizeof check_reply_table);
}

class EvasionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitBoardForTests();
    ClearOrderingTables();
  }
  void TearDown() override { ClearOrderingTables(); }

  // Generates from index 0 and returns the move texts in generation order.
  static Texts Evasions() {
    move_list_end = 0;
    GenerateEvasions();
    return MoveTexts(0, move_list_end);
  }
  // The score the generator gave to the move with this text; fails when absent.
  static int32_t ScoreOf(const char* text) {
    move_list_end = 0;
    GenerateEvasions();
    const Texts texts = MoveTexts(0, move_list_end);
    for (size_t i = 0; i < texts.size(); i++)
      if (texts[i] == text) return move_list[i].score;
    ADD_FAILURE() << text << " not generated";
    return 0;
  }
  static Move EvasionMove(const char* text) {
    move_list_end = 0;
    GenerateEvasions();
    const Texts texts = MoveTexts(0, move_list_end);
    for (size_t i = 0; i < texts.size(); i++)
      if (texts[i] == text) return move_list[i].move;
    ADD_FAILURE() << text << " not generated";
    return 0;
  }
};

struct OrderCase {
  const char* name;
  const char* fen;
  Texts expected;
};

TEST_F(EvasionTest, GeneratesExactlyTheseMovesInOrder) {
  const OrderCase cases[] = {
      // Rook on e8 and knight on d3 both check: king moves only, although the
      // bishop could take the knight; e2 (file) and f2 (knight) are attacked.
      {"double check", "4r2k/8/8/8/8/3n4/2B5/4K3 w - - 0 1", {"e1d1", "e1f1", "e1d2"}},
      // Double checks where the king must not retreat along the rook's line:
      // the rook is the higher checker, then the lower one.
      {"double check, rook above", "4r2k/8/8/8/4K3/8/3n4/8 w - - 0 1", {"e4d3", "e4d4", "e4f4", "e4d5", "e4f5"}},
      {"double check, rook below", "7k/3n4/8/1B2K3/8/8/8/4r3 w - - 0 1", {"e5d4", "e5f4", "e5d5", "e5f5", "e5d6"}},
      // The c2 pawn could block on c4 but is pinned along the rank.
      {"pinned pawn double step", "7k/8/8/3b4/8/8/K1P4r/8 w - - 0 1", {"a2a1", "a2b1", "a2b2", "a2a3"}},
      // Rook checks along the rank from the right: c4 (behind the king, not
      // yet attacked while the king stands on d4) and e4 are refused; the
      // knight blocks or takes, the pawns block by a double then a single
      // step, and the g3 pawn takes the rook last.
      {"rook along rank",
       "k7/8/8/8/3K3r/6P1/5PN1/8 w - - 0 1",
       {"d4c3", "d4d3", "d4e3", "d4c5", "d4d5", "d4e5", "g2f4", "g2h4", "f2f4", "g3g4", "g3h4"}},
      // Knight check: no interposition; the rook on d2 is pinned by the bishop
      // and may not take; the queen and the c2 pawn take.
      {"knight check, pinned rook", "k7/8/6Q1/b7/8/3n4/2PR4/4K3 w - - 0 1", {"e1d1", "e1f1", "e1e2", "g6d3", "c2d3"}},
      // Blocks on the last rank promote queen, rook, bishop, knight; pushes in
      // square order, then the capture of the checker, promoting likewise.
      {"promotions",
       "r6K/1P2P3/8/8/8/8/8/k7 w - - 0 1",
       {"h8g7", "h8h7", "b7b8q", "b7b8r", "b7b8b", "b7b8n", "e7e8q", "e7e8r", "e7e8b", "e7e8n", "b7a8q", "b7a8r",
        "b7a8b", "b7a8n"}},
      // Black to move, bishop check from b5: d7 stays covered by the bishop;
      // blocks by kind (knight, bishop, rook, queen), then the pawn step, then
      // the pawn that takes the checker.
      {"black diagonal check",
       "1n2k3/2p5/p7/1B3b2/3q4/8/2r5/7K b - - 0 1",
       {"e8e7", "e8f7", "e8d8", "e8f8", "b8c6", "b8d7", "f5d7", "c2c6", "d4d7", "c7c6", "a6b5"}},
  };
  for (const OrderCase& c : cases) {
    SCOPED_TRACE(c.name);
    SetPosition(c.fen);
    EXPECT_EQ(Evasions(), c.expected);
  }
}

TEST_F(EvasionTest, EnPassantTakesTheCheckingPawnOnlyAfterItsDoubleStep) {
  // d7-d5 checks the king on e4.
  SetPosition("k7/8/8/3pP3/4K3/8/8/8 w - d6 0 1");
  const Texts texts = Evasions();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), "e5d6");
  const Move capture = move_list[move_list_end - 1].move;
  EXPECT_EQ(MoveCaptured(capture), 0);
  EXPECT_EQ(MovePiece(capture), PAWN);
  EXPECT_EQ(move_list[move_list_end - 1].score, 100901 + 0x20000000);

  // The same check given by a single step: no en passant.
  SetPosition("k7/8/3p4/4P3/4K3/8/8/8 b - - 0 1");
  PlayMove("d6d5");
  for (const std::string& text : Evasions()) EXPECT_NE(text, "e5d6");
}

TEST_F(EvasionTest, QuietEvasionsScoreByNearHistoryOrByTheLostPiece) {
  // The a3 rook can block on e3 only where the d4 pawn takes it.
  SetPosition("4r2k/8/8/8/3p4/R7/8/4K3 w - - 0 1");
  const Move block = EvasionMove("a3e3");
  history_table[HistoryIndex(block, 1, WHITE)] = 55;
  EXPECT_EQ(ScoreOf("a3e3"), -(500 + 100000));

  // A block that the knight defends scores its history value, near half.
  SetPosition("4r2k/8/8/8/8/R7/6N1/4K3 w - - 0 1");
  const Move safe = EvasionMove("a3e3");
  history_table[HistoryIndex(safe, 1, WHITE)] = 55;
  history_table[HistoryIndex(safe, 0, WHITE)] = 999;
  EXPECT_EQ(ScoreOf("a3e3"), 55);
  const Move king = EvasionMove("e1d1");
  history_table[HistoryIndex(king, 1, WHITE)] = -7;
  history_table[HistoryIndex(king, 0, WHITE)] = 999;
  EXPECT_EQ(ScoreOf("e1d1"), -7);
}

TEST_F(EvasionTest, SafeCapturesAreLiftedAboveEveryQuietEvasion) {
  // Queen a4 takes the unguarded checking rook.
  SetPosition("4r2k/8/8/8/Q7/8/8/4K3 w - - 0 1");
  EXPECT_EQ(ScoreOf("a4e8"), 10 * 500 - 900 + 100000 + 0x20000000);
  // The guarded rook next to the king: the king cannot take, the queen's
  // capture loses the exchange and keeps its unlifted, negative score.
  SetPosition("3kr3/8/8/8/Q7/8/8/4K3 w - - 0 1");
  // Fresh capture statistics give the lowest bonus.
  EXPECT_EQ(ScoreOf("a4e8"), 10 * 500 - 900 - 128000);
}

TEST_F(EvasionTest, StoredCheckReplyGainsTenThousandButCapturesNever) {
  SetPosition("1r5k/8/8/8/Q7/8/8/4K3 b - - 0 1");
  PlayMove("b8e8");  // checks from e8
  const Move step = EvasionMove("e1d1");
  const Move other = EvasionMove("e1f1");
  const Move capture = EvasionMove("a4e8");
  history_table[HistoryIndex(step, 1, WHITE)] = 250;
  history_table[HistoryIndex(other, 1, WHITE)] = 40;
  const int32_t capture_score = 10 * 500 - 900 + 100000 + 0x20000000;
  EXPECT_EQ(ScoreOf("a4e8"), capture_score);

  check_reply_table[MoveTo(game_history[game_ply - 1].Move)][E1][WHITE] = step;
  EXPECT_EQ(ScoreOf("e1d1"), 250 + 10000);
  EXPECT_EQ(ScoreOf("e1f1"), 40);
  // The table is read for the checked side only.
  check_reply_table[60][E1][WHITE] = 0;
  check_reply_table[60][E1][BLACK] = step;
  EXPECT_EQ(ScoreOf("e1d1"), 250);

  check_reply_table[60][E1][WHITE] = capture;
  EXPECT_EQ(ScoreOf("a4e8"), capture_score);
}

#ifdef NDEBUG
TEST_F(EvasionTest, NoCheckerAppendsNothing) {
  SetPosition("4k3/8/8/8/8/8/8/R3K3 w Q - 0 1");
  move_list_end = 0;
  GenerateEvasions();
  EXPECT_EQ(move_list_end, 0);
}
#else
TEST_F(EvasionTest, NoCheckerIsACallerBug) {
  SetPosition("4k3/8/8/8/8/8/8/R3K3 w Q - 0 1");
  move_list_end = 0;
  EXPECT_DEATH(GenerateEvasions(), "without a check");
}
#endif

// ---- walked move trees ----

// Men of the side not to move that attack the king of the side to move.
int CountCheckers() {
  const Board& b = thread_board;
  const int own = int(b.SideToMove), enemy = own ^ 1;
  int count = 0;
  for (uint64_t men = b.Occupied[enemy]; men;) {
    const int square = PopLowestBit(&men);
    if (AttacksOf(int(b.Square[square]), square, enemy) & SquareBit(int(b.KingSquare[own]))) count++;
  }
  return count;
}

struct WalkStats {
  int checks = 0;
  int double_checks = 0;
  int evasions = 0;
};

void CheckEvasionsAgainstLegalMoves(WalkStats* stats) {
  const Board& b = thread_board;
  const int own = int(b.SideToMove);
  if (!InCheck()) return;
  stats->checks++;
  const bool double_check = CountCheckers() >= 2;
  if (double_check) stats->double_checks++;

  move_list_end = 0;
  GenerateEvasions();
  const std::vector<MoveEntry> evasions(move_list, move_list + move_list_end);
  stats->evasions += int(evasions.size());

  char text[8];
  std::set<Move> generated, legal_evasions;
  for (const MoveEntry& entry : evasions) {
    const Move move = entry.move;
    SCOPED_TRACE(MoveToText(text, move));
    EXPECT_TRUE(generated.insert(move).second) << "generated twice";
    const int from = MoveFrom(move), to = MoveTo(move);
    if (MovePiece(move) == KING) {
      EXPECT_EQ(from, int(b.KingSquare[own]));
      EXPECT_NE(std::abs(from - to), 2) << "castling out of check";
    } else {
      EXPECT_FALSE(double_check) << "only the king moves in a double check";
      EXPECT_FALSE(IsPinned(from)) << "pinned man moved";
    }
    MakeMove(move, 1);
    const bool legal = !IsSquareAttacked(own ^ 1, int(thread_board.KingSquare[own]));
    EXPECT_TRUE(VerifyBoard());
    UnmakeMove();
    EXPECT_TRUE(VerifyBoard());
    // Close to legal: only an en passant capture may still expose the king
    // (both pawns leave the rank).
    const bool en_passant = MovePiece(move) == PAWN && ((from ^ to) & 7) && !MoveCaptured(move);
    if (!en_passant) {
      EXPECT_TRUE(legal) << "illegal evasion";
    }
    if (legal) legal_evasions.insert(move);
  }

  GenerateLegalMoves(LEGALITY_LIST_START);
  std::set<Move> expected;
  for (int i = LEGALITY_LIST_START; i < move_list_end; i++) expected.insert(move_list[i].move);
  EXPECT_EQ(legal_evasions, expected);
}

struct WalkCase {
  const char* fen;
  int depth;
};

TEST(EvasionWalk, LegalEvasionsEqualTheLegalMovesInEveryCheck) {
  InitBoardForTests();
  ClearOrderingTables();
  const WalkCase cases[] = {
      {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 3},
      {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 4},
      {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 3},
      {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3},
      // Men in front of a rook on the king's file: discovered and double checks.
      {"4k3/8/8/8/4N3/8/8/4R2K w - - 0 1", 3},
      {"r3k2r/ppp2ppp/8/8/4B3/8/8/4R2K w kq - 0 1", 3},
  };
  WalkStats stats;
  for (const WalkCase& c : cases) {
    SCOPED_TRACE(c.fen);
    SetPosition(c.fen);
    auto visit = [&stats] { CheckEvasionsAgainstLegalMoves(&stats); };
    WalkTree(c.depth, visit);
    if (HasFatalFailure()) return;
  }
  // The walk must actually have met checks, double checks among them.
  EXPECT_GT(stats.checks, 1000);
  EXPECT_GT(stats.double_checks, 10);
  EXPECT_GT(stats.evasions, stats.checks);
}

}  // namespace
