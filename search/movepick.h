// search/movepick.h: the staged move selection of a full-width node after its
// hash move: captures and promotions, the two killers, the quiet moves by
// history, the losing captures set aside for last, or the check evasions.
// Owns nothing global: a MovePicker lives in the node's frame. Reads the
// board and the killers of the node's ply; writes the move list from the
// node's list start on (it generates each stage only when it is reached).
#pragma once

#include <cstdint>

#include "board/board.h"

// Stages in the order they are tried; the losing captures wait until the
// quiet moves are done.
enum MoveStage : int32_t {
  STAGE_DONE = 0,
  STAGE_GENERATE_QUIETS = 1,
  STAGE_QUIETS = 2,
  STAGE_KILLER2 = 3,
  STAGE_KILLER1 = 4,
  STAGE_CAPTURES = 5,
  STAGE_EVASIONS = 6,
  STAGE_LOSING = 7,
};

struct MovePicker {
  int32_t stage;        // where the next call goes on
  int32_t move_stage;   // the stage the last move came from
  int32_t cursor;       // next list entry to select from
  int32_t quiet_begin;  // first entry of the quiet moves
  int32_t aside_begin;  // the losing captures: [aside_begin, aside_end), -1 while none
  int32_t aside_end;
  int32_t picked_at;    // list entry of the last move; -1 for a killer
  int32_t score;        // ordering score of the last move; 0 for a killer
  int32_t futile;       // the quiet stage generates quiet checks only
  int32_t near_alpha;   // the history half the quiet moves are scored by
  int32_t no_captures;  // the capture generation found nothing
  Move hash_move;       // searched before the picker: skipped in every stage
  Move killer1, killer2;
};

// A node's hash move may be searched: in check only when it is one of the
// evasions at [list_start, move_list_end) (an en passant one is still made to
// find out); otherwise when it passes the pin test.
bool HashMoveIsPlayable(Move hash_move, int in_check, int list_start);

// Starts the selection at list_start. In check the evasions are already
// listed there; otherwise the captures and promotions are generated now, the
// exchange-passing ones only when restricted.
void InitMovePicker(MovePicker& picker, int list_start, Move hash_move, int in_check, int restricted, int futile,
                    int near_alpha);

// The next move to try, or 0 when every stage is done. Moves are picked
// best score first from the stage's part of the list (the earliest of equal
// scores first); a killer is tried when it can be played here. Legality
// beyond what generation guarantees is left to the caller.
Move NextMove(MovePicker& picker);
