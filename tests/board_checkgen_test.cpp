// Quiescence captures and promotions, search promotions and quiet checks:
// exact lists for hand-made positions, and agreement with the full
// generators over walked move trees.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
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

class QuietCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitBoardForTests();
    memset(history_table, 0, sizeof history_table);
  }
  void TearDown() override { memset(history_table, 0, sizeof history_table); }
};

struct OrderCase {
  const char* name;
  const char* fen;
  Texts expected;
};

Texts QuietChecks(int table = 1) {
  move_list_end = 0;
  GenerateQuietChecks(table);
  return MoveTexts(0, move_list_end);
}

TEST_F(QuietCheckTest, GeneratesExactlyTheseChecksInOrder) {
  const OrderCase cases[] = {
      // Queen: the diagonal check square first, then the straight ones
      // (h5 reaches the h-file along the queen's own diagonal).
      {"queen lines", "7k/8/8/8/8/8/8/K2Q4 w - - 0 1", {"d1d4", "d1h1", "d1h5", "d1d8"}},
      // The rook uncovers the bishop on b1: all its moves, not only those
      // onto the king's lines.
      {"rook uncovers bishop",
       "8/7k/8/8/4R3/8/8/KB6 w - - 0 1",
       {"e4e1", "e4e2", "e4e3", "e4a4", "e4b4", "e4c4", "e4d4", "e4f4", "e4g4", "e4h4", "e4e5", "e4e6", "e4e7",
        "e4e8"}},
      // The knight uncovers the rook: every move that keeps the knight; d7
      // and f7 are covered by the king only and left out.
      {"knight uncovers rook", "4k3/8/8/4N3/8/8/8/K3R3 w - - 0 1", {"e5d3", "e5f3", "e5c4", "e5g4", "e5c6", "e5g6"}},
      // Pawn pushes onto a square that strikes the king; g4-g5 does not check.
      {"single push", "8/8/6k1/8/5PP1/8/8/K7 w - - 0 1", {"f4f5"}},
      {"double push", "8/8/8/6k1/8/4P3/5P2/K7 w - - 0 1", {"f2f4"}},
      // Black: the single push, then the double push; both squares are
      // covered by the white king and held by the g6 pawn.
      {"black pushes", "k7/5p2/6pp/8/6K1/8/8/8 b - - 0 1", {"h6h5", "f7f5"}},
      // The king uncovers its rook by leaving the file; no attack test
      // (d3 and f3 are covered by the a3 rook), and e3 stays on the file.
      {"king uncovers rook", "4k3/8/8/8/8/r7/4K3/4R3 w - - 0 1", {"e2d1", "e2f1", "e2d2", "e2f2", "e2d3", "e2f3"}},
      // Pawns that step off the king's rank or diagonal for a slider behind.
      {"pawn uncovers along rank", "8/8/8/1R1P2k1/8/8/8/K7 w - - 0 1", {"d5d6"}},
      {"pawn uncovers along diagonal", "8/8/6k1/8/8/3P4/2B5/K7 w - - 0 1", {"d3d4"}},
      {"pawn uncovers, single then double", "8/8/8/8/7k/8/5P2/4B2K w - - 0 1", {"f2f3", "f2f4"}},
      // Castling whose rook lands on the king's file.
      {"short castling checks", "8/8/5k2/8/8/8/8/4K2R w K - 0 1", {"h1f1", "h1h6", "e1g1"}},
      // With the king on g6 castling does not check, and h1-h6 would lose the rook.
      {"short castling does not check", "8/8/6k1/8/8/8/8/4K2R w K - 0 1", {"h1g1"}},
      {"long castling checks", "3k4/8/8/8/8/8/8/R3K3 w Q - 0 1", {"a1d1", "a1a8", "e1c1"}},
      // Kings on the back rank: the rook lands between them. The king also
      // uncovers its rook by stepping off the rank.
      {"short castling along the rank", "8/8/8/8/8/8/8/1k2K2R w K - 0 1", {"e1d2", "e1e2", "e1f2", "e1g1"}},
      {"long castling along the rank", "8/8/8/8/8/8/8/R3K2k w Q - 0 1", {"e1d2", "e1e2", "e1f2", "e1c1"}},
  };
  for (const OrderCase& c : cases) {
    SCOPED_TRACE(c.name);
    SetPosition(c.fen);
    EXPECT_EQ(QuietChecks(), c.expected);
  }
}

TEST_F(QuietCheckTest, ScoresFromTheRequestedHistoryHalf) {
  SetPosition("7k/8/8/8/8/8/8/K2Q4 w - - 0 1");
  const Move move = MakeMoveWord(3, 27, QUEEN);  // d1d4
  history_table[HistoryIndex(move, 0, WHITE)] = 11;
  history_table[HistoryIndex(move, 1, WHITE)] = 22;
  history_table[HistoryIndex(move, 1, BLACK)] = 33;
  for (int table : {0, 1, 2, 3}) {
    move_list_end = 0;
    GenerateQuietChecks(table);
    ASSERT_GT(move_list_end, 0);
    EXPECT_EQ(move_list[0].move, move);
    EXPECT_EQ(move_list[0].score, (table & 1) ? 22 : 11);
  }
}

// ---- promotions and quiescence captures ----

class QuiescenceTest : public ::testing::Test {
 protected:
  void SetUp() override { InitBoardForTests(); }
};

TEST_F(QuiescenceTest, SearchPromotionsAddAKnightOnlyWhenItChecks) {
  struct Case {
    const char* fen;
    Texts search;
    std::vector<int32_t> search_scores;
    Texts quiescence;
  } cases[] = {
      // A knight on e8 strikes g7; the queen on e8 is safe.
      {"8/4P1k1/8/8/8/8/8/K7 w - - 0 1", {"e7e8q", "e7e8n"}, {107900, -128100}, {"e7e8q"}},
      // King on f7 guards e8: the queen promotion fails the exchange test and
      // is left out of the quiescence list; no checking knight.
      {"8/4Pk2/8/8/8/8/8/K7 w - - 0 1", {"e7e8q"}, {-100 - 128000}, {}},
      // Black, highest pawn first; the b2 pawn is blocked.
      {"k7/8/8/8/8/4K3/1p4pp/1N6 b - - 0 1", {"h2h1q", "g2g1q"}, {107900, 107900}, {"h2h1q", "g2g1q"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fen);
    SetPosition(c.fen);
    move_list_end = 0;
    GenerateSearchPromotions();
    EXPECT_EQ(MoveTexts(0, move_list_end), c.search);
    for (size_t i = 0; i < c.search_scores.size() && int(i) < move_list_end; i++)
      EXPECT_EQ(move_list[i].score, c.search_scores[i]);
    move_list_end = 0;
    GenerateQuiescencePromotions();
    EXPECT_EQ(MoveTexts(0, move_list_end), c.quiescence);
    for (int i = 0; i < move_list_end; i++) EXPECT_EQ(move_list[i].score, 107900);
  }
}

TEST_F(QuiescenceTest, CapturePromotionsKeepOnlyTheQueen) {
  SetPosition("k4n1r/6P1/8/8/8/8/8/K7 w - - 0 1");
  move_list_end = 0;
  GenerateQuiescenceCaptures(thread_board.Occupied[BLACK]);
  EXPECT_EQ(MoveTexts(0, move_list_end), (Texts{"g7f8q", "g7h8q"}));
  ASSERT_EQ(move_list_end, 2);
  EXPECT_EQ(move_list[0].score, 10 * 300 - 100 + 108000);
  EXPECT_EQ(move_list[1].score, 10 * 500 - 100 + 108000);
}

TEST_F(QuiescenceTest, DropsLosingCapturesAndKeepsEnPassant) {
  // Qxd5 loses the queen to the e6 pawn; exd6 e.p. and Nxe6 hold.
  SetPosition("k7/8/4p3/2NpP3/8/8/8/K2Q4 w - d6 0 1");
  move_list_end = 0;
  GenerateCaptures(thread_board.Occupied[BLACK]);
  ASSERT_EQ(MoveTexts(0, move_list_end), (Texts{"e5d6", "c5e6", "d1d5"}));

  move_list_end = 0;
  GenerateQuiescenceCaptures(thread_board.Occupied[BLACK]);
  ASSERT_EQ(MoveTexts(0, move_list_end), (Texts{"e5d6", "c5e6"}));
  EXPECT_EQ(MoveCaptured(move_list[0].move), 0);
  EXPECT_EQ(move_list[0].score, 100901);
  EXPECT_EQ(move_list[1].score, 10 * 100 - 300 + 100000);

  // En passant does not depend on the target set.
  move_list_end = 0;
  GenerateQuiescenceCaptures(0);
  EXPECT_EQ(MoveTexts(0, move_list_end), (Texts{"e5d6"}));
}

// ---- walked move trees ----

std::vector<MoveEntry> Generated(int start, void (*generate)()) {
  move_list_end = start;
  generate();
  std::vector<MoveEntry> entries;
  for (int i = start; i < move_list_end; i++) entries.push_back(move_list[i]);
  return entries;
}

bool IsCastling(Move move) {
  return MovePiece(move) == KING && (MoveFrom(move) - MoveTo(move) == 2 || MoveTo(move) - MoveFrom(move) == 2);
}

// The moved man itself attacks the enemy king once the move is made.
bool GivesDirectCheck(Move move) {
  const int own = int(thread_board.SideToMove);
  MakeMove(move, 1);
  const bool check = AttacksOf(MovePiece(move), MoveTo(move), own) & SquareBit(int(thread_board.KingSquare[own ^ 1]));
  UnmakeMove();
  return check;
}

// What the quiet-check generator promises: direct checks of every man but
// the king, discovered checks by knights, pawns and the king on any line, by
// rooks on diagonals and bishops on ranks and files, and checking castling;
// all but king moves and castling only when the man is not lost.
bool ExpectedQuietCheck(Move move) {
  if (IsCastling(move)) return GivesCheck(move);
  const int piece = MovePiece(move), from = MoveFrom(move), to = MoveTo(move);
  if (piece == KING) return GivesDiscoveredCheck(move);
  if (!PassesStaticExchange(to, from, piece, 0, 0)) return false;
  if (GivesDirectCheck(move)) return true;
  if (!GivesDiscoveredCheck(move)) return false;
  const int line = direction_table[from][thread_board.KingSquare[thread_board.SideToMove ^ 1]];
  const bool straight = IsStraightStep(line);
  return piece == KNIGHT || piece == PAWN || (piece == ROOK && !straight) || (piece == BISHOP && straight);
}

struct Counts {
  int quiet_checks = 0;
  int discovered = 0;
  int quiescence_captures = 0;
  int refused_captures = 0;
  int promotions = 0;
};

void CheckSelectiveGenerators(Counts* counts) {
  const Board& b = thread_board;
  const int own = int(b.SideToMove), enemy = own ^ 1;
  char text[8];

  // Quiescence captures: the passing subset of the full capture list, in its
  // order and with its scores, for two target sets.
  for (const uint64_t targets : {b.Occupied[enemy], b.Occupied[enemy] & ~b.Pieces[PAWN][enemy]}) {
    move_list_end = 0;
    GenerateCaptures(targets);
    std::vector<MoveEntry> expected;
    for (int i = 0; i < move_list_end; i++) {
      const Move move = move_list[i].move;
      if (PassesStaticExchange(MoveTo(move), MoveFrom(move), MovePiece(move), MoveCaptured(move), MovePromotion(move)))
        expected.push_back(move_list[i]);
      else
        counts->refused_captures++;
    }
    move_list_end = 0;
    GenerateQuiescenceCaptures(targets);
    ASSERT_EQ(move_list_end, int(expected.size()));
    for (int i = 0; i < move_list_end; i++) {
      SCOPED_TRACE(MoveToText(text, expected[i].move));
      EXPECT_EQ(move_list[i].move, expected[i].move);
      EXPECT_EQ(move_list[i].score, expected[i].score);
    }
    counts->quiescence_captures += move_list_end;
  }

  // Promotions: both selective lists are ordered subsets of the full list.
  const std::vector<MoveEntry> all = Generated(0, GeneratePromotions);
  std::vector<Move> queens, search;
  for (const MoveEntry& entry : all) {
    const Move move = entry.move;
    const int promotion = MovePromotion(move);
    if (promotion == QUEEN && PassesStaticExchange(MoveTo(move), MoveFrom(move), PAWN, 0, QUEEN))
      queens.push_back(move);
    if (promotion == QUEEN || (promotion == KNIGHT && (knight_attacks[MoveTo(move)] & b.Pieces[KING][enemy])))
      search.push_back(move);
  }
  counts->promotions += int(all.size());
  std::vector<Move> got;
  for (const MoveEntry& entry : Generated(0, GenerateQuiescencePromotions)) {
    EXPECT_EQ(entry.score, 107900);
    got.push_back(entry.move);
  }
  EXPECT_EQ(got, queens);
  got.clear();
  for (const MoveEntry& entry : Generated(0, GenerateSearchPromotions)) got.push_back(entry.move);
  EXPECT_EQ(got, search);

  // Quiet checks, when not in check (the only place they are asked for).
  if (InCheck()) return;
  for (int table : {0, 1}) {
    move_list_end = MAX_GENERATED_MOVES;
    GenerateQuietMoves(table);
    std::map<Move, int32_t> quiet;
    for (int i = MAX_GENERATED_MOVES; i < move_list_end; i++) quiet[move_list[i].move] = move_list[i].score;

    move_list_end = 0;
    GenerateQuietChecks(table);
    const std::vector<MoveEntry> checks(move_list, move_list + move_list_end);
    std::set<Move> seen;
    for (const MoveEntry& entry : checks) {
      const Move move = entry.move;
      SCOPED_TRACE(MoveToText(text, move));
      EXPECT_TRUE(seen.insert(move).second) << "generated twice";
      EXPECT_EQ(b.Square[MoveTo(move)], 0u);
      const auto found = quiet.find(move);
      ASSERT_NE(found, quiet.end()) << "not a quiet move here";
      EXPECT_EQ(entry.score, found->second);
      if (MovePiece(move) != KING) {
        EXPECT_TRUE(PassesStaticExchange(MoveTo(move), MoveFrom(move), MovePiece(move), 0, 0));
      }
      EXPECT_TRUE(GivesCheck(move));
      MakeMove(move, 1);
      EXPECT_TRUE(IsSquareAttacked(own, int(thread_board.KingSquare[enemy])));
      EXPECT_TRUE(VerifyBoard());
      UnmakeMove();
      EXPECT_TRUE(VerifyBoard());
    }
    // Nothing the generator promises is missing.
    for (const auto& [move, score] : quiet) {
      if (seen.count(move)) continue;
      SCOPED_TRACE(MoveToText(text, move));
      EXPECT_FALSE(ExpectedQuietCheck(move)) << "quiet check missing";
    }
    if (table == 1) {
      counts->quiet_checks += int(checks.size());
      for (const MoveEntry& entry : checks)
        if (!GivesDirectCheck(entry.move)) counts->discovered++;
    }
  }
}

TEST(QuiescenceWalk, SelectiveGeneratorsAgreeWithTheFullOnes) {
  InitBoardForTests();
  // Distinct history values, so that a score read from the wrong slot shows.
  std::mt19937 random(12345);
  for (int32_t& value : history_table) value = int32_t(random() % 20001) - 10000;

  const struct {
    const char* fen;
    int depth;
  } cases[] = {
      {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 3},
      {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 4},
      {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 3},
      {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3},
  };
  Counts counts;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fen);
    SetPosition(c.fen);
    auto visit = [&counts] { CheckSelectiveGenerators(&counts); };
    WalkTree(c.depth, visit);
    if (HasFatalFailure()) break;
  }
  memset(history_table, 0, sizeof history_table);
  // The walk must have exercised every branch it checks.
  EXPECT_GT(counts.quiet_checks, 10000);
  EXPECT_GT(counts.discovered, 100);
  EXPECT_GT(counts.quiescence_captures, 10000);
  EXPECT_GT(counts.refused_captures, 1000);
  EXPECT_GT(counts.promotions, 100);
}

}  // namespace
