#include "search/movepick.h"

#include "board/movegen.h"
#include "search/node.h"
#include "search/search.h"
#include "search/tables.h"

using namespace search_node;

bool HashMoveIsPlayable(Move hash_move, int in_check, int list_start) {
  if (!in_check) return PassesPinTest(hash_move);
  for (int i = list_start; i < move_list_end; i++)
    if (move_list[i].move == hash_move) return true;
  return false;
}

void InitMovePicker(MovePicker& picker, int list_start, Move hash_move, int in_check, int restricted, int futile,
                    int near_alpha) {
  picker.move_stage = STAGE_DONE;
  picker.cursor = list_start;
  picker.quiet_begin = list_start;
  picker.aside_begin = -1;
  picker.aside_end = -1;
  picker.picked_at = -1;
  picker.score = 0;
  picker.futile = futile;
  picker.near_alpha = near_alpha;
  picker.no_captures = 0;
  picker.hash_move = hash_move;
  picker.killer1 = 0;
  picker.killer2 = 0;
  if (in_check) {
    picker.stage = STAGE_EVASIONS;
    return;
  }
  const Board& b = thread_board;
  const int opp = int(b.SideToMove) ^ 1;
  if (restricted)
    GenerateQuiescenceCaptures(b.Occupied[opp]);
  else
    GenerateCaptures(b.Occupied[opp]);
  if (ply > iteration_depth / 2)
    GenerateSearchPromotions();
  else
    GeneratePromotions();
  // With nothing to select the killers follow at once.
  picker.no_captures = move_list_end == list_start;
  picker.stage = STAGE_CAPTURES;
}

Move NextMove(MovePicker& p) {
  for (;;) {
    p.move_stage = p.stage;
    switch (p.stage) {
      case STAGE_CAPTURES:
      case STAGE_EVASIONS:
      case STAGE_QUIETS:
      case STAGE_LOSING: {
        const int end = p.stage == STAGE_LOSING ? p.aside_end : move_list_end;
        while (p.cursor < end) {
          SelectBest(p.cursor, end);
          if (p.stage == STAGE_CAPTURES && move_list[p.cursor].score < 0) {
            // Losing captures wait until the killers and quiet moves are done.
            p.aside_begin = p.cursor;
            p.aside_end = move_list_end;
            break;
          }
          const Move m = move_list[p.cursor].move;
          p.picked_at = p.cursor++;
          if (m == p.hash_move) continue;
          if (p.stage == STAGE_QUIETS && (m == p.killer1 || m == p.killer2)) continue;
          p.score = move_list[p.picked_at].score;
          return m;
        }
        if (p.stage == STAGE_CAPTURES) {
          const int own = int(thread_board.SideToMove);
          p.killer1 = ply_records[ply].killer1[own];
          p.killer2 = ply_records[ply].killer2[own];
          p.stage = STAGE_KILLER1;
        } else if (p.stage == STAGE_QUIETS && p.aside_begin >= 0) {
          p.stage = STAGE_LOSING;
          p.cursor = p.aside_begin;
        } else {
          p.stage = STAGE_DONE;
          return 0;
        }
        break;
      }
      case STAGE_KILLER1:
      case STAGE_KILLER2: {
        const int first = p.stage == STAGE_KILLER1;
        const Move killer = first ? p.killer1 : p.killer2;
        p.stage = first ? STAGE_KILLER2 : STAGE_GENERATE_QUIETS;
        if (!killer || killer == p.hash_move || (!first && killer == p.killer1)) break;
        const int at = move_list_end;
        AddMoveIfValid(killer);
        if (move_list_end == at) break;
        move_list_end = at;  // tried at once; it need not stay in the list
        p.picked_at = -1;
        p.score = 0;
        return killer;
      }
      case STAGE_GENERATE_QUIETS:
        // Behind everything listed so far, the set-aside captures included.
        p.quiet_begin = p.cursor = move_list_end;
        if (p.futile)
          GenerateQuietChecks(p.near_alpha);
        else
          GenerateQuietMoves(p.near_alpha);
        p.stage = STAGE_QUIETS;
        break;
      default:
        return 0;
    }
  }
}
