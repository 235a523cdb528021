// Perft against the published counts.
#include "interface/perft.h"

#include <gtest/gtest.h>

#include <cstring>

#include "board/notation.h"
#include "perft_cases.h"
#include "test_util.h"

namespace {

uint64_t Count(const char* fen, int depth) {
  SetPosition(fen);
  const Board before = thread_board;
  const int ply_before = game_ply;
  move_list_end = 0;
  perft_nodes = 0;
  Perft(depth);
  EXPECT_EQ(memcmp(&before, &thread_board, sizeof(Board)), 0) << fen;
  EXPECT_EQ(game_ply, ply_before);
  EXPECT_EQ(move_list_end, 0);
  return perft_nodes;
}

TEST(Perft, PublishedCounts) {
  InitBoardForTests();
  for (const PerftCase& c : kPerftCases) {
    if (c.nodes > kDeepPerftNodes) continue;
    EXPECT_EQ(Count(c.fen, c.depth), c.nodes) << c.fen << " depth " << c.depth;
  }
}

TEST(Perft, DepthsOutsideTheRangeCountNothing) {
  InitBoardForTests();
  EXPECT_EQ(Count(kPerftCases[0].fen, 0), 0u);
  EXPECT_EQ(Count(kPerftCases[0].fen, -3), 0u);
  EXPECT_EQ(Count(kPerftCases[0].fen, MAX_PERFT_DEPTH + 1), 0u);
}

}  // namespace
