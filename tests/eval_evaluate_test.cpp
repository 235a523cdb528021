// The evaluation's entry and the full static evaluation: symmetry, the
// caches, the lazy cut and the fifty-move damping.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "board/tables.h"
#include "eval/evaluate.h"
#include "eval/pawns.h"
#include "interface/options.h"
#include "search/root.h"
#include "search/tables.h"
#include "test_util.h"

namespace {

int32_t Static() {
  root_side = int(thread_board.SideToMove);
  int32_t score = NO_SCORE;
  EvaluatePosition(&score);
  return score;
}

// FENs of positions from random games out of varied starts.
std::vector<std::string> SamplePositions(int games, int plies, uint64_t seed) {
  static const char* starts[] = {
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
      "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
      "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
      "4k3/pp3ppp/8/8/8/8/PPP2PPP/4K3 w - - 0 1",
      "2r3k1/1q3pp1/4p2p/8/3P4/5N2/1Q3PPP/2R3K1 w - - 0 1",
  };
  std::vector<std::string> fens;
  for (int game = 0; game < games; game++) {
    SetPosition(starts[game % 6]);
    for (int ply = 0; ply < plies; ply++) {
      GenerateLegalMoves(0);
      if (move_list_end == 0) break;
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      const Move move = move_list[(seed >> 33) % uint64_t(move_list_end)].move;
      move_list_end = 0;
      MakeMove(move, 1);
      const std::string fen = BoardToFen();
      fens.push_back(fen);
    }
  }
  return fens;
}

TEST(EvaluatePosition, InitialPositionIsTheSideToMoveTerm) {
  InitEvalForTests();
  EXPECT_EQ(Static(), 9);
  EXPECT_EQ(current_phase, 0);
  SetPosition("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1");
  EXPECT_EQ(Static(), 9);
}

TEST(EvaluatePosition, ColourFlippedTwinsEvaluateAlike) {
  InitEvalForTests();
  const std::vector<std::string> fens = SamplePositions(60, 60, 7);
  int compared = 0, mismatches = 0, exact = 0;
  for (const std::string& fen : fens) {
    if (LoadFen(fen.c_str()) != FEN_OK) continue;
    // The pawn race is asymmetric by design (the side to move's tempo is
    // compared with the other's count), so pure pawn endings are left out.
    if (thread_board.PieceMaterial[WHITE] == 0 && thread_board.PieceMaterial[BLACK] == 0) continue;
    const int32_t score = Static();
    // With one pawn on the board the score is scaled by a shift right, which
    // rounds toward minus infinity: there the twins may differ by one.
    const int tolerance = thread_board.PieceCount[PAWN][WHITE] + thread_board.PieceCount[PAWN][BLACK] == 1 ? 1 : 0;
    const std::string flipped = FlipFen(fen);
    ASSERT_EQ(LoadFen(flipped.c_str()), FEN_OK) << flipped;
    const int32_t twin = Static();
    compared++;
    exact += score == twin;
    if (abs(score - twin) > tolerance && ++mismatches <= 5) ADD_FAILURE() << fen << ": " << score << " but twin " << twin;
  }
  EXPECT_GT(compared, 2000);
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(exact, compared * 99 / 100);
}

TEST(EvaluatePosition, PawnHashNeverChangesAScore) {
  InitEvalForTests();
  const std::vector<std::string> fens = SamplePositions(30, 60, 11);
  std::vector<int32_t> with_table;
  for (const std::string& fen : fens) {
    ASSERT_EQ(LoadFen(fen.c_str()), FEN_OK);
    with_table.push_back(Static());
  }
  const uint32_t saved = pawn_hash_entries;
  ASSERT_TRUE(SetPawnHashSize(0));
  for (size_t i = 0; i < fens.size(); i++) {
    ASSERT_EQ(LoadFen(fens[i].c_str()), FEN_OK);
    ASSERT_EQ(Static(), with_table[i]) << "pawn hash off: " << fens[i];
  }
  pawn_hash_entries = saved;
  ASSERT_TRUE(AllocatePawnHash());
  for (size_t i = 0; i < fens.size(); i++) {
    if (i % 7 == 0) ClearPawnHash();
    ASSERT_EQ(LoadFen(fens[i].c_str()), FEN_OK);
    ASSERT_EQ(Static(), with_table[i]) << "pawn hash cleared: " << fens[i];
  }
}

TEST(Evaluate, CacheAnswersAsTheFullEvaluation) {
  InitEvalForTests();
  lazy_window_low = -32700;
  lazy_window_high = 32700;
  ClearEvalCache();
  const std::vector<std::string> fens = SamplePositions(20, 50, 23);
  int other_side_hits = 0;
  for (const std::string& fen : fens) {
    ASSERT_EQ(LoadFen(fen.c_str()), FEN_OK);
    ClearEvalCache();
    root_side = int(thread_board.SideToMove);
    const int32_t full = Static();
    const int32_t first = Evaluate();
    const int32_t second = Evaluate();
    EXPECT_EQ(first, full) << fen;  // FiftyCount is 0 after LoadFen: no damping
    EXPECT_EQ(second, first) << fen;
    // The other side's slot, when stored, is what the evaluation gives it
    // up to the side-to-move tempo terms.
    const uint64_t key = thread_board.Key ^ castle_keys[thread_board.Castling];
    const EvalCacheEntry* slot = &eval_cache[uint32_t(key & 0x7FFFF)];
    if (slot->key == key && slot->score[thread_board.SideToMove ^ 1] != NO_SCORE) other_side_hits++;
  }
  EXPECT_GT(other_side_hits, 0);
}

TEST(Evaluate, FiftyMoveDamping) {
  InitEvalForTests();
  lazy_window_low = -32700;
  lazy_window_high = 32700;
  SetPosition("4k3/8/8/8/8/8/4P3/R3K3 w - - 0 1");
  root_side = WHITE;
  const int32_t full = Static();
  ASSERT_NE(full, 0);
  const std::pair<int, int> cases[] = {{0, 256}, {8, 256}, {9, 254}, {58, 156}, {72, 128}, {100, 72}, {200, 0}};
  for (auto [fifty, factor] : cases) {
    thread_board.FiftyCount = fifty;
    EXPECT_EQ(Evaluate(), int32_t(int64_t(full) * factor / 256)) << fifty;
  }
  thread_board.FiftyCount = 0;
}

TEST(Evaluate, LazyCutOnTheMaterialBalance) {
  InitEvalForTests();
  ClearEvalCache();
  // White a queen up with two pawns: far outside a narrow window.
  SetPosition("4k3/8/8/8/8/8/PP6/Q3K3 w - - 0 1");
  root_side = WHITE;
  lazy_window_low = -100;
  lazy_window_high = 100;
  EXPECT_EQ(Evaluate(), 1100);
  EXPECT_EQ(thread_eval_info.cacheable, 0);
  // From black's side the window is mirrored.
  SetPosition("4k3/8/8/8/8/8/PP6/Q3K3 b - - 0 1");
  EXPECT_EQ(Evaluate(), -1100);
  // At the edge of the window there is no cut.
  lazy_window_high = 1100;
  SetPosition("4k3/8/8/8/8/8/PP6/Q3K3 w - - 0 1");
  EXPECT_NE(Evaluate(), 1100);
  EXPECT_EQ(thread_eval_info.cacheable, 1);
  // A lone queen with one pawn cannot force a win by the rule: no cut.
  lazy_window_high = 100;
  SetPosition("4k3/8/8/8/8/8/P7/Q3K3 w - - 0 1");
  Evaluate();
  EXPECT_EQ(thread_eval_info.cacheable, 1) << "evaluated in full";
  // An enemy pawn on its seventh rank costs 100 of the balance, only once.
  SetPosition("4k3/8/8/8/8/p7/1p6/Q3K2R w - - 0 1");
  EXPECT_EQ(Evaluate(), 1400 - 200 - 100);
  lazy_window_low = -32700;
  lazy_window_high = 32700;
}

}  // namespace
