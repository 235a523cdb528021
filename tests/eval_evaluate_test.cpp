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
#include "eval/params.h"
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
    if (abs(score - twin) > tolerance && ++mismatches <= 5)
      ADD_FAILURE() << fen << ": " << score << " but twin " << twin;
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

TEST(Evaluate, LazyMaterialCutSharedWithTheQuiescenceSearch) {
  InitEvalForTests();
  struct Case {
    const char* fen;
    int root;           // root_side
    int32_t low, high;  // the window, root side's view
    int cut;            // +1 above, -1 below, 0 none
    int32_t balance;    // side to move's view, when cut
  };
  const Case cases[] = {
      // A queen and two pawns up: far above the window, from either root side.
      {"4k3/8/8/8/8/8/PP6/Q3K3 w - - 0 1", WHITE, -100, 100, 1, 1100},
      {"4k3/8/8/8/8/8/PP6/Q3K3 w - - 0 1", BLACK, -100, 100, 1, 1100},
      // Black to move, far behind: below the window seen from black.
      {"4k3/8/8/8/8/8/PP6/Q3K3 b - - 0 1", WHITE, -100, 100, -1, -1100},
      {"4k3/8/8/8/8/8/PP6/Q3K3 b - - 0 1", BLACK, -100, 100, -1, -1100},
      // Equal to the window's edge is no cut; the mirrored edge neither.
      {"4k3/8/8/8/8/8/PP6/Q3K3 w - - 0 1", WHITE, -100, 1100, 0, 0},
      {"4k3/8/8/8/8/8/PP6/Q3K3 b - - 0 1", WHITE, -100, 1100, 0, 0},
      {"4k3/8/8/8/8/8/PP6/Q3K3 b - - 0 1", BLACK, -1100, 100, 0, 0},
      // A lone queen with one pawn cannot force a win: no cut either way.
      {"4k3/8/8/8/8/8/P7/Q3K3 w - - 0 1", WHITE, -100, 100, 0, 0},
      {"4k3/8/8/8/8/8/P7/Q3K3 b - - 0 1", WHITE, -100, 100, 0, 0},
      // A black pawn on its seventh rank (and one on its sixth) costs 100.
      {"4k3/8/8/8/8/p7/1p6/Q3K2R w - - 0 1", WHITE, -100, 100, 1, 1100},
      // Only a sixth-rank pawn: 50.
      {"4k3/8/8/8/8/p7/8/Q3K2R w - - 0 1", WHITE, -100, 100, 1, 1250},
      // The side behind to move with its pawn on the seventh: +100, from
      // black's view; past the edge after the addition is no cut.
      {"4k3/8/8/8/8/8/1p6/Q3K2R b - - 0 1", WHITE, -100, 100, -1, -1200},
      {"4k3/8/8/8/8/8/1p6/Q3K2R b - - 0 1", BLACK, -1200, 100, 0, 0},
  };
  for (const Case& c : cases) {
    SetPosition(c.fen);
    root_side = c.root;
    lazy_window_low = c.low;
    lazy_window_high = c.high;
    int32_t balance = 12345;
    EXPECT_EQ(LazyMaterialCut(&balance), c.cut) << c.fen << " root " << c.root << " " << c.low << ".." << c.high;
    EXPECT_EQ(balance, c.cut ? c.balance : 12345) << c.fen << " root " << c.root;
    // The entry answers a cut with that balance and stores nothing.
    if (c.cut) {
      ClearEvalCache();
      EXPECT_EQ(Evaluate(), c.balance) << c.fen;
      EXPECT_EQ(thread_eval_info.cacheable, 0) << c.fen;
    }
  }
  lazy_window_low = -32700;
  lazy_window_high = 32700;
}

// Each named scale factor is the one the evaluation applies in its ending:
// moving exactly that factor (between 0 and 256) moves the score, and moving
// any other one leaves it alone.
TEST(EvaluatePosition, NamedScaleFactorsDriveTheirEndings) {
  InitEvalForTests();
  lazy_window_low = -32700;
  lazy_window_high = 32700;
  struct Case {
    const char* fen;
    std::vector<int> factors;
  };
  const Case cases[] = {
      // Pawnless, the better side's pieces against the weaker side's.
      {"7r/8/8/k7/8/3B4/1R6/4K3 w - - 0 1", {SCALE_ROOK_BISHOP_VS_ROOK_CUT}},
      {"7r/8/8/2k5/8/3B4/1R6/4K3 w - - 0 1", {SCALE_ROOK_BISHOP_VS_ROOK}},
      {"7r/8/8/k7/8/3N4/1R6/4K3 w - - 0 1", {SCALE_ROOK_KNIGHT_VS_ROOK_CUT}},
      {"8/8/3k4/8/8/3b4/1R6/4K3 w - - 0 1", {SCALE_ROOK_VS_BISHOP}},
      {"8/8/3k4/8/8/3n4/1R6/4K3 w - - 0 1", {SCALE_ROOK_VS_KNIGHT}},
      {"4k3/8/8/8/8/8/3Q4/1N2K1q1 w - - 0 1", {SCALE_QUEEN_MINOR_VS_QUEEN}},
      {"4k3/8/8/8/8/8/2NB4/4K1n1 w - - 0 1", {SCALE_KNIGHT_MINOR_VS_KNIGHT}},
      {"4k3/8/8/8/8/8/2BB4/4K1n1 w - - 0 1", {SCALE_BISHOPS_VS_KNIGHT}},
      {"4k3/8/8/8/8/8/2RB4/4K1nn w - - 0 1", {SCALE_ROOK_MINOR_VS_TWO_MINORS}},
      {"4k3/8/8/8/8/8/2NB4/4K2r w - - 0 1", {SCALE_TWO_MINORS_VS_ROOK}},
      // Even pawnless material; with no pawn at all the defender stands in
      // front of every one of them.
      {"4k3/8/8/8/8/8/3Q4/4K1q1 w - - 0 1", {SCALE_DEFENDER_IN_FRONT, SCALE_PAWNLESS_EVEN}},
      // Bishops of opposite colours.
      {"4k3/p7/8/3b4/8/8/PPPP4/2B1K3 w - - 0 1", {SCALE_OPPOSITE_BISHOPS_UNEVEN}},
      {"4k3/pp6/8/3b4/8/8/PPP5/2B1K3 w - - 0 1", {SCALE_OPPOSITE_BISHOPS_EVEN}},
      {"r3k3/p7/8/3b4/8/8/PPPP4/R1B1K3 w - - 0 1", {SCALE_OPPOSITE_BISHOPS_POSITIONAL, SCALE_OPPOSITE_BISHOPS_ROOKS}},
      // Rook and pawn against rook, the defending king ahead of the pawn, the
      // attacking king behind it.
      {"k6r/8/8/P7/8/8/1R6/4K3 w - - 0 1",
       {SCALE_DEFENDER_IN_FRONT, SCALE_LIGHT_PAWN_KING_IN_FRONT, SCALE_ROOK_PAWN_HELD_EDGE,
        SCALE_ROOK_PAWN_KING_BEHIND}},
      {"1k5r/8/8/1P6/8/8/2R5/4K3 w - - 0 1",
       {SCALE_DEFENDER_IN_FRONT, SCALE_LIGHT_PAWN_KING_IN_FRONT, SCALE_ROOK_PAWN_HELD_KNIGHT,
        SCALE_ROOK_PAWN_KING_BEHIND}},
      {"4k2r/8/8/4P3/8/4K3/2R5/8 w - - 0 1",
       {SCALE_DEFENDER_IN_FRONT, SCALE_LIGHT_PAWN_KING_IN_FRONT, SCALE_ROOK_PAWN_HELD_CENTRE,
        SCALE_ROOK_PAWN_KING_BEHIND}},
      // One pawn with even pieces: with minors only the king-and-pawn table
      // judges it, with rooks the defending king's place does (on the pawn's
      // file it holds the pawn, on the a-file it does not).
      {"4k3/8/8/8/4P3/8/8/1NB1K1nb w - - 0 1", {SCALE_DEFENDER_IN_FRONT, SCALE_PAWN_HELD_VS_BISHOP}},
      {"4k3/8/8/8/4P3/8/8/1RB1K1rb w - - 0 1", {SCALE_DEFENDER_IN_FRONT, SCALE_PAWN_HELD_VS_BISHOP}},
      {"k7/8/8/8/4P3/8/8/1RB1K1rb w - - 0 1", {SCALE_PAWN_THROUGH_VS_BISHOP}},
      {"4k3/8/8/8/4P3/8/8/1RB1K1rn w - - 0 1", {SCALE_DEFENDER_IN_FRONT, SCALE_PAWN_HELD}},
      {"k7/8/8/8/4P3/8/8/1RB1K1rn w - - 0 1", {SCALE_PAWN_THROUGH}},
  };
  for (const Case& c : cases) {
    SetPosition(c.fen);
    std::vector<int> moved;
    for (int p = SCALE_FIRST; p <= SCALE_LAST; p++) {
      if (p == BLOCKED_CENTRE_POSITION || (p >= EXTRA_PAWN_FIRST && p <= EXTRA_PAWN_LAST)) continue;
      int32_t& factor = scale_factor[p - SCALE_FIRST];
      const int32_t saved = factor;
      factor = 0;
      const int32_t none = Static();
      factor = 256;
      const int32_t full = Static();
      factor = saved;
      if (none != full) moved.push_back(p);
    }
    EXPECT_EQ(moved, c.factors) << c.fen;
  }
}

}  // namespace
