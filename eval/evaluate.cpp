// The evaluation's entry (lazy cut, cache, fifty-move damping) and the full
// static evaluation. Every term is summed from black's view; the side to
// move's view is taken only at the end.
#include "eval/evaluate.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "board/attacks.h"
#include "board/colour.h"
#include "board/tables.h"
#include "eval/bitbases.h"
#include "eval/endgame.h"
#include "eval/material.h"
#include "eval/params.h"
#include "eval/passed.h"
#include "eval/pawns.h"
#include "eval/pieces.h"
#include "interface/options.h"  // eval_cache_entries, an option global

EvalInfo thread_eval_info;
EvalCacheEntry* eval_cache;

namespace {

constexpr int32_t threat_table[17] = {-70, -65, -60, -55, -50, -40, -30, -7, 0, 7, 30, 40, 50, 55, 60, 65, 70};

inline int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }
inline int32_t Shift8(int64_t value) { return int32_t(value >> 8); }

// Lowest and highest file of a file mask; 8 for an empty mask.
inline int LowestFile(int mask) { return first_bit8[mask & 255]; }
inline int HighestFile(int mask) { return last_bit8[mask & 255]; }

void SetEndingFlagsWithoutRow() {
  const Board& b = thread_board;
  EvalInfo& e = thread_eval_info;
  for (int colour = 0; colour < 2; colour++) {
    const int them = colour ^ 1;
    e.ending[colour] = int(b.PieceMaterial[them]) <= endgame_threshold ||
                       (!b.Pieces[QUEEN][them] && int(b.PieceMaterial[them]) <= endgame_threshold_no_queen);
  }
}

// King outside the pawns in a pawn ending.
void ScorePawnEndingKings() {
  const Board& b = thread_board;
  EvalInfo& e = thread_eval_info;
  const int wf = b.KingSquare[WHITE] & 7, bf = b.KingSquare[BLACK] & 7, s = int(b.SideToMove);
  const int white_files = PawnFiles(WHITE), black_files = PawnFiles(BLACK);
  if (bf < wf - s) {
    if (black_files && wf < LowestFile(black_files) && wf < HighestFile(white_files)) e.score -= king_outside_pawns;
  } else if (bf > wf + s) {
    if (black_files && wf > HighestFile(black_files) && wf > LowestFile(white_files)) e.score -= king_outside_pawns;
  }
  if (bf > wf - s + 1) {
    if (white_files && bf < LowestFile(white_files) && bf < HighestFile(black_files)) e.score += king_outside_pawns;
  } else if (bf < wf + s - 1) {
    if (white_files && bf > HighestFile(white_files) && bf > LowestFile(black_files)) e.score += king_outside_pawns;
  }
}

void ScoreShelterGap() {
  const Board& b = thread_board;
  EvalInfo& e = thread_eval_info;
  const int white_penalty = e.shelter_penalty[WHITE], black_penalty = e.shelter_penalty[BLACK];
  auto black_bonus = [&] {
    if (b.Pieces[QUEEN][BLACK]) e.king_attack[BLACK] += shelter_gap_bonus[Clamp(white_penalty - black_penalty, 0, 7)];
  };
  auto white_bonus = [&] {
    if (b.Pieces[QUEEN][WHITE]) e.king_attack[WHITE] += shelter_gap_bonus[Clamp(black_penalty - white_penalty, 0, 7)];
  };
  if (e.ending[WHITE] && e.ending[BLACK]) return;
  if (e.ending[BLACK]) {
    black_bonus();
  } else if (e.ending[WHITE]) {
    white_bonus();
  } else if (black_penalty + 1 < white_penalty) {
    black_bonus();
  } else if (white_penalty + 1 < black_penalty) {
    white_bonus();
  }
}

void FillKingZones() {
  const Board& b = thread_board;
  EvalInfo& e = thread_eval_info;
  for (int colour = 0; colour < 2; colour++) {
    const int king = int(b.KingSquare[colour]);
    const uint64_t not_checker = ~b.Occupied[colour ^ 1];  // the checking side's own men removed
    e.king_zone[colour] = king_attacks[king];
    e.rook_check_squares[colour] = RookAttacksFrom(king) & not_checker;
    e.bishop_check_squares[colour] = BishopAttacksFrom(king) & not_checker;
    e.queen_check_squares[colour] = e.rook_check_squares[colour] | e.bishop_check_squares[colour];
    e.knight_check_squares[colour] = knight_attacks[king] & not_checker;
  }
}

void ScoreThreats() {
  const Board& b = thread_board;
  EvalInfo& e = thread_eval_info;
  e.minor_attacks[WHITE] = e.knight_attacks_of[WHITE] | e.bishop_attacks_of[WHITE];
  e.minor_attacks[BLACK] = e.knight_attacks_of[BLACK] | e.bishop_attacks_of[BLACK];
  for (int colour = 0; colour < 2; colour++) {
    const int them = colour ^ 1;
    const uint64_t their_pawn_attacks = e.pawn_attack_sets[them];
    const uint64_t attacked = e.attacked_squares[them] | e.king_zone[them];
    const uint64_t defended = e.attacked_squares[colour] | e.king_zone[colour];
    const uint64_t men = b.Occupied[colour] & ~b.Pieces[KING][colour];
    uint64_t threatened = men & attacked & ~defended;
    threatened |= (b.Pieces[KNIGHT][colour] | b.Pieces[BISHOP][colour]) & their_pawn_attacks;
    threatened |= b.Pieces[ROOK][colour] & (their_pawn_attacks | e.minor_attacks[them]);
    threatened |= b.Pieces[QUEEN][colour] & (their_pawn_attacks | e.minor_attacks[them] | e.rook_attacks_of[them]);
    e.threatened_count[colour] = PopCount(threatened);
  }
  e.score += threat_table[Clamp(e.threatened_count[WHITE] - e.threatened_count[BLACK] + 8, 0, 16)];
}

// Attack on the king of colour k by the other side.
void ScoreKingSafety(int k) {
  const Board& b = thread_board;
  EvalInfo& e = thread_eval_info;
  const int a = k ^ 1;
  if (e.ending[k]) return;
  const int king = int(b.KingSquare[k]);
  const uint64_t zone = e.king_zone[k] & e.attacked_squares[a];
  int n = PopCount(zone) + PopCount(zone & ~e.attacked_squares[k]);
  if (b.PieceMaterial[a] > 12) n += PopCount(zone & king_front_mask[k][king] & ~b.Occupied[k]);
  e.danger[a] = Clamp(e.danger[a] + n, 0, 127);
  int64_t v = int64_t(king_danger_table[e.danger[a]]) * attacker_count_table[Clamp(e.attackers[a], 0, 16)] *
              shelter_factor_table[Clamp(e.shelter_penalty[k], 0, 63)];
  v >>= 15;
  v = (v * (b.Pieces[QUEEN][a] ? 10347 : 10922)) >> 13;
  e.king_attack[a] += int32_t(v);
  e.attack_tempo[a] = int32_t(v >> 3);
}

int32_t Blend() {
  const EvalInfo& e = thread_eval_info;
  const int64_t cp = current_phase, bp = black_phase, wp = white_phase;
  return int32_t(((e.score + int64_t(e.opening)) * (256 - cp) + (e.score + int64_t(e.endgame)) * cp) / 256 +
                 (e.king_attack[BLACK] * (256 - bp) + e.side_endgame[BLACK] * bp) / 256 -
                 (e.king_attack[WHITE] * (256 - wp) + e.side_endgame[WHITE] * wp) / 256);
}

// Safe queen checks: how many squares next to or around the enemy king the
// queen can reach unopposed. The half that depends on who moves goes into
// second_score.
void ScoreQueenChecks(int32_t* s) {
  const Board& b = thread_board;
  EvalInfo& e = thread_eval_info;
  const bool black_to_move = b.SideToMove == BLACK;
  for (int us = BLACK; us >= WHITE; us--) {
    const int them = us ^ 1;
    if (!b.Pieces[QUEEN][us]) continue;
    // The king's lines without our own men are its queen-check squares.
    const uint64_t q = e.queen_attacks[us] & e.queen_check_squares[them] & ~e.attacked_squares[them];
    const int n = std::min(31, PopCount(q) + PopCount(q & ~e.king_zone[them]));
    const int32_t v = queen_reach_table[n];
    const int32_t half = v >> 1, rest = v - half;
    const int sign = us == BLACK ? 1 : -1;
    const bool mover = (us == BLACK) == black_to_move;
    *s += sign * (mover ? v : half);
    e.second_score += black_to_move ? rest : -rest;
  }
}

void ScoreBlockedCentre(int32_t* s) {
  const Board& b = thread_board;
  const uint64_t occupied = b.Occupied[WHITE] | b.Occupied[BLACK];
  for (int square : {E1 + 8, D1 + 8})
    if ((b.Pieces[PAWN][WHITE] & SquareBit(square)) && (occupied & SquareBit(square + 8))) *s += blocked_centre_pawn;
  for (int square : {E8 - 8, D8 - 8})
    if ((b.Pieces[PAWN][BLACK] & SquareBit(square)) && (occupied & SquareBit(square - 8))) *s -= blocked_centre_pawn;
}

void ScaleBoth(int32_t* s, int position) {
  *s = ScaleScore(*s, ScaleFactorAt(position));
  thread_eval_info.second_score = ScaleScore(thread_eval_info.second_score, ScaleFactorAt(position));
}

inline bool InForwardSpan(int pawn_colour, int pawn, int square) {
  return (passed_span[pawn_colour][pawn] & SquareBit(square)) != 0;
}

// The endgame scale factors of the last evaluation step.
void ApplyScaleFactors(int32_t* s) {
  const Board& b = thread_board;
  EvalInfo& e = thread_eval_info;
  const int pawns = int(b.PieceCount[PAWN][WHITE] + b.PieceCount[PAWN][BLACK]);
  const int pm_white = int(b.PieceMaterial[WHITE]), pm_black = int(b.PieceMaterial[BLACK]);
  const int stm = int(b.SideToMove);

  if (pawns == 3) {
    e.score = *s;
    e.reliable = 0;
    *s = ScaleExtraPawnEnding(*s);
  } else if (pawns == 1) {
    e.reliable = 0;
    if (pm_white == pm_black && b.HeavyPieces[WHITE] == b.HeavyPieces[BLACK]) {
      const int pawn_colour = b.Pieces[PAWN][WHITE] ? WHITE : BLACK, defender = pawn_colour ^ 1;
      const int pawn = LowestBit(b.Pieces[PAWN][pawn_colour]);
      const int defending_king = int(b.KingSquare[defender]);
      const bool heavy = b.HeavyPieces[WHITE] != 0;
      int factor = 0;
      if ((heavy && b.MinorPieces[WHITE]) || (!heavy && b.MinorPieces[WHITE] >= 2)) {
        int g;
        if (heavy) {
          g = !InForwardSpan(pawn_colour, pawn, defending_king);
        } else {
          int reliable = 1;
          auto view = [&](int square) { return pawn_colour == WHITE ? square : 63 - square; };
          g = ProbeKpkBitbase(stm == pawn_colour ? 0 : 1, view(pawn), view(int(b.KingSquare[pawn_colour])),
                              view(defending_king), &reliable);
        }
        const bool defender_bishop = b.Pieces[BISHOP][defender] != 0;
        factor = defender_bishop ? (g ? SCALE_PAWN_THROUGH_VS_BISHOP : SCALE_PAWN_HELD_VS_BISHOP)
                                 : (g ? SCALE_PAWN_THROUGH : SCALE_PAWN_HELD);
      } else if (pm_white >= 1 && pm_white <= 9) {
        factor = InForwardSpan(pawn_colour, pawn, defending_king) ? SCALE_LIGHT_PAWN_KING_IN_FRONT
                                                                  : SCALE_LIGHT_PAWN_KING_ASIDE;
      }
      if (factor) *s = Shift8(int64_t(*s) * ScaleFactorAt(factor));
    }
  }

  // The defending king stands in front of all the stronger side's pawns.
  if ((pm_black >= pm_white && *s < 0 && !(b.Pieces[PAWN][WHITE] & ~passed_span[BLACK][b.KingSquare[BLACK]])) ||
      (pm_black <= pm_white && *s > 0 && !(b.Pieces[PAWN][BLACK] & ~passed_span[WHITE][b.KingSquare[WHITE]])))
    ScaleBoth(s, SCALE_DEFENDER_IN_FRONT);

  if ((black_cannot_win && *s > 0) || (white_cannot_win && *s < 0)) {
    *s = 0;
    e.second_score = 0;
    return;
  }

  e.score = *s;
  bool to_pawnless = false;
  // Rook against rook and pawn.
  if (pm_white == 5 && pm_black == 5 && pawns == 1) {
    to_pawnless = true;
    const int pawn_colour = b.Pieces[PAWN][WHITE] ? WHITE : BLACK, defender = pawn_colour ^ 1;
    const int pawn = LowestBit(b.Pieces[PAWN][pawn_colour]);
    const int defending_king = int(b.KingSquare[defender]), attacking_king = int(b.KingSquare[pawn_colour]);
    const int file = pawn & 7;
    const int pawn_rank = pawn_colour == WHITE ? pawn >> 3 : 7 - (pawn >> 3);
    const int defender_rank = pawn_colour == WHITE ? defending_king >> 3 : 7 - (defending_king >> 3);
    const int attacker_rank = pawn_colour == WHITE ? attacking_king >> 3 : 7 - (attacking_king >> 3);
    if (abs((defending_king & 7) - file) <= 1 && defender_rank > pawn_rank) {
      ScaleBoth(s, (file == 0 || file == 7)   ? SCALE_ROOK_PAWN_HELD_EDGE
                   : (file == 1 || file == 6) ? SCALE_ROOK_PAWN_HELD_KNIGHT
                                              : SCALE_ROOK_PAWN_HELD_CENTRE);
      if (!(attacker_rank >= pawn_rank && abs((attacking_king & 7) - file) <= 1))
        ScaleBoth(s, SCALE_ROOK_PAWN_KING_BEHIND);
    }
  }

  if (!to_pawnless && pm_white <= 11 && pm_black <= 11) {
    bool done = false;
    // Edge pawns: two against one with few pieces.
    if (pm_white == pm_black && pm_white <= 5 && pawns == 3 && PopCount(PassedVector(WHITE)) < 2 &&
        PopCount(PassedVector(BLACK)) < 2 && !b.Pieces[KNIGHT][WHITE] && !b.Pieces[KNIGHT][BLACK]) {
      const int a = b.PieceCount[PAWN][WHITE] == 2 ? WHITE : BLACK, d = a ^ 1;
      const uint64_t a_pawns = b.Pieces[PAWN][a];
      const bool pure = pm_white == 0;
      const uint64_t ab = FILE_A | FILE_A << 1, gh = FILE_A << 6 | FILE_A << 7;
      bool ok = !pure || (a_pawns & ~ab) == 0 || (a_pawns & ~gh) == 0;
      if (ok) {
        e.reliable = 0;
        const bool rook = b.Pieces[ROOK][a] != 0;
        uint64_t rest = a_pawns;
        while (rest && ok) {
          const int pawn = a == WHITE ? FindHighestBit(rest) : LowestBit(rest);
          rest ^= SquareBit(pawn);
          if (rook) {
            ok = InForwardSpan(a, pawn, int(b.KingSquare[d]));
          } else {
            int reliable = 1;
            auto view = [&](int square) { return a == WHITE ? square : 63 - square; };
            ok = !ProbeKpkOrBlockedPawn(stm == a ? 0 : 1, view(pawn), view(int(b.KingSquare[a])),
                                        view(int(b.KingSquare[d])), &reliable);
          }
        }
        if (ok)
          ScaleBoth(s, pure ? SCALE_EDGE_PAWNS_PURE : PassedVector(a) ? SCALE_EDGE_PAWNS_PASSED : SCALE_EDGE_PAWNS);
      }
    }
    // Bishops of opposite colours.
    if (!done && b.PieceCount[BISHOP][WHITE] == 1 && b.PieceCount[BISHOP][BLACK] == 1) {
      const bool white_dark = (b.Pieces[BISHOP][WHITE] & dark_squares) != 0;
      const bool black_dark = (b.Pieces[BISHOP][BLACK] & dark_squares) != 0;
      if (white_dark != black_dark) {
        const int difference = abs(int(b.PieceCount[PAWN][WHITE]) - int(b.PieceCount[PAWN][BLACK]));
        if (difference > 2) {
          if (pm_white == 3 && pm_black == 3) {
            ScaleBoth(s, SCALE_OPPOSITE_BISHOPS_UNEVEN);
          } else if (pm_white == pm_black) {
            const int32_t material = e.material;
            const int32_t m = (pm_white == 8 && pm_black == 8)
                                  ? ScaleScore(material, ScaleFactorAt(SCALE_OPPOSITE_BISHOPS_ROOKS))
                                  : material;
            *s = int32_t(int64_t(e.score - material) * ScaleFactorAt(SCALE_OPPOSITE_BISHOPS_POSITIONAL) / 256) + m;
            e.second_score = ScaleScore(e.second_score, ScaleFactorAt(SCALE_OPPOSITE_BISHOPS_POSITIONAL));
          }
        } else if (pm_white == 3 && pm_black == 3) {
          ScaleBoth(s, SCALE_OPPOSITE_BISHOPS_EVEN);
        }
      }
    }
  }

  // Pawnless endings, for the better side (black when s > 0).
  if (*s != 0) {
    const int better = *s > 0 ? BLACK : WHITE, weaker = better ^ 1;
    const int pm_better = int(b.PieceMaterial[better]), pm_weaker = int(b.PieceMaterial[weaker]);
    if (pawns == 0 && pm_better == pm_weaker) ScaleBoth(s, SCALE_PAWNLESS_EVEN);
    if (!b.Pieces[PAWN][better]) {
      int factor = 0;
      if (pm_better == 12 && pm_weaker == 9)
        factor = SCALE_QUEEN_MINOR_VS_QUEEN;
      else if (pm_better == 5 && pm_weaker == 3)
        factor = b.Pieces[BISHOP][weaker] ? SCALE_ROOK_VS_BISHOP : SCALE_ROOK_VS_KNIGHT;
      else if (pm_better == 5 && pm_weaker == 5)
        factor = SCALE_ROOK_VS_ROOK;
      else if (pm_better == 8 && pm_weaker == 6)
        factor = SCALE_ROOK_MINOR_VS_TWO_MINORS;
      else if (pm_better == 8 && pm_weaker == 5 && b.Pieces[ROOK][better]) {
        const int rook = LowestBit(b.Pieces[ROOK][better]);
        const int king = int(b.KingSquare[weaker]);
        const int kf = king & 7, kr = king >> 3, rf = rook & 7, rr = rook >> 3;
        const bool cut = (kf == 0 && rf == 1) || (kf == 7 && rf == 6) || (kr == 0 && rr == 1) || (kr == 7 && rr == 6);
        if (b.Pieces[KNIGHT][better])
          factor = cut ? SCALE_ROOK_KNIGHT_VS_ROOK_CUT : SCALE_ROOK_KNIGHT_VS_ROOK;
        else
          factor = cut ? SCALE_ROOK_BISHOP_VS_ROOK_CUT : SCALE_ROOK_BISHOP_VS_ROOK;
      } else if (pm_better == 6 && pm_weaker == 5)
        factor = SCALE_TWO_MINORS_VS_ROOK;
      else if (pm_better == 6 && pm_weaker == 6)
        factor = SCALE_TWO_MINORS_VS_TWO;
      else if (pm_better == 6 && pm_weaker == 3)
        factor = b.Pieces[BISHOP][weaker]   ? SCALE_TWO_MINORS_VS_BISHOP
                 : b.Pieces[KNIGHT][better] ? SCALE_KNIGHT_MINOR_VS_KNIGHT
                                            : SCALE_BISHOPS_VS_KNIGHT;
      else if (pm_better == 3 && pm_weaker == 3)
        factor = SCALE_MINOR_VS_MINOR;
      if (factor) ScaleBoth(s, factor);
    }
  }
}

}  // namespace

void EvaluatePosition(int32_t* result, int32_t bound) {
  const Board& b = thread_board;
  EvalInfo& e = thread_eval_info;
  memset(&e, 0, sizeof e);
  e.reliable = 1;
  e.cacheable = 1;

  if (endgame_threshold > int(b.PieceMaterial[BLACK]) || endgame_threshold > int(b.PieceMaterial[WHITE])) {
    e.material = b.Material[BLACK] - b.Material[WHITE];
    int32_t final = 0;
    const int32_t term = EvaluateSpecialEndgame(result, bound, &final);
    if (final) return;
    e.score = term;
  } else {
    if (b.MaterialIndex >= 0 && b.MaterialIndex < NO_MATERIAL_INDEX) {
      const MaterialEntry& row = material_table[b.MaterialIndex];
      e.material = e.score = b.Material[BLACK] - b.Material[WHITE] + row.material;
      current_phase = row.current_phase;
      black_phase = row.black_phase;
      white_phase = row.white_phase;
      e.ending[WHITE] = row.flags[WHITE] & MATERIAL_ENDING;
      e.ending[BLACK] = row.flags[BLACK] & MATERIAL_ENDING;
    } else {
      e.material = e.score = EvaluateMaterial();
      ComputeGamePhase();
      SetEndingFlagsWithoutRow();
    }
    AllPawns = b.Pieces[PAWN][WHITE] | b.Pieces[PAWN][BLACK];
    white_cannot_win = black_cannot_win = 0;
  }

  e.opening = b.PstOpening;
  e.endgame = b.PstEnding;
  EvaluatePawnStructure(&e.opening, &e.endgame);
  e.hot_squares[WHITE] |= e.passed_pawns[WHITE];
  e.hot_squares[BLACK] |= e.passed_pawns[BLACK];

  const int pm_white = int(b.PieceMaterial[WHITE]), pm_black = int(b.PieceMaterial[BLACK]);
  if (e.ending[WHITE] || e.ending[BLACK]) {
    if (pm_white == 5 && pm_black == 6 && b.Pieces[KNIGHT][BLACK])
      e.score -= rook_vs_minors_passers[PopCount(PassedVector(WHITE))];
    else if (pm_white == 6 && b.Pieces[KNIGHT][WHITE] && pm_black == 5)
      e.score += rook_vs_minors_passers[PopCount(PassedVector(BLACK))];
    if (pm_white == 0 && pm_black == 0) {
      e.reliable = 0;
      ScorePawnEndingKings();
    }
  }

  if (PassedVector(WHITE) || PassedVector(BLACK)) {
    e.score = EvaluatePassedPawns(e.score, e.king_attack, e.side_endgame);
    if (b.Material[WHITE] == 100 && b.Material[BLACK] == 100 &&
        abs(e.score + e.endgame + e.side_endgame[BLACK] - e.side_endgame[WHITE]) < 100) {
      *result = 0;
      return;
    }
  }

  if (!e.ending[BLACK])
    e.king_attack[WHITE] -= ComputeBlackShelterPenalty();
  else
    e.shelter_penalty[BLACK] = 0;
  if (!e.ending[WHITE])
    e.king_attack[BLACK] -= ComputeWhiteShelterPenalty();
  else
    e.shelter_penalty[WHITE] = 0;
  ScoreShelterGap();
  FillKingZones();

  int32_t s;
  if (pm_white == 0 && pm_black == 0) {
    s = Blend();
    if (!(pm_white >= endgame_threshold && pm_black >= endgame_threshold)) {
      if (s > 0 && black_cannot_win) s = 0;
      if (s < 0 && white_cannot_win) s = 0;
    }
  } else {
    EvaluatePieceTerms();
    ScoreThreats();
    if (e.king_zone[WHITE] & e.king_zone[BLACK]) {
      if (!e.ending[WHITE]) e.danger[BLACK] += 2;
      if (!e.ending[BLACK]) e.danger[WHITE] += 2;
    }
    ScoreKingSafety(WHITE);
    ScoreKingSafety(BLACK);
    s = Blend();
    ScoreQueenChecks(&s);
    if (pm_white > endgame_threshold_no_queen && pm_black > endgame_threshold_no_queen)
      ScoreBlockedCentre(&s);
    else if (s != 0)
      ApplyScaleFactors(&s);
  }

  const int stm = int(b.SideToMove);
  const int32_t t = e.attack_tempo[stm] - ((current_phase - 1) >> 6) + 8;
  if (stm == BLACK) {
    e.score = s + t;
    *result = s + t;
    e.second_score += 2 * t;
  } else {
    e.score = s - t;
    *result = t - s;
    e.second_score = 2 * t - e.second_score;
  }
}

namespace {

// A side can force a win with this material.
inline bool CanWin(int colour) {
  const Board& b = thread_board;
  const uint32_t pawns = b.PieceCount[PAWN][colour];
  return (pawns >= 2 && b.PieceMaterial[colour] >= 6) || (pawns <= 1 && b.PieceMaterial[colour] >= 10);
}

// What the side ahead may lose to the colour's most advanced pawn: 100 for
// one step from promotion, 50 for two.
constexpr uint64_t seventh_rank[2] = {ColourTraits<WHITE>::SeventhRank, ColourTraits<BLACK>::SeventhRank};
constexpr uint64_t sixth_rank[2] = {ColourTraits<WHITE>::RankMask(5), ColourTraits<BLACK>::RankMask(5)};
inline int32_t PromotionThreat(int colour) {
  const uint64_t pawns = thread_board.Pieces[PAWN][colour];
  return (pawns & seventh_rank[colour]) ? 100 : (pawns & sixth_rank[colour]) ? 50 : 0;
}

inline int32_t Damp(int32_t score) {
  const int fifty = thread_board.FiftyCount;
  int factor = 256 - 2 * std::max(0, fifty - 8);
  if (factor < 0) factor = 0;
  return int32_t(int64_t(score) * factor / 256);
}

inline EvalCacheEntry* CacheSlot(uint64_t key) {
  if (!eval_cache || !eval_cache_entries) return nullptr;
  return &eval_cache[EvalCacheIndex(key, eval_cache_entries)];
}

}  // namespace

int LazyMaterialCut(int32_t* balance) {
  const Board& b = thread_board;
  const int stm = int(b.SideToMove), opp = stm ^ 1;
  int32_t m = b.Material[stm] - b.Material[opp];
  const int32_t low = stm == root_side ? lazy_window_low : -lazy_window_high;
  const int32_t high = stm == root_side ? lazy_window_high : -lazy_window_low;
  if (m > high && CanWin(stm)) {
    m -= PromotionThreat(opp);
    if (m <= high) return 0;
    *balance = m;
    return 1;
  }
  if (m < low && CanWin(opp)) {
    m += PromotionThreat(stm);
    if (m >= low) return 0;
    *balance = m;
    return -1;
  }
  return 0;
}

int32_t Evaluate(int32_t, int32_t) {
  const Board& b = thread_board;
  EvalInfo& e = thread_eval_info;
  const int stm = int(b.SideToMove), opp = stm ^ 1;

  int32_t balance;
  if (LazyMaterialCut(&balance)) {
    e.cacheable = 0;
    return Damp(balance);
  }

  const uint64_t key = EvalCacheKey(b);
  EvalCacheEntry* slot = CacheSlot(key);
  int32_t s = NO_SCORE;
  if (slot && slot->key == key) {
    e.hot_squares[WHITE] = slot->hot_squares[WHITE];
    e.hot_squares[BLACK] = slot->hot_squares[BLACK];
    e.attacked_squares[WHITE] = slot->attacked_squares[WHITE];
    e.attacked_squares[BLACK] = slot->attacked_squares[BLACK];
    e.material = slot->material;
    s = slot->score[stm];
  }
  e.cacheable = 1;
  if (s > NO_SCORE) return Damp(s);

  s = NO_SCORE;
  EvaluatePosition(&s);
  // Mate scores of the static evaluation depend on the ply: never stored.
  if (e.cacheable && slot && s > -MATE_BOUND && s < MATE_BOUND) {
    slot->score[stm] = int16_t(s);
    if (slot->key != key) {
      slot->material = int16_t(e.material);
      slot->hot_squares[WHITE] = e.hot_squares[WHITE];
      slot->hot_squares[BLACK] = e.hot_squares[BLACK];
      slot->attacked_squares[WHITE] = e.attacked_squares[WHITE];
      slot->attacked_squares[BLACK] = e.attacked_squares[BLACK];
      const int32_t other = e.second_score - s;
      slot->score[opp] = e.reliable && other > -MATE_BOUND && other < MATE_BOUND ? int16_t(other) : int16_t(NO_SCORE);
      slot->key = key;
    }
  }
  return Damp(s);
}
