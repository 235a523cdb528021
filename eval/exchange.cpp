// The evaluation's exchange safety test. It is the board's static exchange
// with one difference: the evaluation asks it about the pieces of both
// colours, so the mover's side is read from the from-square, never from
// SideToMove, and there is no promotion to value.
#include "board/attacks.h"
#include "board/tables.h"
#include "eval/evaluate.h"

namespace {
// Least valuable attacker of a colour in the set, by kind (pawn, knight,
// bishop, rook, queen, king) and then the lower square; -1 when none.
int CheapestAttacker(uint64_t set, int colour, int* piece) {
  const Board& b = thread_board;
  static const int order[6] = {PAWN, KNIGHT, BISHOP, ROOK, QUEEN, KING};
  for (int kind : order) {
    const uint64_t found = set & b.Pieces[kind][colour];
    if (found) {
      *piece = kind;
      return LowestBit(found);
    }
  }
  return -1;
}

// Takes an attacker out of the set and adds the slider it uncovers. A knight
// never stands on a line with the target; a king adds nothing either, by
// rule: the swap does not see that a slider behind the king may make its
// capture illegal.
uint64_t RemoveAttacker(uint64_t set, int to, int square, int piece) {
  set &= ~SquareBit(square);
  if (piece != KNIGHT && piece != KING) {
    const int step = direction_table[to][square];
    if (step) set = GetXrayAttackers(set, square, step);
  }
  return set;
}

// The swap-off on `to` after the man of colour own, worth attacker, has gone
// there from `from`, taking a man worth value (value < attacker): 1 when own
// does not come out behind.
int SwapOffIsSafe(int own, int to, int from, int attacker, int value) {
  const Board& b = thread_board;
  const int enemy = own ^ 1;
  const int gap = attacker - value;
  // Refusals without a swap: the enemy wins material with one cheap capture.
  if (gap > 1 && (b.Pieces[PAWN][enemy] & pawn_attacks[own][to])) return 0;
  if (gap > 3 && (b.Pieces[KNIGHT][enemy] & knight_attacks[to])) return 0;
  if (gap > 3 && (b.Pieces[BISHOP][enemy] & BishopAttacksFrom(to))) return 0;
  if (gap > 5 && (b.Pieces[ROOK][enemy] & RookAttacksFrom(to))) return 0;
  // A capture covered by an own pawn cannot lose once those refusals passed.
  if (attacker < 9 && value >= 1 && (b.Pieces[PAWN][own] & pawn_attacks[enemy][to])) return 1;

  uint64_t set = (pawn_attacks[BLACK][to] & b.Pieces[PAWN][WHITE]) | (pawn_attacks[WHITE][to] & b.Pieces[PAWN][BLACK]) |
                 (knight_attacks[to] & (b.Pieces[KNIGHT][WHITE] | b.Pieces[KNIGHT][BLACK])) |
                 (king_attacks[to] & (b.Pieces[KING][WHITE] | b.Pieces[KING][BLACK])) |
                 (BishopAttacksFrom(to) & b.BishopsQueens) | (RookAttacksFrom(to) & b.RooksQueens);
  set &= ~(SquareBit(from) | SquareBit(to));
  const int step = direction_table[to][from];
  if (step) set = GetXrayAttackers(set, from, step);
  if (!set) return 1;

  // balance: what own keeps if its last man on `to` is taken and nothing follows.
  int balance = value - attacker;
  for (;;) {
    int kind;
    int square = CheapestAttacker(set, enemy, &kind);
    if (square < 0) return 1;
    set = RemoveAttacker(set, to, square, kind);
    balance += int(see_value[kind]);
    if (balance < 0) return 0;

    square = CheapestAttacker(set, own, &kind);
    if (square < 0) return 0;
    if (kind == KING) {
      // Only the enemy king's capture lifts the balance this high; it was
      // illegal while our king still guards the square.
      if (balance > 100) return 1;
      set &= ~SquareBit(square);
      balance -= int(see_value[KING]);
    } else {
      set = RemoveAttacker(set, to, square, kind);
      balance -= int(see_value[kind]);
    }
    if (balance >= 0) return 1;
  }
}
}  // namespace

int IsExchangeSafe(int to, int from) {
  const Board& b = thread_board;
  const int own = (b.Occupied[WHITE] & SquareBit(from)) ? WHITE : BLACK;
  const int attacker = int(see_value[b.Square[from]]), value = int(see_value[b.Square[to]]);
  if (value >= attacker) return 1;
  return SwapOffIsSafe(own, to, from, attacker, value);
}
