// tablebases/index_scheme.h: the one index scheme every table follows, as a
// plan worked out at compile time from the table's signature and side to
// move, and the function template that computes an index by that plan.
// Reads the fold tables here and the enumeration tables of index.h; writes
// nothing. Only index.cpp and the tests include it.
#pragma once

#include <array>
#include <cstdint>
#include <utility>

#include "tablebases/index.h"

namespace tb_scheme {

// Fold tables. Pawn tables mirror files e-h onto a-d (and turn the board
// over when the caller exchanged the colours); pawnless tables bring the
// reference king into the triangle a1-d1-d4.
inline constexpr std::array<uint32_t, 64> file_mirror_mask = [] {
  std::array<uint32_t, 64> t{};
  for (int s = 0; s < 64; s++) t[s] = (s & 7) >= 4 ? 7 : 0;
  return t;
}();
inline constexpr uint32_t invert_mask[2] = {0, 56};
inline constexpr std::array<uint32_t, 64> quadrant_mirror_mask = [] {
  std::array<uint32_t, 64> t{};
  for (int s = 0; s < 64; s++) t[s] = ((s & 7) >= 4 ? 7 : 0) + ((s >> 3) >= 4 ? 56 : 0);
  return t;
}();
inline constexpr std::array<uint8_t, 64> fold_triangle = [] {
  std::array<uint8_t, 64> t{};
  for (int s = 0; s < 64; s++) t[s] = (s & 7) >= (s >> 3) && (s & 7) < 4;
  return t;
}();
inline constexpr std::array<uint8_t, 64> off_diagonal = [] {
  std::array<uint8_t, 64> t{};
  for (int s = 0; s < 64; s++) t[s] = (s & 7) != (s >> 3);
  return t;
}();
inline constexpr std::array<uint8_t, 64> on_or_below_diagonal = [] {
  std::array<uint8_t, 64> t{};
  for (int s = 0; s < 64; s++) t[s] = (s & 7) >= (s >> 3);
  return t;
}();
inline constexpr std::array<uint32_t, 64> transpose_square = [] {
  std::array<uint32_t, 64> t{};
  for (int s = 0; s < 64; s++) t[s] = (s & 7) * 8 + (s >> 3);
  return t;
}();

// An en-passant capture is one of 14: toward the a-file from files b-h, or
// toward the h-file from files a-g.
constexpr int EP_SLOTS = 14;
// Squares a pawn may stand on (ranks 2 to 7), and the first of them.
constexpr int PAWN_SQUARES = 48, FIRST_PAWN_SQUARE = 8;
// Pawn squares left once the four squares of an en-passant capture are set.
constexpr int EP_FREE_PAWN_SQUARES = PAWN_SQUARES - 4;

constexpr uint64_t Choose(uint64_t n, int k) {
  if (n < uint64_t(k)) return 0;
  uint64_t result = 1;
  for (int i = 0; i < k; i++) result = result * (n - i) / (i + 1);
  return result;
}

// Men of one kind and colour: their kind for the enumeration tables (pawns
// of the side not to move as ENUM_p, of the side to move as ENUM_P), how
// many, and their first slot in the colour's SquareList.
struct PlanGroup {
  int8_t colour = 0;
  int8_t kind = 0;
  int8_t count = 0;
  int8_t slot = 0;
  bool pawn = false;
};

// A closed-form digit: one group, the radix of its digit, and which men
// count as placed before it (the kings and the numbered men always do).
struct PlanDigit {
  PlanGroup group;
  uint64_t radix = 1;
  uint8_t placed_before = 0;  // bit i: closed digit i (in significance order)
};

// How the side not to move's digits are placed and joined.
enum DigitOrder : int8_t {
  // Pawns placed first, then single pieces strongest first, then a like
  // group; joined strongest first with the pawns least significant.
  ORDER_DEFAULT,
  // Two men not to move in a six-man pawn table: pawns, then pieces weaker
  // first, placed and joined in that order (the first most significant).
  ORDER_TWO_PASSIVE,
  // Three men not to move in a six-man pawn table: pawns placed first, then
  // the pieces in signature order; joined in signature order, pawns last.
  ORDER_THREE_PASSIVE,
};

struct IndexPlan {
  bool pawn_table = false;
  int8_t mover = 0;      // colour whose SquareList is the side to move's
  bool flip = false;     // pair and numbered men turned over (black to move, pawns numbered)
  bool forward = false;  // symmetric pawn table, black to move: the white function with colours exchanged
  DigitOrder order = ORDER_DEFAULT;
  // The numbered men, like groups first, then by kind strongest first; the
  // offset array is that of their kinds strongest first.
  int8_t numbered_groups = 0;
  PlanGroup numbered[3];
  int8_t numbered_men = 0;
  int8_t offset_kinds[3] = {0, 0, 0};
  int8_t numbered_pawns = 0;
  // Closed digits, most significant first.
  int8_t digits = 0;
  PlanDigit digit[3];
  uint64_t radix = 1;  // product of the closed radices
  // En-passant region (pawns on both sides).
  bool has_ep = false;
  int8_t mover_pawn_slot = 0, mover_pawns = 0;
  int8_t passive_pawn_slot = 0, passive_pawns = 0;
  int8_t mover_piece_groups = 0;
  PlanGroup mover_piece[2];
  int8_t mover_pieces = 0;
  int8_t piece_offset_kinds[3] = {0, 0, 0};
  uint64_t mover_other_radix = 1, passive_other_radix = 1;
  int8_t ep_digits = 0;  // passive pieces, most significant first
  PlanDigit ep_digit[2];
  uint64_t ep_radix = EP_SLOTS;  // entries per value of the pieces' number (or king pair)
  // Men read from each list (slots), for the fold.
  int8_t used_count[2] = {0, 0};
  int8_t used_slot[2][5] = {};
};

constexpr int PieceOfLetter(char c) { return c == 'p' ? 0 : c == 'n' ? 1 : c == 'b' ? 2 : c == 'r' ? 3 : 4; }

// Like groups of one colour in signature order (strongest first).
struct SideMen {
  int groups = 0;
  PlanGroup group[4];
  int men = 0;
  int pawns = 0;
  int pawn_group = -1;
};

constexpr SideMen ParseSide(const char* letters, int length, int colour) {
  SideMen side;
  for (int i = 0; i < length;) {
    int j = i;
    while (j + 1 < length && letters[j + 1] == letters[i]) j++;
    const int piece = PieceOfLetter(letters[i]);
    PlanGroup g;
    g.colour = int8_t(colour);
    g.count = int8_t(j - i + 1);
    g.slot = int8_t(piece * 3);
    g.pawn = piece == 0;
    g.kind = int8_t(piece == 0 ? ENUM_p : piece + 1);
    if (g.pawn) {
      side.pawns = g.count;
      side.pawn_group = side.groups;
    }
    side.men += g.count;
    side.group[side.groups++] = g;
    i = j + 1;
  }
  return side;
}

// Numbered order: like groups before singles, then strongest kind first.
constexpr bool NumberedBefore(const PlanGroup& a, const PlanGroup& b) {
  if ((a.count > 1) != (b.count > 1)) return a.count > 1;
  return a.kind > b.kind;
}

constexpr void SortGroups(PlanGroup* groups, int count, bool (*before)(const PlanGroup&, const PlanGroup&)) {
  for (int i = 1; i < count; i++)
    for (int j = i; j > 0 && before(groups[j], groups[j - 1]); j--) {
      const PlanGroup t = groups[j];
      groups[j] = groups[j - 1];
      groups[j - 1] = t;
    }
}

constexpr void KindsStrongestFirst(const PlanGroup* groups, int count, int8_t* kinds) {
  int n = 0;
  for (int i = 0; i < count; i++)
    for (int c = 0; c < groups[i].count; c++) kinds[n++] = groups[i].kind;
  for (int i = 1; i < n; i++)
    for (int j = i; j > 0 && kinds[j] > kinds[j - 1]; j--) {
      const int8_t t = kinds[j];
      kinds[j] = kinds[j - 1];
      kinds[j - 1] = t;
    }
}

constexpr IndexPlan MakePlan(const char* signature, int side) {
  IndexPlan plan;
  int length = 0;
  while (signature[length]) length++;
  int second_king = 1;
  while (signature[second_king] != 'k') second_king++;
  const SideMen sides[2] = {ParseSide(signature + 1, second_king - 1, 0),
                            ParseSide(signature + second_king + 1, length - second_king - 1, 1)};
  const SideMen& mover = sides[side];
  const SideMen& passive = sides[side ^ 1];
  plan.mover = int8_t(side);
  plan.pawn_table = mover.pawns + passive.pawns > 0;
  for (int colour = 0; colour < 2; colour++)
    for (int g = 0; g < sides[colour].groups; g++)
      for (int c = 0; c < sides[colour].group[g].count; c++)
        plan.used_slot[colour][plan.used_count[colour]++] = int8_t(sides[colour].group[g].slot + c);

  // A symmetric pawn table's black function is the white one, colours
  // exchanged.
  bool symmetric = sides[0].groups == sides[1].groups;
  for (int g = 0; symmetric && g < sides[0].groups; g++)
    symmetric = sides[0].group[g].kind == sides[1].group[g].kind && sides[0].group[g].count == sides[1].group[g].count;
  plan.forward = symmetric && plan.pawn_table && side == 1 && mover.men + passive.men == 4;

  // The numbered group: the mover's men, or the passive pawns when the
  // mover has only its king. The rest are closed digits.
  PlanGroup closed[4];
  int closed_groups = 0;
  if (mover.men > 0) {
    for (int g = 0; g < mover.groups; g++) {
      PlanGroup group = mover.group[g];
      if (group.pawn) group.kind = ENUM_P;
      plan.numbered[plan.numbered_groups++] = group;
    }
    for (int g = 0; g < passive.groups; g++) closed[closed_groups++] = passive.group[g];
  } else {
    for (int g = 0; g < passive.groups; g++) {
      if (passive.group[g].pawn && plan.pawn_table)
        plan.numbered[plan.numbered_groups++] = passive.group[g];
      else
        closed[closed_groups++] = passive.group[g];
    }
  }
  SortGroups(plan.numbered, plan.numbered_groups, NumberedBefore);
  for (int g = 0; g < plan.numbered_groups; g++) {
    plan.numbered_men += plan.numbered[g].count;
    if (plan.numbered[g].pawn) plan.numbered_pawns += plan.numbered[g].count;
  }
  KindsStrongestFirst(plan.numbered, plan.numbered_groups, plan.offset_kinds);
  plan.flip = side == 1 && plan.numbered_pawns > 0;

  const bool six_man_pawn = plan.pawn_table && mover.men + passive.men == 4;
  plan.order = !six_man_pawn      ? ORDER_DEFAULT
               : passive.men == 2 ? ORDER_TWO_PASSIVE
               : passive.men == 3 ? ORDER_THREE_PASSIVE
                                  : ORDER_DEFAULT;

  // Significance order (most significant first) and placement order.
  PlanGroup significance[4];
  int place_rank[4] = {0, 0, 0, 0};  // position in the placement order, per significance index
  int n = 0;
  if (plan.order == ORDER_TWO_PASSIVE) {
    for (int g = 0; g < closed_groups; g++)
      if (closed[g].pawn) significance[n++] = closed[g];
    for (int g = closed_groups - 1; g >= 0; g--)
      if (!closed[g].pawn) significance[n++] = closed[g];
    for (int i = 0; i < n; i++) place_rank[i] = i;
  } else {
    for (int g = 0; g < closed_groups; g++)
      if (!closed[g].pawn) significance[n++] = closed[g];
    for (int g = 0; g < closed_groups; g++)
      if (closed[g].pawn) significance[n++] = closed[g];
    // Placement: pawns, then (default) singles strongest first and the like
    // group last, or (three passive) the pieces in signature order.
    int next = 0;
    for (int i = 0; i < n; i++)
      if (significance[i].pawn) place_rank[i] = next++;
    for (int i = 0; i < n; i++)
      if (!significance[i].pawn && (plan.order == ORDER_THREE_PASSIVE || significance[i].count == 1))
        place_rank[i] = next++;
    if (plan.order != ORDER_THREE_PASSIVE)
      for (int i = 0; i < n; i++)
        if (!significance[i].pawn && significance[i].count > 1) place_rank[i] = next++;
  }
  plan.digits = int8_t(n);
  for (int i = 0; i < n; i++) {
    PlanDigit& d = plan.digit[i];
    d.group = significance[i];
    int placed = d.group.pawn ? plan.numbered_pawns : 2 + plan.numbered_men;
    for (int j = 0; j < n; j++)
      if (place_rank[j] < place_rank[i] && (significance[j].pawn || !d.group.pawn)) {
        d.placed_before |= uint8_t(1 << j);
        placed += significance[j].count;
      }
    d.radix = d.group.pawn ? Choose(PAWN_SQUARES - placed, d.group.count) : Choose(64 - placed, d.group.count);
    plan.radix *= d.radix;
  }

  // En-passant region: the mover's pieces are numbered alone; the passive
  // pieces keep their order; other pawns and the slot fill the rest.
  plan.has_ep = mover.pawns > 0 && passive.pawns > 0;
  if (plan.has_ep) {
    plan.mover_pawn_slot = 0;
    plan.mover_pawns = int8_t(mover.pawns);
    plan.passive_pawn_slot = 0;
    plan.passive_pawns = int8_t(passive.pawns);
    for (int g = 0; g < plan.numbered_groups; g++)
      if (!plan.numbered[g].pawn) {
        plan.mover_piece[plan.mover_piece_groups++] = plan.numbered[g];
        plan.mover_pieces += plan.numbered[g].count;
      }
    KindsStrongestFirst(plan.mover_piece, plan.mover_piece_groups, plan.piece_offset_kinds);
    plan.mover_other_radix = Choose(EP_FREE_PAWN_SQUARES, mover.pawns - 1);
    plan.passive_other_radix = Choose(EP_FREE_PAWN_SQUARES - (mover.pawns - 1), passive.pawns - 1);
    plan.ep_radix = EP_SLOTS * plan.mover_other_radix * plan.passive_other_radix;
    const int placed_fixed = 2 + plan.mover_pieces + 4 + (mover.pawns - 1) + (passive.pawns - 1);
    int index_of[3] = {-1, -1, -1};
    for (int i = 0; i < plan.digits; i++)
      if (!plan.digit[i].group.pawn) {
        index_of[i] = plan.ep_digits;
        plan.ep_digit[plan.ep_digits++].group = plan.digit[i].group;
      }
    for (int i = 0; i < plan.digits; i++) {
      if (index_of[i] < 0) continue;
      PlanDigit& d = plan.ep_digit[index_of[i]];
      int placed = placed_fixed;
      for (int j = 0; j < plan.digits; j++)
        if (index_of[j] >= 0 && (plan.digit[i].placed_before & (1 << j))) {
          d.placed_before |= uint8_t(1 << index_of[j]);
          placed += plan.digit[j].group.count;
        }
      d.radix = Choose(64 - placed, d.group.count);
      plan.ep_radix *= d.radix;
    }
  }
  return plan;
}

// The offset array and total of a group of kinds (strongest first).
inline const uint32_t* OffsetsOf(bool pawn_table, int men, const int8_t* kinds) {
  if (pawn_table) {
    if (men == 1) return enum_single_offset[kinds[0]];
    if (men == 2) return enum_pair_offset[kinds[0]][kinds[1]];
    return enum_triple_offset[kinds[0]][kinds[1]][kinds[2]];
  }
  if (men == 1) return enum_single_offset_pawnless[kinds[0]];
  if (men == 2) return enum_pair_offset_pawnless[kinds[0]][kinds[1]];
  return enum_triple_offset_pawnless[kinds[0]][kinds[1]][kinds[2]];
}

inline uint64_t TotalOf(int men, const int8_t* kinds) {
  if (men == 1) return enum_counts[kinds[0]];
  if (men == 2) return enum_pair_counts[kinds[0]][kinds[1]];
  return enum_triple_counts[kinds[0]][kinds[1]][kinds[2]];
}

// Up to three squares in ascending order, by compare and exchange.
inline void SortSquares(int* s, int count) {
  if (count < 2) return;
  if (s[1] < s[0]) std::swap(s[0], s[1]);
  if (count < 3) return;
  if (s[2] < s[1]) std::swap(s[1], s[2]);
  if (s[1] < s[0]) std::swap(s[0], s[1]);
}

// The combinatorial number of up to three ascending values.
inline uint64_t Combination(const uint64_t* x, int count) {
  uint64_t digit = x[0];
  if (count > 1) digit += x[1] * (x[1] - 1) / 2;
  if (count > 2) digit += x[2] * (x[2] - 1) * (x[2] - 2) / 6;
  return digit;
}

inline int CountBelow(int square, const int* placed, int count) {
  int below = 0;
  for (int i = 0; i < count; i++) below += placed[i] < square;
  return below;
}

// The numbered part of a group (groups in numbered order) for the pair of
// kings own, other; TB_NO_INDEX when a man stands where its kind may not.
inline uint64_t NumberGroups(const PlanGroup* groups, int group_count, const int (*squares)[16], int own, int other,
                             int flip) {
  uint64_t local = 0;
  for (int g = 0; g < group_count; g++) {
    const PlanGroup& group = groups[g];
    const uint8_t* rank = enum_square_rank[group.kind] + other * 64;
    const int own_allowed = rank[own] != NO_ENUM_RANK;
    int s[3];
    for (int c = 0; c < group.count; c++) s[c] = squares[group.colour][group.slot + c] ^ flip;
    SortSquares(s, group.count);
    uint64_t r[3] = {0, 0, 0};
    for (int c = 0; c < group.count; c++) {
      const int raw = rank[s[c]];
      if (raw == NO_ENUM_RANK) return TB_NO_INDEX;
      r[c] = uint64_t(raw - (own_allowed && own < s[c]));
    }
    const uint64_t n = enum_square_count[group.kind][other] - own_allowed;
    local = local * Choose(n, group.count) + Combination(r, group.count);
  }
  return local;
}

// One closed digit: the group's reduced squares (pawns less 8 and the pawns
// placed before, pieces less every man placed before) combined.
inline uint64_t ClosedDigit(const PlanGroup& group, const int (*squares)[16], const int* placed, int placed_count) {
  int s[3];
  for (int c = 0; c < group.count; c++) s[c] = squares[group.colour][group.slot + c];
  SortSquares(s, group.count);
  uint64_t x[3] = {0, 0, 0};
  for (int c = 0; c < group.count; c++)
    x[c] = uint64_t(s[c] - (group.pawn ? FIRST_PAWN_SQUARE : 0) - CountBelow(s[c], placed, placed_count));
  return Combination(x, group.count);
}

template <const IndexPlan& P>
uint64_t ComputeIndex(const int32_t* white, const int32_t* black, int32_t ep, int32_t invert) {
  const int32_t* lists[2] = {white, black};
  const int mover = P.mover, passive = P.mover ^ 1;
  int sq[2][16];

  // Fold.
  int e = TB_NO_EP_SQUARE;
  if constexpr (P.pawn_table) {
    const int m = int(file_mirror_mask[lists[mover][15] & 63] ^ invert_mask[invert & 1]);
    for (int colour = 0; colour < 2; colour++) {
      sq[colour][15] = lists[colour][15] ^ m;
      for (int i = 0; i < P.used_count[colour]; i++)
        sq[colour][P.used_slot[colour][i]] = lists[colour][P.used_slot[colour][i]] ^ m;
    }
    if (P.has_ep && ep != TB_NO_EP_SQUARE) e = ep ^ m;
  } else {
    const int m = int(quadrant_mirror_mask[lists[mover][15] & 63]);
    const int own = lists[mover][15] ^ m, other = lists[passive][15] ^ m;
    const bool transpose = !(fold_triangle[own] && (off_diagonal[own] || on_or_below_diagonal[other]));
    for (int colour = 0; colour < 2; colour++) {
      const int king = lists[colour][15] ^ m;
      sq[colour][15] = transpose ? int(transpose_square[king]) : king;
      for (int i = 0; i < P.used_count[colour]; i++) {
        const int s = lists[colour][P.used_slot[colour][i]] ^ m;
        sq[colour][P.used_slot[colour][i]] = transpose ? int(transpose_square[s]) : s;
      }
    }
  }

  // The men placed before every closed digit: kings and numbered men.
  int placed[8];
  int placed_count = 0;
  placed[placed_count++] = sq[0][15];
  placed[placed_count++] = sq[1][15];
  int numbered_pawns[3];
  int numbered_pawn_count = 0;
  for (int g = 0; g < P.numbered_groups; g++)
    for (int c = 0; c < P.numbered[g].count; c++) {
      const int s = sq[P.numbered[g].colour][P.numbered[g].slot + c];
      placed[placed_count++] = s;
      if (P.numbered[g].pawn) numbered_pawns[numbered_pawn_count++] = s;
    }

  if (P.has_ep && e != TB_NO_EP_SQUARE) {
    // Capturing pawn: the side to move's lowest pawn that can take on e,
    // toward the a-file tested first.
    int pawns[3];
    for (int c = 0; c < P.mover_pawns; c++) pawns[c] = sq[mover][c];
    SortSquares(pawns, P.mover_pawns);
    const int forward = mover == 0 ? 8 : -8;
    int capturer = -1, slot = 0;
    for (int c = 0; c < P.mover_pawns && capturer < 0; c++) {
      const int s = pawns[c], file = s & 7;
      if (e == s + forward - 1 && file != 0) {
        capturer = c;
        slot = file - 1;
      } else if (e == s + forward + 1 && file != 7) {
        capturer = c;
        slot = file + 7;
      }
    }
    if (capturer < 0) return TB_NO_INDEX;
    const int pushed_square = e - forward, from_square = e + forward;
    int pushed = -1;
    int other_passive[3];
    int other_passive_count = 0;
    for (int c = 0; c < P.passive_pawns; c++) {
      const int s = sq[passive][c];
      if (s == pushed_square && pushed < 0)
        pushed = c;
      else
        other_passive[other_passive_count++] = s;
    }
    if (pushed < 0) return TB_NO_INDEX;
    int fixed[12] = {pawns[capturer], pushed_square, e, from_square};
    int fixed_count = 4;
    // The mover's other pawns, reduced by the four fixed squares.
    int other_mover[3];
    int other_mover_count = 0;
    for (int c = 0; c < P.mover_pawns; c++)
      if (c != capturer) other_mover[other_mover_count++] = pawns[c];
    uint64_t x[3] = {0, 0, 0};
    for (int c = 0; c < other_mover_count; c++)
      x[c] = uint64_t(other_mover[c] - FIRST_PAWN_SQUARE - CountBelow(other_mover[c], fixed, 4));
    const uint64_t mover_digit = other_mover_count ? Combination(x, other_mover_count) : 0;
    for (int c = 0; c < other_mover_count; c++) fixed[fixed_count++] = other_mover[c];
    SortSquares(other_passive, other_passive_count);
    for (int c = 0; c < other_passive_count; c++)
      x[c] = uint64_t(other_passive[c] - FIRST_PAWN_SQUARE - CountBelow(other_passive[c], fixed, fixed_count));
    const uint64_t passive_digit = other_passive_count ? Combination(x, other_passive_count) : 0;
    for (int c = 0; c < other_passive_count; c++) fixed[fixed_count++] = other_passive[c];
    // The passive pieces, reduced by kings, mover's pieces, the fixed
    // squares, the other pawns and the pieces placed before.
    int base_placed[12];
    int base_count = 0;
    base_placed[base_count++] = sq[0][15];
    base_placed[base_count++] = sq[1][15];
    for (int g = 0; g < P.mover_piece_groups; g++)
      for (int c = 0; c < P.mover_piece[g].count; c++) base_placed[base_count++] = sq[mover][P.mover_piece[g].slot + c];
    for (int i = 0; i < fixed_count; i++) base_placed[base_count++] = fixed[i];
    uint64_t pieces_digit = 0;
    for (int i = 0; i < P.ep_digits; i++) {
      int before[12];
      int before_count = 0;
      for (int k = 0; k < base_count; k++) before[before_count++] = base_placed[k];
      for (int j = 0; j < P.ep_digits; j++)
        if (P.ep_digit[i].placed_before & (1 << j))
          for (int c = 0; c < P.ep_digit[j].group.count; c++)
            before[before_count++] = sq[P.ep_digit[j].group.colour][P.ep_digit[j].group.slot + c];
      pieces_digit = pieces_digit * P.ep_digit[i].radix + ClosedDigit(P.ep_digit[i].group, sq, before, before_count);
    }
    // The mover's pieces numbered alone on the unflipped squares, or the
    // king pair when the mover has only pawns.
    const int own = sq[mover][15], other = sq[passive][15];
    const int pair = pawn_king_pair_index[own * 64 + other];
    if (pair == NO_KING_PAIR) return TB_NO_INDEX;
    uint64_t pieces_number = uint64_t(pair);
    if (P.mover_pieces > 0) {
      const uint64_t local = NumberGroups(P.mover_piece, P.mover_piece_groups, sq, own, other, 0);
      if (local == TB_NO_INDEX) return TB_NO_INDEX;
      pieces_number = OffsetsOf(true, P.mover_pieces, P.piece_offset_kinds)[pair] + local;
    }
    const uint64_t base = TotalOf(P.numbered_men, P.offset_kinds) * P.radix;
    const uint64_t rest = mover_digit + P.mover_other_radix * (passive_digit + P.passive_other_radix * pieces_digit);
    return base + pieces_number * P.ep_radix + uint64_t(slot) + EP_SLOTS * rest;
  }

  // King pair and numbered part, on the turned-over squares when the
  // numbered men are pawns and black is to move.
  const int flip = P.flip ? 56 : 0;
  const int own = sq[mover][15] ^ flip, other = sq[passive][15] ^ flip;
  const int pair = P.pawn_table ? pawn_king_pair_index[own * 64 + other] : pawnless_king_pair_index[own * 64 + other];
  if (pair == NO_KING_PAIR) return TB_NO_INDEX;
  uint64_t number = uint64_t(pair);
  if (P.numbered_men > 0) {
    const uint64_t local = NumberGroups(P.numbered, P.numbered_groups, sq, own, other, flip);
    if (local == TB_NO_INDEX) return TB_NO_INDEX;
    number = OffsetsOf(P.pawn_table, P.numbered_men, P.offset_kinds)[pair] + local;
  }

  // Closed digits of the other men, most significant first.
  uint64_t closed = 0;
  for (int i = 0; i < P.digits; i++) {
    const PlanDigit& d = P.digit[i];
    int before[8] = {};  // zeroed only to quiet a false maybe-uninitialized warning of the sanitizer build
    int before_count = 0;
    if (d.group.pawn) {
      for (int k = 0; k < numbered_pawn_count; k++) before[before_count++] = numbered_pawns[k];
    } else {
      for (int k = 0; k < placed_count; k++) before[before_count++] = placed[k];
    }
    for (int j = 0; j < P.digits; j++)
      if (d.placed_before & (1 << j))
        for (int c = 0; c < P.digit[j].group.count; c++)
          before[before_count++] = sq[P.digit[j].group.colour][P.digit[j].group.slot + c];
    closed = closed * d.radix + ClosedDigit(d.group, sq, before, before_count);
  }
  return number * P.radix + closed;
}

}  // namespace tb_scheme
