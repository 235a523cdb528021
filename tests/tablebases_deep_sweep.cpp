// The searches that take longer: the largest legal index of every index
// function (the last stored entry), and the long sweep over whole king
// pairs, which is DISABLED_ and run by hand:
//   build/tests/tablebases_deep_tests --gtest_also_run_disabled_tests --gtest_filter='*WholeKingPairs*'
// (DRAVELNOR_TB_SWEEP_TABLES=kqrkqb,kppkpp and DRAVELNOR_TB_SWEEP_PAIRS=n
// choose tables and king pairs per function).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <unordered_map>

#include "tablebases/index.h"
#include "tablebases/index_scheme.h"
#include "tb_index_reference.h"
#include "tb_positions.h"

namespace {

class TablebaseDeepSweep : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitEnumerationTables(); }
};

bool HasPawn(int row) { return std::string(tb_index_signatures[row]).find('p') != std::string::npos; }
bool Forwarded(int row, int side) {
  const std::string s = tb_index_signatures[row];
  const size_t second = s.find('k', 1);
  return side == 1 && s.size() == 6 && HasPawn(row) && s.substr(1, second - 1) == s.substr(second + 1);
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
  std::vector<std::pair<uint64_t, std::array<int, 3>>> numbers;
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
    std::array<int, 3> squares{};
    for (size_t i = 0; i < numbered.size(); i++) squares[i] = p.lists[numbered[i].colour][numbered[i].slot];
    numbers.push_back({index / plan.radix, squares});
  });
  if (numbered.empty()) numbers.push_back({0, {}});
  // Only the top numbers are usually needed: order those first.
  const auto higher = [](const auto& a, const auto& b) { return a.first > b.first; };
  const size_t head = std::min<size_t>(numbers.size(), 512);
  std::partial_sort(numbers.begin(), numbers.begin() + head, numbers.end(), higher);
  uint64_t largest = 0;
  bool found = false;
  for (size_t n = 0; n < numbers.size() && !found; n++) {
    if (n == head) std::sort(numbers.begin() + head, numbers.end(), higher);
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

TEST_F(TablebaseDeepSweep, LargestLegalIndexIsTheLastEntry) {
  const auto start = std::chrono::steady_clock::now();
  for (int row = 1; row < TB_TABLE_ROWS; row++)
    for (int side = 0; side < 2; side++) {
      const uint64_t largest = LargestLegalIndex(row, side);
      EXPECT_EQ(largest + 1, tb_index_entries[row][side]) << tb_index_signatures[row] << " side " << side;
    }
  std::printf("largest legal index of every function: %.1f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

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
TEST_F(TablebaseDeepSweep, DISABLED_WholeKingPairs) {
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
