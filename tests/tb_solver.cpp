// A plain retrograde solver for king and queen, rook or pawn against king.
// Positions are (white king, white piece, black king, side to move) on the
// real board; each round finds the wins one move longer and the losses that
// follow from them, until nothing changes; what is left is drawn.
#include "tb_solver.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "tablebases/index.h"

namespace {

constexpr int UNKNOWN = 1000, ILLEGAL = 1001, DRAW = 1002;
// Values in moves for the side to move: WIN n > 0 as +n, LOSS n as -n - 1
// (so that a checkmate, loss in 0, is -1).
int Win(int n) { return n; }
int Loss(int n) { return -n - 1; }
bool IsWin(int v) { return v > 0 && v < UNKNOWN; }
bool IsLoss(int v) { return v < 0; }

int FileOf(int s) { return s & 7; }
int RankOf(int s) { return s >> 3; }
bool OnBoard(int file, int rank) { return file >= 0 && file < 8 && rank >= 0 && rank < 8; }
bool Adjacent(int a, int b) {
  return a != b && std::abs(FileOf(a) - FileOf(b)) <= 1 && std::abs(RankOf(a) - RankOf(b)) <= 1;
}

// Whether the white piece on square attacks target, the white king (and
// nothing else) blocking.
bool PieceAttacks(char piece, int square, int target, int white_king) {
  if (piece == 'p') return RankOf(target) == RankOf(square) + 1 && std::abs(FileOf(target) - FileOf(square)) == 1;
  const int df = FileOf(target) - FileOf(square), dr = RankOf(target) - RankOf(square);
  const bool straight = df == 0 || dr == 0;
  const bool diagonal = std::abs(df) == std::abs(dr);
  if (square == target || !(straight || (piece == 'q' && diagonal))) return false;
  const int sf = (df > 0) - (df < 0), sr = (dr > 0) - (dr < 0);
  for (int f = FileOf(square) + sf, r = RankOf(square) + sr; f != FileOf(target) || r != RankOf(target);
       f += sf, r += sr)
    if (r * 8 + f == white_king) return false;
  return true;
}

struct Solver {
  char piece;                     // 'q', 'r' or 'p'
  std::vector<int16_t> value;     // index ((side × 64 + wk) × 64 + piece) × 64 + bk
  const Solver* queen = nullptr;  // promotions of the pawn
  const Solver* rook = nullptr;

  static int At(int side, int wk, int p, int bk) { return ((side * 64 + wk) * 64 + p) * 64 + bk; }

  bool Legal(int side, int wk, int p, int bk) const {
    if (wk == p || wk == bk || p == bk || Adjacent(wk, bk)) return false;
    if (piece == 'p' && (RankOf(p) == 0 || RankOf(p) == 7)) return false;
    // The side not to move may not be in check; white can only be checked
    // by the black king, which the adjacency test covers.
    return side == 1 || !PieceAttacks(piece, p, bk, wk);
  }

  // Values of the positions after each move, from the opponent's view; a
  // move into a drawn material (a capture, a minor promotion) gives DRAW.
  int Children(int side, int wk, int p, int bk, int* out) const {
    int n = 0;
    if (side == 0) {
      for (int df = -1; df <= 1; df++)
        for (int dr = -1; dr <= 1; dr++) {
          if (!df && !dr) continue;
          if (!OnBoard(FileOf(wk) + df, RankOf(wk) + dr)) continue;
          const int to = wk + dr * 8 + df;
          if (to == p || to == bk || Adjacent(to, bk)) continue;
          out[n++] = value[At(1, to, p, bk)];
        }
      if (piece == 'p') {
        const int up = p + 8;
        if (up != wk && up != bk) {
          if (RankOf(up) == 7) {
            out[n++] = queen->value[At(1, wk, up, bk)];
            out[n++] = rook->value[At(1, wk, up, bk)];
            out[n++] = DRAW;  // knight or bishop: no mate can be forced
          } else {
            out[n++] = value[At(1, wk, up, bk)];
            if (RankOf(p) == 1 && up + 8 != wk && up + 8 != bk) out[n++] = value[At(1, wk, up + 8, bk)];
          }
        }
      } else {
        for (int df = -1; df <= 1; df++)
          for (int dr = -1; dr <= 1; dr++) {
            if ((!df && !dr) || (piece == 'r' && df && dr)) continue;
            for (int f = FileOf(p) + df, r = RankOf(p) + dr; OnBoard(f, r); f += df, r += dr) {
              const int to = r * 8 + f;
              if (to == wk || to == bk) break;
              out[n++] = value[At(1, wk, to, bk)];
            }
          }
      }
    } else {
      for (int df = -1; df <= 1; df++)
        for (int dr = -1; dr <= 1; dr++) {
          if (!df && !dr) continue;
          if (!OnBoard(FileOf(bk) + df, RankOf(bk) + dr)) continue;
          const int to = bk + dr * 8 + df;
          if (Adjacent(to, wk)) continue;
          if (to == p) {
            out[n++] = DRAW;  // the king takes the undefended piece
            continue;
          }
          if (PieceAttacks(piece, p, to, wk)) continue;
          out[n++] = value[At(0, wk, p, to)];
        }
    }
    return n;
  }

  bool InCheck(int side, int wk, int p, int bk) const { return side == 1 && PieceAttacks(piece, p, bk, wk); }

  void Solve() {
    value.assign(2 * 64 * 64 * 64, UNKNOWN);
    int children[64];
    for (int side = 0; side < 2; side++)
      for (int wk = 0; wk < 64; wk++)
        for (int p = 0; p < 64; p++)
          for (int bk = 0; bk < 64; bk++) {
            int16_t& v = value[At(side, wk, p, bk)];
            if (!Legal(side, wk, p, bk)) v = ILLEGAL;
          }
    for (int side = 0; side < 2; side++)
      for (int wk = 0; wk < 64; wk++)
        for (int p = 0; p < 64; p++)
          for (int bk = 0; bk < 64; bk++) {
            int16_t& v = value[At(side, wk, p, bk)];
            if (v == ILLEGAL || Children(side, wk, p, bk, children) > 0) continue;
            v = InCheck(side, wk, p, bk) ? Loss(0) : DRAW;
          }
    // Round n settles the wins in n moves (a child lost in n - 1, that
    // round's or, after a promotion, the other table's) and then the losses
    // whose every child is now a known win, the slowest deciding. Only white
    // can win. The promotion tables hold losses of at most a dozen moves, so
    // the rounds go on past them even when one settles nothing.
    for (int n = 1, settled = 1; settled > 0 || n <= 16; n++) {
      settled = 0;
      for (int wk = 0; wk < 64; wk++)
        for (int p = 0; p < 64; p++)
          for (int bk = 0; bk < 64; bk++) {
            int16_t& v = value[At(0, wk, p, bk)];
            if (v != UNKNOWN) continue;
            const int count = Children(0, wk, p, bk, children);
            for (int i = 0; i < count; i++)
              if (IsLoss(children[i]) && -children[i] - 1 <= n - 1) {
                v = int16_t(Win(n));
                settled++;
                break;
              }
          }
      for (int wk = 0; wk < 64; wk++)
        for (int p = 0; p < 64; p++)
          for (int bk = 0; bk < 64; bk++) {
            int16_t& v = value[At(1, wk, p, bk)];
            if (v != UNKNOWN) continue;
            const int count = Children(1, wk, p, bk, children);
            int slowest_win = 0;
            bool all_wins = true;
            for (int i = 0; i < count && all_wins; i++) {
              all_wins = IsWin(children[i]);
              if (children[i] > slowest_win) slowest_win = children[i];
            }
            if (all_wins) {
              v = int16_t(Loss(slowest_win));
              settled++;
            }
          }
    }
    for (int16_t& v : value)
      if (v == UNKNOWN) v = DRAW;
  }
};

int8_t ByteOf(int v) {
  if (v == ILLEGAL) return SOLVER_NO_POSITION;
  if (v == DRAW) return 0;
  return IsWin(v) ? SolverWinByte(v) : SolverLossByte(-v - 1);
}

const Solver& SolverOf(char piece) {
  static std::map<char, Solver> solvers;
  auto found = solvers.find(piece);
  if (found != solvers.end()) return found->second;
  Solver solver;
  solver.piece = piece;
  if (piece == 'p') {
    solver.queen = &SolverOf('q');
    solver.rook = &SolverOf('r');
  }
  solver.Solve();
  return solvers.emplace(piece, std::move(solver)).first->second;
}

}  // namespace

int8_t SolverWinByte(int moves) { return int8_t(127 - moves); }
int8_t SolverLossByte(int moves) { return int8_t(moves - 126); }

int8_t SolvedPositionByte(const char* signature, int side, int white_king, int piece, int black_king) {
  const Solver& solver = SolverOf(signature[1]);
  return ByteOf(solver.value[Solver::At(side, white_king, piece, black_king)]);
}

const SolvedTable& SolveThreeManTable(const char* signature) {
  static std::map<std::string, SolvedTable> tables;
  auto found = tables.find(signature);
  if (found != tables.end()) return found->second;
  int row = 0;
  for (int r = 1; r < TB_TABLE_ROWS; r++)
    if (std::strcmp(tb_index_signatures[r], signature) == 0) row = r;
  const Solver& solver = SolverOf(signature[1]);
  const int slot = signature[1] == 'p' ? 0 : signature[1] == 'r' ? 9 : 12;
  SolvedTable table;
  for (int side = 0; side < 2; side++) {
    std::vector<int8_t>& bytes = table.bytes[side];
    bytes.assign(tb_index_entries[row][side], SOLVER_NO_POSITION);
    std::vector<bool> taken(bytes.size(), false);
    for (int wk = 0; wk < 64; wk++)
      for (int p = 0; p < 64; p++)
        for (int bk = 0; bk < 64; bk++) {
          const int v = solver.value[Solver::At(side, wk, p, bk)];
          if (v == ILLEGAL) continue;
          table.legal_positions[side]++;
          int32_t white[16] = {}, black[16] = {};
          white[15] = wk;
          white[slot] = p;
          black[15] = bk;
          const uint64_t index = tb_index_functions[row][side](white, black, TB_NO_EP_SQUARE, 0);
          if (index >= bytes.size()) {
            table.conflicts++;
            continue;
          }
          if (taken[index] && bytes[index] != ByteOf(v)) table.conflicts++;
          bytes[index] = ByteOf(v);
          taken[index] = true;
        }
  }
  return tables.emplace(signature, std::move(table)).first->second;
}
