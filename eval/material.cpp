// eval/material.cpp: the material table (built by every load of the
// parameters), and the material balance, game phase and gain estimate that
// serve positions without a row.
#include "eval/material.h"

#include <algorithm>
#include <cstdlib>

#include "board/tables.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "eval/pst.h"

// Static: a rebuild has no allocation to fail.
MaterialEntry material_table[MATERIAL_TABLE_ROWS];

int32_t current_phase;
int32_t black_phase;
int32_t white_phase;

namespace {

// One side's men as the imbalance rules see them.
struct SideMaterial {
  int queens, rooks, bishops, knights, pawns;
  int minors;  // knights and bishops
  int heavy;   // rook units: rook 1, queen 2
  int units;   // piece material: knight and bishop 3, rook 5, queen 9
};

SideMaterial MakeSide(int queens, int rooks, int bishops, int knights, int pawns) {
  return {queens,
          rooks,
          bishops,
          knights,
          pawns,
          knights + bishops,
          rooks + 2 * queens,
          3 * (knights + bishops) + 5 * rooks + 9 * queens};
}

// The rules' flags A..F, by side.
enum { RULE_A, RULE_B, RULE_C, RULE_D, RULE_E, RULE_F, RULE_COUNT };

struct RuleFlags {
  int side[2][RULE_COUNT];
};

// The imbalance rules, first matching case only; the result is from
// white's view.
int32_t ImbalanceRules(const SideMaterial& w, const SideMaterial& b, RuleFlags* flags) {
  const int32_t bonus[RULE_COUNT] = {imbalance_bonus[0] + 120, imbalance_bonus[1] + 90, imbalance_bonus[2] + 60,
                                     imbalance_bonus[3] + 30,  imbalance_bonus[4] + 30, imbalance_bonus[5] + 60};
  int32_t r = 0;
  auto give = [&](int colour, int rule) {
    r += colour == WHITE ? bonus[rule] : -bonus[rule];
    flags->side[colour][rule] = 1;
  };
  const int heavier = w.heavy > b.heavy ? WHITE : BLACK;

  if (w.units < 4 && b.units < 4) {
    // More than 8 pawns can only come from an edited position.
    if (w.minors > 0 && b.minors == 0) r += lone_minor_table[std::min(w.pawns, 8)];
    if (b.minors > 0 && w.minors == 0) r -= lone_minor_table[std::min(b.pawns, 8)];
  } else if (w.minors == b.minors && w.heavy != b.heavy) {
    give(heavier, RULE_A);
  } else if (w.minors == b.minors) {
    if ((w.queens > 0) != (b.queens > 0)) {
      give(w.queens > 0 ? WHITE : BLACK, RULE_F);
    } else if (w.queens > 0 && w.minors == 1 && b.minors == 1 && w.pawns + b.pawns > 0) {
      if (w.knights == 1 && b.bishops == 1) r += queen_knight_bonus;
      if (b.knights == 1 && w.bishops == 1) r -= queen_knight_bonus;
    }
  } else if (w.heavy == b.heavy) {
    give(w.minors > b.minors ? WHITE : BLACK, RULE_A);
  } else if (std::abs(w.heavy - b.heavy) == 1) {
    // The side with the extra rook unit (L) against the side with the
    // minors (M).
    const int l = heavier, m = l ^ 1;
    const SideMaterial& lm = l == WHITE ? w : b;
    const SideMaterial& mm = m == WHITE ? w : b;
    if (mm.minors == lm.minors + 1) {
      give(l, RULE_D);
      if (lm.queens > 0 && mm.queens == 0) give(l, RULE_E);
    } else if (mm.minors >= lm.minors + 2) {
      if (mm.units == 6)
        give(m, RULE_B);
      else if (lm.queens > 0 && mm.queens == 0)
        give(m, RULE_C);
      else
        give(m, RULE_A);
    }
  } else if (std::abs(w.heavy - b.heavy) == 2) {
    if (w.minors >= b.minors + 3) give(WHITE, RULE_A);
    if (b.minors >= w.minors + 3) give(BLACK, RULE_A);
  }
  return r;
}

// Pawn value correction of a side with heavy share o against an opponent
// with heavy share p, blended from the four corner values.
int64_t PawnValue(const int32_t* c, int64_t o, int64_t p) {
  return (c[0] * o * p + c[1] * (256 - o) * p + c[2] * o * (256 - p) + c[3] * (256 - o) * (256 - p)) / 65536;
}

int HeavyShare(const SideMaterial& s) { return s.units ? 256 * (5 * s.rooks + 9 * s.queens) / s.units : 0; }
int PhaseWeight(const SideMaterial& s) { return s.minors + 2 * s.rooks + 4 * s.queens; }

bool CannotWin(const SideMaterial& s) {
  return s.pawns == 0 && s.rooks == 0 && s.queens == 0 && s.units + s.pawns < 7 &&
         (s.bishops == 0 || s.units + s.pawns < 4);
}

// ENDING for the side facing these pieces. The table keeps 9 and 15 fixed;
// they do not follow endgame_threshold.
bool FewPieces(const SideMaterial& s) { return s.units <= 9 || (s.queens == 0 && s.units < 15); }

int16_t ToInt16(int64_t v) { return int16_t(std::clamp<int64_t>(v, -32767, 32767)); }

struct Scratch {
  const int32_t* imbalance;
  const int32_t* extra_white_pawn;
  const int32_t* extra_black_pawn;
  const int32_t* material_bonus;
  const int32_t* time_factor;
};

MaterialEntry ComputeRow(const SideMaterial& w, const SideMaterial& b, const Scratch& scratch) {
  MaterialEntry row{};
  const int ww = PhaseWeight(w), wb = PhaseWeight(b);
  const int t = std::max(0, 24 - ww - wb);
  row.current_phase = int16_t((256 * t + 12) / 24);
  row.white_phase = int16_t((256 * std::max(0, 12 - ww) + 6) / 12);
  row.black_phase = int16_t((256 * std::max(0, 12 - wb) + 6) / 12);
  row.flags[WHITE] = uint8_t((CannotWin(w) ? MATERIAL_CANNOT_WIN : 0) | (FewPieces(b) ? MATERIAL_ENDING : 0));
  row.flags[BLACK] = uint8_t((CannotWin(b) ? MATERIAL_CANNOT_WIN : 0) | (FewPieces(w) ? MATERIAL_ENDING : 0));

  // S, from white's view.
  int64_t s = 0;
  row.time_factor = 256;
  if (w.queens <= 1 && b.queens <= 1) {
    const int pieces = ImbalanceSlot(w.queens, w.rooks, w.bishops, w.knights, b.queens, b.rooks, b.bishops, b.knights);
    const int full = MaterialBonusSlot(MaterialBonusDigits(w.queens, w.rooks, w.bishops, w.knights, w.pawns),
                                       MaterialBonusDigits(b.queens, b.rooks, b.bishops, b.knights, b.pawns));
    s = -int64_t(scratch.imbalance[pieces]) - scratch.material_bonus[full];
    if (b.pawns > w.pawns)
      s -= int64_t(b.pawns - w.pawns) * scratch.extra_black_pawn[pieces];
    else
      s += int64_t(w.pawns - b.pawns) * scratch.extra_white_pawn[pieces];
    row.time_factor = ToInt16(scratch.time_factor[full]);
  }

  RuleFlags flags{};
  s += ImbalanceRules(w, b, &flags);

  // Piece rules.
  if (w.queens + b.queens == 0) {
    if (w.rooks && w.bishops) s += rook_bishop_bonus;
    if (b.rooks && b.bishops) s -= rook_bishop_bonus;
  } else if (w.rooks + b.rooks == 0) {
    if (w.queens && w.knights) s += queen_knight_bonus;
    if (b.queens && b.knights) s -= queen_knight_bonus;
  }
  if (w.bishops >= 2) s += bishop_pair_table[b.pawns];
  if (b.bishops >= 2) s -= bishop_pair_table[w.pawns];
  s += int64_t(rook_value_by_pawns[w.pawns + b.pawns]) * (w.rooks - b.rooks);

  // Material corrections, from white's view.
  const int ow = HeavyShare(w), ob = HeavyShare(b);
  const int counts_w[8] = {0, 0, w.knights, 0, 0, w.rooks, w.bishops, w.queens};
  const int counts_b[8] = {0, 0, b.knights, 0, 0, b.rooks, b.bishops, b.queens};
  int64_t op = w.pawns * PawnValue(pawn_value_opening, ow, ob) - b.pawns * PawnValue(pawn_value_opening, ob, ow);
  int64_t eg = w.pawns * PawnValue(pawn_value_endgame, ow, ob) - b.pawns * PawnValue(pawn_value_endgame, ob, ow);
  for (int piece : {QUEEN, ROOK, BISHOP, KNIGHT}) {
    op += int64_t(piece_value_opening[piece]) * (counts_w[piece] - counts_b[piece]);
    eg += int64_t(piece_value_endgame[piece]) * (counts_w[piece] - counts_b[piece]);
  }
  for (int k = 0; k < RULE_COUNT; k++)
    eg += int64_t(flags.side[WHITE][k] - flags.side[BLACK][k]) * imbalance_endgame_weight[k];

  // The endgame weight is the 0..24 count, not the 0..256 phase: the
  // endgame term never gets more than 24/256.
  row.material = ToInt16(-(s + (eg * t + op * (256 - t)) / 256));
  return row;
}

}  // namespace

void DeriveEvaluationTables(const int32_t* imbalance_table, const int32_t* extra_white_pawn_table,
                            const int32_t* extra_black_pawn_table, const int32_t* material_bonus_table,
                            const int32_t* time_factor_table) {
  const Scratch scratch{imbalance_table, extra_white_pawn_table, extra_black_pawn_table, material_bonus_table,
                        time_factor_table};
  // The index runs Qw, Qb, Rw, Rb, Bw, Bb, Nw, Nb, Pw, Pb from the lowest digit.
  int index = 0;
  for (int pb = 0; pb < 9; pb++)
    for (int pw = 0; pw < 9; pw++)
      for (int nb = 0; nb < 3; nb++)
        for (int nw = 0; nw < 3; nw++)
          for (int bb = 0; bb < 3; bb++)
            for (int bw = 0; bw < 3; bw++)
              for (int rb = 0; rb < 3; rb++)
                for (int rw = 0; rw < 3; rw++)
                  for (int qb = 0; qb < 3; qb++)
                    for (int qw = 0; qw < 3; qw++)
                      material_table[index++] =
                          ComputeRow(MakeSide(qw, rw, bw, nw, pw), MakeSide(qb, rb, bb, nb, pb), scratch);
  MaterialEntry none{};
  none.current_phase = none.black_phase = none.white_phase = -1;
  none.time_factor = 0;
  material_table[NO_MATERIAL_INDEX] = none;
}

void ComputeGamePhase() {
  const Board& b = thread_board;
  const int ww = int(b.MinorPieces[WHITE] + 2 * b.HeavyPieces[WHITE]);
  const int wb = int(b.MinorPieces[BLACK] + 2 * b.HeavyPieces[BLACK]);
  white_phase = (256 * std::max(0, 12 - ww) + 6) / 12;
  black_phase = (256 * std::max(0, 12 - wb) + 6) / 12;
  current_phase = (256 * std::max(0, 24 - ww - wb) + 12) / 24;
}

int32_t EvaluateMaterial() {
  const Board& b = thread_board;
  SideMaterial sides[2];
  for (int c = WHITE; c <= BLACK; c++) {
    sides[c] = {int(b.PieceCount[QUEEN][c]),  int(b.PieceCount[ROOK][c]), int(b.PieceCount[BISHOP][c]),
                int(b.PieceCount[KNIGHT][c]), int(b.PieceCount[PAWN][c]), int(b.MinorPieces[c]),
                int(b.HeavyPieces[c]),        int(b.PieceMaterial[c])};
  }
  const SideMaterial& w = sides[WHITE];
  const SideMaterial& bl = sides[BLACK];
  RuleFlags flags{};
  int32_t r = ImbalanceRules(w, bl, &flags);

  if (w.queens + bl.queens == 0) {
    if (w.rooks && w.bishops) r += rook_bishop_bonus;
    if (bl.rooks && bl.bishops) r -= rook_bishop_bonus;
  } else if (w.rooks + bl.rooks == 0) {
    if (w.queens && w.knights) r += queen_knight_bonus;
    if (bl.queens && bl.knights) r -= queen_knight_bonus;
  }
  const int32_t by_pawns = rook_value_by_pawns[std::min(w.pawns + bl.pawns, 16)];
  r += by_pawns * (std::min(w.rooks, 2) - std::min(bl.rooks, 2));

  // A small lead in pieces with few pawns is hard to convert.
  const auto scaled = [](int32_t v, int pawns) {
    if (pawns == 0) return v >> 2;
    if (pawns == 1) return v >> 1;
    if (pawns == 2) return 4 * v / 5;
    return v;
  };
  if (r < 0 && bl.units >= w.units && bl.units - w.units < 5) r = scaled(r, bl.pawns);
  if (r > 0 && w.units >= bl.units && w.units - bl.units < 5) r = scaled(r, w.pawns);

  return b.Material[BLACK] - b.Material[WHITE] - r;
}

int32_t EstimateMaterialGain(Move move) {
  const Board& b = thread_board;
  const int side = int(b.SideToMove), opponent = side ^ 1;
  const int from = MoveFrom(move), to = MoveTo(move), piece = MovePiece(move), promotion = MovePromotion(move);
  int captured = MoveCaptured(move);
  int captured_square = to;
  // En passant carries no captured piece: a pawn changing file parity
  // without a capture or a promotion took one.
  if (piece == PAWN && captured == EMPTY && promotion == 0 && ((from ^ to) & 1)) {
    captured = PAWN;
    captured_square = side == WHITE ? to - 8 : to + 8;
  }

  int32_t gain = piece_value[captured];
  const int32_t index = b.MaterialIndex;
  const bool has_row = index >= 0 && index < NO_MATERIAL_INDEX;
  if (!has_row) {
    if (captured != EMPTY && captured != PAWN) gain += imbalance_bonus[0] + 120;
  } else if (captured != EMPTY) {
    const int32_t after = index - material_index_weight[captured][opponent];
    if (after >= 0) {
      const int32_t change = material_table[after].material - material_table[index].material;
      gain += side == BLACK ? change : -change;
    }
  }

  static constexpr int32_t units[8] = {0, 200, 3, 0, 0, 5, 3, 9};
  if (b.PieceMaterial[opponent] - units[captured] <= 5) gain += 25;
  if (captured == QUEEN && b.PieceCount[QUEEN][opponent] == 1) gain += 25;

  // Passed-pawn rank bonus by the rank counted from the pawn's own side.
  static constexpr int32_t passer_bonus[8] = {0, 2, 2, 10, 50, 200, 400, 0};
  const auto relative_rank = [](int square, int colour) { return colour == WHITE ? square >> 3 : 7 - (square >> 3); };
  if (promotion) {
    gain += 900;
  } else {
    if (piece == PAWN && !(passed_span[side][to] & b.Pieces[PAWN][opponent]))
      gain += passer_bonus[relative_rank(to, side)];
    if (captured == PAWN && !(passed_span[opponent][captured_square] & b.Pieces[PAWN][side]))
      gain += passer_bonus[relative_rank(captured_square, opponent)];
  }

  if (!has_row) {
    ComputeGamePhase();
    for (int c = WHITE; c <= BLACK; c++) {
      const int o = c ^ 1;
      thread_eval_info.ending[c] = !(b.PieceMaterial[o] > endgame_threshold &&
                                     (b.PieceCount[QUEEN][o] > 0 || b.PieceMaterial[o] > endgame_threshold_no_queen));
    }
  } else {
    const MaterialEntry& row = material_table[index];
    current_phase = row.current_phase;
    black_phase = row.black_phase;
    white_phase = row.white_phase;
    for (int c = WHITE; c <= BLACK; c++) thread_eval_info.ending[c] = row.flags[c] & MATERIAL_ENDING;
  }

  // Piece-square change; the captured man is looked up in the mover's own
  // table, which is as optimistic as the rest of the estimate.
  const int moved = promotion ? promotion : piece;
  const auto change = [&](const int16_t* t) {
    return t[PstIndex(captured, side, to)] + t[PstIndex(moved, side, to)] - t[PstIndex(moved, side, from)];
  };
  gain += (change(pst_endgame) * current_phase + change(pst_opening) * (256 - current_phase)) >> 8;

  if (moved == QUEEN) return gain + (captured == PAWN ? 100 : 160);
  return gain;
}
