// The enumeration tables and the index functions against the numbers the
// table format fixes: totals, king pair numbers, worked positions with their
// intermediate numbers, and exhaustive sweeps of the three-man functions.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tablebases/index.h"
#include "tablebases/index_scheme.h"
#include "tb_positions.h"

namespace {

class TablebaseIndex : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitEnumerationTables(); }
};

// White men, black men as "Kc1 Nb1 Pe2" into SquareLists.
TbPosition PositionOf(const char* white, const char* black, const char* ep = nullptr) {
  TbPosition p{};
  for (int colour = 0; colour < 2; colour++) {
    int used[6] = {};
    for (const char* c = colour == 0 ? white : black; *c;) {
      const std::string kinds = "PNBRQK";
      const int piece = int(kinds.find(*c));
      p.lists[colour][piece == 5 ? 15 : piece * 3 + used[piece]++] = SquareOf(c + 1);
      c += 3;
      while (*c == ' ') c++;
    }
  }
  p.ep = ep ? SquareOf(ep) : TB_NO_EP_SQUARE;
  return p;
}

uint64_t IndexOf(const char* signature, int side, const TbPosition& p, int invert = 0) {
  const int row = RowOfSignature(signature);
  return tb_index_functions[row][side](p.lists[0], p.lists[1], p.ep, invert);
}

TEST_F(TablebaseIndex, EnumerationTotalsGiveTheTableSizes) {
  struct Total {
    const char* name;
    uint32_t value, expected;
  };
  const Total totals[] = {
      {"single p", enum_counts[ENUM_p], 84012},
      {"single P", enum_counts[ENUM_P], 81664},
      {"pair PP", enum_pair_counts[ENUM_P][ENUM_P], 1806671},
      {"pair pp", enum_pair_counts[ENUM_p][ENUM_p], 1912372},
      {"pair NP", enum_pair_counts[ENUM_N][ENUM_P], 4648581},
      {"single N pawnless", enum_counts_pawnless[ENUM_N], 26282},
      {"single B pawnless", enum_counts_pawnless[ENUM_B], 27243},
      {"pair NN pawnless", enum_pair_counts_pawnless[ENUM_N][ENUM_N], 735304},
      // Further totals the five- and six-man sizes are built on.
      {"single N", enum_counts[ENUM_N], 102748},
      {"pair RR", enum_pair_counts[ENUM_R][ENUM_R], 3039726},
  };
  for (const Total& t : totals) EXPECT_EQ(t.value, t.expected) << t.name;
}

TEST_F(TablebaseIndex, PawnlessGroupTotals) {
  // Per group of pieces of the side to move: the total over the 462 king
  // pairs (kinds Q=5 ... N=2, strongest first).
  struct Group {
    const char* men;
    uint32_t total;
  };
  const Group groups[] = {
      {"n", 26282},      {"b", 27243},      {"r", 27036},      {"q", 25635},      {"nn", 735304},    {"bn", 1550621},
      {"bb", 789885},    {"rn", 1538479},   {"rb", 1594560},   {"rr", 777639},    {"qn", 1459616},   {"qb", 1512507},
      {"qr", 1500642},   {"qq", 699072},    {"nnn", 13486227}, {"bnn", 43406296}, {"bbn", 44983620}, {"bbb", 15010230},
      {"rnn", 43056199}, {"rbb", 46242090}, {"rrn", 44265261}, {"rrb", 45873720}, {"rrr", 14654106}, {"qnn", 40873647},
      {"qbb", 43879680}, {"qrr", 43177698}, {"qqn", 39840787}, {"qqb", 41270973}, {"qqr", 40936806}, {"qqq", 12489057},
      {"rbn", 90787360}, {"qbn", 86166719}, {"qrn", 85470663}, {"qrb", 88558020},
  };
  auto kind = [](char c) { return c == 'n' ? ENUM_N : c == 'b' ? ENUM_B : c == 'r' ? ENUM_R : ENUM_Q; };
  for (const Group& g : groups) {
    const std::string men = g.men;
    uint32_t total = 0;
    if (men.size() == 1) total = enum_counts_pawnless[kind(men[0])];
    if (men.size() == 2) total = enum_pair_counts_pawnless[kind(men[0])][kind(men[1])];
    if (men.size() == 3) total = enum_triple_counts_pawnless[kind(men[0])][kind(men[1])][kind(men[2])];
    EXPECT_EQ(total, g.total) << men;
  }
}

TEST_F(TablebaseIndex, RankTablesExcludeOnlyContactSquares) {
  const int h8 = SquareOf("h8"), e5 = SquareOf("e5");
  auto rank = [](int kind, int king, int square) { return enum_square_rank[kind][king * 64 + square]; };
  EXPECT_EQ(rank(ENUM_R, h8, SquareOf("g8")), NO_ENUM_RANK);
  EXPECT_EQ(rank(ENUM_R, h8, SquareOf("h7")), NO_ENUM_RANK);
  EXPECT_NE(rank(ENUM_R, h8, SquareOf("f8")), NO_ENUM_RANK);  // a check from afar is not excluded
  EXPECT_NE(rank(ENUM_R, h8, SquareOf("g7")), NO_ENUM_RANK);
  EXPECT_EQ(rank(ENUM_P, e5, SquareOf("d4")), NO_ENUM_RANK);
  EXPECT_EQ(rank(ENUM_P, e5, SquareOf("f4")), NO_ENUM_RANK);
  EXPECT_NE(rank(ENUM_P, e5, SquareOf("e4")), NO_ENUM_RANK);
  EXPECT_NE(rank(ENUM_p, e5, SquareOf("d4")), NO_ENUM_RANK);
  EXPECT_EQ(rank(ENUM_p, e5, e5), NO_ENUM_RANK);
  EXPECT_EQ(enum_square_count[ENUM_p][e5], 47);
  EXPECT_EQ(rank(ENUM_N, e5, SquareOf("f7")), NO_ENUM_RANK);
  EXPECT_NE(rank(ENUM_N, e5, SquareOf("f6")), NO_ENUM_RANK);
  EXPECT_EQ(rank(ENUM_B, e5, SquareOf("d6")), NO_ENUM_RANK);
  EXPECT_NE(rank(ENUM_B, e5, SquareOf("e6")), NO_ENUM_RANK);
  // No wrap from file h to file a.
  EXPECT_NE(rank(ENUM_Q, SquareOf("h4"), SquareOf("a5")), NO_ENUM_RANK);
  for (int file = 0; file < 8; file++) {
    EXPECT_EQ(rank(ENUM_P, file, 8 + file), file) << "no pawn square is lost to a king on rank 1";
    EXPECT_EQ(enum_square_count[ENUM_P][file], 48);
    EXPECT_EQ(rank(ENUM_P, e5, file), NO_ENUM_RANK);
    EXPECT_EQ(rank(ENUM_P, e5, 56 + file), NO_ENUM_RANK);
  }
  EXPECT_EQ(enum_square_count[ENUM_P][SquareOf("e4")], 45);
  EXPECT_EQ(enum_square_count[ENUM_Q][SquareOf("e4")], 55);
  EXPECT_EQ(enum_square_count[ENUM_Q][SquareOf("a1")], 60);
}

TEST_F(TablebaseIndex, KingPairsAreNumberedInOrder) {
  int pawn_pairs = 0, pawnless_pairs = 0, last_pawn = -1, last_pawnless = -1;
  for (int i = 0; i < 64 * 64; i++) {
    if (pawn_king_pair_index[i] != NO_KING_PAIR) {
      EXPECT_EQ(pawn_king_pair_index[i], last_pawn + 1);
      last_pawn = pawn_king_pair_index[i];
      pawn_pairs++;
    }
    if (pawnless_king_pair_index[i] != NO_KING_PAIR) {
      EXPECT_EQ(pawnless_king_pair_index[i], last_pawnless + 1);
      last_pawnless = pawnless_king_pair_index[i];
      pawnless_pairs++;
    }
  }
  EXPECT_EQ(pawn_pairs, PAWN_KING_PAIRS);
  EXPECT_EQ(pawnless_pairs, PAWNLESS_KING_PAIRS);
  EXPECT_EQ(pawnless_king_pair_index[SquareOf("d4") * 64 + SquareOf("h8")], 461);
  EXPECT_EQ(pawnless_king_pair_index[SquareOf("b1") * 64 + SquareOf("h8")], 90);
  EXPECT_EQ(pawn_king_pair_index[SquareOf("b1") * 64 + SquareOf("g8")], 116);
  EXPECT_EQ(pawn_king_pair_index[SquareOf("c1") * 64 + SquareOf("e8")], 172);
  EXPECT_EQ(pawn_king_pair_index[SquareOf("c1") * 64 + SquareOf("g8")], 174);
  // Diagonal own king: the other king above the diagonal has no pair.
  EXPECT_EQ(pawnless_king_pair_index[SquareOf("b2") * 64 + SquareOf("a8")], NO_KING_PAIR);
  EXPECT_EQ(pawnless_king_pair_index[SquareOf("c1") * 64 + SquareOf("a8")] != NO_KING_PAIR, true);
  EXPECT_EQ(pawn_king_pair_index[SquareOf("e1") * 64 + SquareOf("a8")], NO_KING_PAIR);
  EXPECT_EQ(pawn_king_pair_index[SquareOf("d1") * 64 + SquareOf("e2")], NO_KING_PAIR);
}

// Worked positions: each with the index the table files are laid out by,
// and where given the intermediate numbers.
TEST_F(TablebaseIndex, WorkedPositions) {
  struct Case {
    const char* signature;
    int side;
    const char *white, *black, *ep;
    uint64_t index;
  };
  const Case cases[] = {
      {"kbbnkn", 1, "Kh8 Nh1 Bc1 Be4", "Kb1 Na8", nullptr, 555417572},
      {"kbbnkn", 1, "Kh8 Ng1 Bc1 Be4", "Kb1 Na8", nullptr, 555417571},
      {"kppkpp", 0, "Kc1 Pe5 Pa2", "Kg8 Pd5 Ph7", "d6", 1874539272},
      {"kppkpp", 0, "Kc1 Pe5 Pc5", "Kg8 Pd5 Ph7", "d6", 1874539272 - 25875 + 26245},
      {"kbnpkp", 1, "Kg1 Bc1 Nf3 Pd2", "Kb8 Pe4", nullptr, 888475595},
      {"kbnpkp", 1, "Kg1 Bc1 Ng3 Pd2", "Kb8 Pe4", nullptr, 888475595 + 47},
      {"knpkpp", 0, "Kc1 Nb1 Pe2", "Ke8 Pd7 Ph7", nullptr, 482321657},
      // A black-to-move six-man pawnless index past 2^32: the last entry.
      {"krbnkb", 1, "Kh8 Rf8 Be8 Nd8", "Kd4 Bg8", nullptr, 5882853419},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IndexOf(c.signature, c.side, PositionOf(c.white, c.black, c.ep)), c.index)
        << c.signature << " " << c.white << " / " << c.black;
  // The intermediate numbers of the first and the kbnpkp case.
  EXPECT_EQ(enum_single_offset_pawnless[ENUM_N][90], 5091u);
  EXPECT_EQ(enum_single_offset[ENUM_P][116], 5312u);
  EXPECT_EQ(enum_pair_offset[ENUM_N][ENUM_P][172], 446130u);
}

// Readings of families no worked position covers, computed independently
// from the same rules; a mismatch means one reading is wrong.
TEST_F(TablebaseIndex, CrossReadingVectors) {
  struct Case {
    const char* signature;
    int side;
    const char *white, *black, *ep;
    uint64_t index;
  };
  const Case cases[] = {
      {"knpknp", 0, "Kc1 Nb1 Pe2", "Ke8 Ng8 Pd7", nullptr, 1237259675},
      {"knpknp", 0, "Kc1 Nb1 Pe5", "Ke8 Ng8 Pd5", "d6", 12898288406},
      {"kbnkpp", 1, "Kc1 Bc2 Ng1", "Ke8 Pd7 Ph7", nullptr, 838739350},
      {"kqpkrn", 0, "Kc1 Qd1 Pe2", "Ke8 Ra8 Ng8", nullptr, 1543383295},
      {"kqqkrp", 0, "Kc1 Qd1 Qh1", "Ke8 Ra8 Pd7", nullptr, 732737277},
      {"kbbnkp", 1, "Kg1 Bc1 Bf1 Nd2", "Kb8 Pe4", nullptr, 576560516},
      {"kqrpkp", 1, "Kg1 Qd1 Ra1 Pe4", "Kb8 Pf4", "e3", 13663071910},
      {"krpkbn", 1, "Kg1 Ra1 Pe2", "Kb8 Bc8 Nf6", nullptr, 15589698620},
      {"kppkpp", 1, "Kc1 Pe4 Pa2", "Kg8 Pd4 Ph7", "e3", 1872976480},
      {"kbnkbn", 0, "Ke5 Bc2 Ng1", "Kb8 Bh7 Na6", nullptr, 5213953154},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IndexOf(c.signature, c.side, PositionOf(c.white, c.black, c.ep)), c.index)
        << c.signature << " " << c.side << " " << c.white << " / " << c.black;
}

// The seven kppkp indices with black to move that the reader answers with a
// fixed value are these legal, closely related positions.
TEST_F(TablebaseIndex, KppkpFixedAnswerPositions) {
  struct Case {
    const char *white, *black;
    uint64_t index;
  };
  const Case cases[] = {
      {"Kc3 Pe3 Pe4", "Ka3 Pb7", 56802428}, {"Kc3 Pe3 Pe4", "Ka3 Pb6", 56811076}, {"Kd3 Pe3 Pe4", "Ka3 Pb7", 56849992},
      {"Kd3 Pe3 Pe4", "Ka3 Pb6", 56858640}, {"Kd3 Pe3 Pe4", "Kb3 Pb5", 59592489}, {"Kc3 Pe3 Pe4", "Ka2 Pb5", 67775659},
      {"Kd1 Pe3 Pe4", "Kb2 Pb5", 71071628},
  };
  const std::vector<TbMan> men = MenOfSignature("kppkp");
  for (const Case& c : cases) {
    const TbPosition p = PositionOf(c.white, c.black);
    EXPECT_TRUE(IsLegalPosition(men, p, 1)) << c.white << " / " << c.black;
    EXPECT_EQ(IndexOf("kppkp", 1, p), c.index) << c.white << " / " << c.black;
  }
}

TEST_F(TablebaseIndex, EnPassantSlots) {
  // kpkp, white to move: the white pawn beside the pawn that stepped d7-d5.
  const uint64_t base = uint64_t(enum_counts[ENUM_P]) * 47;
  const int pair = pawn_king_pair_index[SquareOf("b1") * 64 + SquareOf("h8")];
  EXPECT_EQ(IndexOf("kpkp", 0, PositionOf("Kb1 Pe5", "Kh8 Pd5", "d6")), base + 14 * pair + 3);
  EXPECT_EQ(IndexOf("kpkp", 0, PositionOf("Kb1 Pc5", "Kh8 Pd5", "d6")), base + 14 * pair + 9);
  // Black to move: a capturer on file a takes toward the h-file (slot 7),
  // one on file h toward the a-file (slot 6).
  const int pair_black = pawn_king_pair_index[SquareOf("b8") * 64 + SquareOf("h1")];
  EXPECT_EQ(IndexOf("kpkp", 1, PositionOf("Kh1 Pb4", "Kb8 Pa4", "b3")), base + 14 * pair_black + 7);
  const int pair_a1 = pawn_king_pair_index[SquareOf("b8") * 64 + SquareOf("a1")];
  EXPECT_EQ(IndexOf("kpkp", 1, PositionOf("Ka1 Pg4", "Kb8 Ph4", "g3")), base + 14 * pair_a1 + 6);
  // kppkp, white to move: with both white pawns able to take, the lower one
  // takes, toward the a-file first.
  const uint64_t region = uint64_t(enum_pair_counts[ENUM_P][ENUM_P]) * 46;
  const int pair5 = pawn_king_pair_index[SquareOf("a1") * 64 + SquareOf("h8")];
  // Pawns c5 and e5 beside d5: c5 is the lower, capturing toward the h-file.
  EXPECT_EQ(IndexOf("kppkp", 0, PositionOf("Ka1 Pc5 Pe5", "Kh8 Pd5", "d6")),
            region + 616 * uint64_t(pair5) + 14 * (SquareOf("e5") - 8 - 2) + (2 + 7));
  // An en-passant square in a table where one side has no pawn changes nothing.
  EXPECT_EQ(IndexOf("kppkn", 0, PositionOf("Ka1 Pc5 Pe5", "Kh8 Nd5", "d6")),
            IndexOf("kppkn", 0, PositionOf("Ka1 Pc5 Pe5", "Kh8 Nd5")));
}

TEST_F(TablebaseIndex, ThreeAndFourManFormulas) {
  // knk black to move: pair x 62 + the knight's square less the kings below.
  const std::vector<TbMan> men = MenOfSignature("knk");
  std::mt19937_64 random(11);
  for (int i = 0; i < 2000; i++) {
    TbPosition p;
    ASSERT_TRUE(RandomLegalPosition(men, 1, random, 0, &p));
    const uint64_t index = IndexOf("knk", 1, p);
    // Refold by hand: the black king into the triangle.
    int bk = p.lists[1][15], wk = p.lists[0][15], n = p.lists[0][3];
    const int m = int(tb_scheme::quadrant_mirror_mask[bk]);
    bk ^= m, wk ^= m, n ^= m;
    if (!(tb_scheme::fold_triangle[bk] && ((bk & 7) != (bk >> 3) || (wk & 7) >= (wk >> 3)))) {
      bk = (bk & 7) * 8 + (bk >> 3), wk = (wk & 7) * 8 + (wk >> 3), n = (n & 7) * 8 + (n >> 3);
    }
    const int pair = pawnless_king_pair_index[bk * 64 + wk];
    ASSERT_EQ(index, uint64_t(pair) * 62 + n - (bk < n) - (wk < n)) << DescribePosition(men, p);
    EXPECT_EQ(IndexOf("knk", 1, p, 1), index) << "pawnless functions ignore invert";
  }
  // knkp white to move, white king on files a-d: the knight numbered for
  // the black king, then the black pawn's square less 8.
  {
    const TbPosition p = PositionOf("Kb2 Nf3", "Kg6 Pc7");
    const int pair = pawn_king_pair_index[SquareOf("b2") * 64 + SquareOf("g6")];
    const int rank = enum_square_rank[ENUM_N][SquareOf("g6") * 64 + SquareOf("f3")] - 1;  // b2 is allowed and below
    EXPECT_EQ(IndexOf("knkp", 0, p), (uint64_t(enum_single_offset[ENUM_N][pair]) + rank) * 48 + SquareOf("c7") - 8);
  }
  // kbnk black to move: pair x 3782 + bishop reduced by the kings x 61 +
  // knight reduced by the kings and the bishop.
  {
    const TbPosition p = PositionOf("Kf6 Be4 Nc3", "Kc2");
    const int pair = pawnless_king_pair_index[SquareOf("c2") * 64 + SquareOf("f6")];
    const int bishop = SquareOf("e4") - 1, knight = SquareOf("c3") - 1;  // c2 below both, f6 above
    EXPECT_EQ(IndexOf("kbnk", 1, p), uint64_t(pair) * 3782 + bishop * 61 + knight);
  }
}

// Five-man members whose digits tell the placement order: a passive piece
// counts the passive pawn placed before it; a like pair counts the single
// placed before it, yet the stronger kind is the more significant digit.
TEST_F(TablebaseIndex, FiveManPlacementOrder) {
  {
    const int pair = pawn_king_pair_index[SquareOf("b8") * 64 + SquareOf("g1")];
    const uint64_t e =
        enum_single_offset[ENUM_N][pair] + enum_square_rank[ENUM_N][SquareOf("g1") * 64 + SquareOf("f6")];
    const uint64_t knight = SquareOf("c3") - 2, pawn = SquareOf("e2") - 8;  // g1 and e2 below c3
    EXPECT_EQ(IndexOf("knpkn", 1, PositionOf("Kg1 Nc3 Pe2", "Kb8 Nf6")), e * 2880 + 48 * knight + pawn);
  }
  {
    const uint64_t knight = SquareOf("e3") - 1;  // b1 below
    const uint64_t rooks = (SquareOf("d5") - 2) + (SquareOf("a7") - 2) * (SquareOf("a7") - 3) / 2;
    EXPECT_EQ(IndexOf("krrnk", 1, PositionOf("Kh8 Rd5 Ra7 Ne3", "Kb1")), 90ull * 113460 + 62 * rooks + knight);
  }
  {
    const uint64_t bishop = SquareOf("c4") - 1;
    const uint64_t knights = (SquareOf("d2") - 1) + (SquareOf("g6") - 2) * (SquareOf("g6") - 3) / 2;
    EXPECT_EQ(IndexOf("kbnnk", 1, PositionOf("Kh8 Bc4 Nd2 Ng6", "Kb1")), 90ull * 113460 + 1830 * bishop + knights);
  }
}

// Every legal position of the three-man tables: below the entry count, the
// largest one the last entry, and positions of different symmetry classes
// never sharing an index.
TEST_F(TablebaseIndex, ThreeManTablesExhaustively) {
  for (int row = 1; row <= 5; row++) {
    const std::vector<TbMan> men = MenOfSignature(tb_index_signatures[row]);
    for (int side = 0; side < 2; side++) {
      std::vector<std::string> owner(tb_index_entries[row][side]);
      uint64_t largest = 0;
      int64_t collisions = 0, outside = 0;
      for (int a = 0; a < 64; a++)
        for (int b = 0; b < 64; b++)
          for (int c = 0; c < 64; c++) {
            TbPosition p{};
            p.lists[0][men[0].slot] = a;
            p.lists[0][15] = b;
            p.lists[1][15] = c;
            p.ep = TB_NO_EP_SQUARE;
            if (!IsLegalPosition(men, p, side)) continue;
            const uint64_t index = tb_index_functions[row][side](p.lists[0], p.lists[1], p.ep, 0);
            if (index >= owner.size()) {
              if (++outside < 4) ADD_FAILURE() << tb_index_signatures[row] << " " << DescribePosition(men, p);
              continue;
            }
            largest = std::max(largest, index);
            const std::string key = SymmetryClassKey(men, p);
            if (owner[index].empty())
              owner[index] = key;
            else if (owner[index] != key && ++collisions < 4)
              ADD_FAILURE() << tb_index_signatures[row] << " side " << side << ": " << DescribePosition(men, p)
                            << " shares index " << index;
          }
      EXPECT_EQ(outside, 0);
      EXPECT_EQ(collisions, 0);
      EXPECT_EQ(largest + 1, tb_index_entries[row][side]) << tb_index_signatures[row] << " side " << side;
    }
  }
}

TEST_F(TablebaseIndex, KrkWhiteReachesPastItsEntriesOnlyWithCheck) {
  // The rook on the eighth rank giving check reaches indices up to 27035;
  // the file stores 27030 entries.
  uint64_t largest = 0, largest_legal = 0;
  const std::vector<TbMan> men = MenOfSignature("krk");
  for (int wk = 0; wk < 64; wk++)
    for (int bk = 0; bk < 64; bk++)
      for (int r = 0; r < 64; r++) {
        TbPosition p{};
        p.lists[0][15] = wk, p.lists[1][15] = bk, p.lists[0][9] = r;
        const uint64_t index = IndexKrkWhite(p.lists[0], p.lists[1], TB_NO_EP_SQUARE, 0);
        if (index == TB_NO_INDEX || wk == r || bk == r) continue;
        largest = std::max(largest, index);
        if (IsLegalPosition(men, p, 0)) largest_legal = std::max(largest_legal, index);
      }
  EXPECT_EQ(largest, 27035u);
  EXPECT_EQ(largest_legal, 27029u);
}

TEST_F(TablebaseIndex, ImpossibleInputGivesNoIndex) {
  // Kings side by side, a man of the side to move giving contact check, an
  // en-passant square no pawn can take on.
  EXPECT_EQ(IndexOf("krk", 0, PositionOf("Kd4 Ra1", "Ke5")), TB_NO_INDEX);
  EXPECT_EQ(IndexOf("krk", 0, PositionOf("Kd4 Rg8", "Kh8")), TB_NO_INDEX);
  EXPECT_EQ(IndexOf("kpk", 0, PositionOf("Ka1 Pg7", "Kh8")), TB_NO_INDEX);
  EXPECT_EQ(IndexOf("kppkpp", 1, PositionOf("Kc1 Pe4 Pa2", "Kg8 Pa4 Ph7", "e3")), TB_NO_INDEX);
  EXPECT_EQ(IndexOf("kqbkqb", 1, PositionOf("Ka8 Qa7 Bb3", "Kc8 Qb7 Bh1")), TB_NO_INDEX);
}

}  // namespace
