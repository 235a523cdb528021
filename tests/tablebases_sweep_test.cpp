// Every index function of every table against the slow reference and
// against the table sizes: the index spaces and the short tables, and
// sampled random legal positions with the symmetries the index folds; the
// largest legal index of each function (tablebases_deep_sweep.cpp) being the
// last stored entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <unordered_map>

#include "tablebases/index.h"
#include "tablebases/index_scheme.h"
#include "tb_index_reference.h"
#include "tb_positions.h"

namespace {

class TablebaseSweep : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitEnumerationTables(); }
};

int MenCount(int row) { return int(std::string(tb_index_signatures[row]).size()); }
bool HasPawn(int row) { return std::string(tb_index_signatures[row]).find('p') != std::string::npos; }
// The tables flagged symmetric: the same men on both sides (kpkp, whose
// two functions differ, is not one of them).
bool Symmetric(int row) {
  const std::string s = tb_index_signatures[row];
  const size_t second = s.find('k', 1);
  return s != "kpkp" && s.substr(1, second - 1) == s.substr(second + 1);
}
bool Forwarded(int row, int side) { return side == 1 && Symmetric(row) && HasPawn(row) && MenCount(row) == 6; }

// The index space by the engine's own plan (total of the numbered group
// times the closed radix, plus the en-passant region).
uint64_t PlanSpace(int row, int side) {
  if (Forwarded(row, side)) return PlanSpace(row, 0);
  const tb_scheme::IndexPlan plan = tb_scheme::MakePlan(tb_index_signatures[row], side);
  const int8_t* k = plan.offset_kinds;
  uint64_t total = plan.pawn_table ? PAWN_KING_PAIRS : PAWNLESS_KING_PAIRS;
  if (plan.numbered_men > 0 && plan.pawn_table) total = tb_scheme::TotalOf(plan.numbered_men, k);
  if (plan.numbered_men > 0 && !plan.pawn_table)
    total = plan.numbered_men == 1   ? enum_counts_pawnless[k[0]]
            : plan.numbered_men == 2 ? enum_pair_counts_pawnless[k[0]][k[1]]
                                     : enum_triple_counts_pawnless[k[0]][k[1]][k[2]];
  uint64_t space = total * plan.radix;
  if (plan.has_ep) {
    const uint64_t numbers =
        plan.mover_pieces == 0 ? PAWN_KING_PAIRS : tb_scheme::TotalOf(plan.mover_pieces, plan.piece_offset_kinds);
    space += numbers * plan.ep_radix;
  }
  return space;
}

TEST_F(TablebaseSweep, IndexSpacesAndShortTables) {
  std::map<std::string, uint64_t> five_short;
  int six_pawn_short = 0, pawnless_six_large = 0, pawn_six_large = 0, pawnless_six = 0, pawn_six = 0;
  for (int row = 1; row < TB_TABLE_ROWS; row++)
    for (int side = 0; side < 2; side++) {
      const uint64_t space = ReferenceIndexSpace(tb_index_signatures[row], side);
      const uint64_t entries = tb_index_entries[row][side];
      ASSERT_EQ(PlanSpace(row, side), space) << tb_index_signatures[row] << " side " << side;
      ASSERT_LE(entries, space) << tb_index_signatures[row] << " side " << side;
      const std::string name = std::string(tb_index_signatures[row]) + (side ? " B" : " W");
      if (MenCount(row) == 5 && entries < space) five_short[name] = space - entries;
      if (MenCount(row) == 6 && HasPawn(row)) {
        pawn_six++;
        if (!Forwarded(row, side) && entries < space) six_pawn_short++;
        if (entries > 0xFFFFFFFFull) pawn_six_large++;
      }
      if (MenCount(row) == 6 && !HasPawn(row)) {
        pawnless_six++;
        if (entries - 1 > 0xFFFFFFFFull) pawnless_six_large++;
      }
    }
  const std::map<std::string, uint64_t> expected_five = {
      {"kppkp W", 1},     {"kppkr B", 2256},  {"kppkq B", 2256}, {"krpkp W", 28},   {"kqpkp W", 28},
      {"kbnkp W", 48},    {"kbnkn W", 60},    {"kbnkb W", 60},   {"kbnkr W", 60},   {"kbnkq W", 60},
      {"kqrkn W", 60},    {"kqrkb W", 60},    {"kqrkr W", 60},   {"kqrkq W", 60},   {"kqrnk W", 60},
      {"kbnpk W", 47},    {"kqrbk W", 61},    {"kbnnk W", 2},    {"kbbnk W", 2},    {"krppk W", 2},
      {"krbnk W", 2},     {"kqppk W", 2},     {"kqbnk W", 2},    {"krnnk W", 1},    {"krbbk W", 1},
      {"kqnnk W", 1},     {"kqbbk W", 1},     {"krrkp W", 5616}, {"kqrkp W", 5904}, {"kqqkp W", 5520},
      {"krrpk W", 5499},  {"kqrpk W", 5781},  {"kqqpk W", 5405}, {"krrrk W", 9416}, {"kqqqk W", 9083},
      {"kqrrk W", 20008}, {"kqqrk W", 19986},
  };
  EXPECT_EQ(five_short.size(), 37u);
  EXPECT_EQ(five_short, expected_five);
  EXPECT_EQ(six_pawn_short, 59);
  EXPECT_EQ(pawn_six, 320);
  EXPECT_EQ(pawnless_six, 270);
  EXPECT_EQ(pawnless_six_large, 74);
  EXPECT_EQ(pawn_six_large, 292);

  // Sizes the table format names.
  struct Size {
    const char* signature;
    int side;
    uint64_t space, entries;
  };
  const Size sizes[] = {
      {"kppkn", 0, 108400260, 108400260},
      {"kppkn", 1, 115899744, 115899744},
      {"knpkp", 0, 219921779, 219921779},
      {"kppkp", 1, 89391280, 89391280},
      {"knnnk", 1, 17472840, 17472840},
      {"krk", 0, 27036, 27030},
      {"kqk", 0, 25635, 25629},
      {"krkp", 0, 5072832, 5072736},
      {"kbnk", 0, 1550621, 1550620},
      {"kqqk", 0, 699072, 698739},
      {"kbnk", 1, 1747284, 1747284},
      {"kpkp", 0, 3863492, 3863492},
      {"kbnknn", 0, 1550621 * 1770ull, 2744597400},
      {"kbnknn", 1, 2602976160, 2602976160},
      {"kqrbkn", 0, 88558020 * 59ull, 5224919581},
      {"kqrbkn", 1, 5675335080, 5675335080},
      {"kppkpp", 0, 1917741813, 1917741812},
      {"krrkpp", 0, 3039726 * 1128ull, 3039609 * 1128ull},
      {"kbnpkb", 1, 18096480000, 18096480000},
      {"krbnkb", 1, 5882853420, 5882853420},
  };
  // Entry counts of telling rows of the registry.
  struct Entries {
    const char* signature;
    uint64_t white, black;
  };
  const Entries telling[] = {
      {"kpk", 81664, 84012},
      {"knk", 26282, 28644},
      {"kqk", 25629, 28644},
      {"kpkp", 3863492, 3863492},
      {"kbnkbn", 5489194800, 5489194800},
      {"kqqpkq", 7297961576, 8514011520},
      {"kqbpkq", 15787021288, 17028023040},
  };
  for (const Entries& t : telling) {
    const int row = RowOfSignature(t.signature);
    EXPECT_EQ(tb_index_entries[row][0], t.white) << t.signature;
    EXPECT_EQ(tb_index_entries[row][1], t.black) << t.signature;
  }
  for (const Size& s : sizes) {
    const int row = RowOfSignature(s.signature);
    EXPECT_EQ(ReferenceIndexSpace(s.signature, s.side), s.space) << s.signature << " " << s.side;
    EXPECT_EQ(tb_index_entries[row][s.side], s.entries) << s.signature << " " << s.side;
  }
  // The six-man pawn tables whose black-to-move count ties at the largest.
  int largest = 0;
  for (int row = 201; row < TB_TABLE_ROWS; row++)
    if (row < 266 || row > 345) largest += tb_index_entries[row][1] == 18096480000ull;
  EXPECT_EQ(largest, 6);
}

// Random legal positions of every table and side: the fast function equals
// the reference, stays below the entry count, and gives one index to a
// position's symmetric images, to like men in any slots, to the colours
// exchanged with invert set; different symmetry classes never share one.
TEST_F(TablebaseSweep, SampledPositionsOfEveryFunction) {
  std::mt19937_64 random(20261210);
  const int samples = 120;
  for (int row = 1; row < TB_TABLE_ROWS; row++) {
    const std::string signature = tb_index_signatures[row];
    const std::vector<TbMan> men = MenOfSignature(signature);
    const bool pawns = HasPawn(row);
    for (int side = 0; side < 2; side++) {
      const TbIndexFunction f = tb_index_functions[row][side];
      const TbIndexFunction mirror_f = tb_index_functions[row][side ^ 1];
      std::unordered_map<uint64_t, std::string> owner;
      int failures = 0;
      const uint64_t normal_end = [&] {
        if (Forwarded(row, side)) return uint64_t(0);
        const tb_scheme::IndexPlan plan = tb_scheme::MakePlan(signature.c_str(), side);
        return plan.has_ep ? tb_scheme::TotalOf(plan.numbered_men, plan.offset_kinds) * plan.radix : uint64_t(0);
      }();
      for (int i = 0; i < samples && failures < 3; i++) {
        TbPosition p;
        ASSERT_TRUE(RandomLegalPosition(men, side, random, 0.3, &p)) << signature;
        const uint64_t index = f(p.lists[0], p.lists[1], p.ep, 0);
        const uint64_t reference = ReferenceIndex(signature, side, p.lists[0], p.lists[1], p.ep, 0);
        std::ostringstream where;
        where << signature << (side ? " B " : " W ") << DescribePosition(men, p);
        bool ok = true;
        auto check = [&](bool condition, const char* what) {
          if (!condition) {
            ADD_FAILURE() << where.str() << ": " << what << " (index " << index << ")";
            ok = false;
          }
        };
        check(index == reference, "fast and reference differ");
        check(index < tb_index_entries[row][side], "index at or past the entry count");
        if (normal_end) check((p.ep != TB_NO_EP_SQUARE) == (index >= normal_end), "en-passant region misplaced");
        // Without pawns, both kings on one long diagonal leave the
        // reflection in it unfolded: those images have an index of their own.
        const int own = p.lists[side][15], other = p.lists[side ^ 1][15];
        auto on_diagonal = [](int s) { return (s & 7) == (s >> 3) || (s & 7) == 7 - (s >> 3); };
        const bool same_diagonal =
            on_diagonal(own) && on_diagonal(other) && (((own & 7) == (own >> 3)) == ((other & 7) == (other >> 3)));
        for (int t = 1; t < (pawns ? 2 : same_diagonal ? 4 : 8); t++) {
          const TbPosition q = TransformPosition(men, p, t);
          check(f(q.lists[0], q.lists[1], q.ep, 0) == index, "symmetric image differs");
        }
        const TbPosition permuted = PermuteLikeMen(men, p, 1);
        check(f(permuted.lists[0], permuted.lists[1], permuted.ep, 0) == index, "like men in other slots differ");
        if (pawns) {
          TbPosition turned = p;
          for (const TbMan& man : men) turned.lists[man.colour][man.slot] ^= 56;
          if (p.ep != TB_NO_EP_SQUARE) turned.ep ^= 56;
          check(f(turned.lists[0], turned.lists[1], turned.ep, 1) == index, "invert on the turned board differs");
        } else {
          check(f(p.lists[0], p.lists[1], 55, 1) == index, "pawnless function reads ep or invert");
        }
        if (Symmetric(row)) {
          // The other side's function with the colours exchanged.
          const int invert = pawns ? 1 : 0;
          check(mirror_f(p.lists[1], p.lists[0], p.ep, invert) == index, "symmetric table's sides differ");
        }
        const std::string key = SymmetryClassKey(men, p);
        auto [it, inserted] = owner.emplace(index, key);
        check(inserted || it->second == key, "two symmetry classes share the index");
        if (!ok) failures++;
      }
    }
  }
}

// The closed radix R and the en-passant entries per number M of the six-man
// pawn shapes, one member of each, for both sides to move (M 0: no region).
TEST_F(TablebaseSweep, SixManPawnRadices) {
  struct Shape {
    const char* signature;
    uint64_t white_r, white_m, black_r, black_m;
  };
  const Shape shapes[] = {
      {"knpkpp", 1081, 616, 2714, 35112}, {"krpkbp", 2773, 798, 2773, 798}, {"kqqkpp", 1128, 0, 1770, 0},
      {"krrknp", 2832, 0, 1770, 0},       {"kqpkbb", 1770, 0, 2832, 0},     {"kqbkpp", 1128, 0, 3540, 0},
      {"krnkbp", 2832, 0, 3540, 0},       {"kqpkrb", 3540, 0, 2832, 0},     {"kpppkp", 45, 13244, 16215, 13244},
      {"kbppkp", 46, 616, 63779, 35112},  {"krrpkp", 47, 14, 83190, 23142}, {"kbnpkp", 47, 14, 166380, 46284},
      {"kbbbkp", 48, 0, 35990, 0},        {"krbbkp", 48, 0, 107970, 0},     {"kqqrkp", 48, 0, 107970, 0},
      {"kqbnkp", 48, 0, 215940, 0},       {"kpppkn", 59, 0, 17296, 0},      {"knppkr", 59, 0, 66552, 0},
      {"kbbpkq", 59, 0, 84960, 0},        {"krnpkb", 59, 0, 169920, 0},     {"kppkpp", 1035, 26488, 0, 0},
  };
  for (const Shape& s : shapes) {
    const tb_scheme::IndexPlan white = tb_scheme::MakePlan(s.signature, 0);
    EXPECT_EQ(white.radix, s.white_r) << s.signature;
    EXPECT_EQ(white.has_ep ? white.ep_radix : 0, s.white_m) << s.signature;
    const tb_scheme::IndexPlan black = tb_scheme::MakePlan(s.signature, 1);
    if (black.forward) continue;
    EXPECT_EQ(black.radix, s.black_r) << s.signature;
    EXPECT_EQ(black.has_ep ? black.ep_radix : 0, s.black_m) << s.signature;
  }
  // Exactly the five symmetric pawn tables forward their black function.
  int forwarded = 0;
  for (int row = 1; row < TB_TABLE_ROWS; row++) forwarded += tb_scheme::MakePlan(tb_index_signatures[row], 1).forward;
  EXPECT_EQ(forwarded, 5);
}

// Of the five-man functions exactly the 30 black-to-move ones that number
// pawns turn the board over; the three- and four-man short tables.
TEST_F(TablebaseSweep, FlippedFunctionsAndSmallShortTables) {
  int flipped = 0;
  for (int row = 36; row <= 145; row++) {
    flipped += tb_scheme::MakePlan(tb_index_signatures[row], 1).flip;
    EXPECT_FALSE(tb_scheme::MakePlan(tb_index_signatures[row], 0).flip);
  }
  EXPECT_EQ(flipped, 30);
  const std::map<std::string, uint64_t> expected = {{"krk W", 6},    {"kqk W", 6},   {"krkp W", 96},  {"kqkp W", 96},
                                                    {"kbnk W", 1},   {"krpk W", 94}, {"krrk W", 339}, {"kqpk W", 94},
                                                    {"kqrk W", 366}, {"kqqk W", 333}};
  std::map<std::string, uint64_t> short_tables;
  for (int row = 1; row <= 35; row++)
    for (int side = 0; side < 2; side++) {
      const uint64_t space = PlanSpace(row, side);
      if (tb_index_entries[row][side] < space)
        short_tables[std::string(tb_index_signatures[row]) + (side ? " B" : " W")] =
            space - tb_index_entries[row][side];
    }
  EXPECT_EQ(short_tables, expected);
}

// Without pawns the entry count is E_end times the closed radix; E_end per
// group of the side to move.
TEST_F(TablebaseSweep, PawnlessSixManEnumerationEnds) {
  const std::map<std::string, uint64_t> expected = {
      {"n", 26282},      {"b", 27243},      {"r", 27036},      {"q", 25635},      {"nn", 735304},    {"bn", 1550620},
      {"bb", 789885},    {"rn", 1538479},   {"rb", 1594560},   {"rr", 777639},    {"qn", 1459616},   {"qb", 1512507},
      {"qr", 1500641},   {"qq", 699072},    {"nnn", 13486227}, {"bnn", 43406294}, {"bbn", 44983618}, {"bbb", 15010230},
      {"rnn", 43056198}, {"rbb", 46242089}, {"rrn", 44265261}, {"rrb", 45873720}, {"rrr", 14654106}, {"qnn", 40873646},
      {"qbb", 43879679}, {"qrr", 43177696}, {"qqn", 39840787}, {"qqb", 41270973}, {"qqr", 40936804}, {"qqq", 12489057},
      {"rbn", 90787358}, {"qbn", 86166717}, {"qrn", 85470603}, {"qrb", 88557959},
  };
  std::map<std::string, uint64_t> ends;
  for (int row = 146; row <= 345; row++) {
    if (row > 200 && row < 266) continue;
    const std::string signature = tb_index_signatures[row];
    const size_t second = signature.find('k', 1);
    for (int side = 0; side < 2; side++) {
      const tb_scheme::IndexPlan plan = tb_scheme::MakePlan(signature.c_str(), side);
      const uint64_t entries = tb_index_entries[row][side];
      ASSERT_EQ(entries % plan.radix, 0u) << signature;
      const std::string group = side == 0 ? signature.substr(1, second - 1) : signature.substr(second + 1);
      auto [it, inserted] = ends.emplace(group, entries / plan.radix);
      EXPECT_EQ(it->second, entries / plan.radix) << signature << " side " << side;
    }
  }
  EXPECT_EQ(ends, expected);
}

}  // namespace
