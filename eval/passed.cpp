// Passed pawns: value by file and rank, safe advance, king distances, rooks
// behind, king support, and against little or no material whether the pawn
// can be stopped at all, settled by the bitbases and a race between the two
// sides' fastest runners. Written once per colour; a term for the pawn's side
// enters the black-positive score with that side's sign.
#include "eval/passed.h"

#include <algorithm>
#include <cstdlib>

#include "board/attacks.h"
#include "board/tables.h"
#include "eval/bitbases.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "eval/pawns.h"

namespace {

constexpr int NO_COUNT = 99;
constexpr uint64_t RANK_1_MASK = 0xFF;
constexpr uint64_t RANK_8_MASK = RANK_1_MASK << 56;

// By relative rank (index 1 = the 2nd rank, 6 = the 7th).
constexpr int32_t unstoppable_rook_file[8] = {0, 1, 2, 5, 10, 20, 30, 0};
constexpr int32_t unstoppable_other_file[8] = {0, 3, 5, 15, 25, 35, 45, 0};
constexpr int32_t blocked_opponent_bonus[8] = {0, 6, 12, 19, 150, 350, 600, 0};
// By the opponent's piece units 0..8.
constexpr int32_t unstoppable_factor[9] = {8, 8, 8, 8, 8, 6, 6, 6, 3};
// By the number of the trailer's loose pawns.
constexpr int32_t race_loose_pawns_check[9] = {0, 15, 35, 40, 45, 50, 55, 60, 65};
constexpr int32_t race_loose_pawns_quiet[9] = {0, 2, 5, 6, 7, 8, 9, 10, 11};

int32_t Saturate(int64_t value) { return int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX)); }

constexpr int Distance(int a, int b) { return KingDistance(a, b); }

template <int Colour>
inline int PromotionSquare(int square) {
  return Colour == WHITE ? 56 + (square & 7) : square & 7;
}
// The pawn bitbases see the pawn as white.
template <int Colour>
inline int WhiteView(int square) {
  return Colour == WHITE ? square : 63 - square;
}
// The knight-catch masks see the pawn as black.
template <int Colour>
inline int BlackView(int square) {
  return Colour == BLACK ? square : 63 - square;
}
// King squares inside the pawn's square, for the side to move.
template <int Colour>
inline uint64_t PawnSquareMask(int side_to_move, int square) {
  return Colour == WHITE ? pawn_square_white[side_to_move][square] : pawn_square_black[side_to_move][square];
}
template <int Colour>
inline uint64_t PawnAttacksOf(uint64_t pawns) {
  return Colour == WHITE ? ((pawns & ~FILE_A) << 7) | ((pawns & ~FILE_H) << 9)
                         : ((pawns & ~FILE_A) >> 9) | ((pawns & ~FILE_H) >> 7);
}
// Every pawn of the colour has a pawn of either colour right in front of it.
template <int Colour>
inline bool AllPawnsBlocked() {
  const Board& b = thread_board;
  const uint64_t pawns = b.Pieces[PAWN][Colour], all = b.Pieces[PAWN][WHITE] | b.Pieces[PAWN][BLACK];
  const uint64_t fronts = Colour == WHITE ? pawns << 8 : pawns >> 8;
  return (fronts & ~all) == 0;
}

struct RaceEntry {
  int count = NO_COUNT;
  int square = -1;
};

void OfferCount(RaceEntry* race, int count, int square) {
  if (count < race->count) {
    race->count = count;
    race->square = square;
  }
}

// The running sums, kept wide so that no parameter set can overflow them.
struct Sums {
  int64_t score;
  int64_t king_attack[2];
  int64_t side_endgame[2];
};

template <int Colour>
int32_t SupportBonus(int square) {
  constexpr int Enemy = Colour ^ 1;
  const Board& b = thread_board;
  const int opponent_units = b.PieceMaterial[Enemy];
  const int own_king = int(b.KingSquare[Colour]), enemy_king = int(b.KingSquare[Enemy]);
  const int rank = RelativeRank(Colour, square);
  const int king_rank = RelativeRank(Colour, own_king);
  if (std::abs((own_king & 7) - (square & 7)) > 1 || king_rank < rank - 1) return 0;
  if (opponent_units < 0 || opponent_units > 13) return 0;
  const int horizontal = 2 + king_rank - rank;
  if (horizontal < 0 || horizontal > 8) return 0;  // no entry for a king further behind
  const int promotion = PromotionSquare<Colour>(square);
  const int race = 7 + Distance(enemy_king, promotion) - Distance(own_king, promotion);
  const int32_t* const p = evaluation_parameters;
  // A 32-bit product, as the tables were tuned for; wrapping keeps absurd
  // parameters defined.
  const uint32_t product = uint32_t(p[SUPPORTED_OPPONENT_PIECES_COEFF + opponent_units]) *
                           uint32_t(p[SUPPORTED_PASSED + rank]) * uint32_t(p[SUPPORTED_KING_HOR_COEFF + horizontal]) *
                           uint32_t(p[SUPPORTED_KING_DIST_DIFF_COEFF + race]);
  return int32_t(product) >> 13;
}

// The counted moves of a pawn that no enemy king can catch, 1 more with an own
// man in its way, or no count when that man lets the enemy king in.
template <int Colour>
bool CountBlockedRunner(int square, uint64_t own_ahead, bool to_move, int* count) {
  const Board& b = thread_board;
  const int enemy_king = int(b.KingSquare[Colour ^ 1]);
  const int file = square & 7;
  const int blockers = PopCount(own_ahead);
  if ((file == 0 || file == 7) && (own_ahead & b.Pieces[KING][Colour]) &&
      std::abs((enemy_king & 7) - file) <= (to_move ? 2 : 3))
    return false;
  const int back = to_move ? blockers - 1 : blockers;
  if (RelativeRank(Colour, square) - back <= 0) return false;
  const int from = square - back * PawnForward(Colour);
  if (PawnSquareMask<Colour>(int(b.SideToMove), from) & SquareBit(enemy_king)) return false;
  *count += blockers;
  return true;
}

// The lone king is stalemated in the corner of a pawn of ours: another pawn
// then runs freely whoever is to move.
template <int Colour>
bool EnemyKingShutIn(int stop) {
  const Board& b = thread_board;
  const int enemy_king = int(b.KingSquare[Colour ^ 1]);
  if (RelativeRank(Colour, enemy_king) != 7 || enemy_king == stop) return false;
  const int front = enemy_king - PawnForward(Colour);
  return (b.Pieces[PAWN][Colour] & SquareBit(front)) && int(b.KingSquare[Colour]) == front - PawnForward(Colour);
}

template <int Colour>
void ScoreSide(Sums* sums, RaceEntry* race, int* leftmost, int* rightmost) {
  constexpr int Enemy = Colour ^ 1;
  constexpr int sign = Colour == BLACK ? 1 : -1;
  Board& b = thread_board;
  const int32_t* const p = evaluation_parameters;
  int* const reliable = &thread_eval_info.reliable;
  const int opponent_units = b.PieceMaterial[Enemy];
  enum { GENERAL, KNIGHTS, PAWNS_ONLY } branch;
  if (b.HeavyPieces[Enemy] || b.Pieces[BISHOP][Enemy])
    branch = GENERAL;
  else if (b.Pieces[KNIGHT][Enemy])
    branch = KNIGHTS;
  else
    branch = PAWNS_ONLY;
  const int own_king = int(b.KingSquare[Colour]), enemy_king = int(b.KingSquare[Enemy]);
  const uint64_t all = b.Occupied[WHITE] | b.Occupied[BLACK];
  const int side_to_move = int(b.SideToMove);
  const bool to_move = side_to_move == Colour;
  const int bitbase_side = to_move ? 0 : 1;

  // Most advanced first, one pawn per file.
  for (uint64_t set = thread_eval_info.passed_pawns[Colour]; set;) {
    const int square = Colour == BLACK ? LowestBit(set) : FindHighestBit(set);
    const int file = square & 7, rank = RelativeRank(Colour, square);
    set &= ~(FILE_A << file);
    const int stop = square + PawnForward(Colour);
    const uint64_t ahead = file_ahead_mask[Colour][square];
    const int64_t weight = p[PAWN_RANK_WEIGHT + rank];

    const int64_t opening_zero = p[PASSED_OPENING_ZERO + file], endgame_zero = p[PASSED_ENDGAME_ZERO + file];
    int64_t opening = opening_zero + ((p[PASSED_OPENING_FULL + file] - opening_zero) * weight + 128) / 256;
    int64_t endgame = endgame_zero;
    if (rank >= 3) {
      int64_t extra = p[PASSED_ENDGAME_FULL + file] - endgame_zero;
      if (branch != PAWNS_ONLY && !(all & SquareBit(stop))) {
        const uint32_t saved_side = b.SideToMove;
        b.SideToMove = Colour;
        const int safe = PassesStaticExchange(stop, square, PAWN, 0, 0);
        b.SideToMove = saved_side;
        if (safe) {
          const int64_t bonus = p[PASSED_SAFE_ADVANCE];
          extra += bonus;
          opening += (weight * (bonus / 2) + 128) / 256;
          if (rank == 6) {
            extra += bonus / 2;
            opening += bonus / 4;
          }
        }
      }
      extra -= Distance(own_king, stop) * int64_t(p[PASSED_OWN_KING_DISTANCE]);
      extra += Distance(enemy_king, stop) * int64_t(p[PASSED_ENEMY_KING_DISTANCE]);
      if (extra > 0) endgame += (weight * Saturate(extra) + 128) / 256;
    }
    sums->king_attack[Enemy] -= opening;
    sums->side_endgame[Enemy] -= endgame;

    // Rooks behind the pawn (queens do not count).
    const uint64_t behind = file_ahead_mask[Enemy][square] & FileAttacksFrom(square);
    if (behind & b.Pieces[ROOK][Colour]) {
      int64_t value = OwnRookBehind(rank);
      if (b.Occupied[Enemy] & SquareBit(stop)) value >>= 1;
      sums->score += sign * value;
    } else if (behind & b.Pieces[ROOK][Enemy]) {
      sums->score -= sign * int64_t(EnemyRookBehind(rank));
    }

    if (branch == GENERAL && rank >= 3 && opponent_units < 9 && !(all & ahead) &&
        ProbeKpkBitbase(bitbase_side, WhiteView<Colour>(square), WhiteView<Colour>(own_king),
                        WhiteView<Colour>(enemy_king), reliable) &&
        RelativeRank(Colour, own_king) >= rank && Distance(own_king, square) < Distance(enemy_king, square)) {
      const int32_t value = (file == 0 || file == 7) ? unstoppable_rook_file[rank] : unstoppable_other_file[rank];
      sums->score += sign * ((unstoppable_factor[opponent_units] * value) >> 3);
    }

    sums->score += sign * int64_t(SupportBonus<Colour>(square));
    // A rook pawn far up with its own king in front of it is a known draw risk.
    if ((file == 0 || file == 7) && rank >= 5 && (ahead & SquareBit(own_king))) sums->score -= sign * 40;

    if (branch == PAWNS_ONLY) {
      // A lone king can only be stopped by the race; some facts it leaves to
      // the second bitbase, when the opponent's own pawns are all stuck.
      const bool second_probe = b.Pieces[PAWN][Enemy] && !PassedVector(Enemy) && !(b.Pieces[PAWN][Colour] & ahead);
      if (!(b.Occupied[Enemy] & ahead)) {
        const uint64_t own_ahead = b.Occupied[Colour] & ahead;
        bool unstoppable;
        if (own_ahead)
          unstoppable = !(PawnSquareMask<Colour>(side_to_move, square) & SquareBit(enemy_king));
        else
          unstoppable = EnemyKingShutIn<Colour>(stop) ||
                        ProbeKpkBitbase(bitbase_side, WhiteView<Colour>(square), WhiteView<Colour>(own_king),
                                        WhiteView<Colour>(enemy_king), reliable);
        *reliable = 0;
        if (unstoppable) {
          int count = 7 - rank;
          if (to_move) count -= rank == 1 ? 2 : 1;
          bool counted = true;
          if (own_ahead)
            counted = CountBlockedRunner<Colour>(square, own_ahead, to_move, &count);
          else if (passed_span[Colour][square] & SquareBit(enemy_king))
            count--;  // taken as written, though a near king should rather slow the pawn
          if (counted) OfferCount(&race[Colour], count, square);
        } else if (second_probe &&
                   ProbeSecondPawnBitbase(bitbase_side, WhiteView<Colour>(square), WhiteView<Colour>(own_king),
                                          WhiteView<Colour>(enemy_king), reliable) &&
                   AllPawnsBlocked<Enemy>()) {
          sums->score += sign * blocked_opponent_bonus[rank];
        }
      } else if (second_probe &&
                 ProbeSecondPawnBitbase(bitbase_side, WhiteView<Colour>(square), WhiteView<Colour>(own_king),
                                        WhiteView<Colour>(enemy_king), reliable) &&
                 AllPawnsBlocked<Enemy>()) {
        sums->score += sign * blocked_opponent_bonus[rank];
      }
      if (*leftmost < 0) {
        *leftmost = *rightmost = square;
      } else if (file < (*leftmost & 7)) {
        *leftmost = square;
      } else if (file > (*rightmost & 7)) {
        *rightmost = square;
      }
    } else if (branch == KNIGHTS && !(all & ahead) &&
               ProbeKpkBitbase(bitbase_side, WhiteView<Colour>(square), WhiteView<Colour>(own_king),
                               WhiteView<Colour>(enemy_king), reliable)) {
      // The king cannot catch it; can a knight?
      *reliable = 0;
      const int target = to_move ? square + (rank == 1 ? 2 : 1) * PawnForward(Colour) : square;
      const bool promoting = RelativeRank(Colour, target) == 7;
      bool caught = false;
      for (uint64_t knights = b.Pieces[KNIGHT][Enemy]; knights && !caught;) {
        const int knight = PopLowestBit(&knights);
        if (promoting)
          caught = (knight_attacks[knight] & SquareBit(target)) ||
                   (knight_attacks[knight] & knight_attacks[target] & knight_attacks[own_king]);
        else
          caught = (knight_catch_masks[BlackView<Colour>(target)][BlackView<Colour>(own_king)] &
                    SquareBit(BlackView<Colour>(knight))) != 0;
      }
      if (!caught) OfferCount(&race[Colour], 7 - RelativeRank(Colour, target), square);
    }
  }

  const int passed_files = PopCount(PassedVector(Colour));
  if (opponent_units == 0)
    sums->score += sign * (passed_files - 1) * int64_t(p[PASSED_EXTRA_VS_PAWNS]);
  else if (opponent_units <= 3 && b.Pieces[KNIGHT][Enemy])
    sums->score += sign * passed_files * int64_t(p[PASSED_VS_KNIGHT]);
}

// Two passed pawns far apart that the lone king cannot both hold.
template <int Colour>
void TestDistantPair(RaceEntry* race, int leftmost, int rightmost) {
  if (leftmost < 0 || (rightmost & 7) - (leftmost & 7) < 2) return;
  const Board& b = thread_board;
  const int own_king = int(b.KingSquare[Colour]);
  const bool to_move = int(b.SideToMove) == Colour;
  const int side = to_move ? 0 : 1;
  auto moves_to_queen = [&](int square) {
    const int rank = RelativeRank(Colour, square);
    return 7 - rank - (to_move ? (rank == 1 ? 2 : 1) : 0);
  };
  for (int probe = 0; probe < 2; probe++) {
    const int pawn = probe == 0 ? leftmost : rightmost, other = probe == 0 ? rightmost : leftmost;
    if (!ProbeKpkOrBlockedPawn(side, WhiteView<Colour>(pawn), WhiteView<Colour>(own_king), WhiteView<Colour>(other),
                               &thread_eval_info.reliable))
      continue;
    int left_count = moves_to_queen(leftmost), right_count = moves_to_queen(rightmost);
    if (file_ahead_mask[Colour][leftmost] & SquareBit(own_king))
      left_count++;
    else if (file_ahead_mask[Colour][rightmost] & SquareBit(own_king))
      right_count++;
    if (left_count >= right_count)
      OfferCount(race, left_count, leftmost);
    else
      OfferCount(race, right_count, rightmost);
  }
}

// Both sides queen within a move of each other: the leader's award holds only
// when its new queen wins the trailer's king, pawn or new queen, or picks up
// loose pawns with checks.
template <int Leader>
int64_t CloseRace(int64_t amount, int leader_pawn, int trailer_pawn) {
  constexpr int Trailer = Leader ^ 1;
  const Board& b = thread_board;
  const int leader_promotion = PromotionSquare<Leader>(leader_pawn);
  const int trailer_promotion = PromotionSquare<Trailer>(trailer_pawn);
  const int trailer_king = int(b.KingSquare[Trailer]), leader_king = int(b.KingSquare[Leader]);
  const uint64_t trailer_king_bit = SquareBit(trailer_king);
  const uint64_t queen = QueenAttacksFrom(leader_promotion);
  const uint64_t queen_on_last_rank = queen & (Leader == WHITE ? RANK_8_MASK : RANK_1_MASK);

  if (queen & trailer_king_bit) return amount;
  const uint64_t leader_file_line = FileAttacksFrom(leader_pawn);
  if ((trailer_king & 7) == (leader_pawn & 7) && (leader_file_line & trailer_king_bit)) return amount;
  if (((queen & SquareBit(trailer_promotion)) ||
       ((leader_pawn & 7) == (trailer_pawn & 7) && (leader_file_line & SquareBit(trailer_pawn)))) &&
      !(king_attacks[trailer_promotion] & trailer_king_bit))
    return amount;
  if (b.PieceMaterial[Trailer]) return 0;

  // Skewer of the king in front of its own pawn from the leader's last rank.
  const int king_rank = trailer_king >> 3;
  if ((trailer_king & 7) == (trailer_pawn & 7) && king_rank >= 2 && king_rank <= 5) {
    const int corner = (Leader == WHITE ? 56 : 0) + (trailer_king & 7);
    if ((FileAttacksFrom(trailer_king) & SquareBit(corner)) && (queen_on_last_rank & SquareBit(corner)) &&
        leader_king != corner)
      return amount;
  }

  const uint64_t trailer_pawn_cover = PawnAttacksOf<Trailer>(b.Pieces[PAWN][Trailer]);
  const uint64_t loose =
      b.Pieces[PAWN][Trailer] & ~SquareBit(trailer_pawn) & ~king_attacks[trailer_king] & ~trailer_pawn_cover;
  if (!loose) return 0;
  const int n = std::min(PopCount(loose), 8);
  const uint64_t leader_cover = king_attacks[leader_king] | PawnAttacksOf<Leader>(b.Pieces[PAWN][Leader]);
  const uint64_t safe_checks = queen & QueenAttacksFrom(trailer_king) & ~QueenAttacksFrom(trailer_promotion) &
                               ~b.Occupied[Leader] & ~trailer_pawn_cover & (~king_attacks[trailer_king] | leader_cover);
  return safe_checks ? race_loose_pawns_check[n] : race_loose_pawns_quiet[n];
}

// The side that queens first by two moves or more wins; one move ahead is
// still a win unless the close race says otherwise. A count is the number of
// moves the side needs; the side to move gains a tempo, counted against its
// own count only (the comparisons are deliberately one-sided).
int64_t PawnRace(const RaceEntry* race) {
  const int white = race[WHITE].count, black = race[BLACK].count;
  if (white == NO_COUNT && black == NO_COUNT) return 0;
  thread_eval_info.reliable = 0;
  const int32_t* const p = evaluation_parameters;
  const int side_to_move = int(thread_board.SideToMove);
  const int white_moves = white != NO_COUNT && side_to_move == WHITE ? white + 1 : white;
  const int black_moves = black != NO_COUNT && side_to_move == BLACK ? black + 1 : black;
  const int64_t by_two = p[RACE_WON_BY_TWO], by_one = p[RACE_WON_BY_ONE];
  if (black == NO_COUNT) return -(by_two + 40 - 8 * white_moves);
  if (white == NO_COUNT) return by_two + 40 - 8 * black_moves;
  if (white_moves < black - 1) return -(by_two + 40 - 8 * white_moves);
  if (white_moves == black - 1) return -(by_one + 40 - 8 * white_moves);
  if (black < white_moves - 2) return by_two + 40 - 8 * black_moves;
  if (black == white_moves - 2) return by_one + 40 - 8 * black_moves;
  if (white_moves == black)
    return -CloseRace<WHITE>(by_one + 40 - 8 * white_moves, race[WHITE].square, race[BLACK].square);
  return CloseRace<BLACK>(by_one + 40 - 8 * black, race[BLACK].square, race[WHITE].square);
}

}  // namespace

int32_t EvaluatePassedPawns(int32_t score, int32_t* king_attack, int32_t* side_endgame) {
  Sums sums = {score, {0, 0}, {0, 0}};
  RaceEntry race[2];
  int leftmost[2] = {-1, -1}, rightmost[2] = {-1, -1};
  if (PassedVector(BLACK)) ScoreSide<BLACK>(&sums, race, &leftmost[BLACK], &rightmost[BLACK]);
  if (PassedVector(WHITE)) ScoreSide<WHITE>(&sums, race, &leftmost[WHITE], &rightmost[WHITE]);
  TestDistantPair<WHITE>(&race[WHITE], leftmost[WHITE], rightmost[WHITE]);
  TestDistantPair<BLACK>(&race[BLACK], leftmost[BLACK], rightmost[BLACK]);
  sums.score += PawnRace(race);
  for (int colour = 0; colour < 2; colour++) {
    king_attack[colour] = Saturate(king_attack[colour] + sums.king_attack[colour]);
    side_endgame[colour] = Saturate(side_endgame[colour] + sums.side_endgame[colour]);
  }
  return Saturate(sums.score);
}

int32_t ScoreSupportedPassedPawn(int colour, int square) {
  return colour == WHITE ? SupportBonus<WHITE>(square) : SupportBonus<BLACK>(square);
}
