// The full-width search below the root: node frame (draws, table and
// tablebase probes, null move, internal iterative deepening), the move loop
// over the picker's stages (search/movepick.h) with its pruning, reductions
// and cut-off bookkeeping, and the extension of each move with the singular
// test of the hash move. AlphaBeta reads as numbered steps.
#include <cstring>

#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "book/learning.h"
#include "eval/evaluate.h"
#include "eval/material.h"
#include "eval/pst.h"
#include "interface/input.h"
#include "interface/options.h"
#include "platform/clock.h"
#include "search/driver.h"
#include "search/movepick.h"
#include "search/node.h"
#include "search/output.h"
#include "search/root.h"
#include "search/search.h"
#include "search/tables.h"
#include "search/transposition.h"
#include "tablebases/tablebases.h"

using namespace search_node;

#ifndef NDEBUG
uint32_t search_node::illegal_moves_made;
#endif

namespace {

// Futility by depth / 4.
constexpr int32_t futility_a[7] = {0, 81, 323, 484, 2011, 8521, 29817};
constexpr int32_t futility_c[7] = {0, 16, 18, 16, 19, -13, -50};
constexpr int32_t futility_e[7] = {0, 646, 526, 636, 1567, 7193, 16086};
// Futility by piece units (0 from 15 up): B by the opponent's, D by the own.
constexpr int32_t futility_b[15] = {528, 528, 528, 119, 119, 160, 64, 95, 88, 67, 54, 33, 33, 33, 33};
constexpr int32_t futility_d[15] = {381, 381, 381, 128, 128, 201, 121, 121, 80, 58, 50, 57, 58, 50, 1};
// Held inside the table at both ends, whatever board the search is given.
inline int32_t ByUnits(const int32_t* table, int32_t units) { return units >= 15 ? 0 : table[units < 0 ? 0 : units]; }

// Late-move reduction adjustment by clamp((alpha - c) / 25, -20, 20), offset 20.
constexpr int32_t reduction_table[41] = {-100, -100, -100, -100, -100, -100, -100, -100,        // -20 .. -13
                                         -24,  -24,  -24,  -24,  -24,  -24,                     // -12 .. -7
                                         -4,   -3,   -3,   -2,   -2,   3,    4,    3,           // -6 .. 1
                                         -3,   -3,   -3,   -3,   -4,   -4,                      // 2 .. 7
                                         -6,   -6,   -6,   -6,                                  // 8 .. 11
                                         -15,  -15,  -15,  -15,  -15,  -15,  -15,  -15,  -15};  // 12 .. 20
static_assert(sizeof(reduction_table) / sizeof(reduction_table[0]) == 41);

// History step by min(depth / 4, 15), out of 1024.
constexpr int32_t history_step[16] = {0, 57, 119, 155, 181, 200, 217, 230, 242, 253, 262, 271, 278, 286, 292, 298};

// Recapture classes by piece code.
constexpr int32_t recapture_class[8] = {0, 5, 2, 1, 0, 3, 2, 4};

constexpr uint32_t FLAG_CHECK = 1, FLAG_THREAT = 2, FLAG_RECAPTURE = 4, FLAG_PASSED = 8, FLAG_CREATES_THREAT = 32,
                   FLAG_REDUCED = 64, FLAG_LAST_PIECE = 128;
constexpr uint32_t EXTENSION_FLAGS =
    FLAG_CHECK | FLAG_THREAT | FLAG_RECAPTURE | FLAG_PASSED | FLAG_CREATES_THREAT | FLAG_LAST_PIECE;

constexpr uint64_t CORNERS = SquareBit(A1) | SquareBit(H1) | SquareBit(A8) | SquareBit(H8);

// The king of the colour stands in a corner and every square it could step to
// holds one of its own men or touches the other king.
int KingTrappedInCorner(int colour) {
  const Board& b = thread_board;
  const int king = int(b.KingSquare[colour]);
  if (!(CORNERS & SquareBit(king))) return 0;
  const uint64_t free_squares = king_attacks[king] & ~b.Occupied[colour] & ~king_attacks[b.KingSquare[colour ^ 1]];
  return free_squares == 0;
}

// Input, node limit, ponder-move limit, statistics and the clock; 1 when the
// search has to stop.
int PollAndCheckLimits() {
  if (InputAvailable()) {
    poll_countdown = poll_interval;
    PollInputDuringSearch();
    if (stop_search) return 1;
  }
  if (node_limit != 0 && nodes >= uint64_t(node_limit)) {
    stop_search = 1;
    return 1;
  }
  if (pondering_now && ponder_move_search == 1 && ClockCentiseconds() - search_start_time > 100) {
    stop_search = 1;
    ponder_move_search = 0;
    return 1;
  }
  if (uci_mode && --nps_report_interval < 0) PrintUciStatistics();
  if (depth_limit != 999 || pondering_now || go_ponder) {
    poll_countdown = poll_interval;
    return 0;
  }
  const int obvious = move_list[0].move == obvious_move;
  if (!obvious) obvious_move = 0;
  poll_countdown = poll_interval;
  const int64_t elapsed = ClockCentiseconds() - search_start_time;
  if (first_root_move_done && !obvious) {
    int64_t later = int64_t(target_time) * 5 / 3;
    if (later > hard_time_limit) later = hard_time_limit;
    if (elapsed <= later) return 0;
  }
  const int32_t s = root_side == last_root_side ? last_root_score : -last_root_score;
  int64_t limit = obvious ? target_time / 3 : target_time;
  const int32_t d = root_scores[0] - s;
  if (d > 25) {
    if (s >= -9 && s <= 119) limit *= 2;
  } else {
    const int32_t drop = -d;
    if (drop >= 21 && drop <= 60)
      limit = limit / 2 + 2 * limit;
    else if (drop > 60)
      limit *= searches_since_new_game == 0 ? 4 : 7;
  }
  if (limit > hard_time_limit) limit = hard_time_limit;
  if (ClockCentiseconds() - search_start_time >= limit) {
    stop_search = 1;
    return 1;
  }
  return 0;
}

// Whether the tablebases are asked at this node (the men and castling
// conditions already hold).
int ShouldProbeTablebases(int32_t alpha, int32_t beta, int32_t depth) {
  const Board& b = thread_board;
  if (ply < 2 || depth > 15) return 1;
  if (game_ply > 0) {
    const int promotion = MovePromotion(game_history[game_ply - 1].Move);
    if (promotion && promotion != QUEEN) return 0;
  }
  const uint64_t pawns = b.Pieces[PAWN][WHITE] | b.Pieces[PAWN][BLACK];
  if ((b.Material[WHITE] == 0 || b.Material[BLACK] == 0) && PopCount(pawns) < 2) return 0;
  if (b.Pieces[PAWN][WHITE] && b.Pieces[PAWN][BLACK]) return 1;
  const int own = int(b.SideToMove), opp = own ^ 1;
  const int32_t mine = b.PieceMaterial[own], theirs = b.PieceMaterial[opp];
  if (!pawns) {
    if (mine == theirs && mine < 11) return 0;
    if (alpha >= 0 && mine < theirs && mine <= 10) return 0;
    if (beta <= 0 && theirs < mine && theirs <= 10) return 0;
  }
  for (int c = WHITE; c <= BLACK; c++) {
    if (!b.Pieces[PAWN][c] && b.PieceMaterial[c] <= 5 && b.PieceMaterial[c ^ 1] > b.PieceMaterial[c] + 4) return 0;
    if (b.Material[c] == 100 && b.Material[c ^ 1] == 300 && b.Pieces[BISHOP][c ^ 1]) return 0;
  }
  return 1;
}

// The search of one child: the quiescence search below one ply.
inline int32_t SearchChild(int32_t alpha, int32_t beta, int32_t depth, int32_t child_type) {
  ply++;
  const int32_t v =
      depth < 4 ? -Quiescence(-beta, -alpha, 0, child_type) : -AlphaBeta(-beta, -alpha, depth, 1, child_type);
  ply--;
  return v;
}

// The piece-square gain of a quiet move with the phase refreshed for this
// material, negative gains scaled.
int32_t SquareGain(Move m, int own, int32_t negative_scale) {
  const Board& b = thread_board;
  const int32_t index = b.MaterialIndex;
  int32_t phase;
  if (index >= 0 && index < NO_MATERIAL_INDEX) {
    const MaterialEntry& row = material_table[index];
    current_phase = phase = row.current_phase;
    black_phase = row.black_phase;
    white_phase = row.white_phase;
    for (int c = WHITE; c <= BLACK; c++) thread_eval_info.ending[c] = row.flags[c] & MATERIAL_ENDING;
  } else {
    ComputeGamePhase();
    phase = current_phase;
  }
  const int piece = MovePiece(m), from = MoveFrom(m), to = MoveTo(m);
  const int32_t end = pst_endgame[PstIndex(piece, own, to)] - pst_endgame[PstIndex(piece, own, from)];
  const int32_t open = pst_opening[PstIndex(piece, own, to)] - pst_opening[PstIndex(piece, own, from)];
  int32_t gain = (end * phase + open * (256 - phase)) >> 8;
  if (gain < 0) gain = (gain * negative_scale) >> 8;
  return gain;
}

}  // namespace

int32_t ComputeExtension(int32_t shallow, int32_t threat, int32_t depth, int32_t single_reply, Move move,
                         int32_t move_score, int32_t is_pv, int32_t* deferred, const uint64_t hot_squares[2],
                         int32_t gap) {
  const Board& b = thread_board;
  PlyRecord& record = ply_records[ply];
  PlyRecord& next = ply_records[ply + 1];
  const int own = int(b.SideToMove), opp = own ^ 1;
  const int from = MoveFrom(move), to = MoveTo(move), piece = MovePiece(move);
  const int captured = MoveCaptured(move), promotion = MovePromotion(move);
  const int32_t a = shallow ? 4 : 2, bonus = shallow ? 3 : 1;
  int32_t ext = single_reply ? 0 : -4, cap = 0;
  uint32_t flags = 0;
  int count = 0;
  uint64_t attacked;

  if (threat) {
    flags = FLAG_THREAT;
    ext += bonus;
  }
  if (piece_value[captured] > 100 && !promotion &&
      b.PieceMaterial[WHITE] + b.PieceMaterial[BLACK] == piece_material_units[captured]) {
    cap = 4;
    flags |= FLAG_LAST_PIECE;
    ext += a;
  }
  if (captured && move_score >= 0 && game_ply > 0) {
    const Move last = game_history[game_ply - 1].Move;
    if (MoveTo(last) == to && !(ply_records[ply - 1].flags & FLAG_RECAPTURE) &&
        recapture_class[captured] == recapture_class[MoveCaptured(last)] && gap > -120 &&
        gap < piece_value[captured] + 120) {
      flags |= FLAG_RECAPTURE;
      ext += bonus;
    }
  }
  if (GivesCheck(move)) {
    ext += a;
    next.in_check = 1;
    flags |= FLAG_CHECK;
  } else {
    next.in_check = 0;
  }
  if (move_score < 0) goto finish;

  if (piece == PAWN && !(passed_span[own][to] & b.Pieces[PAWN][opp])) {
    flags |= FLAG_PASSED;
    count = 1;
    if (is_pv && (own == WHITE ? to >= 40 : to < 24)) goto threatens;
  }
  attacked = AttacksOf(piece, to, own) & b.Occupied[opp];
  if (gap < 220 && (attacked & hot_squares[opp])) goto threatens;
  if (!attacked) goto finish;
  while (attacked) {
    const int square = PopLowestBit(&attacked);
    const int victim = int(b.Square[square]);
    if (piece_value[victim] + 120 > gap && PassesStaticExchange(square, from, piece, victim, 0) && ++count > 1)
      goto threatens;
  }
  goto finish;

threatens:
  if (!captured && !IsEnPassant(move) && !PassesStaticExchange(to, from, piece, 0, promotion)) goto finish;
  if (!is_pv && depth + ext >= 4) {
    flags |= FLAG_CREATES_THREAT;
    goto finish;
  }
  ext += a;
  flags |= FLAG_CREATES_THREAT;

finish:
  record.flags = flags;
  const int32_t r = ext < cap ? ext : cap;
  if (r <= -4 || is_pv || (flags & FLAG_CREATES_THREAT) || (next.in_check && GivesDiscoveredCheck(move))) return r;
  const int32_t ok =
      (!captured && !IsEnPassant(move)) ? PassesStaticExchange(to, from, piece, 0, promotion) : move_score;
  if (ok > 0) return r;
  *deferred = r + 4;
  return -4;
}

int32_t IsSingularMove(int32_t bound, int32_t depth, Move excluded, int32_t near) {
  Board& b = thread_board;
  const int list_start = move_list_end;
  const uint32_t saved_next_check = ply_records[ply + 1].in_check;
  const int in_check = ply_records[ply].in_check != 0;
  const int own = int(b.SideToMove), opp = own ^ 1;
  const int32_t d = depth / 2 - 12;
  int saved = 0;
  int refuted = 0;
  singular_search_active = 1;

  // 1 when the move reaches the bound (or the search stops).
  auto refutes = [&](Move m) -> int {
    if (m == excluded) return 0;
    MakeSearchMove(m, !saved);
    saved = 1;
    if (MoverKingAttacked()) {
      UnmakeMove();
      return 0;
    }
    ply++;
    ply_records[ply].in_check = IsSquareAttacked(own, int(b.KingSquare[opp]));
    const int32_t v = d < 4 ? -Quiescence(-bound, -bound + 1, 0) : -AlphaBeta(-bound, -bound + 1, d, 1, -1);
    ply--;
    UnmakeMove();
    return v >= bound || stop_search;
  };

  if (in_check) {
    GenerateEvasions();
    for (int i = list_start; i < move_list_end && !refuted; i++) {
      SelectBest(i, move_list_end);
      refuted = refutes(move_list[i].move);
    }
  } else {
    GenerateCaptures(b.Occupied[opp]);
    if (ply > iteration_depth / 2)
      GenerateSearchPromotions();
    else
      GeneratePromotions();
    for (int i = list_start; i < move_list_end && !refuted; i++) {
      SelectBest(i, move_list_end);
      if (move_list[i].score < 0) break;
      refuted = refutes(move_list[i].move);
    }
    const Move killer1 = ply_records[ply].killer1[own], killer2 = ply_records[ply].killer2[own];
    for (Move killer : {killer1, killer2}) {
      if (refuted || !killer) continue;
      move_list_end = list_start;
      AddMoveIfValid(killer);
      if (move_list_end > list_start) refuted = refutes(killer);
    }
    if (!refuted) {
      move_list_end = list_start;
      GenerateQuietMoves(near);
      const int last = move_list_end < list_start + 12 ? move_list_end : list_start + 12;
      for (int i = list_start; i < last && !refuted; i++) {
        SelectBest(i, move_list_end);
        const Move m = move_list[i].move;
        if (m == killer1 || m == killer2) continue;
        refuted = refutes(m);
      }
    }
  }

  move_list_end = list_start;
  ply_records[ply + 1].in_check = saved_next_check;
  singular_search_active = 0;
  return refuted ? 0 : 1;
}

int32_t AlphaBeta(int32_t alpha, int32_t beta, int32_t depth, int32_t null_ok, int32_t node_type) {
  Board& b = thread_board;
  PlyRecord& record = ply_records[ply];
  const int own = int(b.SideToMove), opp = own ^ 1;

  // Step 1. Bookkeeping and mate distance; a node without room is a leaf.
  record.best_move = 0;
  nodes++;
  const int in_check = record.in_check != 0;
  if (int32_t decided; MateDistanceDecides(MateDistanceFloor(in_check), alpha, beta, decided)) return decided;
  if (ply > seldepth) seldepth = ply;
  if (NodeHasNoRoom()) return Evaluate(-MATE_SCORE, MATE_SCORE);

  // Step 2. The input, the limits and the clock, every poll_interval nodes.
  if (--poll_countdown < 0 && PollAndCheckLimits()) return 0;

  // Step 3. Draws by material, by rule and by repetition.
  const uint64_t all_pawns = b.Pieces[PAWN][WHITE] | b.Pieces[PAWN][BLACK];
  int simplified = 0;
  if (b.PieceMaterial[WHITE] < 11 && b.PieceMaterial[BLACK] < 11) {
    // An index outside the table (a board that cannot occur) reads the row
    // of no material knowledge.
    const int32_t index =
        b.MaterialIndex >= 0 && b.MaterialIndex < NO_MATERIAL_INDEX ? b.MaterialIndex : NO_MATERIAL_INDEX;
    const MaterialEntry& row = material_table[index];
    const int no_win[2] = {row.flags[WHITE] & MATERIAL_CANNOT_WIN, row.flags[BLACK] & MATERIAL_CANNOT_WIN};
    if (no_win[WHITE] && no_win[BLACK] && b.Material[WHITE] + b.Material[BLACK] < 600) return 0;
    if (depth > 8 && b.PieceMaterial[WHITE] == b.PieceMaterial[BLACK] && b.PieceMaterial[WHITE] < 10 && !all_pawns)
      depth = 8;
    if (no_win[own] && alpha >= 0 && b.PieceMaterial[own] < 6 && !KingTrappedInCorner(opp)) return alpha;
    if (no_win[opp] && beta <= 0 && b.PieceMaterial[opp] < 6 && !KingTrappedInCorner(own)) return 0;
    const int32_t smaller =
        b.PieceMaterial[WHITE] < b.PieceMaterial[BLACK] ? b.PieceMaterial[WHITE] : b.PieceMaterial[BLACK];
    const int32_t spread = b.PieceMaterial[WHITE] - b.PieceMaterial[BLACK];
    simplified =
        no_win[WHITE] || no_win[BLACK] || (!all_pawns && smaller < 9) || (all_pawns && (spread > 6 || spread < -6));
  }
  if (IsDrawByRepetition(beta)) return 0;

  // Step 4. The transposition table: a cut, or the hash move, the mate-threat
  // mark and what the singular test of the hash move needs.
  int32_t threat = 0, cut = 0;
  Move hash_move = 0;
  ProbeTranspositionTable(depth, &alpha, beta, &threat, &hash_move, &null_ok, &cut);
  if (cut) {
    record.best_move = hash_move;
    return alpha;
  }
  const int singular_candidate = depth >= 32 && tt_hit_depth >= depth - 12 && tt_hit_is_lower &&
                                 !singular_search_active && (node_type == PV_NODE || node_type == CUT_NODE) &&
                                 hash_move;
  const int32_t singular_score = tt_hit_score;

  // Step 5. The tablebases, stored as an exact score deeper than any search.
  if (tb_max_men != 0 && uint32_t(tb_max_men) >= b.MenCount && b.Castling == 0 &&
      ShouldProbeTablebases(alpha, beta, depth)) {
    int32_t v;
    if (ProbeEGTB(1 - own, &v)) {
      int32_t score = v;
      if (v > TABLEBASE_MATE_BOUND)
        score = v + 1 - ply;
      else if (v < -TABLEBASE_MATE_BOUND)
        score = v + ply;
      StoreTranspositionTable(TABLEBASE_DRAFT, 0, score, HASH_EXACT, 0, 0);
      tbhits++;
      return score;
    }
  }

  // Step 6. The learning file's score of this position.
  if (depth > 24 && use_learning_data && own == root_side && game_ply < 120 && b.PieceMaterial[WHITE] > 14 &&
      b.PieceMaterial[BLACK] > 14 && b.FiftyCount < 70) {
    int32_t learn_depth = 0, learn_score = 0;
    uint32_t learn_move = 0, offset = 0;
    FindLearnRecord(LearnKey0(b.Key), LearnKey1(b.Key), &learn_depth, &learn_score, &learn_move, &offset);
    // Scores outside the scale come from a damaged file and are ignored.
    if (offset != 0 && depth <= learn_depth && learn_score >= -MATE_SCORE && learn_score <= MATE_SCORE)
      return learn_score;
  }

  // Step 7. The static evaluation, and what the move loop keeps of it.
  const int32_t e = Evaluate(-MATE_SCORE, MATE_SCORE);
  record.static_eval = e;
  const uint64_t hot[2] = {thread_eval_info.hot_squares[WHITE], thread_eval_info.hot_squares[BLACK]};
  const int near_alpha = alpha <= e + 100;

  // Step 8. The null move, deepened a ply at a time while it still fails high.
  int32_t null_depth = depth - 16;
  if (b.PieceMaterial[own] > 8 && depth >= 24) null_depth = depth - 20;
  if (alpha < MATE_BOUND && beta > -MATE_BOUND && b.PieceMaterial[own] > 0 &&
      (b.PieceMaterial[own] > 5 || depth < 25) && null_ok && node_type != PV_NODE && !in_check &&
      e >= alpha - (depth < 8 ? 4 : 19)) {
    b.SideToMove ^= 1;
    if (null_depth < 4 && (e < beta || HasWinningCapture(0))) {
      b.SideToMove ^= 1;
    } else {
      UndoRecord& h = game_history[game_ply];
      h.FiftyCount = b.FiftyCount;
      h.Move = 0;
      game_ply++;
      ply++;
      ply_records[ply].in_check = 0;
      record.flags = 0;
      b.FiftyCount = 0;
      int32_t r = ((null_depth % 4) + 4) % 4;
      int32_t v;
      for (;;) {
        v = r < 4 ? Quiescence(-beta, -beta + 1, 0, -1) : AlphaBeta(-beta, -beta + 1, r, 0, -1);
        if (stop_search || -v < beta || r + 4 > null_depth) break;
        r += 4;
      }
      game_ply--;
      ply--;
      b.SideToMove ^= 1;
      b.FiftyCount = h.FiftyCount;
      if (stop_search) return 0;
      if (-v >= beta) {
        StoreTranspositionTable(depth, 0, beta, HASH_LOWER, threat, 0);
        return beta;
      }
      if (-v == MatedIn(ply + 2)) threat = 1;
    }
  }

  // Step 9. In check: mated, or a single evasion (the hash move when there is
  // none). The evasions stay listed for the move loop.
  const int list_start = move_list_end;
  Move single_evasion = 0;
  if (in_check) {
    GenerateEvasions();
    const int count = move_list_end - list_start;
    if (count == 0) {
      move_list_end = list_start;
      return MatedIn(ply);
    }
    if (count == 1) {
      single_evasion = move_list[list_start].move;
      const int two_back_promoted = game_ply >= 2 && MovePromotion(game_history[game_ply - 2].Move);
      if (!hash_move && !(MoveCaptured(single_evasion) == QUEEN && !two_back_promoted)) hash_move = single_evasion;
    }
  }

  // Step 10. A reduced move that meets a mate threat here is searched a ply
  // deeper after all.
  if ((ply_records[ply - 1].flags & FLAG_REDUCED) && threat) depth += 4;

  // Step 11. Internal iterative deepening finds a hash move.
  if (depth >= 20 && !hash_move) {
    int found = 0;
    if (node_type == PV_NODE) {
      if (e < beta + 50) {
        Quiescence(alpha - 50, beta + 50, 0);
        if (stop_search) return move_list_end = list_start, 0;
        found = record.best_move != 0;
      }
      if (!found) {
        int32_t d = depth - 16;
        d = d < 4 ? 4 : d > 8 ? 8 : d;
        const int32_t v = AlphaBeta(alpha - 50, beta + 50, d, 0, 0);
        if (!stop_search && v <= alpha - 50) AlphaBeta(-MATE_SCORE, beta, d, 0, 0);
      }
    } else if (alpha < e + 50) {
      if (e < beta + 50) {
        Quiescence(alpha - 100, beta, 0, node_type);
        if (stop_search) return move_list_end = list_start, 0;
        found = record.best_move != 0;
      }
      if (!found) {
        int32_t d = depth - 40;
        d = d < 4 ? 4 : d > 8 ? 8 : d;
        const int32_t v = AlphaBeta(alpha - 100, beta, d, 0, node_type);
        if (!stop_search && v <= alpha - 100) AlphaBeta(-MATE_SCORE, beta, d, 0, node_type);
      }
    }
    if (stop_search) return move_list_end = list_start, 0;
    hash_move = record.best_move;
    record.best_move = 0;
  }

  // What the move loop needs throughout.
  const int shallow = ply <= 2 * iteration_depth;
  const int32_t alpha_in = alpha;
  const int d4 = depth / ONE_PLY < 0 ? 0 : depth / ONE_PLY > 6 ? 6 : depth / ONE_PLY;
  const int32_t step = history_step[depth / ONE_PLY > 15 ? 15 : depth / ONE_PLY < 0 ? 0 : depth / ONE_PLY];
  const int is_pv = node_type == PV_NODE;
  Move best_move = hash_move;  // stored with an upper bound when nothing raises alpha
  int made = 0, legal = 0, saved = 0, reduction_count = 0;

  // Cut-off bookkeeping for a quiet move (killers, history, check replies);
  // lowered_begin/lowered_end: the quiet moves tried before it in the quiet
  // stage.
  auto reward = [&](Move m, int lowered_begin, int lowered_end, Move skip1, Move skip2) {
    if (!IsQuiet(m)) return;
    if (in_check) {
      if (game_ply > 0) check_reply_table[MoveTo(game_history[game_ply - 1].Move)][b.KingSquare[own]][own] = m;
      return;
    }
    for (int i = lowered_begin; i < lowered_end; i++) {
      const Move q = move_list[i].move;
      if (q == hash_move || q == skip1 || q == skip2) continue;
      int32_t& h = history_table[HistoryIndex(q, near_alpha, own)];
      h -= (h * step) >> 10;
    }
    int32_t& h = history_table[HistoryIndex(m, near_alpha, own)];
    h += ((MATE_SCORE - h) * step) >> 10;
    if (record.killer1[own] != m) {
      record.killer2[own] = record.killer1[own];
      record.killer1[own] = m;
    }
  };

  // Step 12. The hash move first, with the mate-threat mark and the singular
  // test; no pruning and no reduction.
  if (hash_move && HashMoveIsPlayable(hash_move, in_check, list_start)) {
    int32_t deferred = 0;
    int32_t ext = ComputeExtension(shallow, threat, depth, hash_move == single_evasion, hash_move, MATE_SCORE, is_pv,
                                   &deferred, hot, alpha - e);
    if (singular_candidate && ext < 0) {
      const uint32_t flags_kept = record.flags, next_check = ply_records[ply + 1].in_check;
      if (IsSingularMove(singular_score - depth / 2 - 10, depth, hash_move, near_alpha)) {
        ext += shallow ? 4 : 2;
        if (ext > 0) ext = 0;
      }
      if (stop_search) return move_list_end = list_start, 0;
      record.flags = flags_kept;
      ply_records[ply + 1].in_check = next_check;
    }
    MakeSearchMove(hash_move, 1);
    saved = 1;
    if (IsEnPassant(hash_move) && MoverKingAttacked()) {
      UnmakeMove();
    } else {
      CheckMadeMove();
      legal++;
      made++;
      const int32_t v = SearchChild(alpha, beta, depth + ext, -node_type);
      UnmakeMove();
      if (stop_search) return move_list_end = list_start, 0;
      if (v >= beta) {
        reward(hash_move, 0, 0, 0, 0);
        move_list_end = list_start;
        StoreTranspositionTable(depth, hash_move, v, HASH_LOWER, threat, 0);
        record.best_move = hash_move;
        return v;
      }
      if (v > alpha) alpha = v;
    }
  }

  // Step 13. Futility set-up: margin, futile node, restricted captures.
  int futility = 0, futile = 0, restricted = 0;
  int32_t margin = 0, negative_scale = 256;
  if (!is_pv && !in_check && depth < 28 && alpha > -FUTILITY_MATE_BOUND && alpha < FUTILITY_MATE_BOUND &&
      b.PieceMaterial[WHITE] + b.PieceMaterial[BLACK] > 0) {
    futility = 1;
    margin = ((futility_a[d4] * 100) >> 8) - ((ByUnits(futility_b, b.PieceMaterial[opp]) * futility_c[d4]) >> 8) -
             ((futility_c[d4] * ByUnits(futility_d, b.PieceMaterial[own])) >> 8);
    futile = e < alpha - margin;
    if (depth < 8) restricted = e - 100 < alpha;
    negative_scale = futility_e[d4];
  }

  // Step 14. The move loop: the picker's stages, each move pruned, reduced,
  // searched and re-searched as needed.
  MovePicker picker;
  InitMovePicker(picker, list_start, hash_move, in_check, restricted, futile, near_alpha);
  const uint16_t node_flags =
      picker.no_captures ? (restricted ? NO_CAPTURES : NO_CAPTURES | FULL_CAPTURES_GENERATED) : 0;

  Move m;
  while ((m = NextMove(picker)) != 0) {
    const int32_t score = picker.score;
    const int move_stage = picker.move_stage;

    // 14a. Legality: a move that leaves the own king attacked is no move.
    if (!in_check && !PassesPinTest(m)) continue;

    // 14b. The extension (a part of it may wait for the move to raise alpha).
    int32_t deferred = 0;
    int32_t ext = ComputeExtension(shallow, 0, depth, m == single_evasion, m, score, is_pv, &deferred, hot, alpha - e);
    const int quiet = IsQuiet(m);
    const int simple_reduction = simplified && quiet;
    if (simple_reduction) ext -= 8;

    // 14c. Capture futility.
    if (futile && (MoveCaptured(m) || IsEnPassant(m)) && !is_pv && depth <= 8 && !(record.flags & EXTENSION_FLAGS) &&
        CaptureIsFutile(m, alpha, e)) {
      legal++;
      continue;
    }
    // 14d. Quiet futility.
    if (futility && quiet && !(record.flags & EXTENSION_FLAGS)) {
      int32_t weight, h;
      if (move_stage == STAGE_KILLER1 || move_stage == STAGE_KILLER2) {
        weight = move_stage == STAGE_KILLER1 ? 554 : 416;
        h = history_table[HistoryIndex(m, near_alpha, own)];
      } else {
        weight = 32;
        h = score;
      }
      const int32_t estimate = e + SquareGain(m, own, negative_scale) + ((margin * weight) >> 8) + ((26 * h) >> 8);
      if (estimate < alpha) {
        legal++;
        continue;
      }
    }

    // 14e. Make the move; an en passant capture may turn out illegal.
    MakeSearchMove(m, !saved);
    saved = 1;
    if (IsEnPassant(m) && MoverKingAttacked()) {
      UnmakeMove();
      continue;
    }
    CheckMadeMove();
    legal++;
    const int first = made == 0;
    made++;
    const int gives_check = (record.flags & FLAG_CHECK) != 0;

    // 14f. Late-move reduction, tried with the null window.
    int32_t v = 0;
    int reduced_failed_low = 0;
    if (depth >= 8 && ply > 0 && m != single_evasion &&
        (move_stage == STAGE_QUIETS || (move_stage == STAGE_EVASIONS && quiet))) {
      reduction_count++;
      if (reduction_count > 1) {
        const int32_t c = -Evaluate(-MATE_SCORE, MATE_SCORE);
        if (c - e < 100) {
          int32_t r = reduction_count + (node_type == CUT_NODE ? -13 : node_type == ALL_NODE ? 7 : -33);
          int allowed = 1;
          if (gives_check) {
            if (is_pv)
              allowed = 0;
            else if (node_type == CUT_NODE)
              r -= 9;
          }
          int32_t x = (alpha - c) / 25;
          x = x < -20 ? -20 : x > 20 ? 20 : x;
          r -= reduction_table[x + 20];
          if (allowed && r > -34) {
            int32_t reduction = 4;
            if (r > -3 && reduction_count > 2) {
              reduction = 8;
              if (r > 25 && reduction_count > 4) reduction = 12;
            }
            if (r > 42 && reduction_count > 4) reduction = 16;
            record.flags |= FLAG_REDUCED;
            v = SearchChild(alpha, alpha + 1, depth + ext - reduction, node_type == ALL_NODE ? CUT_NODE : ALL_NODE);
            record.flags &= ~FLAG_REDUCED;
            if (stop_search) {
              UnmakeMove();
              return move_list_end = list_start, 0;
            }
            reduced_failed_low = v <= alpha;
          }
        }
      }
    }
    if (reduced_failed_low) {
      UnmakeMove();
      continue;
    }

    // 14g. The full search: the node's window for its first move, the null
    // window after; a move that raises alpha is searched again as needed.
    const int32_t upper = first ? beta : alpha + 1;
    const int32_t nd = depth + ext;
    v = SearchChild(alpha, upper, nd, first ? -node_type : CUT_NODE);
    if (!in_check && !gives_check && MoveCaptured(m)) CountCapture(m, score, v > alpha);
    if (stop_search) {
      UnmakeMove();
      return move_list_end = list_start, 0;
    }
    if (v > alpha) {
      if (deferred || simple_reduction) {
        v = SearchChild(alpha, beta, nd + deferred + (simple_reduction ? 8 : 0), is_pv ? PV_NODE : ALL_NODE);
      } else if (v < beta && upper == alpha + 1) {
        v = SearchChild(v, beta, nd, PV_NODE);
      }
      if (stop_search) {
        UnmakeMove();
        return move_list_end = list_start, 0;
      }
    }
    UnmakeMove();

    // 14h. A new best move, or the cut-off.
    if (v > alpha) {
      best_move = m;
      if (v >= beta) {
        if (move_stage == STAGE_QUIETS)
          reward(m, picker.quiet_begin, picker.picked_at, picker.killer1, picker.killer2);
        else
          reward(m, 0, 0, 0, 0);
        move_list_end = list_start;
        StoreTranspositionTable(depth, m, v, HASH_LOWER, threat, node_flags);
        record.best_move = m;
        return v;
      }
      alpha = v;
    }
  }

  // Step 15. The result: stalemate, or the exact score or upper bound stored.
  move_list_end = list_start;
  if (legal == 0) {
    if (in_check) return MatedIn(ply);
    if (!restricted && !futile) return 0;
  }
  if (alpha > alpha_in) {
    record.best_move = best_move;
    StoreTranspositionTable(depth, best_move, alpha, HASH_EXACT, threat, node_flags);
    return alpha;
  }
  StoreTranspositionTable(depth, hash_move, alpha, HASH_UPPER, threat, node_flags);
  return alpha;
}
