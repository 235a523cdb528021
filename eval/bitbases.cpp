// Probes of the built-in bitbases, the rook-against-pawn judges and the
// knight-interception masks. The bitbase contents come from the generated
// source (tools/bitbase_generator.cpp).
#include "eval/bitbases.h"

#include <cstring>

#include "board/attacks.h"
#include "board/board.h"
#include "board/tables.h"

const int32_t pawn_index[64] = {
    0, 0, 0, 0, 0,  0,  0,  0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3,  // e4-h4
    0, 0, 0, 0, 4,  5,  6,  7,                                                                           // e5-h5
    0, 0, 0, 0, 8,  9,  10, 11,                                                                          // e6-h6
    0, 0, 0, 0, 12, 13, 14, 15,                                                                          // e7-h7
    0, 0, 0, 0, 0,  0,  0,  0,
};

uint64_t knight_catch_masks[64][64];

namespace {

// The bits of one position for both sides to move are neighbours, so one
// byte read serves both.
int ProbePair(const uint8_t* table, int side, int pawn, int king, int other_king, int* reliable) {
  const int first = KpkBitIndex(0, pawn, king, other_king);
  const int pair = (table[first >> 3] >> (first & 7)) & 3;
  if (pair == 1 || pair == 2) *reliable = 0;
  return (pair >> side) & 1;
}

// The judge written once for the pawn of colour us; for a black pawn every
// square is turned by 180 degrees (s ^ 63) before the table is read.
int JudgeRookVsPawn(int us, int pawn, int rook) {
  const Board& b = thread_board;
  const int them = us ^ 1;
  const int pawn_king = int(b.KingSquare[us]);
  const int rook_king = int(b.KingSquare[them]);
  const int turn = us == WHITE ? 0 : 63;
  const int forward = us == WHITE ? 8 : -8;
  const int rank = (pawn ^ turn) >> 3;  // counted from the pawn's side
  auto probe = [&](int pawn_square, int king_square) {
    return ProbeRookPawnBitbase(rook ^ turn, rook_king ^ turn, pawn_square ^ turn, king_square ^ turn);
  };

  if (int(b.SideToMove) == them) {
    if (rank < 3) return 2;
    return probe(pawn, pawn_king);
  }

  const uint64_t king_bit = SquareBit(pawn_king);
  const uint64_t along_rank = RankAttacksFrom(rook);
  const uint64_t along_file = FileAttacksFrom(rook);
  auto reaches_king_along_rank = [&](int square) { return (RankAttacksFrom(square) & king_bit) != 0; };
  const bool pinned = (along_rank & SquareBit(pawn)) && reaches_king_along_rank(pawn);
  const uint64_t occupied = b.Occupied[WHITE] | b.Occupied[BLACK];
  const int front = pawn + forward;

  if ((king_attacks[pawn_king] & SquareBit(rook)) && !(king_attacks[rook_king] & SquareBit(rook))) return 1;
  if (pawn_attacks[us][pawn] & SquareBit(rook)) return 1;
  if (rank == 2) {
    if ((occupied & SquareBit(front)) || pinned) return 2;
    return probe(front, pawn_king) ? 1 : 2;
  }
  if (rank == 1) {
    if ((occupied & (SquareBit(front) | SquareBit(front + forward))) || pinned) return 2;
    // After a single step the pawn would stand on its third rank, which the
    // table does not hold; only the double step can prove the hold.
    return probe(front + forward, pawn_king) ? 1 : 2;
  }

  if (rank <= 5) {
    if (!(occupied & SquareBit(front)) && !pinned) {
      bool step = true;
      if (along_file & king_bit)
        step = false;
      else if (along_rank & king_bit)  // only a step that interposes answers the check
        step = (along_rank & SquareBit(front)) && reaches_king_along_rank(front);
      if (step && probe(front, pawn_king)) return 1;
    }
  } else {
    // On the seventh rank the promotion is never probed; only promoting to
    // interpose against a check along the eighth, next to the own king and
    // away from the other, counts as a hold.
    if (!(along_file & king_bit) && !(occupied & SquareBit(front)) && (along_rank & king_bit) &&
        (along_rank & SquareBit(front)) && reaches_king_along_rank(front) &&
        (king_attacks[pawn_king] & SquareBit(front)) && !(king_attacks[rook_king] & SquareBit(front)))
      return 1;
  }

  // The king's moves. Squares beyond the king on the line of a check are not
  // in the rook's attack sets and count as candidates; the table holds 0 for
  // such illegal placements. Squares of the pawn side's own men are left out
  // (the caller may have more pawns on the board).
  uint64_t candidates =
      king_attacks[pawn_king] & ~along_rank & ~along_file & ~king_attacks[rook_king] & ~b.Occupied[us];
  while (candidates)
    if (probe(pawn, PopLowestBit(&candidates))) return 1;
  return 0;
}

}  // namespace

int ProbeKpkBitbase(int side, int pawn, int king, int other_king, int* reliable) {
  return ProbePair(kpk_bitbase, side, pawn, king, other_king, reliable);
}

int ProbeSecondPawnBitbase(int side, int pawn, int king, int other_king, int* reliable) {
  return ProbePair(second_pawn_bitbase, side, pawn, king, other_king, reliable);
}

int ProbeKpkOrBlockedPawn(int side, int pawn, int king, int other_king, int* reliable) {
  if ((king & 7) == (pawn & 7) && king > pawn) {
    // The own king blocks the pawn: the rule of the square decides.
    const int runs_now = !((pawn_square_white[0][pawn] >> other_king) & 1);
    const int runs_later = !((pawn_square_white[1][pawn] >> other_king) & 1);
    if (runs_now != runs_later) *reliable = 0;
    return side ? runs_later : runs_now;
  }
  return ProbeKpkBitbase(side, pawn, king, other_king, reliable);
}

int ProbeRookPawnBitbase(int a, int b, int pawn, int d) {
  if ((pawn & 7) < 4) {
    a ^= 7;
    b ^= 7;
    pawn ^= 7;
    d ^= 7;
  }
  return int((rook_pawn_bitbase[a * 1024 + b * 16 + pawn_index[pawn]] >> d) & 1);
}

int ProbeBlackRookVsPawns(int pawn, int rook) { return JudgeRookVsPawn(WHITE, pawn, rook); }

int ProbeWhiteRookVsPawns(int pawn, int rook) { return JudgeRookVsPawn(BLACK, pawn, rook); }

void InitKnightCatchMasks() {
  std::memset(knight_catch_masks, 0, sizeof knight_catch_masks);
  for (int pawn = 8; pawn < 56; pawn++)
    for (int king = 0; king < 64; king++) {
      uint64_t mask = 0;
      // The pawn runs down the file; the knight must reach a square of its
      // path in time, one tempo later when it can check the king on the way.
      for (int j = 0, path = pawn; path >= 0; j++, path -= 8)
        for (int knight = 0; knight < 64; knight++) {
          const int distance = int(knight_distance[path][knight]);
          bool catches = distance <= j + 1;
          if (!catches && distance == j + 2)
            for (uint64_t checks = knight_attacks[king]; checks && !catches;) {
              const int t = PopLowestBit(&checks);
              catches = int(knight_distance[t][knight]) + int(knight_distance[path][t]) - 1 <= j + 1;
            }
          if (catches) mask |= SquareBit(knight);
        }
      knight_catch_masks[pawn][king] = mask;
    }
}
