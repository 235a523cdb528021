// Every index function of every table against the slow reference and
// against the table sizes: the index spaces and the short tables, sampled
// random legal positions with the symmetries the index folds, and the
// largest legal index of each function being the last stored entry.
//
// The long sweep over whole king pairs is DISABLED_ here; run it with
//   build/tests/tablebases_tests --gtest_also_run_disabled_tests --gtest_filter='*WholeKingPairs*'
// (DRAVELNOR_TB_SWEEP_TABLES=kqrkqb,kppkpp and DRAVELNOR_TB_SWEEP_PAIRS=n
// choose tables and king pairs per function).
#include <gtest/gtest.h>

#include <algorithm>
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
      {"kppkp W", 1},      {"kppkr B", 2256},  {"kppkq B", 2256},  {"krpkp W", 28},    {"kqpkp W", 28},
      {"kbnkp W", 48},     {"kbnkn W", 60},    {"kbnkb W", 60},    {"kbnkr W", 60},    {"kbnkq W", 60},
      {"kqrkn W", 60},     {"kqrkb W", 60},    {"kqrkr W", 60},    {"kqrkq W", 60},    {"kqrnk W", 60},
      {"kbnpk W", 47},     {"kqrbk W", 61},    {"kbnnk W", 2},     {"kbbnk W", 2},     {"krppk W", 2},
      {"krbnk W", 2},      {"kqppk W", 2},     {"kqbnk W", 2},     {"krnnk W", 1},     {"krbbk W", 1},
      {"kqnnk W", 1},      {"kqbbk W", 1},     {"krrkp W", 5616},  {"kqrkp W", 5904},  {"kqqkp W", 5520},
      {"krrpk W", 5499},   {"kqrpk W", 5781},  {"kqqpk W", 5405},  {"krrrk W", 9416},  {"kqqqk W", 9083},
      {"kqrrk W", 20008},  {"kqqrk W", 19986},
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
      {"kppkn", 0, 108400260, 108400260},      {"kppkn", 1, 115899744, 115899744},
      {"knpkp", 0, 219921779, 219921779},      {"kppkp", 1, 89391280, 89391280},
      {"knnnk", 1, 17472840, 17472840},        {"krk", 0, 27036, 27030},
      {"kqk", 0, 25635, 25629},                {"krkp", 0, 5072832, 5072736},
      {"kbnk", 0, 1550621, 1550620},           {"kqqk", 0, 699072, 698739},
      {"kbnk", 1, 1747284, 1747284},           {"kpkp", 0, 3863492, 3863492},
      {"kbnknn", 0, 1550621 * 1770ull, 2744597400}, {"kbnknn", 1, 2602976160, 2602976160},
      {"kqrbkn", 0, 88558020 * 59ull, 5224919581},  {"kqrbkn", 1, 5675335080, 5675335080},
      {"kppkpp", 0, 1917741813, 1917741812},   {"krrkpp", 0, 3039726 * 1128ull, 3039609 * 1128ull},
      {"kbnpkb", 1, 18096480000, 18096480000}, {"krbnkb", 1, 5882853420, 5882853420},
  };
  // Entry counts of telling rows of the registry.
  struct Entries {
    const char* signature;
    uint64_t white, black;
  };
  const Entries telling[] = {
      {"kpk", 81664, 84012},          {"knk", 26282, 28644},
      {"kqk", 25629, 28644},          {"kpkp", 3863492, 3863492},
      {"kbnkbn", 5489194800, 5489194800}, {"kqqpkq", 7297961576, 8514011520},
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
        const bool same_diagonal = on_diagonal(own) && on_diagonal(other) &&
                                   (((own & 7) == (own >> 3)) == ((other & 7) == (other >> 3)));
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

// Placements of count men of the given (colour, slot) list on squares not
// in use, like men once only; calls visit for each complete placement.
template <typename Visit>
void PlaceMen(const std::vector<TbMan>& movable, size_t at, TbPosition& p, uint64_t& used, const Visit& visit) {
  if (at == movable.size()) {
    visit();
    return;
  }
  const TbMan& man = movable[at];
  int first = 0;
  if (at > 0 && movable[at - 1].colour == man.colour && movable[at - 1].piece == man.piece)
    first = p.lists[man.colour][movable[at - 1].slot] + 1;
  for (int s = first; s < 64; s++) {
    if (used >> s & 1) continue;
    if (man.piece == 0 && (s < 8 || s > 55)) continue;
    p.lists[man.colour][man.slot] = s;
    used |= uint64_t(1) << s;
    PlaceMen(movable, at + 1, p, used, visit);
    used &= ~(uint64_t(1) << s);
  }
}

// The largest index of a legal position of the table side, searched from
// the top: the last king pair, the numbered men by their number descending,
// the first number with a legal completion giving the largest normal
// index; the en-passant region likewise by the number of the mover's pieces.
uint64_t LargestLegalIndex(int row, int side) {
  const std::string signature = tb_index_signatures[row];
  const std::vector<TbMan> men = MenOfSignature(signature);
  const TbIndexFunction f = tb_index_functions[row][side];
  const int real_side = Forwarded(row, side) ? 0 : side;
  const tb_scheme::IndexPlan plan = tb_scheme::MakePlan(signature.c_str(), real_side);
  // With the forwarded functions the colours are exchanged: work on the
  // white function's own terms and call it through the lists swapped.
  auto index_of = [&](const TbPosition& p) {
    return Forwarded(row, side) ? f(p.lists[1], p.lists[0], p.ep, 1) : f(p.lists[0], p.lists[1], p.ep, 0);
  };
  // A legal black-to-move position turned over with colours exchanged is a
  // legal white-to-move one, which the forwarded function indexes alike.
  auto legal = [&](const TbPosition& p) { return IsLegalPosition(men, p, real_side); };
  const int mover = plan.mover, passive = mover ^ 1;
  const int flip = plan.flip ? 56 : 0;
  TbPosition p{};
  p.ep = TB_NO_EP_SQUARE;
  // The last king pair: own king d8 (d4 without pawns), other king h8.
  const int own = (plan.pawn_table ? 59 : 27) ^ flip, other = 63 ^ flip;
  p.lists[mover][15] = own;
  p.lists[passive][15] = other;
  std::vector<TbMan> numbered, rest;
  for (const TbMan& man : men) {
    if (man.piece == 5) continue;
    bool is_numbered = false;
    for (int g = 0; g < plan.numbered_groups; g++)
      is_numbered = is_numbered || (plan.numbered[g].colour == man.colour && man.slot >= plan.numbered[g].slot &&
                                    man.slot < plan.numbered[g].slot + plan.numbered[g].count);
    (is_numbered ? numbered : rest).push_back(man);
  }
  // Numbers of the numbered placements (index / radix with the rest put on
  // free squares; the rest do not change the number).
  std::vector<std::pair<uint64_t, std::vector<int>>> numbers;
  uint64_t used = (uint64_t(1) << own) | (uint64_t(1) << other);
  PlaceMen(numbered, 0, p, used, [&] {
    TbPosition q = p;
    uint64_t taken = used;
    for (const TbMan& man : rest) {
      int s = man.piece == 0 ? 8 : 0;
      while (taken >> s & 1) s++;
      q.lists[man.colour][man.slot] = s;
      taken |= uint64_t(1) << s;
    }
    const uint64_t index = index_of(q);
    if (index == TB_NO_INDEX) return;
    std::vector<int> squares;
    for (const TbMan& man : numbered) squares.push_back(p.lists[man.colour][man.slot]);
    numbers.push_back({index / plan.radix, squares});
  });
  if (numbered.empty()) numbers.push_back({0, {}});
  std::sort(numbers.begin(), numbers.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  uint64_t largest = 0;
  bool found = false;
  for (size_t n = 0; n < numbers.size() && !found; n++) {
    used = (uint64_t(1) << own) | (uint64_t(1) << other);
    for (size_t i = 0; i < numbered.size(); i++) {
      p.lists[numbered[i].colour][numbered[i].slot] = numbers[n].second[i];
      used |= uint64_t(1) << numbers[n].second[i];
    }
    PlaceMen(rest, 0, p, used, [&] {
      if (!legal(p)) return;
      found = true;
      largest = std::max(largest, index_of(p));
    });
  }
  if (!plan.has_ep) return largest;
  // En-passant region: unflipped last pair; every ep square on its rank,
  // the pushed pawn before it and every placement of the others.
  const int ep_own = 59, ep_other = 63;
  TbPosition e{};
  e.lists[mover][15] = ep_own;
  e.lists[passive][15] = ep_other;
  uint64_t ep_largest = 0;
  const int pushed_rank = mover == 0 ? 4 : 3;
  for (int file = 0; file < 8; file++) {
    const int pushed = pushed_rank * 8 + file;
    e.ep = mover == 0 ? pushed + 8 : pushed - 8;
    std::vector<TbMan> others;
    bool pushed_placed = false;
    for (const TbMan& man : men) {
      if (man.piece == 5) continue;
      if (!pushed_placed && man.colour == passive && man.piece == 0) {
        e.lists[man.colour][man.slot] = pushed;
        pushed_placed = true;
        continue;
      }
      others.push_back(man);
    }
    uint64_t taken = (uint64_t(1) << ep_own) | (uint64_t(1) << ep_other) | (uint64_t(1) << pushed) |
                     (uint64_t(1) << e.ep) | (uint64_t(1) << (mover == 0 ? pushed + 16 : pushed - 16));
    PlaceMen(others, 0, e, taken, [&] {
      if (!legal(e)) return;
      ep_largest = std::max(ep_largest, index_of(e));
    });
  }
  return std::max(largest, ep_largest);
}

TEST_F(TablebaseSweep, LargestLegalIndexIsTheLastEntry) {
  const auto start = std::chrono::steady_clock::now();
  for (int row = 1; row < TB_TABLE_ROWS; row++)
    for (int side = 0; side < 2; side++) {
      const uint64_t largest = LargestLegalIndex(row, side);
      EXPECT_EQ(largest + 1, tb_index_entries[row][side]) << tb_index_signatures[row] << " side " << side;
    }
  std::printf("largest legal index of every function: %.1f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

}  // namespace

namespace {

std::vector<std::string> SweepTables() {
  std::vector<std::string> tables;
  const char* chosen = std::getenv("DRAVELNOR_TB_SWEEP_TABLES");
  if (!chosen || !*chosen) {
    for (int row = 1; row < TB_TABLE_ROWS; row++) tables.push_back(tb_index_signatures[row]);
    return tables;
  }
  std::stringstream list(chosen);
  for (std::string name; std::getline(list, name, ',');)
    if (!name.empty()) tables.push_back(name);
  return tables;
}

// Every placement of the men for a few king pairs per function, with every
// en-passant square the placement allows: legal positions index below the
// entry count, never two symmetry classes on one index, and the reference
// agrees on a spread of them.
TEST_F(TablebaseSweep, DISABLED_WholeKingPairs) {
  const char* pairs_text = std::getenv("DRAVELNOR_TB_SWEEP_PAIRS");
  const int pairs = pairs_text ? std::atoi(pairs_text) : 1;
  std::mt19937_64 random(4242);
  for (const std::string& signature : SweepTables()) {
    const int row = RowOfSignature(signature);
    ASSERT_GT(row, 0) << signature;
    const std::vector<TbMan> men = MenOfSignature(signature);
    std::vector<TbMan> movable;
    for (const TbMan& man : men)
      if (man.piece != 5) movable.push_back(man);
    const auto start = std::chrono::steady_clock::now();
    int64_t legal = 0;
    for (int side = 0; side < 2; side++)
      for (int k = 0; k < pairs; k++) {
        TbPosition p{};
        do {
          p.lists[0][15] = int(random() % 64);
          p.lists[1][15] = int(random() % 64);
        } while (std::max(std::abs((p.lists[0][15] & 7) - (p.lists[1][15] & 7)),
                          std::abs((p.lists[0][15] >> 3) - (p.lists[1][15] >> 3))) < 2);
        std::unordered_map<uint64_t, std::string> owner;
        int64_t failures = 0;
        uint64_t used = (uint64_t(1) << p.lists[0][15]) | (uint64_t(1) << p.lists[1][15]);
        const TbIndexFunction f = tb_index_functions[row][side];
        auto visit = [&](const TbPosition& q) {
          if (!IsLegalPosition(men, q, side)) return;
          legal++;
          const uint64_t index = f(q.lists[0], q.lists[1], q.ep, 0);
          bool ok = index < tb_index_entries[row][side];
          if (ok && legal % 101 == 0) ok = index == ReferenceIndex(signature, side, q.lists[0], q.lists[1], q.ep, 0);
          if (ok) {
            const std::string key = SymmetryClassKey(men, q);
            auto [it, inserted] = owner.emplace(index, key);
            ok = inserted || it->second == key;
          }
          if (!ok && ++failures <= 3)
            ADD_FAILURE() << signature << (side ? " B " : " W ") << DescribePosition(men, q) << " index " << index;
        };
        PlaceMen(movable, 0, p, used, [&] {
          p.ep = TB_NO_EP_SQUARE;
          visit(p);
          // Each pawn of the side not to move on its double-step rank may
          // just have stepped.
          for (const TbMan& man : movable)
            if (man.piece == 0 && man.colour != side) {
              const int s = p.lists[man.colour][man.slot];
              if ((s >> 3) != (side == 0 ? 4 : 3)) continue;
              TbPosition q = p;
              q.ep = side == 0 ? s + 8 : s - 8;
              visit(q);
            }
        });
        EXPECT_EQ(failures, 0) << signature << " side " << side;
      }
    std::printf("%-7s %lld legal positions in %.1f s\n", signature.c_str(), (long long)legal,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
}

}  // namespace
