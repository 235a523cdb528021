// The reference index, written for plainness rather than speed: every rank
// is found by walking the squares, every king pair number and offset by
// summing over the lower pairs (kept once computed), every reduction by
// counting the placed men below.
#include "tb_index_reference.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <vector>

namespace {

constexpr uint64_t NONE = ~uint64_t(0);
// Kinds: 0 pawn not to move, 1 pawn to move, 2 knight, 3 bishop, 4 rook, 5 queen.
constexpr int KIND_p = 0, KIND_P = 1;

int FileOf(int s) { return s % 8; }
int RankOf(int s) { return s / 8; }
int Square(int file, int rank) { return rank * 8 + file; }

uint64_t Binomial(int64_t n, int k) {
  if (n < k || n < 0) return 0;
  uint64_t result = 1;
  for (int i = 1; i <= k; i++) result = result * uint64_t(n - k + i) / uint64_t(i);
  return result;
}

bool MayStand(int kind, int king, int s) {
  if (s == king) return false;
  const int df = std::abs(FileOf(s) - FileOf(king)), dr = std::abs(RankOf(s) - RankOf(king));
  switch (kind) {
    case KIND_p:
      return RankOf(s) >= 1 && RankOf(s) <= 6;
    case KIND_P:
      return RankOf(s) >= 1 && RankOf(s) <= 6 && !(df == 1 && RankOf(king) == RankOf(s) + 1);
    case 2:
      return !((df == 1 && dr == 2) || (df == 2 && dr == 1));
    case 3:
      return !(df == 1 && dr == 1);
    case 4:
      return !(df + dr == 1);
    default:
      return !(df <= 1 && dr <= 1);
  }
}

int LocalRank(int kind, int king, int s) {
  if (!MayStand(kind, king, s)) return -1;
  int rank = 0;
  for (int t = 0; t < s; t++) rank += MayStand(kind, king, t);
  return rank;
}

int Allowed(int kind, int king) {
  int count = 0;
  for (int t = 0; t < 64; t++) count += MayStand(kind, king, t);
  return count;
}

bool KingsApart(int a, int b) { return std::max(std::abs(FileOf(a) - FileOf(b)), std::abs(RankOf(a) - RankOf(b))) > 1; }

bool PairExists(bool pawns, int own, int other) {
  if (!KingsApart(own, other)) return false;
  if (pawns) return FileOf(own) <= 3;
  const bool triangle = FileOf(own) >= RankOf(own) && FileOf(own) <= 3;
  if (!triangle) return false;
  if (FileOf(own) == RankOf(own)) return FileOf(other) >= RankOf(other);
  return true;
}

int PairNumber(bool pawns, int own, int other) {
  static std::vector<int> numbers[2];
  std::vector<int>& table = numbers[pawns];
  if (table.empty()) {
    table.assign(4096, -1);
    int next = 0;
    for (int a = 0; a < 64; a++)
      for (int k = 0; k < 64; k++)
        if (PairExists(pawns, a, k)) table[a * 64 + k] = next++;
  }
  return table[own * 64 + other];
}

// Placements of men of the kinds for kings own, other: per like kind the
// binomial of its free squares, the own king's square not free.
uint64_t Placements(const std::vector<int>& kinds, int own, int other) {
  uint64_t product = 1;
  for (size_t i = 0; i < kinds.size();) {
    size_t j = i;
    while (j < kinds.size() && kinds[j] == kinds[i]) j++;
    const int free_squares = Allowed(kinds[i], other) - (MayStand(kinds[i], other, own) ? 1 : 0);
    product *= Binomial(free_squares, int(j - i));
    i = j;
  }
  return product;
}

// Offsets per king pair and the total (last element) of a group of kinds.
const std::vector<uint64_t>& Offsets(bool pawns, std::vector<int> kinds) {
  static std::map<std::pair<bool, std::vector<int>>, std::vector<uint64_t>> cache;
  std::sort(kinds.rbegin(), kinds.rend());
  auto key = std::make_pair(pawns, kinds);
  auto found = cache.find(key);
  if (found != cache.end()) return found->second;
  std::vector<uint64_t> offsets;
  uint64_t sum = 0;
  for (int a = 0; a < 64; a++)
    for (int k = 0; k < 64; k++)
      if (PairExists(pawns, a, k)) {
        offsets.push_back(sum);
        sum += Placements(kinds, a, k);
      }
  offsets.push_back(sum);
  return cache.emplace(key, offsets).first->second;
}

struct Man {
  int colour;
  int piece;  // 0 pawn, 1 knight .. 4 queen
  int square;
};

// Men of one colour and piece, squares ascending.
struct Group {
  int colour;
  int piece;
  int kind;
  std::vector<int> squares;
  bool IsPawn() const { return piece == 0; }
};

int PieceOf(char c) { return std::string("pnbrq").find(c); }

struct Table {
  bool pawns = false;
  std::vector<int> pieces[2];  // per colour, signature order
};

Table ParseTable(const std::string& signature) {
  Table table;
  const size_t second = signature.find('k', 1);
  for (char c : signature.substr(1, second - 1)) table.pieces[0].push_back(PieceOf(c));
  for (char c : signature.substr(second + 1)) table.pieces[1].push_back(PieceOf(c));
  for (int colour = 0; colour < 2; colour++)
    for (int p : table.pieces[colour]) table.pawns = table.pawns || p == 0;
  return table;
}

// Groups of one colour in signature order; squares from the folded lists
// (or 0 when only the layout is wanted).
std::vector<Group> GroupsOf(const Table& table, int colour, const int* squares) {
  std::vector<Group> groups;
  int used[5] = {};
  for (int piece : table.pieces[colour]) {
    if (groups.empty() || groups.back().piece != piece) groups.push_back({colour, piece, piece + 1, {}});
    groups.back().squares.push_back(squares ? squares[piece * 3 + used[piece]] : 0);
    used[piece]++;
  }
  for (Group& g : groups) std::sort(g.squares.begin(), g.squares.end());
  return groups;
}

int CountBelow(int s, const std::vector<int>& placed) {
  int below = 0;
  for (int t : placed) below += t < s;
  return below;
}

// The combinatorial number of ascending values.
uint64_t Combine(const std::vector<uint64_t>& x) {
  uint64_t digit = 0;
  for (size_t i = 0; i < x.size(); i++) digit += Binomial(int64_t(x[i]), int(i) + 1);
  return digit;
}

// Composition of the numbered men: groups with their ranks and counts.
struct Numbered {
  int kind;
  std::vector<uint64_t> ranks;
  uint64_t free;
};

uint64_t Compose(std::vector<Numbered> groups) {
  // A like group first, then by kind strongest first.
  std::stable_sort(groups.begin(), groups.end(), [](const Numbered& a, const Numbered& b) {
    if ((a.ranks.size() > 1) != (b.ranks.size() > 1)) return a.ranks.size() > 1;
    return a.kind > b.kind;
  });
  if (groups.size() == 1) return Combine(groups[0].ranks);
  if (groups.size() == 2)
    return Combine(groups[0].ranks) * Binomial(int64_t(groups[1].free), int(groups[1].ranks.size())) +
           Combine(groups[1].ranks);
  return (groups[0].ranks[0] * groups[1].free + groups[1].ranks[0]) * groups[2].free + groups[2].ranks[0];
}

// Numbers the groups for own king and other king (squares as given).
uint64_t NumberOf(bool pawns, const std::vector<Group>& groups, int own, int other, int pair) {
  std::vector<Numbered> numbered;
  std::vector<int> kinds;
  for (const Group& g : groups) {
    Numbered n{g.kind, {}, 0};
    const bool own_counts = MayStand(g.kind, other, own);
    n.free = uint64_t(Allowed(g.kind, other) - (own_counts ? 1 : 0));
    for (int s : g.squares) {
      const int r = LocalRank(g.kind, other, s);
      if (r < 0) return NONE;
      n.ranks.push_back(uint64_t(r - ((own_counts && own < s) ? 1 : 0)));
      kinds.push_back(g.kind);
    }
    numbered.push_back(n);
  }
  return Offsets(pawns, kinds)[pair] + Compose(numbered);
}

int Flip(int s) { return Square(FileOf(s), 7 - RankOf(s)); }

// The side not to move's closed groups, in the order their digits are
// joined (most significant first) and in the order they are placed.
struct Closed {
  std::vector<Group> by_significance;
  std::vector<int> place;  // placement position of each
};

Closed ClosedLayout(const Table& table, const std::vector<Group>& closed_groups, int passive_men) {
  Closed layout;
  std::vector<Group> pawns, pieces;
  for (const Group& g : closed_groups) (g.IsPawn() ? pawns : pieces).push_back(g);
  const bool six_pawn = table.pawns && table.pieces[0].size() + table.pieces[1].size() == 4;
  if (six_pawn && passive_men == 2) {
    // Pawns, then the pieces from the weaker to the stronger; placed and
    // joined alike.
    for (const Group& g : pawns) layout.by_significance.push_back(g);
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) layout.by_significance.push_back(*it);
    for (size_t i = 0; i < layout.by_significance.size(); i++) layout.place.push_back(int(i));
    return layout;
  }
  for (const Group& g : pieces) layout.by_significance.push_back(g);
  for (const Group& g : pawns) layout.by_significance.push_back(g);
  layout.place.assign(layout.by_significance.size(), 0);
  int next = 0;
  for (size_t i = 0; i < layout.by_significance.size(); i++)
    if (layout.by_significance[i].IsPawn()) layout.place[i] = next++;
  if (six_pawn && passive_men == 3) {
    for (size_t i = 0; i < layout.by_significance.size(); i++)
      if (!layout.by_significance[i].IsPawn()) layout.place[i] = next++;
  } else {
    for (size_t i = 0; i < layout.by_significance.size(); i++)
      if (!layout.by_significance[i].IsPawn() && layout.by_significance[i].squares.size() == 1)
        layout.place[i] = next++;
    for (size_t i = 0; i < layout.by_significance.size(); i++)
      if (!layout.by_significance[i].IsPawn() && layout.by_significance[i].squares.size() > 1) layout.place[i] = next++;
  }
  return layout;
}

// Everything about a table side that does not depend on the position.
struct Layout {
  Table table;
  int mover = 0, passive = 1;
  std::vector<Group> numbered, closed_all, mover_pieces;
  bool flip = false, en_passant = false;
};

Layout LayoutOf(const std::string& signature, int side, const int* white, const int* black) {
  Layout layout;
  layout.table = ParseTable(signature);
  layout.mover = side, layout.passive = side ^ 1;
  const int* lists[2] = {white, black};
  std::vector<Group> mine = GroupsOf(layout.table, side, lists[side]);
  std::vector<Group> theirs = GroupsOf(layout.table, side ^ 1, lists[side ^ 1]);
  if (!mine.empty()) {
    for (Group g : mine) {
      if (g.IsPawn()) g.kind = KIND_P;
      layout.numbered.push_back(g);
      if (!g.IsPawn()) layout.mover_pieces.push_back(g);
    }
    layout.closed_all = theirs;
  } else {
    for (Group g : theirs) {
      if (g.IsPawn() && layout.table.pawns) {
        g.kind = KIND_p;
        layout.numbered.push_back(g);
      } else {
        layout.closed_all.push_back(g);
      }
    }
  }
  for (const Group& g : layout.numbered) layout.flip = layout.flip || (side == 1 && g.IsPawn());
  bool mover_pawn = false, passive_pawn = false;
  for (const Group& g : mine) mover_pawn = mover_pawn || g.IsPawn();
  for (const Group& g : theirs) passive_pawn = passive_pawn || g.IsPawn();
  layout.en_passant = mover_pawn && passive_pawn;
  return layout;
}

int MenOf(const std::vector<Group>& groups) {
  int men = 0;
  for (const Group& g : groups) men += int(g.squares.size());
  return men;
}

std::vector<int> KindsOf(const std::vector<Group>& groups) {
  std::vector<int> kinds;
  for (const Group& g : groups)
    for (size_t i = 0; i < g.squares.size(); i++) kinds.push_back(g.kind);
  return kinds;
}

int PassiveMen(const Layout& layout) { return int(layout.table.pieces[layout.passive].size()); }

// Radix of each closed group and the men placed before it.
struct ClosedDigit {
  const Group* group;
  uint64_t radix;
  std::vector<const Group*> before;
};

std::vector<ClosedDigit> ClosedDigits(const Layout& layout, const Closed& closed) {
  std::vector<ClosedDigit> digits;
  int numbered_pawns = 0;
  for (const Group& g : layout.numbered)
    if (g.IsPawn()) numbered_pawns += int(g.squares.size());
  for (size_t i = 0; i < closed.by_significance.size(); i++) {
    const Group& g = closed.by_significance[i];
    ClosedDigit d{&g, 0, {}};
    int placed = g.IsPawn() ? numbered_pawns : 2 + MenOf(layout.numbered);
    for (size_t j = 0; j < closed.by_significance.size(); j++)
      if (closed.place[j] < closed.place[i] && (closed.by_significance[j].IsPawn() || !g.IsPawn())) {
        d.before.push_back(&closed.by_significance[j]);
        placed += int(closed.by_significance[j].squares.size());
      }
    d.radix = g.IsPawn() ? Binomial(48 - placed, int(g.squares.size())) : Binomial(64 - placed, int(g.squares.size()));
    digits.push_back(d);
  }
  return digits;
}

uint64_t RadixOf(const std::vector<ClosedDigit>& digits) {
  uint64_t radix = 1;
  for (const ClosedDigit& d : digits) radix *= d.radix;
  return radix;
}

uint64_t NumberedTotal(const Layout& layout) {
  if (layout.numbered.empty()) return layout.table.pawns ? 1806 : 462;
  return Offsets(layout.table.pawns, KindsOf(layout.numbered)).back();
}

// En-passant radices: other pawns of the mover, of the passive side, and
// the passive pieces in their closed order.
struct EnPassantLayout {
  int mover_pawns = 0, passive_pawns = 0;
  uint64_t mover_radix = 1, passive_radix = 1, per_number = 14;
  std::vector<ClosedDigit> pieces;
};

EnPassantLayout EnPassantLayoutOf(const Layout& layout, const Closed& closed) {
  EnPassantLayout ep;
  for (const Group& g : layout.numbered)
    if (g.IsPawn()) ep.mover_pawns = int(g.squares.size());
  for (const Group& g : layout.closed_all)
    if (g.IsPawn()) ep.passive_pawns = int(g.squares.size());
  ep.mover_radix = Binomial(44, ep.mover_pawns - 1);
  ep.passive_radix = Binomial(44 - (ep.mover_pawns - 1), ep.passive_pawns - 1);
  ep.per_number = 14 * ep.mover_radix * ep.passive_radix;
  const int fixed = 2 + MenOf(layout.mover_pieces) + 4 + (ep.mover_pawns - 1) + (ep.passive_pawns - 1);
  for (size_t i = 0; i < closed.by_significance.size(); i++) {
    const Group& g = closed.by_significance[i];
    if (g.IsPawn()) continue;
    ClosedDigit d{&g, 0, {}};
    int placed = fixed;
    for (size_t j = 0; j < closed.by_significance.size(); j++)
      if (!closed.by_significance[j].IsPawn() && closed.place[j] < closed.place[i]) {
        d.before.push_back(&closed.by_significance[j]);
        placed += int(closed.by_significance[j].squares.size());
      }
    d.radix = Binomial(64 - placed, int(g.squares.size()));
    ep.per_number *= d.radix;
    ep.pieces.push_back(d);
  }
  return ep;
}

bool IsSymmetricPawnSix(const Table& table) {
  return table.pawns && table.pieces[0] == table.pieces[1] && table.pieces[0].size() == 2;
}

}  // namespace

uint64_t ReferenceIndex(const std::string& signature, int side, const int32_t* white, const int32_t* black, int32_t ep,
                        int32_t invert) {
  const Table table = ParseTable(signature);
  if (side == 1 && IsSymmetricPawnSix(table)) return ReferenceIndex(signature, 0, black, white, ep, invert ? 0 : 1);
  const int32_t* lists[2] = {white, black};

  // Fold every square of the men (and the en-passant square).
  int folded[2][16] = {};
  const int own_raw = lists[side][15], other_raw = lists[side ^ 1][15];
  bool mirror_files = FileOf(own_raw) >= 4, mirror_ranks = false, transpose = false;
  if (table.pawns) {
    mirror_ranks = invert != 0;
  } else {
    mirror_ranks = RankOf(own_raw) >= 4;
    auto fold = [&](int s) {
      return Square(mirror_files ? 7 - FileOf(s) : FileOf(s), mirror_ranks ? 7 - RankOf(s) : RankOf(s));
    };
    const int own = fold(own_raw), other = fold(other_raw);
    const bool triangle = FileOf(own) >= RankOf(own) && FileOf(own) <= 3;
    transpose = !(triangle && (FileOf(own) != RankOf(own) || FileOf(other) >= RankOf(other)));
  }
  auto fold = [&](int s) {
    int f = mirror_files ? 7 - FileOf(s) : FileOf(s), r = mirror_ranks ? 7 - RankOf(s) : RankOf(s);
    if (transpose) std::swap(f, r);
    return Square(f, r);
  };
  for (int colour = 0; colour < 2; colour++)
    for (int slot = 0; slot < 16; slot++) folded[colour][slot] = fold(lists[colour][slot] & 63);
  const Layout layout = LayoutOf(signature, side, folded[0], folded[1]);
  const Closed closed = ClosedLayout(table, layout.closed_all, PassiveMen(layout));
  const std::vector<ClosedDigit> digits = ClosedDigits(layout, closed);
  const uint64_t radix = RadixOf(digits);
  const int own = folded[side][15], other = folded[side ^ 1][15];

  if (layout.en_passant && ep != 127) {
    const int e = fold(ep);
    const EnPassantLayout lay = EnPassantLayoutOf(layout, closed);
    std::vector<int> mover_pawns, passive_pawns;
    for (const Group& g : layout.numbered)
      if (g.IsPawn()) mover_pawns = g.squares;
    for (const Group& g : layout.closed_all)
      if (g.IsPawn()) passive_pawns = g.squares;
    int capturer = -1, slot = -1;
    for (int s : mover_pawns) {
      if (side == 0) {
        if (e == s + 7 && FileOf(s) != 0)
          slot = FileOf(s) - 1;
        else if (e == s + 9 && FileOf(s) != 7)
          slot = FileOf(s) + 7;
      } else {
        if (e == s - 9 && FileOf(s) != 0)
          slot = FileOf(s) - 1;
        else if (e == s - 7 && FileOf(s) != 7)
          slot = FileOf(s) + 7;
      }
      if (slot >= 0) {
        capturer = s;
        break;
      }
    }
    if (capturer < 0) return NONE;
    const int pushed = side == 0 ? e - 8 : e + 8, from = side == 0 ? e + 8 : e - 8;
    if (std::find(passive_pawns.begin(), passive_pawns.end(), pushed) == passive_pawns.end()) return NONE;
    std::vector<int> fixed = {capturer, pushed, e, from};
    std::vector<int> other_mover, other_passive;
    for (int s : mover_pawns)
      if (s != capturer) other_mover.push_back(s);
    bool pushed_skipped = false;
    for (int s : passive_pawns) {
      if (s == pushed && !pushed_skipped) {
        pushed_skipped = true;
        continue;
      }
      other_passive.push_back(s);
    }
    std::vector<uint64_t> x;
    for (int s : other_mover) x.push_back(uint64_t(s - 8 - CountBelow(s, fixed)));
    const uint64_t mover_digit = Combine(x);
    std::vector<int> below_passive = fixed;
    below_passive.insert(below_passive.end(), other_mover.begin(), other_mover.end());
    x.clear();
    for (int s : other_passive) x.push_back(uint64_t(s - 8 - CountBelow(s, below_passive)));
    const uint64_t passive_digit = Combine(x);
    std::vector<int> placed = {own, other};
    for (const Group& g : layout.mover_pieces) placed.insert(placed.end(), g.squares.begin(), g.squares.end());
    placed.insert(placed.end(), below_passive.begin(), below_passive.end());
    placed.insert(placed.end(), other_passive.begin(), other_passive.end());
    uint64_t pieces_digit = 0;
    for (const ClosedDigit& d : lay.pieces) {
      std::vector<int> before = placed;
      for (const Group* g : d.before) before.insert(before.end(), g->squares.begin(), g->squares.end());
      x.clear();
      for (int s : d.group->squares) x.push_back(uint64_t(s - CountBelow(s, before)));
      pieces_digit = pieces_digit * d.radix + Combine(x);
    }
    const int pair = PairNumber(true, own, other);
    if (pair < 0) return NONE;
    uint64_t number = uint64_t(pair);
    if (!layout.mover_pieces.empty()) {
      number = NumberOf(true, layout.mover_pieces, own, other, pair);
      if (number == NONE) return NONE;
    }
    const uint64_t rest = mover_digit + lay.mover_radix * (passive_digit + lay.passive_radix * pieces_digit);
    return NumberedTotal(layout) * radix + number * lay.per_number + uint64_t(slot) + 14 * rest;
  }

  // The numbered part, turned over when black's pawns are numbered.
  std::vector<Group> numbered = layout.numbered;
  int e_own = own, e_other = other;
  if (layout.flip) {
    e_own = Flip(own), e_other = Flip(other);
    for (Group& g : numbered) {
      for (int& s : g.squares) s = Flip(s);
      std::sort(g.squares.begin(), g.squares.end());
    }
  }
  const int pair = PairNumber(table.pawns, e_own, e_other);
  if (pair < 0) return NONE;
  uint64_t number = uint64_t(pair);
  if (!numbered.empty()) {
    number = NumberOf(table.pawns, numbered, e_own, e_other, pair);
    if (number == NONE) return NONE;
  }
  // Closed digits on the folded squares.
  uint64_t closed_value = 0;
  for (const ClosedDigit& d : digits) {
    std::vector<int> before;
    if (d.group->IsPawn()) {
      for (const Group& g : layout.numbered)
        if (g.IsPawn()) before.insert(before.end(), g.squares.begin(), g.squares.end());
    } else {
      before = {own, other};
      for (const Group& g : layout.numbered) before.insert(before.end(), g.squares.begin(), g.squares.end());
    }
    for (const Group* g : d.before) before.insert(before.end(), g->squares.begin(), g->squares.end());
    std::vector<uint64_t> x;
    for (int s : d.group->squares) x.push_back(uint64_t(s - (d.group->IsPawn() ? 8 : 0) - CountBelow(s, before)));
    closed_value = closed_value * d.radix + Combine(x);
  }
  return number * radix + closed_value;
}

uint64_t ReferenceIndexSpace(const std::string& signature, int side) {
  const Table table = ParseTable(signature);
  if (side == 1 && IsSymmetricPawnSix(table)) return ReferenceIndexSpace(signature, 0);
  const int32_t none[16] = {};
  const Layout layout = LayoutOf(signature, side, none, none);
  const Closed closed = ClosedLayout(table, layout.closed_all, PassiveMen(layout));
  uint64_t space = NumberedTotal(layout) * RadixOf(ClosedDigits(layout, closed));
  if (layout.en_passant) {
    const EnPassantLayout ep = EnPassantLayoutOf(layout, closed);
    const uint64_t numbers = layout.mover_pieces.empty() ? 1806 : Offsets(true, KindsOf(layout.mover_pieces)).back();
    space += numbers * ep.per_number;
  }
  return space;
}
