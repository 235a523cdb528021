// The quiescence search: captures, promotions, chosen quiet checks and check
// evasions below the full-width search, with stand pat, a lazy material cut
// and delta pruning.
#include "board/attacks.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "eval/evaluate.h"
#include "eval/material.h"
#include "search/node.h"
#include "search/root.h"
#include "search/search.h"
#include "search/tables.h"
#include "search/transposition.h"

using namespace search_node;

namespace {

// Check margins: by min(attackers of the side to move, 4), by node flag + 1,
// by min(depth / 4 + 2, 3).
constexpr int32_t check_margin_attackers[5] = {-10, -10, 10, 50, 250};
constexpr int32_t check_margin_node[3] = {0, 50, 0};
constexpr int32_t check_margin_depth[4] = {50, 150, 250, 700};

constexpr uint32_t FLAG_FALLBACK_CHECKS = 16;

}  // namespace

int32_t Quiescence(int32_t alpha, int32_t beta, int32_t depth, int32_t node_flag) {
  Board& b = thread_board;
  PlyRecord& record = ply_records[ply];
  if (ply > seldepth) seldepth = ply;
  nodes++;
  poll_countdown--;
  record.best_move = 0;
  const int in_check = record.in_check != 0;

  const int32_t lower = MateDistanceFloor(in_check);
  int32_t best = lower > -MATE_SCORE ? lower : -MATE_SCORE;
  if (int32_t decided; MateDistanceDecides(lower, alpha, beta, decided)) return decided;
  if (NodeHasNoRoom()) return Evaluate(-MATE_SCORE, MATE_SCORE);
  if (IsDrawByRepetition(beta)) return 0;

  int32_t cap = 2 * iteration_depth + 36;
  if (cap > 90) cap = 90;
  if (ply > cap) depth = -16;

  const int own = int(b.SideToMove), opp = own ^ 1;

  // Lazy material cut against the root's window. The balance never comes
  // near a mate score, so a cut below the window needs no mate test.
  {
    int32_t m;
    if (LazyMaterialCut(&m) && m >= beta) return m;
  }

  // Table look-up; a non-PV node takes a usable score whatever its depth.
  Move hash_move = 0;
  uint16_t flags_word = 0;
  if (HashEntry* entry = TouchHashEntry()) {
    hash_move = HashEntryMove(*entry);
    flags_word = entry->flags;
    int32_t score;
    if (node_flag != 0 && TableScoreDecides(tt_hit_bound, entry->score, alpha, beta, score)) {
      record.best_move = hash_move;
      return score;
    }
  }

  record.flags = 0;
  int32_t e = best;
  if (!in_check) {
    e = Evaluate(-MATE_SCORE, MATE_SCORE);
    if (e > best) best = e;
    if (e > alpha) alpha = e;
    if (e >= beta) return e;
  } else {
    depth += 4;
  }
  const int32_t alpha_after_stand_pat = alpha;

  // Quiet checks wanted?
  int wanted = 0;
  if (iteration_depth > 0 && depth >= -8 && !in_check) {
    const int32_t attackers = thread_eval_info.attackers[own];
    const int depth_index = depth / ONE_PLY + 2 > 3 ? 3 : depth / ONE_PLY + 2;
    const int32_t margin = check_margin_attackers[attackers > 4   ? 4
                                                  : attackers < 0 ? 0
                                                                  : attackers] +
                           check_margin_node[node_flag + 1] + check_margin_depth[depth_index];
    wanted = e + margin > alpha;
  }
  if (!wanted && !in_check && ply > 1 && !(ply_records[ply - 2].flags & FLAG_FALLBACK_CHECKS)) {
    wanted = 1;
    record.flags |= FLAG_FALLBACK_CHECKS;
  }
  if (flags_word & NO_QUIET_CHECKS) wanted = 0;

  int saved = 0, legal_moves = 0;
  Move raised_by = 0;
  const int list_start = move_list_end;

  // The hash move.
  if (hash_move) {
    int search_it;
    if (in_check)
      search_it = 1;
    else if (IsQuiet(hash_move))
      search_it = wanted && GivesCheck(hash_move);
    else
      search_it = 1;
    if (search_it && !in_check && !PassesPinTest(hash_move)) search_it = 0;
    if (search_it) {
      ply_records[ply + 1].in_check = GivesCheck(hash_move);
      MakeSearchMove(hash_move, 1);
      saved = 1;
      // In check the stored move is tried by making it; en passant likewise.
      if ((in_check || IsEnPassant(hash_move)) && MoverKingAttacked()) {
        UnmakeMove();
      } else {
        CheckMadeMove();
        legal_moves++;
        ply++;
        const int32_t v = -Quiescence(-beta, -alpha, depth - 2, -node_flag);
        ply--;
        UnmakeMove();
        if (stop_search) return 0;
        if (v >= beta) {
          StoreTranspositionTable(0, hash_move, v, HASH_LOWER, 0, flags_word);
          record.best_move = hash_move;
          return v;
        }
        if (v > best) best = v;
        if (v > alpha) {
          alpha = v;
          raised_by = hash_move;
        }
      }
    }
  }

  // Captures and promotions, or the evasions.
  if (!in_check) {
    if (!(flags_word & NO_CAPTURES)) {
      GenerateQuiescenceCaptures(b.Occupied[opp]);
      GenerateQuiescencePromotions();
      if (move_list_end == list_start) flags_word |= NO_CAPTURES;
    }
  } else {
    GenerateEvasions();
    const int count = move_list_end - list_start;
    if (count == 0) {
      move_list_end = list_start;
      return MatedIn(ply);
    }
    if (count == 1) {
      depth += 4;
    } else if ((ply_records[ply - 1].flags & FLAG_FALLBACK_CHECKS) && game_ply > 0 &&
               IsQuiet(game_history[game_ply - 1].Move)) {
      // A quiet check from the fallback rule that is easily met refutes itself.
      int easy = 0, safe = 0;
      for (int i = list_start; i < move_list_end && !safe; i++) {
        const Move m = move_list[i].move;
        if (MovePiece(m) == KING || MoveCaptured(m)) easy++;
        safe = PassesStaticExchange(MoveTo(m), MoveFrom(m), MovePiece(m), MoveCaptured(m), MovePromotion(m));
      }
      if (easy > 1 || safe) {
        move_list_end = list_start;
        return beta;
      }
    }
  }

  for (int pass = 0; pass < 2; pass++) {
    if (pass == 1) {
      // Quiet checks.
      if (!wanted) break;
      move_list_end = list_start;
      GenerateQuietChecks(alpha <= e + 100);
      if (move_list_end == list_start) flags_word |= NO_QUIET_CHECKS;
    }
    for (int cursor = list_start; cursor < move_list_end; cursor++) {
      SelectBest(cursor, move_list_end);
      const Move m = move_list[cursor].move;
      const int32_t score = move_list[cursor].score;
      if (m == hash_move) continue;
      if (!in_check && !PassesPinTest(m)) continue;
      int gives_check = 1;
      if (pass == 0) {
        gives_check = GivesCheck(m);
        if (!in_check && !gives_check && node_flag != 0 && CaptureIsFutile(m, alpha, e)) continue;
      }
      ply_records[ply + 1].in_check = gives_check;
      MakeSearchMove(m, !saved);
      saved = 1;
      if (IsEnPassant(m) && MoverKingAttacked()) {
        UnmakeMove();
        continue;
      }
      CheckMadeMove();
      legal_moves++;
      ply++;
      const int32_t v = -Quiescence(-beta, -alpha, depth - 4, -node_flag);
      ply--;
      UnmakeMove();
      if (stop_search) {
        move_list_end = list_start;
        return 0;
      }
      if (pass == 0 && !in_check && !gives_check && MoveCaptured(m)) CountCapture(m, score, v > alpha);
      if (v > best) best = v;
      if (v > alpha) {
        if (v >= beta) {
          move_list_end = list_start;
          StoreTranspositionTable(0, m, v, HASH_LOWER, 0, flags_word);
          record.best_move = m;
          return v;
        }
        alpha = v;
        raised_by = m;
      }
    }
    if (in_check) break;
  }

  move_list_end = list_start;
  // Every evasion turned out illegal: mated after all.
  if (in_check && !legal_moves) return MatedIn(ply);
  if (alpha > alpha_after_stand_pat) {
    StoreTranspositionTable(0, raised_by, alpha, HASH_EXACT, 0, flags_word);
    record.best_move = raised_by;
  }
  return best;
}
