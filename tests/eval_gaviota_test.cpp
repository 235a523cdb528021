// second_pawn_bitbase against the Gaviota 3-man tablebases on every legal
// king-and-pawn-against-king position. Built with the oracle only when the
// probing library links into this build (it is 64-bit only); otherwise the
// test skips.
#include <gtest/gtest.h>

#include <cstdio>

#include "board/tables.h"
#include "eval/bitbases.h"
#include "test_util.h"

#ifdef DRAVELNOR_GAVIOTA_TB_DIR
#include <gtb-probe.h>
#endif

namespace {

#ifdef DRAVELNOR_GAVIOTA_TB_DIR

// Gaviota's result for white king, white pawn, black king: 1 when white wins.
int GaviotaWhiteWins(int side, int pawn, int king, int other_king, bool* known) {
  const unsigned white_squares[3] = {unsigned(king), unsigned(pawn), tb_NOSQUARE};
  const unsigned black_squares[2] = {unsigned(other_king), tb_NOSQUARE};
  const unsigned char white_pieces[3] = {tb_KING, tb_PAWN, tb_NOPIECE};
  const unsigned char black_pieces[2] = {tb_KING, tb_NOPIECE};
  unsigned info = tb_UNKNOWN;
  *known = tb_probe_WDL_hard(side ? tb_BLACK_TO_MOVE : tb_WHITE_TO_MOVE, tb_NOSQUARE, tb_NOCASTLE, white_squares,
                             black_squares, white_pieces, black_pieces, &info) != 0;
  return info == tb_WMATE;
}

TEST(GaviotaOracle, SecondPawnBitbaseMatchesOnEveryLegalPosition) {
  InitBoardForTests();
  const char** paths = tbpaths_init();
  paths = tbpaths_add(paths, DRAVELNOR_GAVIOTA_TB_DIR);
  tb_init(0, tb_CP4, paths);
  tbcache_init(16 << 20, 96);
  ASSERT_TRUE(tb_availability() & 1) << "no 3-man Gaviota tables in " << DRAVELNOR_GAVIOTA_TB_DIR;

  int legal[2] = {}, won[2] = {}, mismatches = 0, unknown = 0;
  for (int pawn = 8; pawn < 56; pawn++)
    for (int king = 0; king < 64; king++)
      for (int other = 0; other < 64; other++) {
        if (king == pawn || other == pawn || king == other || (king_attacks[king] & SquareBit(other))) continue;
        for (int side = 0; side < 2; side++) {
          if (side == 0 && (pawn_attacks[WHITE][pawn] & SquareBit(other))) continue;  // black in check
          bool known = false;
          const int oracle = GaviotaWhiteWins(side, pawn, king, other, &known);
          if (!known) {
            unknown++;
            continue;
          }
          int reliable = 1;
          const int ours = ProbeSecondPawnBitbase(side, pawn, king, other, &reliable);
          legal[side]++;
          won[side] += oracle;
          if (ours != oracle && ++mismatches <= 8)
            ADD_FAILURE() << "pawn " << pawn << " king " << king << " other king " << other << " side " << side
                          << ": bitbase " << ours << ", Gaviota " << oracle;
        }
      }
  tbcache_done();
  tb_done();
  tbpaths_done(paths);
  EXPECT_EQ(unknown, 0);
  EXPECT_EQ(mismatches, 0);
  std::printf("compared with Gaviota: pawn side to move %d legal, %d won; lone king to move %d legal, %d won\n",
              legal[0], won[0], legal[1], won[1]);
}

#else

TEST(GaviotaOracle, SecondPawnBitbaseMatchesOnEveryLegalPosition) {
  GTEST_SKIP() << "Gaviota tablebases or their probing library (packages gaviotatb, libgaviotatb-dev) are not "
                  "available to this build";
}

#endif

}  // namespace
