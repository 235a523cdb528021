// The alpha-beta and quiescence searches driven directly, the way the root
// search calls them: exact mate scores, material won, draws by rule and
// repetition, legality of every searched move, and repeatable node counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/movekeys.h"
#include "board/notation.h"
#include "eval/evaluate.h"
#include "interface/options.h"
#include "search/node.h"
#include "search/root.h"
#include "search/search.h"
#include "search/tables.h"
#include "search/transposition.h"
#include "test_util.h"

namespace {

class AlphaBetaSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    InitEvalForTests();
    static bool allocated = false;
    if (!allocated) {
      tt_entries = 65536;
      ASSERT_TRUE(AllocateTranspositionTable());
      allocated = true;
    }
    ClearSearchTables();
    node_limit = 0;
    use_learning_data = 0;
    pondering_now = 0;
    go_ponder = 0;
  }
};

// The root's set-up for one AlphaBeta call at ply 1.
void PrepareRoot(int plies) {
  ply = 1;
  root_side = int32_t(thread_board.SideToMove);
  iteration_depth = plies;
  depth_limit = 0;
  poll_interval = 1 << 30;
  poll_countdown = poll_interval;
  stop_search = 0;
  move_list_end = 0;
  nodes = 0;
  seldepth = 0;
  singular_search_active = 0;
  lazy_window_low = -32700;
  lazy_window_high = 32700;
  ply_records[0].flags = 0;
  ply_records[1].flags = 0;
  ply_records[1].in_check = InCheck();
}

int32_t Search(int plies, int32_t alpha = -32700, int32_t beta = 32700) {
  PrepareRoot(plies);
  return AlphaBeta(alpha, beta, plies * 4, 0, 0);
}

// The best move the node left at ply 1 as text: "none", or "illegal" when it
// is not a legal move of the position.
std::string BestMoveText() {
  const Move m = ply_records[1].best_move;
  if (!m) return "none";
  const int saved_end = move_list_end;
  GenerateLegalMoves(LEGALITY_LIST_START);
  const std::vector<std::string> texts = MoveTexts(LEGALITY_LIST_START, move_list_end);
  std::string found = "illegal";
  for (size_t i = 0; i < texts.size(); i++)
    if (move_list[LEGALITY_LIST_START + i].move == m) found = texts[i];
  move_list_end = saved_end;
  return found;
}

// Independent oracle: the side to move mates in at most n moves.
bool MatesWithin(int n, int level = 0) {
  const int base = 40000 + level * 400;
  GenerateLegalMoves(base);
  std::vector<Move> moves(move_list_end - base);
  for (size_t i = 0; i < moves.size(); i++) moves[i] = move_list[base + i].move;
  for (Move m : moves) {
    MakeMove(m, 1);
    GenerateLegalMoves(base + 200);
    bool forced = true;
    if (move_list_end == base + 200) {
      forced = InCheck();
    } else if (n == 1) {
      forced = false;
    } else {
      std::vector<Move> replies(move_list_end - base - 200);
      for (size_t i = 0; i < replies.size(); i++) replies[i] = move_list[base + 200 + i].move;
      for (Move r : replies) {
        MakeMove(r, 1);
        const bool mates = MatesWithin(n - 1, level + 1);
        UnmakeMove();
        if (!mates) {
          forced = false;
          break;
        }
      }
    }
    UnmakeMove();
    if (forced) return true;
  }
  return false;
}

TEST_F(AlphaBetaSearch, FindsMatesWithTheExactDistance) {
  SetPosition("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1");
  EXPECT_EQ(Search(2), MATE_SCORE - 2);
  EXPECT_EQ(BestMoveText(), "a1a8");

  // Mate in two: no mate in one exists, so the score is mate at ply 4.
  SetPosition("k7/8/2K5/8/8/8/8/7R w - - 0 1");
  ASSERT_FALSE(MatesWithin(1));
  ASSERT_TRUE(MatesWithin(2));
  move_list_end = 0;
  // Deepened as the root does; the null move hides the mate from the
  // shallowest iterations.
  int32_t v = 0;
  for (int d = 1; d <= 6 && v < MATE_BOUND; d++) v = Search(d);
  EXPECT_EQ(v, MATE_SCORE - 4);
  const std::string first = BestMoveText();
  ASSERT_NE(first, "illegal");
  PlayMove(first.c_str());
  // Whatever black answers, white mates at once.
  GenerateLegalMoves(LEGALITY_LIST_START);
  for (const std::string& reply : MoveTexts(LEGALITY_LIST_START, move_list_end)) {
    PlayMove(reply.c_str());
    EXPECT_TRUE(MatesWithin(1)) << first << " " << reply;
    UnmakeMove();
  }

  // The side to move is mated: the node scores its own ply.
  SetPosition("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1");
  EXPECT_EQ(Search(3), 1 - MATE_SCORE);
}

TEST_F(AlphaBetaSearch, WinsHangingMaterialAndAvoidsLosingIt) {
  SetPosition("4k3/8/8/3q4/8/8/8/3RK3 w - - 0 1");
  const int32_t v = Search(4);
  EXPECT_EQ(BestMoveText(), "d1d5");
  EXPECT_GT(v, 300);

  // The black queen is to move and attacked by a pawn: it must step away.
  SetPosition("4k3/8/8/3q4/4P3/8/8/4K3 b - - 0 1");
  const int32_t w = Search(4);
  EXPECT_GT(w, 500);
  const std::string reply = BestMoveText();
  ASSERT_NE(reply, "illegal");
  EXPECT_EQ(reply.substr(0, 2), "d5");
}

TEST_F(AlphaBetaSearch, DrawsByRule) {
  // Stalemate: no legal move and not in check.
  SetPosition("k7/2Q5/1K6/8/8/8/8/8 b - - 0 1");
  EXPECT_EQ(Search(3), 0);

  // Fifty reversible moves: the free queen does not count.
  // (The FEN reader leaves the counter at 0.)
  SetPosition("4k3/8/8/3q4/8/8/8/3RK3 w - - 0 80");
  thread_board.FiftyCount = 100;
  EXPECT_EQ(Search(3), 0);
  EXPECT_EQ(nodes, 1u);
  SetPosition("4k3/8/8/3q4/8/8/8/3RK3 w - - 0 80");
  thread_board.FiftyCount = 99;
  EXPECT_GT(Search(3), 300);
}

TEST_F(AlphaBetaSearch, RepetitionFourPliesBackIsADraw) {
  SetPosition("4k3/8/8/3q4/8/8/8/3RK3 w - - 0 1");
  for (const char* m : {"e1e2", "e8e7", "e2e1", "e7e8"}) PlayMove(m);
  EXPECT_EQ(Search(3), 0);
  EXPECT_EQ(nodes, 1u);

  // A repetition after an earlier pawn move is still found.
  SetPosition("4k3/7p/8/3q4/8/8/8/3RK3 w - - 0 1");
  for (const char* m : {"e1e2", "h7h6", "e2e1", "e8e7", "e1e2", "e7e8"}) PlayMove(m);
  EXPECT_EQ(Search(3), 0);

  // More reversible plies than the game has: the walk ends at its start, and
  // the position is searched (black wins the rook).
  SetPosition("4k3/8/8/3q4/8/8/8/3RK3 w - - 0 40");
  thread_board.FiftyCount = 10;
  for (const char* m : {"e1f1", "e8d8", "f1g1"}) PlayMove(m);
  EXPECT_GT(Search(3), 300);
  EXPECT_GT(nodes, 1u);
}

TEST_F(AlphaBetaSearch, UpcomingRepetitionWithBetaAtMostZero) {
  // After 1.Nf3 Nf6 2.Ng1 black returns to the start position by Ng8.
  SetPosition("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  for (const char* m : {"g1f3", "g8f6", "f3g1"}) PlayMove(m);
  EXPECT_EQ(Search(3, -50, 0), 0);
  EXPECT_EQ(nodes, 1u);
  // With beta above 0 the node is searched.
  Search(3, -50, 1);
  EXPECT_GT(nodes, 1u);

  // A rook that can step straight back: the same for a long move.
  SetPosition("4k2r/8/8/8/8/8/8/K7 w - - 0 1");
  for (const char* m : {"a1b1", "h8h2", "b1a1"}) PlayMove(m);
  EXPECT_EQ(Search(2, -50, 0), 0);
  EXPECT_EQ(nodes, 1u);
}

TEST_F(AlphaBetaSearch, NeverPlaysAPinnedPiece) {
  // The knight on e2 is pinned by the rook on e5: taking the queen is illegal.
  SetPosition("4k3/8/8/4r3/3q4/8/4N3/4K3 w - - 0 1");
  const Move illegal = MakeMoveWord(12, 27, KNIGHT, QUEEN);
  const int32_t v = Search(4);
  EXPECT_NE(ply_records[1].best_move, illegal);
  EXPECT_NE(BestMoveText(), "illegal");
  EXPECT_LT(v, -500);
}

TEST_F(AlphaBetaSearch, RandomGamesSearchOnlyLegalMoves) {
#ifndef NDEBUG
  search_node::illegal_moves_made = 0;
#endif
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 16;
  };
  int searched = 0;
  for (int game = 0; game < 6; game++) {
    SetPosition("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    for (int plies = 0; plies < 70; plies++) {
      GenerateLegalMoves(LEGALITY_LIST_START);
      const std::vector<std::string> legal = MoveTexts(LEGALITY_LIST_START, move_list_end);
      if (legal.empty()) break;
      if (plies % 7 == 3) {
        const std::string fen = BoardToFen();
        const int32_t v = Search(3);
        ASSERT_TRUE(VerifyBoard()) << fen;
        ASSERT_EQ(BoardToFen(), fen);
        EXPECT_GE(v, -MATE_SCORE);
        EXPECT_LE(v, MATE_SCORE);
        if (ply_records[1].best_move) {
          EXPECT_NE(BestMoveText(), "illegal") << fen;
        }
        searched++;
      }
      PlayMove(legal[next() % legal.size()].c_str());
    }
  }
  EXPECT_GT(searched, 30);
#ifndef NDEBUG
  EXPECT_EQ(search_node::illegal_moves_made, 0u);
#endif
}

TEST_F(AlphaBetaSearch, SameNodeCountOnEveryRun) {
  const char* fen = "r1bq1rk1/pp2bppp/2n1pn2/2pp4/3P4/2PBPN2/PP1N1PPP/R1BQ1RK1 w - - 0 1";
  uint32_t counts[2];
  int32_t scores[2];
  Move moves[2];
  for (int run = 0; run < 2; run++) {
    ClearSearchTables();
    std::fill(std::begin(history_table), std::end(history_table), 0);
    ClearKillers();
    SetPosition(fen);
    // Deepen like the root does, so that the table, killers and history feed later iterations.
    for (int d = 1; d <= 5; d++) scores[run] = Search(d);
    counts[run] = nodes;
    moves[run] = ply_records[1].best_move;
  }
  EXPECT_EQ(counts[0], counts[1]);
  EXPECT_EQ(scores[0], scores[1]);
  EXPECT_EQ(moves[0], moves[1]);
  EXPECT_GT(counts[0], 100u);
}

// An analysis of minutes brings the counter past 2^32: it counts on, and the
// search is the same search.
TEST_F(AlphaBetaSearch, NodeCounterCountsOnPastTwoToTheThirtyTwo) {
  const char* fen = "r1bq1rk1/pp2bppp/2n1pn2/2pp4/3P4/2PBPN2/PP1N1PPP/R1BQ1RK1 w - - 0 1";
  const uint64_t starts[2] = {0, (uint64_t(1) << 32) - 5000};
  uint64_t counted[2];
  int32_t scores[2];
  for (int run = 0; run < 2; run++) {
    ClearSearchTables();
    std::fill(std::begin(history_table), std::end(history_table), 0);
    ClearKillers();
    SetPosition(fen);
    PrepareRoot(5);
    nodes = starts[run];
    scores[run] = AlphaBeta(-32700, 32700, 5 * 4, 0, 0);
    counted[run] = nodes - starts[run];
  }
  EXPECT_GT(counted[0], 5000u);
  EXPECT_EQ(counted[1], counted[0]);
  EXPECT_EQ(scores[1], scores[0]);
}

TEST_F(AlphaBetaSearch, NodeLimitStopsAtThePollAfterIt) {
  SetPosition("r1bq1rk1/pp2bppp/2n1pn2/2pp4/3P4/2PBPN2/PP1N1PPP/R1BQ1RK1 w - - 0 1");
  PrepareRoot(10);
  node_limit = 10000;
  poll_interval = 5000;
  poll_countdown = poll_interval;
  EXPECT_EQ(AlphaBeta(-32700, 32700, 40, 0, 0), 0);
  EXPECT_EQ(stop_search, 1);
  EXPECT_GE(nodes, 10000u);
  EXPECT_LT(nodes, 15100u);
  EXPECT_EQ(move_list_end, 0);
  stop_search = 0;
  node_limit = 0;
}

TEST_F(AlphaBetaSearch, QuiescenceResolvesCapturesAndMates) {
  SetPosition("4k3/8/8/3q4/8/8/8/3RK3 w - - 0 1");
  PrepareRoot(1);
  const int32_t stand = Evaluate(-32700, 32700);
  const int32_t v = Quiescence(-32700, 32700, 0, 0);
  EXPECT_GT(v, stand + 600);
  EXPECT_EQ(ply_records[1].best_move, MakeMoveWord(3, 35, ROOK, QUEEN));
  EXPECT_EQ(move_list_end, 0);

  // In check without an evasion: mated at this ply.
  SetPosition("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1");
  PrepareRoot(1);
  EXPECT_EQ(Quiescence(-32700, 32700, 0, 0), 1 - MATE_SCORE);

  // A pinned piece's capture is not searched: the rook on d2 cannot take.
  SetPosition("4k3/8/8/4r3/3q4/8/4N3/4K3 w - - 0 1");
  PrepareRoot(1);
  const int32_t q = Quiescence(-32700, 32700, 0, 0);
  EXPECT_NE(ply_records[1].best_move, MakeMoveWord(12, 27, KNIGHT, QUEEN));
  EXPECT_LT(q, -500);
}

TEST_F(AlphaBetaSearch, ExtensionOfChecksAndLastPieceCaptures) {
  const uint64_t no_hot[2] = {0, 0};
  int32_t deferred = 0;
  // A quiet rook check: one full ply at a shallow ply, half a ply deeper down.
  SetPosition("6k1/8/8/8/8/8/8/R5K1 w - - 0 1");
  PrepareRoot(4);
  const Move check = MakeMoveWord(0, 56, ROOK);
  EXPECT_EQ(ComputeExtension(1, 0, 16, 0, check, 0, 1, &deferred, no_hot, 0), 0);
  EXPECT_EQ(ply_records[2].in_check, 1u);
  EXPECT_TRUE(ply_records[1].flags & 1);
  EXPECT_EQ(ComputeExtension(0, 0, 16, 0, check, 0, 1, &deferred, no_hot, 0), -2);
  const Move quiet = MakeMoveWord(0, 8, ROOK);
  EXPECT_EQ(ComputeExtension(1, 0, 16, 0, quiet, 0, 1, &deferred, no_hot, 0), -4);
  EXPECT_EQ(ply_records[2].in_check, 0u);

  // A pawn takes the last piece on the board with check: capped at +4.
  SetPosition("8/4k3/3r4/4P3/8/8/8/K7 w - - 0 1");
  PrepareRoot(4);
  const Move take = MakeMoveWord(36, 43, PAWN, ROOK);
  EXPECT_EQ(ComputeExtension(1, 0, 16, 0, take, 100000, 1, &deferred, no_hot, 0), 4);
  EXPECT_TRUE(ply_records[1].flags & 128);
}

TEST_F(AlphaBetaSearch, SingularTestOfTheOnlyMove) {
  // Black in check with exactly one legal reply: no other move can reach any bound.
  SetPosition("7k/R7/8/8/8/8/8/K6R b - - 0 1");
  GenerateLegalMoves(LEGALITY_LIST_START);
  ASSERT_EQ(move_list_end - LEGALITY_LIST_START, 1);
  const Move only = move_list[LEGALITY_LIST_START].move;
  PrepareRoot(4);
  EXPECT_EQ(IsSingularMove(-32000, 32, only, 1), 1);
  EXPECT_EQ(singular_search_active, 0);
  EXPECT_EQ(move_list_end, 0);

  // With another move available, a very low bound is reached.
  SetPosition("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  PrepareRoot(4);
  EXPECT_EQ(IsSingularMove(-32000, 32, MakeMoveWord(0, 56, ROOK), 1), 0);
  EXPECT_EQ(move_list_end, 0);
}

}  // namespace
