// Ray and x-ray lookups, static exchange, pin and check tests.
#include "board/attacks.h"

#include "board/makemove.h"

uint64_t GetRayAttacks(int square, int step) {
  const uint64_t line = LineAttacksByStep(square, step);
  return line ? line & RayMask(step, square) : 0;
}

uint64_t GetXrayAttackers(uint64_t set, int square, int step) {
  const uint64_t ray = GetRayAttacks(square, step);
  if (!ray) return set;
  return set | (ray & (IsStraightStep(step) ? thread_board.RooksQueens : thread_board.BishopsQueens));
}

namespace {
// Least valuable attacker of a colour in the set, by kind (pawn, knight,
// bishop, rook, queen, king) and then the lower square; -1 when none.
int LeastValuableAttacker(uint64_t set, int colour, int* piece) {
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

// Removes an attacker from the set and adds the slider it uncovers.
uint64_t TakeAttacker(uint64_t set, int to, int square, int piece) {
  set &= ~SquareBit(square);
  if (piece != KNIGHT && piece != KING) {
    const int step = direction_table[to][square];
    if (step) set = GetXrayAttackers(set, square, step);
  }
  return set;
}
}  // namespace

int PassesStaticExchange(int to, int from, int piece, int victim, int promotion) {
  const Board& b = thread_board;
  if (promotion && promotion != QUEEN) return 0;
  int attacker = int(see_value[piece]), value = int(see_value[victim]);
  if (value >= attacker) return 1;
  if (promotion == QUEEN) {
    attacker = int(see_value[QUEEN]);
    value += int(see_value[QUEEN]) - 1;
  }
  return SwapOffIsSafe(int(b.SideToMove), to, from, attacker, value);
}

int SwapOffIsSafe(int own, int to, int from, int attacker, int value) {
  const Board& b = thread_board;
  const int enemy = own ^ 1;
  const int gap = attacker - value;
  // Refusals without a swap: the enemy wins material with one cheap capture
  // (queens are not counted among the bishops and rooks here).
  if (gap >= 2 && (b.Pieces[PAWN][enemy] & pawn_attacks[own][to])) return 0;
  if (gap >= 4 && (b.Pieces[KNIGHT][enemy] & knight_attacks[to])) return 0;
  if (gap >= 4 && (b.Pieces[BISHOP][enemy] & BishopAttacksFrom(to))) return 0;
  if (gap >= 6 && (b.Pieces[ROOK][enemy] & RookAttacksFrom(to))) return 0;
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

  // What own keeps if its last man on `to` is taken and nothing follows.
  int balance = value - attacker;
  for (;;) {
    int kind;
    int square = LeastValuableAttacker(set, enemy, &kind);
    if (square < 0) return 1;
    set = TakeAttacker(set, to, square, kind);
    balance += int(see_value[kind]);
    if (balance < 0) return 0;

    square = LeastValuableAttacker(set, own, &kind);
    if (square < 0) return 0;
    if (kind == KING) {
      // The enemy's last taker was its king, which cannot take on a guarded square.
      if (balance > 100) return 1;
      set &= ~SquareBit(square);
      balance -= int(see_value[KING]);
    } else {
      set = TakeAttacker(set, to, square, kind);
      balance -= int(see_value[kind]);
    }
    if (balance >= 0) return 1;
  }
}

int HasWinningCapture(int margin) {
  const Board& b = thread_board;
  if (margin > 900) return 0;
  const int own = int(b.SideToMove), enemy = own ^ 1;
  uint64_t targets = b.Occupied[enemy];
  if (margin > 100) targets &= ~b.Pieces[PAWN][enemy];
  if (!targets) return 0;
  for (uint64_t pieces = b.Occupied[own]; pieces;) {
    const int from = PopLowestBit(&pieces);
    const int piece = int(b.Square[from]);
    for (uint64_t hits = AttacksOf(piece, from, own) & targets; hits;) {
      const int to = PopLowestBit(&hits);
      const int victim = int(b.Square[to]);
      if (piece_value[victim] >= margin &&
          (piece_value[victim] >= piece_value[piece] || PassesStaticExchange(to, from, piece, victim, 0)))
        return 1;
    }
  }
  return 0;
}

// The enemy sliders that pin or check along the line of a step.
static inline uint64_t LineSliders(int step, int colour) {
  const Board& b = thread_board;
  return IsStraightStep(step) ? (b.Pieces[ROOK][colour] | b.Pieces[QUEEN][colour])
                              : (b.Pieces[BISHOP][colour] | b.Pieces[QUEEN][colour]);
}

// The man on the square stands between the own king (on the line of the step)
// and an enemy slider of that line.
static inline int PinnedAlong(int square, int step) {
  const Board& b = thread_board;
  const int own = int(b.SideToMove);
  const uint64_t line = LineAttacksByStep(square, step);
  if (!(line & b.Pieces[KING][own])) return 0;
  return (line & LineSliders(step, own ^ 1)) != 0;
}

int IsPinned(int square) {
  const int step = direction_table[square][thread_board.KingSquare[thread_board.SideToMove]];
  return step ? PinnedAlong(square, step) : 0;
}

static inline int Magnitude(int step) { return step < 0 ? -step : step; }

int ExposesKing(Move move) {
  const int from = MoveFrom(move), to = MoveTo(move);
  const int step = direction_table[from][thread_board.KingSquare[thread_board.SideToMove]];
  if (!step) return 0;
  if (Magnitude(direction_table[to][from]) == Magnitude(step)) return 0;
  return PinnedAlong(from, step);
}

int GivesDiscoveredCheck(Move move) {
  const Board& b = thread_board;
  const int own = int(b.SideToMove);
  const int from = MoveFrom(move), to = MoveTo(move);
  const int king = int(b.KingSquare[own ^ 1]);
  const int step = direction_table[from][king];
  if (!step) return 0;
  if (Magnitude(direction_table[to][from]) == Magnitude(step)) return 0;
  const uint64_t line = LineAttacksByStep(from, step);
  if (!(line & SquareBit(king))) return 0;
  return (line & LineSliders(step, own)) != 0;
}

int GivesCheck(Move move) {
  const Board& b = thread_board;
  const int own = int(b.SideToMove);
  const int from = MoveFrom(move), to = MoveTo(move), piece = MovePiece(move);
  const int king = int(b.KingSquare[own ^ 1]);
  const uint64_t king_bit = SquareBit(king);

  if (piece == KING) {
    if (from - to == 2 || to - from == 2) {
      const int rook_to = (to & 7) == 2 ? to + 1 : to - 1;
      if (RookAttacksFrom(rook_to) & king_bit) return 1;
      // With the own king still on its square the rook's rank is blocked:
      // kings on one rank with nothing between them see the rook.
      const int own_king = int(b.KingSquare[own]);
      if ((own_king >> 3) == (king >> 3)) {
        const uint64_t between = between_table[own_king][king] & ~SquareBit(own_king);
        if (!(between & (b.Occupied[WHITE] | b.Occupied[BLACK]))) return 1;
      }
      return 0;
    }
    return GivesDiscoveredCheck(move);
  }

  const int promotion = MovePromotion(move);
  if (!promotion) {
    if (AttacksOf(piece, to, own) & king_bit) return 1;
    if (piece == PAWN && !MoveCaptured(move) && ((from ^ to) & 7)) {
      MakeMove(move, 1);
      const int check = IsSquareAttacked(own, int(thread_board.KingSquare[own ^ 1]));
      UnmakeMove();
      return check;
    }
    return GivesDiscoveredCheck(move);
  }

  if (AttacksOf(promotion, to, own) & king_bit) return 1;
  const int step = direction_table[to][from];
  if (step) {
    const uint64_t beyond = LineAttacksByStep(from, step) & RayMask(step, from);
    if (AttacksOf(promotion, from, own) & beyond & king_bit) return 1;
  }
  return GivesDiscoveredCheck(move);
}
