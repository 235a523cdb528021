// bitbase_generator: computes the evaluation's built-in endgame bitbases by
// retrograde analysis and writes them as a C++ source file.
//
//   bitbase_generator OUTPUT.cpp     write the tables
//   bitbase_generator --stats        print position counts, write nothing
//
// It carries its own small move code and includes no engine header, so that
// the engine's move generator can check the tables independently.
//
// Squares a1 = 0 ... h8 = 63. All three tables see the pawn as white (moving
// toward rank 8); the engine rotates the squares of a black pawn.
//
// kpk_bitbase, second_pawn_bitbase: uint8_t[65536], bit i at byte i / 8,
// bit i % 8, with i = side + 2 * pawn + 128 * king + 8192 * other_king.
// side 0: the pawn side (white) is to move; side 1: the lone king is.
// king: the pawn side's king; other_king: the lone king.
//
//   second_pawn_bitbase: the exact king-and-pawn-against-king result, set when
//   the pawn side wins with best play, the fifty-move rule ignored. The pawn
//   side plays king moves and single or double pushes; a promotion to queen or
//   rook wins unless the lone king, to move, can take the new piece while it
//   is undefended or is stalemated (king and queen or rook against king wins
//   from every other position). The lone king must have a legal move and loses
//   when every move loses; taking an undefended pawn draws; with no legal move
//   it is mated when the pawn checks it and stalemated otherwise.
//
//   kpk_bitbase: "the pawn runs through unaided": the pawn side may only push
//   the pawn (single or double, promoting to queen or rook as above); its
//   king stays where it is but still blocks squares, guards the pawn and
//   guards the promotion square. The lone king makes any legal move as
//   above. The bit is set when the pawn promotes with a win against every
//   defence. It is defined on every placement of three distinct squares with
//   the pawn on ranks 2-7, kings side by side included (the passed-pawn
//   evaluation probes pawn pairs with a pawn's square in the lone king's
//   slot).
//
//   Placements that are not legal positions (a shared square, kings side by
//   side, the lone king attacked by the pawn with the pawn side to move, a
//   pawn on rank 1 or 8) hold the kpk bit in second_pawn_bitbase, so that
//   every kpk bit is also a second bit on every index. Shared squares and
//   pawns on rank 1 or 8 hold 0 in both tables.
//
// rook_pawn_bitbase: uint64_t[65536], word a * 1024 + b * 16 + pawn_index,
// bit d. A black rook on a and the black king on b against the white king on d
// and a white pawn on e4-h7, pawn_index = (rank - 4) * 4 + (file - e), black
// (the rook side) to move; pawns on files a-d are mirrored by the probe. The
// bit is set when black does not win with best play, the fifty-move rule
// ignored ("the pawn side holds"), clear when black wins. Illegal placements (a
// shared square, kings side by side, the white king attacked) hold 0. White
// chooses its promotion piece, so the exact "rook side wins" sets of king and
// rook against king and queen, rook, bishop and knight are solved as well, and
// king and rook against king for the captures of the last white man.
#include <algorithm>
#include <bit>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Board geometry.

constexpr int File(int s) { return s & 7; }
constexpr int Rank(int s) { return s >> 3; }
constexpr uint64_t Bit(int s) { return uint64_t(1) << s; }

uint64_t king_steps[64], knight_steps[64], white_pawn_attacks[64];
uint64_t rays[8][64];  // N, E, NE, NW (increasing squares), S, W, SW, SE
constexpr int kRayFile[8] = {0, 1, 1, -1, 0, -1, -1, 1};
constexpr int kRayRank[8] = {1, 0, 1, 1, -1, 0, -1, -1};

void InitGeometry() {
  for (int s = 0; s < 64; s++) {
    const int f = File(s), r = Rank(s);
    for (int df = -2; df <= 2; df++)
      for (int dr = -2; dr <= 2; dr++) {
        const int tf = f + df, tr = r + dr;
        if (tf < 0 || tf > 7 || tr < 0 || tr > 7 || (df == 0 && dr == 0)) continue;
        const int t = tf + 8 * tr;
        if (std::abs(df) <= 1 && std::abs(dr) <= 1) king_steps[s] |= Bit(t);
        if (std::abs(df * dr) == 2) knight_steps[s] |= Bit(t);
        if (dr == 1 && std::abs(df) == 1) white_pawn_attacks[s] |= Bit(t);
      }
    for (int d = 0; d < 8; d++)
      for (int tf = f + kRayFile[d], tr = r + kRayRank[d]; tf >= 0 && tf < 8 && tr >= 0 && tr < 8;
           tf += kRayFile[d], tr += kRayRank[d])
        rays[d][s] |= Bit(tf + 8 * tr);
  }
}

inline uint64_t Slide(int s, uint64_t occupied, int first_dir) {
  uint64_t attacks = 0;
  for (int d = first_dir; d < first_dir + 2; d++) {  // the two increasing rays
    uint64_t ray = rays[d][s];
    if (const uint64_t blockers = ray & occupied) ray ^= rays[d][std::countr_zero(blockers)];
    attacks |= ray;
  }
  for (int d = first_dir + 4; d < first_dir + 6; d++) {  // the two decreasing ones
    uint64_t ray = rays[d][s];
    if (const uint64_t blockers = ray & occupied) ray ^= rays[d][63 - std::countl_zero(blockers)];
    attacks |= ray;
  }
  return attacks;
}
inline uint64_t RookAttacks(int s, uint64_t occupied) { return Slide(s, occupied, 0); }
inline uint64_t BishopAttacks(int s, uint64_t occupied) { return Slide(s, occupied, 2); }

enum Kind { kNone, kKnight, kBishop, kRook, kQueen };

inline uint64_t Attacks(int kind, int s, uint64_t occupied) {
  switch (kind) {
    case kKnight:
      return knight_steps[s];
    case kBishop:
      return BishopAttacks(s, occupied);
    case kRook:
      return RookAttacks(s, occupied);
    case kQueen:
      return RookAttacks(s, occupied) | BishopAttacks(s, occupied);
    default:
      return 0;
  }
}

inline bool Adjacent(int a, int b) { return (king_steps[a] >> b) & 1; }

// White has just put a queen or rook on q (wk its king), the lone king bk is
// to move: won unless bk takes the undefended piece or is stalemated.
bool PromotionWins(int kind, int q, int wk, int bk) {
  if (Adjacent(bk, q) && !Adjacent(wk, q)) return false;
  const uint64_t piece = Attacks(kind, q, Bit(wk));  // through the lone king's square
  const bool check = (piece >> bk) & 1;
  const uint64_t flights = king_steps[bk] & ~piece & ~king_steps[wk] & ~Bit(wk) & ~Bit(q);
  return flights != 0 || check;
}

// ---------------------------------------------------------------------------
// King and pawn against king.

struct KpkResult {
  uint8_t kpk[65536];
  uint8_t second[65536];
};

constexpr int KpkBit(int side, int pawn, int king, int other_king) {
  return side + 2 * pawn + 128 * king + 8192 * other_king;
}

inline bool KpkDistinct(int p, int wk, int bk) { return p != wk && p != bk && wk != bk; }

bool KpkLegal(int side, int p, int wk, int bk) {
  if (Rank(p) == 0 || Rank(p) == 7 || !KpkDistinct(p, wk, bk) || Adjacent(wk, bk)) return false;
  return side == 1 || !((white_pawn_attacks[p] >> bk) & 1);
}

// Tables by [pawn][king][lone king], one per side to move.
using KpkPlane = std::vector<uint8_t>;
inline int KpkAt(int p, int wk, int bk) { return (p << 12) | (wk << 6) | bk; }

// The lone king's moves: its neighbours that the white king and the pawn do
// not cover, the pawn itself only when undefended. Calls visit(to) for each
// move and returns their number.
template <typename Visit>
int LoneKingMoves(int p, int wk, int bk, Visit visit) {
  uint64_t moves = king_steps[bk] & ~king_steps[wk] & ~Bit(wk) & ~white_pawn_attacks[p];
  int count = 0;
  for (; moves; moves &= moves - 1) {
    count++;
    visit(std::countr_zero(moves));
  }
  return count;
}

// A pawn push from p to t (t on rank 8: the promotion): 1 when it wins given
// the table of the lone king to move.
inline bool PushWins(const KpkPlane& lone_to_move, int t, int wk, int bk) {
  if (Rank(t) == 7) return PromotionWins(kQueen, t, wk, bk) || PromotionWins(kRook, t, wk, bk);
  return lone_to_move[KpkAt(t, wk, bk)];
}

bool PushAnyWins(const KpkPlane& lone_to_move, int p, int wk, int bk) {
  const uint64_t occupied = Bit(wk) | Bit(bk);
  if (occupied & Bit(p + 8)) return false;
  if (PushWins(lone_to_move, p + 8, wk, bk)) return true;
  return Rank(p) == 1 && !(occupied & Bit(p + 16)) && PushWins(lone_to_move, p + 16, wk, bk);
}

// The lone king to move: lost when it has moves and all lose, or when the
// pawn mates it. pawn_to_move is the table after its move.
bool LoneKingLoses(const KpkPlane& pawn_to_move, int p, int wk, int bk) {
  bool all_lose = true;
  const int moves = LoneKingMoves(p, wk, bk, [&](int t) {
    if (t == p || !pawn_to_move[KpkAt(p, wk, t)]) all_lose = false;
  });
  if (moves == 0) return (white_pawn_attacks[p] >> bk) & 1;
  return all_lose;
}

void SolveKpk(KpkResult& out) {
  // unaided[0]: pawn side to move, [1]: lone king to move; exact likewise.
  KpkPlane unaided[2] = {KpkPlane(1 << 18), KpkPlane(1 << 18)};
  KpkPlane exact[2] = {KpkPlane(1 << 18), KpkPlane(1 << 18)};
  // A push only leads to higher pawn squares, so each pawn square is solved
  // after the squares ahead of it.
  for (int p = 55; p >= 8; p--) {
    for (int wk = 0; wk < 64; wk++)
      for (int bk = 0; bk < 64; bk++)
        if (KpkDistinct(p, wk, bk)) unaided[0][KpkAt(p, wk, bk)] = PushAnyWins(unaided[1], p, wk, bk);
    for (int wk = 0; wk < 64; wk++)
      for (int bk = 0; bk < 64; bk++)
        if (KpkDistinct(p, wk, bk)) unaided[1][KpkAt(p, wk, bk)] = LoneKingLoses(unaided[0], p, wk, bk);

    // Exact: king moves stay on this pawn square, so iterate to the fixpoint.
    for (bool changed = true; changed;) {
      changed = false;
      for (int wk = 0; wk < 64; wk++)
        for (int bk = 0; bk < 64; bk++) {
          const int at = KpkAt(p, wk, bk);
          if (!KpkLegal(0, p, wk, bk) || exact[0][at]) continue;
          bool win = PushAnyWins(exact[1], p, wk, bk);
          for (uint64_t m = king_steps[wk] & ~king_steps[bk] & ~Bit(p); m && !win; m &= m - 1)
            win = exact[1][KpkAt(p, std::countr_zero(m), bk)];
          if (win) exact[0][at] = 1, changed = true;
        }
      for (int wk = 0; wk < 64; wk++)
        for (int bk = 0; bk < 64; bk++) {
          const int at = KpkAt(p, wk, bk);
          if (!KpkLegal(1, p, wk, bk) || exact[1][at]) continue;
          if (LoneKingLoses(exact[0], p, wk, bk)) exact[1][at] = 1, changed = true;
        }
    }
  }

  std::memset(out.kpk, 0, sizeof out.kpk);
  std::memset(out.second, 0, sizeof out.second);
  for (int p = 8; p < 56; p++)
    for (int wk = 0; wk < 64; wk++)
      for (int bk = 0; bk < 64; bk++) {
        if (!KpkDistinct(p, wk, bk)) continue;
        for (int side = 0; side < 2; side++) {
          const int at = KpkAt(p, wk, bk), i = KpkBit(side, p, wk, bk);
          const bool run = unaided[side][at];
          const bool win = KpkLegal(side, p, wk, bk) ? exact[side][at] : run;
          if (run && !win) {
            std::fprintf(stderr, "bitbase_generator: unaided win not a win at bit %d\n", i);
            std::exit(1);
          }
          out.kpk[i >> 3] |= uint8_t(run) << (i & 7);
          out.second[i >> 3] |= uint8_t(win) << (i & 7);
        }
      }
}

// ---------------------------------------------------------------------------
// King and rook (black) against king and one white man, black's wins.
//
// A position: white king wk, white man wx of kind X, black king bk, black
// rook br. Each table keeps, for black to move and for white to move, whether
// black wins. Solved backwards from mates and from winning exits (captures
// into smaller tables, pawn steps into solved tables, promotions); a position
// with white to move counts its moves that stay in the table and is won when
// all of them are.

struct Pos {
  int wk, wx, bk, br;
};

enum : uint8_t { kOpen = 0, kWon = 1, kClosed = 2 };  // kClosed: illegal or not won

struct Solved {
  std::vector<uint8_t> black_to_move, white_to_move;  // kWon where black wins
};

// Eight symmetries of the pawnless board; the black king is brought into the
// triangle a1-d1-d4 and, on its diagonal, the smaller index of the two
// images is kept.
uint8_t sym[8][64];
uint8_t tri_index[64];  // 0..9, 255 off the triangle
uint8_t tri_square[10];
uint8_t syms_for[64][2], syms_count[64];

void InitSymmetry() {
  for (int t = 0; t < 8; t++)
    for (int s = 0; s < 64; s++) {
      int f = File(s), r = Rank(s);
      if (t & 1) f = 7 - f;
      if (t & 2) r = 7 - r;
      if (t & 4) std::swap(f, r);
      sym[t][s] = uint8_t(f + 8 * r);
    }
  int n = 0;
  for (int s = 0; s < 64; s++) {
    tri_index[s] = 255;
    if (File(s) <= 3 && Rank(s) <= File(s)) tri_square[n] = uint8_t(s), tri_index[s] = uint8_t(n++);
  }
  for (int s = 0; s < 64; s++) {
    syms_count[s] = 0;
    for (int t = 0; t < 8; t++)
      if (tri_index[sym[t][s]] != 255) syms_for[s][syms_count[s]++] = uint8_t(t);
  }
}

// Two different moves (or unmoves) can reach the same canonical position only
// through a diagonal reflection that fixes every man neither of them moved.
bool MayReachSameImage(const Pos& p, int men) {
  int main_diag = 0, anti_diag = 0;
  for (int s : {p.wk, p.wx, p.bk, p.br}) {
    if (s < 0) continue;
    main_diag += File(s) == Rank(s);
    anti_diag += File(s) + Rank(s) == 7;
  }
  return std::max(main_diag, anti_diag) >= men - 2;
}

int Dedupe(uint32_t* list, int n) {
  std::sort(list, list + n);
  return int(std::unique(list, list + n) - list);
}

// Index schemes. Pawnless tables fold the symmetries; a pawn table holds one
// fixed pawn square and no folding.
template <int X>
struct PawnlessIndex {
  static constexpr int kMen = X == kNone ? 3 : 4;
  static constexpr uint32_t kSize = X == kNone ? 10u << 12 : 10u << 18;
  static uint32_t Encode(int wk, int wx, int bk, int br) {
    const uint32_t base = uint32_t(tri_index[bk]) << 12 | uint32_t(br) << 6 | uint32_t(wk);
    return X == kNone ? base : base << 6 | uint32_t(wx);
  }
  uint32_t operator()(const Pos& p) const {
    uint32_t best = UINT32_MAX;
    for (int i = 0; i < syms_count[p.bk]; i++) {
      const uint8_t* m = sym[syms_for[p.bk][i]];
      best = std::min(best, Encode(m[p.wk], X == kNone ? 0 : m[p.wx], m[p.bk], m[p.br]));
    }
    return best;
  }
  Pos Decode(uint32_t i) const {
    Pos p;
    if (X == kNone) {
      p.wx = -1;
    } else {
      p.wx = int(i & 63);
      i >>= 6;
    }
    p.wk = int(i & 63);
    p.br = int((i >> 6) & 63);
    p.bk = tri_square[i >> 12];
    return p;
  }
  bool MayReachSameImage(const Pos& p) const { return ::MayReachSameImage(p, kMen); }
};

struct PawnIndex {
  static constexpr int kMen = 4;
  static constexpr uint32_t kSize = 1u << 18;
  int pawn;
  uint32_t operator()(const Pos& p) const { return uint32_t(p.bk) << 12 | uint32_t(p.br) << 6 | uint32_t(p.wk); }
  Pos Decode(uint32_t i) const { return {int(i & 63), pawn, int(i >> 12), int((i >> 6) & 63)}; }
  bool MayReachSameImage(const Pos&) const { return false; }
};

// Lookups into tables solved earlier, by the exits of the one being solved.
struct Exits {
  const Solved* krk = nullptr;         // after the last white man is taken
  const Solved* promoted[5] = {};      // by kind, after a promotion
  const Solved* pawn_ahead = nullptr;  // the pawn one square further on
};

// The table solver. X is the white man's kind, or -1 for a white pawn.
template <int X>
constexpr bool kPawnMan = X < 0;

template <int X>
uint64_t Occupied(const Pos& p) {
  return Bit(p.wk) | Bit(p.bk) | Bit(p.br) | (X == kNone ? 0 : Bit(p.wx));
}
// Squares the white man attacks, through the given occupancy.
template <int X>
uint64_t ManAttacks(const Pos& p, uint64_t occupied) {
  if (kPawnMan<X>) return white_pawn_attacks[p.wx];
  return Attacks(X, p.wx, occupied);
}
template <int X>
bool Valid(const Pos& p) {
  if (p.wk == p.bk || p.wk == p.br || p.bk == p.br) return false;
  if (X != kNone && (p.wx == p.wk || p.wx == p.bk || p.wx == p.br)) return false;
  return !Adjacent(p.wk, p.bk);
}
template <int X>
bool WhiteInCheck(const Pos& p) {
  return (RookAttacks(p.br, Occupied<X>(p)) >> p.wk) & 1;
}
template <int X>
bool BlackInCheck(const Pos& p) {
  return (ManAttacks<X>(p, Occupied<X>(p)) >> p.bk) & 1;
}
template <int X>
bool LegalBlackToMove(const Pos& p) {
  return Valid<X>(p) && !WhiteInCheck<X>(p);
}
template <int X>
bool LegalWhiteToMove(const Pos& p) {
  return Valid<X>(p) && !BlackInCheck<X>(p);
}

// One table being solved: its index scheme, the tables it exits into, and
// per white-to-move position the count of moves that stay in the table.
template <typename Index>
struct Solving {
  Index index;
  Exits exits;
  std::vector<uint8_t> counts;
};

// Black to move: a capture of the white man that leads to a won KRK.
template <int X, typename Index>
bool BlackWinsByExit(const Solving<Index>& s, const Pos& p) {
  if (X == kNone) return false;
  const uint64_t occupied = Occupied<X>(p);
  bool win = false;
  auto krk_won = [&](int bk, int br) {
    const Pos q{p.wk, -1, bk, br};
    return s.exits.krk->white_to_move[PawnlessIndex<kNone>()(q)] == kWon;
  };
  // The king takes an undefended man.
  if (Adjacent(p.bk, p.wx) && !Adjacent(p.wk, p.wx)) win = krk_won(p.wx, p.br);
  // The rook takes it (only the white king could check black afterwards,
  // and it cannot).
  if (!win && ((RookAttacks(p.br, occupied) >> p.wx) & 1)) win = krk_won(p.bk, p.wx);
  return win;
}

// White to move: the state to start from, with the count of moves that
// stay in the table.
template <int X, typename Index>
uint8_t InitWhite(Solving<Index>& s, const Pos& p, uint32_t i) {
  const Index& index = s.index;
  const uint64_t occupied = Occupied<X>(p);
  uint32_t succ[64];
  int n = 0, exits = 0;
  // King moves; the rook's line runs through the king's square.
  const uint64_t guarded = king_steps[p.bk] | RookAttacks(p.br, occupied & ~Bit(p.wk));
  uint64_t to = king_steps[p.wk] & ~guarded & ~(X == kNone ? 0 : Bit(p.wx));
  if ((to >> p.br) & 1) return kClosed;  // takes the undefended rook
  for (; to; to &= to - 1) succ[n++] = index(Pos{std::countr_zero(to), p.wx, p.bk, p.br});
  if (kPawnMan<X>) {
    if ((white_pawn_attacks[p.wx] >> p.br) & 1) return kClosed;
    const int t = p.wx + 8;
    if (!((occupied >> t) & 1)) {
      const Pos q{p.wk, t, p.bk, p.br};
      if (!((RookAttacks(p.br, occupied ^ Bit(p.wx) ^ Bit(t)) >> p.wk) & 1)) {
        exits++;
        if (Rank(t) == 7) {
          // White picks its piece: every promotion must lose.
          if (s.exits.promoted[kKnight]->black_to_move[PawnlessIndex<kKnight>()(q)] != kWon ||
              s.exits.promoted[kBishop]->black_to_move[PawnlessIndex<kBishop>()(q)] != kWon ||
              s.exits.promoted[kRook]->black_to_move[PawnlessIndex<kRook>()(q)] != kWon ||
              s.exits.promoted[kQueen]->black_to_move[PawnlessIndex<kQueen>()(q)] != kWon)
            return kClosed;
        } else if (s.exits.pawn_ahead->black_to_move[PawnIndex{t}(q)] != kWon) {
          return kClosed;
        }
      }
    }
  } else if (X != kNone) {
    const bool rook_in_line = (RookAttacks(p.br, 0) >> p.wk) & 1;
    for (uint64_t m = Attacks(X, p.wx, occupied) & ~Bit(p.wk) & ~Bit(p.bk); m; m &= m - 1) {
      const int t = std::countr_zero(m);
      if (t == p.br) return kClosed;  // takes the rook
      if (rook_in_line && ((RookAttacks(p.br, occupied ^ Bit(p.wx) ^ Bit(t)) >> p.wk) & 1)) continue;
      succ[n++] = index(Pos{p.wk, t, p.bk, p.br});
    }
  }
  if (n && index.MayReachSameImage(p)) n = Dedupe(succ, n);
  if (n == 0) {
    if (exits) return kWon;                      // every move leaves the table into a black win
    return WhiteInCheck<X>(p) ? kWon : kClosed;  // mate or stalemate
  }
  s.counts[i] = uint8_t(n);
  return kOpen;
}

// Positions with white to move from which a white move leads to p (black
// to move). Pawn steps leave the table and are not undone.
template <int X, typename Index>
int WhiteUnmoves(const Index& index, const Pos& p, uint32_t* out) {
  const uint64_t occupied = Occupied<X>(p);
  int n = 0;
  for (uint64_t m = king_steps[p.wk] & ~occupied; m; m &= m - 1) {
    const Pos q{std::countr_zero(m), p.wx, p.bk, p.br};
    if (LegalWhiteToMove<X>(q)) out[n++] = index(q);
  }
  if (!kPawnMan<X> && X != kNone)
    for (uint64_t m = Attacks(X, p.wx, occupied) & ~occupied; m; m &= m - 1) {
      const Pos q{p.wk, std::countr_zero(m), p.bk, p.br};
      if (LegalWhiteToMove<X>(q)) out[n++] = index(q);
    }
  return n;
}

// Positions with black to move from which a black move leads to p.
template <int X, typename Index>
int BlackUnmoves(const Index& index, const Pos& p, uint32_t* out) {
  const uint64_t occupied = Occupied<X>(p);
  int n = 0;
  for (uint64_t m = king_steps[p.bk] & ~occupied; m; m &= m - 1) {
    const Pos q{p.wk, p.wx, std::countr_zero(m), p.br};
    if (LegalBlackToMove<X>(q)) out[n++] = index(q);
  }
  for (uint64_t m = RookAttacks(p.br, occupied) & ~occupied; m; m &= m - 1) {
    const Pos q{p.wk, p.wx, p.bk, std::countr_zero(m)};
    if (LegalBlackToMove<X>(q)) out[n++] = index(q);
  }
  return n;
}

template <int X, typename Index>
Solved SolveTable(Index index, const Exits& exits) {
  Solving<Index> solving{index, exits, std::vector<uint8_t>(Index::kSize, 0)};
  Solved s;
  s.black_to_move.assign(Index::kSize, kClosed);
  s.white_to_move.assign(Index::kSize, kClosed);
  std::vector<uint32_t> queue;  // index * 2 + (1 for black to move)
  for (uint32_t i = 0; i < Index::kSize; i++) {
    const Pos p = index.Decode(i);
    if (!Valid<X>(p) || index(p) != i) continue;
    if (LegalBlackToMove<X>(p)) {
      s.black_to_move[i] = BlackWinsByExit<X>(solving, p) ? kWon : kOpen;
      if (s.black_to_move[i] == kWon) queue.push_back(i * 2 + 1);
    }
    if (LegalWhiteToMove<X>(p)) {
      s.white_to_move[i] = InitWhite<X>(solving, p, i);
      if (s.white_to_move[i] == kWon) queue.push_back(i * 2);
    }
  }
  std::vector<uint8_t>& counts = solving.counts;
  uint32_t preds[64];
  for (size_t head = 0; head < queue.size(); head++) {
    const uint32_t i = queue[head] >> 1;
    const Pos p = index.Decode(i);
    if (queue[head] & 1) {
      // Black to move wins here: each white move into it is one fewer
      // escape for the position before.
      int n = WhiteUnmoves<X>(index, p, preds);
      if (index.MayReachSameImage(p)) n = Dedupe(preds, n);
      for (int k = 0; k < n; k++) {
        const uint32_t j = preds[k];
        if (s.white_to_move[j] == kOpen && --counts[j] == 0) {
          s.white_to_move[j] = kWon;
          queue.push_back(j * 2);
        }
      }
    } else {
      const int n = BlackUnmoves<X>(index, p, preds);
      for (int k = 0; k < n; k++) {
        const uint32_t j = preds[k];
        if (s.black_to_move[j] == kOpen) {
          s.black_to_move[j] = kWon;
          queue.push_back(j * 2 + 1);
        }
      }
    }
  }
  return s;
}

template <int X>
Solved SolvePawnless(const Exits& exits) {
  return SolveTable<X>(PawnlessIndex<X>(), exits);
}

struct RookTables {
  Solved krk, with[5];  // with[kind]: against king and that man
  Solved pawn[64];      // against king and pawn, pawn squares e4-h7
};

void SolveRookTables(RookTables& t) {
  t.krk = SolvePawnless<kNone>(Exits());
  Exits exits;
  exits.krk = &t.krk;
  t.with[kKnight] = SolvePawnless<kKnight>(exits);
  t.with[kBishop] = SolvePawnless<kBishop>(exits);
  t.with[kRook] = SolvePawnless<kRook>(exits);
  t.with[kQueen] = SolvePawnless<kQueen>(exits);
  for (int kind = kKnight; kind <= kQueen; kind++) exits.promoted[kind] = &t.with[kind];
  // A pawn table needs the one a square ahead; pawns never change file
  // inside the tables (a capture by the pawn takes the rook and ends them).
  for (int rank = 6; rank >= 3; rank--)
    for (int file = 4; file < 8; file++) {
      const int pawn = file + 8 * rank;
      Exits e = exits;
      e.pawn_ahead = rank < 6 ? &t.pawn[pawn + 8] : nullptr;
      t.pawn[pawn] = SolveTable<-1>(PawnIndex{pawn}, e);
    }
}

// Legal with black to move: distinct squares, kings apart, white not in check.
bool RookPawnLegal(int rook, int black_king, int pawn, int white_king) {
  if (rook == black_king || rook == pawn || rook == white_king || black_king == pawn || black_king == white_king ||
      pawn == white_king || Adjacent(black_king, white_king))
    return false;
  const uint64_t occupied = Bit(rook) | Bit(black_king) | Bit(pawn) | Bit(white_king);
  return !((RookAttacks(rook, occupied) >> white_king) & 1);
}

void FillRookPawnBitbase(const RookTables& t, std::vector<uint64_t>& words) {
  words.assign(65536, 0);
  for (int a = 0; a < 64; a++)
    for (int b = 0; b < 64; b++)
      for (int pawn_index = 0; pawn_index < 16; pawn_index++) {
        const int pawn = 4 + (pawn_index & 3) + 8 * (3 + (pawn_index >> 2));
        uint64_t word = 0;
        for (int d = 0; d < 64; d++) {
          if (!RookPawnLegal(a, b, pawn, d)) continue;
          const uint32_t i = PawnIndex{pawn}(Pos{d, pawn, b, a});
          if (t.pawn[pawn].black_to_move[i] != kWon) word |= Bit(d);
        }
        words[a * 1024 + b * 16 + pawn_index] = word;
      }
}

// ---------------------------------------------------------------------------
// Counts for cross-checking, over every placement (no symmetry folding).

template <int X>
void PrintPawnlessCounts(const char* name, const Solved& s) {
  uint64_t legal[2] = {}, won[2] = {};
  const PawnlessIndex<X> index;
  for (int wk = 0; wk < 64; wk++)
    for (int wx = 0; wx < (X == kNone ? 1 : 64); wx++)
      for (int bk = 0; bk < 64; bk++)
        for (int br = 0; br < 64; br++) {
          const Pos p{wk, X == kNone ? -1 : wx, bk, br};
          const uint32_t i = index(p);
          if (i >= PawnlessIndex<X>::kSize) continue;
          // kClosed covers illegal and lost-for-black alike, so legality is
          // recomputed here.
          const uint64_t occupied = Bit(wk) | Bit(bk) | Bit(br) | (X == kNone ? 0 : Bit(wx));
          const int men = X == kNone ? 3 : 4;
          if (std::popcount(occupied) != men || Adjacent(wk, bk)) continue;
          const bool white_in_check = (RookAttacks(br, occupied) >> wk) & 1;
          const bool black_in_check = X != kNone && ((Attacks(X, wx, occupied) >> bk) & 1);
          if (!white_in_check) legal[0]++, won[0] += s.black_to_move[i] == kWon;
          if (!black_in_check) legal[1]++, won[1] += s.white_to_move[i] == kWon;
        }
  std::printf("%-6s rook side to move: legal %10" PRIu64 " rook wins %10" PRIu64
              " | other side to move: legal %10" PRIu64 " rook wins %10" PRIu64 "\n",
              name, legal[0], won[0], legal[1], won[1]);
}

bool GetBit(const uint8_t* table, int i) { return (table[i >> 3] >> (i & 7)) & 1; }

void PrintStats(const KpkResult& kpk, const RookTables& t, const std::vector<uint64_t>& rook_words) {
  for (int side = 0; side < 2; side++) {
    uint64_t legal = 0, won = 0, run = 0, run_illegal = 0;
    for (int p = 8; p < 56; p++)
      for (int wk = 0; wk < 64; wk++)
        for (int bk = 0; bk < 64; bk++) {
          const int i = KpkBit(side, p, wk, bk);
          if (KpkLegal(side, p, wk, bk)) {
            legal++;
            won += GetBit(kpk.second, i);
            run += GetBit(kpk.kpk, i);
          } else {
            run_illegal += GetBit(kpk.kpk, i);
          }
        }
    std::printf("KPK %s to move: legal %" PRIu64 " won %" PRIu64 " unaided %" PRIu64
                " (unaided on illegal placements %" PRIu64 ")\n",
                side == 0 ? "pawn side" : "lone king", legal, won, run, run_illegal);
  }
  uint64_t set_bits[3] = {};
  for (int i = 0; i < 65536; i++) {
    set_bits[0] += std::popcount(kpk.kpk[i]);
    set_bits[1] += std::popcount(kpk.second[i]);
    set_bits[2] += std::popcount(rook_words[i]);
  }
  std::printf("set bits: kpk_bitbase %" PRIu64 " second_pawn_bitbase %" PRIu64 " rook_pawn_bitbase %" PRIu64 "\n",
              set_bits[0], set_bits[1], set_bits[2]);
  PrintPawnlessCounts<kNone>("KRK", t.krk);
  PrintPawnlessCounts<kQueen>("KRKQ", t.with[kQueen]);
  PrintPawnlessCounts<kRook>("KRKR", t.with[kRook]);
  PrintPawnlessCounts<kBishop>("KRKB", t.with[kBishop]);
  PrintPawnlessCounts<kKnight>("KRKN", t.with[kKnight]);
  uint64_t legal = 0, won = 0;
  for (int a = 0; a < 64; a++)
    for (int b = 0; b < 64; b++)
      for (int pawn_index = 0; pawn_index < 16; pawn_index++)
        for (int d = 0; d < 64; d++) {
          const int pawn = 4 + (pawn_index & 3) + 8 * (3 + (pawn_index >> 2));
          if (!RookPawnLegal(a, b, pawn, d)) continue;
          legal++;
          won += t.pawn[pawn].black_to_move[PawnIndex{pawn}(Pos{d, pawn, b, a})] == kWon;
        }
  std::printf("KRKP pawn e4-h7, rook side to move: legal %" PRIu64 " rook wins %" PRIu64 " held %" PRIu64 "\n", legal,
              won, legal - won);
}

// ---------------------------------------------------------------------------
// Output.

void AppendBytes(std::string& out, const char* name, const uint8_t* bytes) {
  char buffer[64];
  out += "const uint8_t ";
  out += name;
  out += "[65536] = {\n";
  for (int i = 0; i < 65536; i++) {
    std::snprintf(buffer, sizeof buffer, "0x%02x,%s", unsigned(bytes[i]), (i & 15) == 15 ? "\n" : "");
    out += buffer;
  }
  out += "};\n\n";
}

bool WriteSource(const char* path, const KpkResult& kpk, const std::vector<uint64_t>& rook_words) {
  std::string out;
  out.reserve(3u << 20);
  out +=
      "// Generated by tools/bitbase_generator.cpp at build time; do not edit.\n"
      "// The meaning of each table is described in the generator.\n"
      "#include \"eval/bitbases.h\"\n\n";
  AppendBytes(out, "kpk_bitbase", kpk.kpk);
  AppendBytes(out, "second_pawn_bitbase", kpk.second);
  out += "const uint64_t rook_pawn_bitbase[65536] = {\n";
  char buffer[64];
  for (int i = 0; i < 65536; i++) {
    std::snprintf(buffer, sizeof buffer, "0x%016" PRIx64 "u,%s", rook_words[i], (i & 3) == 3 ? "\n" : "");
    out += buffer;
  }
  out += "};\n";
  // Written under a temporary name first, so that an interrupted run leaves
  // no truncated file that looks up to date.
  const std::string temporary = std::string(path) + ".tmp";
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  if (std::fclose(file) != 0 || !written) return false;
  return std::rename(temporary.c_str(), path) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool stats = argc == 2 && std::strcmp(argv[1], "--stats") == 0;
  if (argc != 2) {
    std::fprintf(stderr, "usage: bitbase_generator OUTPUT.cpp | --stats\n");
    return 2;
  }
  InitGeometry();
  InitSymmetry();
  static KpkResult kpk;
  SolveKpk(kpk);
  static RookTables rook;
  SolveRookTables(rook);
  std::vector<uint64_t> rook_words;
  FillRookPawnBitbase(rook, rook_words);
  if (stats) {
    PrintStats(kpk, rook, rook_words);
    return 0;
  }
  if (!WriteSource(argv[1], kpk, rook_words)) {
    std::fprintf(stderr, "bitbase_generator: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
