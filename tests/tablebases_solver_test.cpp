// The test-side solver's kqk, krk and kpk tables: the known longest mates,
// one value per index whatever position of a symmetry class reaches it, and
// position by position the distances of the Gaviota tables (a different
// format, read through its own library) where this build links it.
#include <gtest/gtest.h>

#include <algorithm>

#include "tablebases/index.h"
#include "tb_positions.h"
#include "tb_solver.h"

#ifdef DRAVELNOR_GAVIOTA_TB_DIR
#include <gtb-probe.h>
#endif

namespace {

class TablebaseSolver : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitEnumerationTables(); }
};

// Longest win for white to move, in moves, and the longest loss for black.
void LongestMates(const SolvedTable& table, int* white_wins, int* black_loses) {
  *white_wins = 0, *black_loses = 0;
  for (int8_t b : table.bytes[0])
    if (b > 0 && b < 127) *white_wins = std::max(*white_wins, 127 - b);
  for (int8_t b : table.bytes[1])
    if (b < 0) *black_loses = std::max(*black_loses, b + 126);
}

TEST_F(TablebaseSolver, KnownLongestMatesAndOneValuePerIndex) {
  struct Case {
    const char* signature;
    int longest;
  };
  for (const Case c : {Case{"kqk", 10}, Case{"krk", 16}, Case{"kpk", 28}}) {
    const SolvedTable& table = SolveThreeManTable(c.signature);
    int white_wins = 0, black_loses = 0;
    LongestMates(table, &white_wins, &black_loses);
    EXPECT_EQ(white_wins, c.longest) << c.signature;
    // Black to move loses at most as slowly as white then needs to mate.
    EXPECT_GE(black_loses, c.longest - 1) << c.signature;
    EXPECT_LE(black_loses, c.longest) << c.signature;
    EXPECT_EQ(table.conflicts, 0) << c.signature;
  }
}

TEST_F(TablebaseSolver, SmallCasesByHand) {
  const auto square = [](const char* s) { return SquareOf(s); };
  struct Case {
    const char* signature;
    int side;
    const char *white_king, *piece, *black_king;
    int8_t byte;
  };
  const Case cases[] = {
      // Black to move, mated on the back rank.
      {"krk", 1, "b6", "h8", "b8", -126},
      // The rook next to the black king and undefended is taken: a draw.
      {"krk", 1, "b6", "a8", "b8", 0},
      // White to move mates at once.
      {"kqk", 0, "b6", "c7", "a8", 126},
      // Stalemate: black to move, no move, no check.
      {"kqk", 1, "b6", "c7", "a8", 0},
      // Black takes the undefended queen.
      {"kqk", 1, "h1", "b7", "a8", 0},
      // The rook pawn with the defending king in the corner: a draw.
      {"kpk", 0, "a5", "a4", "a8", 0},
      // Stalemate by the pawn.
      {"kpk", 1, "b6", "a7", "a8", 0},
      // Promotion on c8 mates at once.
      {"kpk", 0, "b6", "c7", "a8", 126},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SolvedPositionByte(c.signature, c.side, square(c.white_king), square(c.piece), square(c.black_king)),
              c.byte)
        << c.signature << " K" << c.white_king << " " << c.piece << " k" << c.black_king;
}

#ifdef DRAVELNOR_GAVIOTA_TB_DIR

// Every legal position: the byte at the position's index against Gaviota's
// result and plies to mate.
TEST_F(TablebaseSolver, AgreesWithGaviotaOnEveryPosition) {
  const char** paths = tbpaths_init();
  paths = tbpaths_add(paths, DRAVELNOR_GAVIOTA_TB_DIR);
  tb_init(0, tb_CP4, paths);
  tbcache_init(32 << 20, 96);
  ASSERT_TRUE(tb_availability() & 1) << "no 3-man Gaviota tables in " << DRAVELNOR_GAVIOTA_TB_DIR;
  struct Case {
    const char* signature;
    unsigned char piece;
    int slot;
  };
  for (const Case c : {Case{"kqk", tb_QUEEN, 12}, Case{"krk", tb_ROOK, 9}, Case{"kpk", tb_PAWN, 0}}) {
    const SolvedTable& table = SolveThreeManTable(c.signature);
    const std::vector<TbMan> men = MenOfSignature(c.signature);
    const int row = RowOfSignature(c.signature);
    int64_t compared = 0, mismatches = 0;
    for (int side = 0; side < 2; side++)
      for (int wk = 0; wk < 64; wk++)
        for (int p = 0; p < 64; p++)
          for (int bk = 0; bk < 64; bk++) {
            TbPosition position{};
            position.lists[0][15] = wk, position.lists[0][c.slot] = p, position.lists[1][15] = bk;
            position.ep = TB_NO_EP_SQUARE;
            if (!IsLegalPosition(men, position, side)) continue;
            const unsigned white_squares[3] = {unsigned(wk), unsigned(p), tb_NOSQUARE};
            const unsigned black_squares[2] = {unsigned(bk), tb_NOSQUARE};
            const unsigned char white_pieces[3] = {tb_KING, c.piece, tb_NOPIECE};
            const unsigned char black_pieces[2] = {tb_KING, tb_NOPIECE};
            unsigned info = tb_UNKNOWN, plies = 0;
            ASSERT_TRUE(tb_probe_hard(side ? tb_BLACK_TO_MOVE : tb_WHITE_TO_MOVE, tb_NOSQUARE, tb_NOCASTLE,
                                      white_squares, black_squares, white_pieces, black_pieces, &info, &plies));
            int8_t expected = 0;
            if (info == tb_WMATE)
              expected = side == 0 ? SolverWinByte(int(plies + 1) / 2) : SolverLossByte(int(plies) / 2);
            if (info == tb_BMATE)
              expected = side == 1 ? SolverWinByte(int(plies + 1) / 2) : SolverLossByte(int(plies) / 2);
            const uint64_t index =
                tb_index_functions[row][side](position.lists[0], position.lists[1], TB_NO_EP_SQUARE, 0);
            ASSERT_LT(index, table.bytes[side].size());
            compared++;
            if (table.bytes[side][index] != expected && ++mismatches <= 8)
              ADD_FAILURE() << c.signature << " " << DescribePosition(men, position) << " side " << side << ": solver "
                            << int(table.bytes[side][index]) << ", Gaviota " << int(expected);
          }
    EXPECT_EQ(mismatches, 0) << c.signature;
    EXPECT_GT(compared, 300000) << c.signature;
  }
  tbcache_done();
  tb_done();
  tbpaths_done(paths);
}

#endif

}  // namespace
