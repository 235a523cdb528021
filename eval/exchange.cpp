// The evaluation's exchange safety test: the board's swap-off, asked about
// the pieces of both colours, so the mover's side is read from the
// from-square, never from SideToMove, and there is no promotion to value.
#include "board/attacks.h"
#include "board/tables.h"
#include "eval/evaluate.h"

int IsExchangeSafe(int to, int from) {
  const Board& b = thread_board;
  const int own = (b.Occupied[WHITE] & SquareBit(from)) ? WHITE : BLACK;
  const int attacker = int(see_value[b.Square[from]]), value = int(see_value[b.Square[to]]);
  if (value >= attacker) return 1;
  return SwapOffIsSafe(own, to, from, attacker, value);
}
