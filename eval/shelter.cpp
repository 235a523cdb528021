// King shelter: a penalty from the king's square, its castling options, the
// wing defects of the pawn structure and the central files, turned into a
// king-safety amount weighted by whose king it is. Written once per colour.
#include <algorithm>
#include <cstdint>

#include "board/tables.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "eval/pawns.h"
#include "interface/options.h"  // the shelter weights, option globals

const int32_t shelter_score_table[64] = {
    0,   4,   15,  24,  36,  42,  54,  72,  81,  90,  99,  108, 117, 126, 135, 144, 148, 152, 156, 160, 164, 168,
    172, 175, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180,
    180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180, 180,
};

namespace {

// By the king's square seen from its own side (a1 = its own queen's-rook corner).
constexpr int8_t king_position_table[64] = {
    1, 0, 2, 3, 3, 2, 0, 1,  //
    1, 1, 2, 3, 3, 2, 1, 1,  //
    3, 3, 3, 3, 3, 3, 3, 3,  //
    4, 4, 4, 4, 4, 4, 4, 4,  //
    5, 5, 5, 5, 5, 5, 5, 5,  //
    6, 6, 6, 6, 6, 6, 6, 6,  //
    6, 6, 6, 6, 6, 6, 6, 6,  //
    6, 6, 6, 6, 6, 6, 6, 6,
};

int32_t Saturate(int64_t value) { return int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX)); }

// The squares of the rules, given for white; black's are mirrored across the
// middle rank.
template <int Colour>
constexpr int Own(int white_square) {
  return Colour == WHITE ? white_square : white_square ^ 56;
}

// How open a file is in front of the king: the full weight with no pawn at
// all, half with only enemy pawns, 1 or 2 for an own pawn that has advanced.
template <int Colour>
int64_t FileTerm(int file, int32_t weight) {
  const uint64_t mask = FILE_A << file;
  const uint64_t own = thread_board.Pieces[PAWN][Colour] & mask;
  if (!((thread_board.Pieces[PAWN][WHITE] | thread_board.Pieces[PAWN][BLACK]) & mask)) return weight;
  if (!own) return weight >> 1;
  if (!(own & SquareBit(Own<Colour>(8 + file)))) return (own & SquareBit(Own<Colour>(16 + file))) ? 1 : 2;
  return 0;
}

template <int Colour>
int32_t ComputeShelter() {
  constexpr int Enemy = Colour ^ 1;
  const Board& b = thread_board;
  const int32_t* const p = evaluation_parameters;
  const int king = int(b.KingSquare[Colour]);
  const int king_file = king & 7;
  const int defects_k = Colour == WHITE ? PawnEntry.white_defects_k : PawnEntry.black_defects_k;
  const int defects_q = Colour == WHITE ? PawnEntry.white_defects_q : PawnEntry.black_defects_q;
  const uint32_t rights = (b.Castling >> (Colour == WHITE ? 0 : 2)) & 3;  // bit 0 short, bit 1 long
  const bool enemy_queen = b.Pieces[QUEEN][Enemy] != 0;
  const uint64_t own_pawns = b.Pieces[PAWN][Colour];
  const uint64_t intruders = b.Pieces[PAWN][Enemy] | b.Pieces[BISHOP][Enemy];

  int64_t penalty = king_position_table[Colour == WHITE ? king : 63 - king];
  int64_t queen_term = 0;
  if (rights) {
    if (!(b.Pieces[QUEEN][Colour] & SquareBit(Own<Colour>(D1)))) queen_term = -int64_t(p[SHELTER_QUEEN_MOVED]);
    const int64_t central = FileTerm<Colour>(3, p[SHELTER_OUTER_FILE]) + FileTerm<Colour>(4, p[SHELTER_MIDDLE_FILE]) +
                            FileTerm<Colour>(5, p[SHELTER_OUTER_FILE]);
    int64_t best = central;
    if (rights & 2) best = std::min<int64_t>(best, defects_q);
    if (rights & 1) best = std::min<int64_t>(best, defects_k);
    penalty += (central >> 1) + (std::max<int64_t>(best, 0) >> 1);
  } else if (king_file <= 3) {
    penalty += defects_q;
    // A missing b-pawn with an enemy man on c3/c6 opens the long diagonal.
    if (!(own_pawns & SquareBit(Own<Colour>(9))) && (intruders & SquareBit(Own<Colour>(18))) && enemy_queen)
      penalty += p[SHELTER_KNIGHT_FILE];
    if (king_file == 3)
      penalty += FileTerm<Colour>(2, p[SHELTER_OUTER_FILE]) + FileTerm<Colour>(3, p[SHELTER_MIDDLE_FILE]) +
                 FileTerm<Colour>(4, p[SHELTER_OUTER_FILE]) + 1;
  } else {
    penalty += defects_k;
    if (!(own_pawns & SquareBit(Own<Colour>(14))) && (intruders & SquareBit(Own<Colour>(21))) && enemy_queen)
      penalty += p[SHELTER_KNIGHT_FILE];
    if (king_file == 4)
      penalty += FileTerm<Colour>(3, p[SHELTER_OUTER_FILE]) + FileTerm<Colour>(4, p[SHELTER_MIDDLE_FILE]) +
                 FileTerm<Colour>(5, p[SHELTER_OUTER_FILE]) + 1;
  }
  // Saturated first so that the product below stays within 64 bits.
  if (!enemy_queen) penalty = (int64_t(Saturate(penalty)) * p[SHELTER_NO_QUEEN_SCALE]) >> 8;
  const int32_t stored = Saturate(penalty);
  thread_eval_info.shelter_penalty[Colour] = stored;

  // The engine's own king is weighted by cowardice, the opponent's by aggressivity.
  const bool own_king = (root_side == BLACK) == (Colour == BLACK);
  const int64_t weight = own_king ? cowardice_half : aggressivity_half;
  // Parameter files can push the penalty off the table at either end.
  const int index = std::clamp<int32_t>(stored, 0, 63);
  return Saturate(queen_term - weight * shelter_score_table[index] / 100);
}

}  // namespace

int32_t ComputeBlackShelterPenalty() { return ComputeShelter<BLACK>(); }
int32_t ComputeWhiteShelterPenalty() { return ComputeShelter<WHITE>(); }
