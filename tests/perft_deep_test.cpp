// The deep perft counts: hundreds of millions of leaves, for the optimised builds.
#include <gtest/gtest.h>

#include "interface/perft.h"
#include "perft_cases.h"
#include "test_util.h"

namespace {

TEST(PerftDeep, PublishedCounts) {
  InitBoardForTests();
  for (const PerftCase& c : kPerftCases) {
    if (c.nodes <= kDeepPerftNodes) continue;
    SetPosition(c.fen);
    move_list_end = 0;
    perft_nodes = 0;
    Perft(c.depth);
    EXPECT_EQ(perft_nodes, c.nodes) << c.fen << " depth " << c.depth;
  }
}

}  // namespace
