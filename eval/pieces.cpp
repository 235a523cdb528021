// The piece terms, written once for black's pieces (which add to the
// black-view score) and mirrored for white's: colours exchanged, rule squares
// mirrored top to bottom, square tables read at 63 - square, terms
// subtracted.
#include "eval/pieces.h"

#include <algorithm>
#include <cstdlib>

#include "board/attacks.h"
#include "board/tables.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "eval/pawns.h"

namespace {

enum { ROOK_KIND = 0, BISHOP_KIND = 1, QUEEN_KIND = 2 };  // pin table rows
enum AttackKind { ATTACK_ROOK, ATTACK_KNIGHT, ATTACK_QUEEN, ATTACK_BISHOP };

// Attack units by the number of king-zone hits (plus 3 for a safe entry).
constexpr int32_t danger_units[4][12] = {
    {0, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 12},     // rook
    {0, 3, 4, 5, 6, 7, 8, 9, 10, 11, 11, 11},     // knight
    {0, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},  // queen
    {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 10},      // bishop
};

// Square tables as seen for black (a white piece on s reads entry 63 - s);
// each is the same on the a-side and the h-side.
struct SquareTables {
  int32_t trap_test[64];
  int32_t knight_outpost[64];
  int32_t bishop_outpost[64];
};

constexpr SquareTables BuildSquareTables() {
  SquareTables t{};
  constexpr int32_t knight_rows[4][4] = {{6, 10, 10, 6}, {15, 25, 25, 15}, {15, 20, 20, 15}, {0, 8, 8, 0}};
  constexpr int32_t bishop_rows[4][4] = {{3, 5, 5, 3}, {8, 13, 13, 8}, {8, 10, 10, 8}, {0, 8, 8, 0}};
  for (int square = 0; square < 64; square++) {
    const int file = square & 7, rank = square >> 3;  // rank index 0 = rank 1
    t.trap_test[square] = (file >= 2 && file <= 5 && rank >= 2 && rank <= 4) ? 0 : 1;
    // Ranks 2 to 5 of a black piece, files c to f.
    if (rank >= 1 && rank <= 4 && file >= 2 && file <= 5) {
      t.knight_outpost[square] = knight_rows[rank - 1][file - 2];
      t.bishop_outpost[square] = bishop_rows[rank - 1][file - 2];
    }
  }
  return t;
}
constexpr SquareTables square_tables = BuildSquareTables();

constexpr uint64_t RANK_1 = 0xFFULL;

constexpr uint64_t FileMask(int file) { return FILE_A << file; }
constexpr uint64_t RankMask(int rank) { return RANK_1 << (8 * rank); }
inline int FileDistance(int a, int b) { return abs((a & 7) - (b & 7)); }
inline int RankDistance(int a, int b) { return abs((a >> 3) - (b >> 3)); }

// Colour-relative geometry for the side Us: a board rank given as black sees
// it (rank index 0 = the enemy's back rank for black) maps to the mirror for
// white.
template <int Us>
constexpr int Rank(int black_rank) {
  return Us == BLACK ? black_rank : 7 - black_rank;
}
template <int Us>
constexpr int Square(int black_square) {
  return Us == BLACK ? black_square : black_square ^ 56;
}
template <int Us>
constexpr int TableIndex(int square) {
  return Us == BLACK ? square : 63 - square;
}
template <int Us>
constexpr int32_t Signed(int32_t value) {
  return Us == BLACK ? value : -value;
}

template <int Us>
inline uint64_t CheckSquares(AttackKind kind) {
  constexpr int Them = Us ^ 1;
  const EvalInfo& e = thread_eval_info;
  switch (kind) {
    case ATTACK_ROOK:
      return e.rook_check_squares[Them];
    case ATTACK_KNIGHT:
      return e.knight_check_squares[Them];
    case ATTACK_QUEEN:
      return e.queen_check_squares[Them];
    default:
      return e.bishop_check_squares[Them];
  }
}

// Attack units of one piece against the enemy king; only while the enemy
// king is not in an ending.
template <int Us>
void AddKingAttack(int from, uint64_t reach, AttackKind kind) {
  constexpr int Them = Us ^ 1;
  EvalInfo& e = thread_eval_info;
  const uint64_t zone_hits = e.king_zone[Them] & reach;
  int n = 0;
  if (zone_hits) {
    n = PopCount(zone_hits);
    e.hot_squares[Them] |= zone_hits;
    for (uint64_t squares = zone_hits & ~thread_board.Occupied[Us]; squares;) {
      if (IsExchangeSafe(PopLowestBit(&squares), from)) {
        n += 3;
        break;
      }
    }
  } else {
    for (uint64_t squares = reach & CheckSquares<Us>(kind); squares;) {
      if (IsExchangeSafe(PopLowestBit(&squares), from)) {
        n = 1;
        break;
      }
    }
  }
  if (n > 0) {
    e.danger[Us] += danger_units[kind][n < 11 ? n : 11];
    e.attackers[Us] += 1;
  }
}

// A lone enemy man between the slider and the enemy king, on a line the
// slider moves along, is pinned.
template <int Us>
void AddPin(int from, int kind) {
  constexpr int Them = Us ^ 1;
  const Board& b = thread_board;
  const int king = int(b.KingSquare[Them]);
  const int step = direction_table[from][king];
  if (!step) return;
  const bool straight = IsStraightStep(step);
  if ((kind == ROOK_KIND && !straight) || (kind == BISHOP_KIND && straight)) return;
  const uint64_t between = between_table[from][king] & ~SquareBit(from);
  if (between & b.Occupied[Us]) return;
  const uint64_t theirs = between & b.Occupied[Them];
  if (!theirs || (theirs & (theirs - 1))) return;
  EvalInfo& e = thread_eval_info;
  e.hot_squares[Them] |= theirs;
  const int pinned = int(b.Square[LowestBit(theirs)]);
  e.opening += Signed<Us>(pin_opening[kind][pinned]);
  e.endgame += Signed<Us>(pin_endgame[kind][pinned]);
}

template <int Us>
void EvaluateKingPlacement() {
  const Board& b = thread_board;
  EvalInfo& e = thread_eval_info;
  const int king = int(b.KingSquare[Us]);
  const int back_rank = Rank<Us>(7), next_rank = Rank<Us>(6);
  if ((king >> 3) != back_rank) return;
  const uint64_t front = king_attacks[king] & RankMask(next_rank);
  if ((front & b.Pieces[PAWN][Us]) == front) e.score -= Signed<Us>(king_no_luft);
  // A king near a corner of its back rank that shuts its own rook in.
  const int file = king & 7;
  const int corner = Us == BLACK ? (file <= 2 ? 2 : 3) : (file <= 2 ? 0 : 1);  // a8, h8 / a1, h1
  const int distance = file <= 2 ? file : 7 - file;
  if (distance <= 2 && file != 3 && file != 4 && (corner_masks[corner][distance] & b.Pieces[ROOK][Us]))
    e.score -= Signed<Us>(king_traps_rook);
}

template <int Us>
void EvaluateRooks() {
  constexpr int Them = Us ^ 1;
  const Board& b = thread_board;
  EvalInfo& e = thread_eval_info;
  if (!b.Pieces[ROOK][Us]) return;
  // The pawn structure's file masks, spread over the board.
  const uint64_t pawnless_files = FILE_A * (~(PawnFiles(WHITE) | PawnFiles(BLACK)) & 0xFF);
  const int their_king = int(b.KingSquare[Them]);
  const int their_king_rank = their_king >> 3;
  for (uint64_t rooks = b.Pieces[ROOK][Us]; rooks;) {
    const int from = PopLowestBit(&rooks);
    const int file = from & 7, rank = from >> 3;
    if (TargetPawnFiles(Them) & (1 << file)) e.score += Signed<Us>(rook_on_target_file);
    if ((file == 0 || b.Square[from - 1]) && (file == 7 || b.Square[from + 1])) e.score -= Signed<Us>(rook_boxed_in);
    if (pawnless_files & FileMask(file)) {
      e.score += Signed<Us>(rook_open_file[file]);
    } else {
      if (!(b.Pieces[PAWN][Us] & FileMask(file))) e.score += Signed<Us>(rook_half_open_file);
      if (e.ending[Them] && !(RankAttacksFrom(from) & pawnless_files)) e.score -= Signed<Us>(rook_no_open_file_access);
    }
    if (rank == Rank<Us>(1)) {
      if (their_king_rank == Rank<Us>(0) || (b.Pieces[PAWN][Them] & RankMask(Rank<Us>(1)))) {
        e.score += Signed<Us>(rook_seventh_rank);
        if (RankAttacksFrom(from) & (b.Pieces[ROOK][Us] | b.Pieces[QUEEN][Us]))
          e.score += Signed<Us>(rook_seventh_doubled);
        const uint64_t b_to_g = RankMask(Rank<Us>(1)) & 0x7E7E7E7E7E7E7E7EULL;
        if (their_king_rank == Rank<Us>(0) && PassedVector(Us) && !(b.Occupied[Them] & b_to_g))
          e.score += Signed<Us>(rook_seventh_passer);
      }
    } else if (rank == Rank<Us>(0)) {
      if (b.HeavyPieces[Us] >= 2 && (their_king_rank == Rank<Us>(0) || their_king_rank == Rank<Us>(1)))
        e.score += Signed<Us>(rook_eighth_rank);
    }
    const uint64_t attacks = RookAttacksFrom(from);
    e.attacked_squares[Us] |= attacks;
    e.rook_attacks_of[Us] |= attacks;
    const uint64_t reach = attacks & ~b.Occupied[Us];
    const int mobility = PopCount(reach) - 7;
    e.opening += Signed<Us>(mobility * rook_mobility_opening);
    e.endgame += Signed<Us>(mobility * rook_mobility_endgame);
    if (!e.ending[Them]) {
      AddKingAttack<Us>(from, reach, ATTACK_ROOK);
      if (!(file_ahead_mask[Us][from] & b.Pieces[PAWN][Us]))
        e.danger[Us] += rook_file_danger[FileDistance(from, their_king)];
    }
    AddPin<Us>(from, ROOK_KIND);
  }
}

// Our pawns against the enemy king zone, while that king is not in an ending.
template <int Us>
void EvaluatePawnsNearKing() {
  constexpr int Them = Us ^ 1;
  const Board& b = thread_board;
  EvalInfo& e = thread_eval_info;
  if (e.ending[Them]) return;
  const uint64_t zone = e.king_zone[Them];
  for (uint64_t pawns = b.Pieces[PAWN][Us]; pawns;) {
    const int from = PopLowestBit(&pawns);
    const uint64_t attacks = pawn_attacks[Us][from];
    if (!(attacks & zone)) continue;
    e.danger[Us] += 1;
    e.hot_squares[Them] |= attacks & zone;
    if (attacks & b.Occupied[Them]) {
      if (attacks & b.Pieces[PAWN][Them]) {
        e.danger[Us] += 1;
        e.shelter_penalty[Them] += 1;
      }
    } else if (b.Square[Us == WHITE ? from + 8 : from - 8]) {
      e.danger[Us] -= 1;
    }
  }
}

void EvaluatePawnSetsAndClasses() {
  const Board& b = thread_board;
  EvalInfo& e = thread_eval_info;
  const uint64_t white_pawns = b.Pieces[PAWN][WHITE], black_pawns = b.Pieces[PAWN][BLACK];
  const uint64_t black_attacks = ((black_pawns & ~FILE_A) >> 9) | ((black_pawns & ~(FILE_A << 7)) >> 7);
  const uint64_t white_attacks = ((white_pawns & ~FILE_A) << 7) | ((white_pawns & ~(FILE_A << 7)) << 9);
  e.pawn_attack_sets[WHITE] = white_attacks;
  e.pawn_attack_sets[BLACK] = black_attacks;
  e.attacked_squares[BLACK] |= black_attacks;
  e.attacked_squares[WHITE] |= white_attacks;
  e.blocked_pawns[WHITE] = white_pawns & ((b.Occupied[BLACK] | white_pawns) >> 8);
  e.blocked_pawns[BLACK] = black_pawns & ((b.Occupied[WHITE] | black_pawns) << 8);
  const uint64_t end_ranks = RankMask(0) | RankMask(7), inner_ranks = RankMask(1) | RankMask(6);
  const uint64_t all_pawns = white_pawns | black_pawns;
  for (int us = 0; us < 2; us++) {
    if (!b.MinorPieces[us]) continue;
    const uint64_t enemy_pawn_attacks = us == BLACK ? white_attacks : black_attacks;
    const uint64_t class1 = enemy_pawn_attacks | end_ranks;
    const uint64_t class2 = (inner_ranks | all_pawns) & ~class1;
    const uint64_t class3 = b.Occupied[us] & ~(class1 | class2);
    e.minor_square_classes[0][us] = class1;
    e.minor_square_classes[1][us] = class2;
    e.minor_square_classes[2][us] = class3;
    e.minor_square_classes[3][us] = ~(class1 | class2 | class3);
  }
}

// Penalty for a minor piece with few safe squares.
template <int Us>
void AddTrappedMinor(int from, uint64_t attacks, const int32_t* trap_table) {
  constexpr int Them = Us ^ 1;
  const Board& b = thread_board;
  EvalInfo& e = thread_eval_info;
  if (!square_tables.trap_test[TableIndex<Us>(from)]) return;
  const uint64_t their_pawn_attacks = e.pawn_attack_sets[Us ^ 1];
  const uint64_t defended_pawns = b.Pieces[PAWN][Them] & their_pawn_attacks;
  uint64_t moves = attacks & ~defended_pawns & ~e.blocked_pawns[Us];
  if (b.PieceMaterial[Them] == 0) {
    moves &= ~their_pawn_attacks;
  } else if (!b.Pieces[ROOK][Them] && !b.Pieces[QUEEN][Them] && !b.Pieces[KNIGHT][Them]) {
    if (!(b.Pieces[BISHOP][Them] & dark_squares)) moves &= ~(their_pawn_attacks & dark_squares);
    if (!(b.Pieces[BISHOP][Them] & light_squares)) moves &= ~(their_pawn_attacks & light_squares);
  }
  const uint64_t* classes[4] = {&e.minor_square_classes[0][Us], &e.minor_square_classes[1][Us],
                                &e.minor_square_classes[2][Us], &e.minor_square_classes[3][Us]};
  int weight = 4 * PopCount(moves & *classes[3]) + 3 * PopCount(moves & *classes[2]);
  if (weight >= 18) return;
  weight += 2 * PopCount(moves & *classes[1]);
  if (weight >= 18) return;
  weight += PopCount(moves & *classes[0]);
  e.score -= Signed<Us>((trap_scale[TableIndex<Us>(from)] * trap_table[weight]) >> 6);
}

template <int Us>
void AddOutpost(int from, const int32_t* outpost_table) {
  constexpr int Them = Us ^ 1;
  const Board& b = thread_board;
  EvalInfo& e = thread_eval_info;
  if (e.ending[Us]) return;
  const int32_t value = outpost_table[TableIndex<Us>(from)];
  if (!value) return;
  if (passed_span[Us][from] & ~FileMask(from & 7) & b.Pieces[PAWN][Them]) return;
  e.score += Signed<Us>(value >> 1);
  const uint64_t defenders = pawn_attacks[Them][from] & b.Pieces[PAWN][Us];
  if (defenders & (defenders - 1)) {
    e.score += Signed<Us>(value + (value >> 1));
  } else if (defenders) {
    const uint64_t colour = (dark_squares & SquareBit(from)) ? dark_squares : light_squares;
    e.score += Signed<Us>((b.Pieces[BISHOP][Them] & colour) ? value : value + (value >> 1));
  }
}

template <int Us>
void EvaluateKnights() {
  constexpr int Them = Us ^ 1;
  const Board& b = thread_board;
  EvalInfo& e = thread_eval_info;
  for (uint64_t knights = b.Pieces[KNIGHT][Us]; knights;) {
    const int from = PopLowestBit(&knights);
    const uint64_t attacks = knight_attacks[from];
    e.attacked_squares[Us] |= attacks;
    e.knight_attacks_of[Us] |= attacks;
    AddTrappedMinor<Us>(from, attacks, knight_trap);
    AddOutpost<Us>(from, square_tables.knight_outpost);
    if (!e.ending[Them]) AddKingAttack<Us>(from, attacks, ATTACK_KNIGHT);
    e.score += Signed<Us>(PopCount(e.blocked_pawns[Them]) * knight_blocked_pawns);
  }
}

template <int Us>
void EvaluateQueens() {
  constexpr int Them = Us ^ 1;
  const Board& b = thread_board;
  EvalInfo& e = thread_eval_info;
  const int their_king = int(b.KingSquare[Them]);
  const int their_king_rank = their_king >> 3;
  for (uint64_t queens = b.Pieces[QUEEN][Us]; queens;) {
    const int from = PopLowestBit(&queens);
    const int rank = from >> 3;
    if (rank == Rank<Us>(0) && (their_king_rank == Rank<Us>(0) || their_king_rank == Rank<Us>(1))) {
      e.score += Signed<Us>(queen_eighth_rank);
    } else if (rank == Rank<Us>(1) &&
               (their_king_rank == Rank<Us>(0) || (b.Pieces[PAWN][Them] & RankMask(Rank<Us>(1)))) &&
               (RankAttacksFrom(from) & (b.Pieces[QUEEN][Us] | b.Pieces[ROOK][Us]))) {
      e.score += Signed<Us>(queen_seventh_doubled);
    }
    const uint64_t attacks = QueenAttacksFrom(from);
    e.attacked_squares[Us] |= attacks;
    e.queen_attacks[Us] |= attacks;
    const uint64_t reach = attacks & ~b.Occupied[Us];
    const int mobility = PopCount(reach) - 13;
    e.opening += Signed<Us>(mobility * queen_mobility_opening);
    e.endgame += Signed<Us>(mobility * queen_mobility_endgame);
    if (!e.ending[Them]) {
      AddKingAttack<Us>(from, reach, ATTACK_QUEEN);
      const int file_distance = FileDistance(from, their_king);
      const int distance = std::max(file_distance, RankDistance(from, their_king));
      int32_t units = queen_king_distance[distance];
      if (!(file_ahead_mask[Us][from] & b.Pieces[PAWN][Us])) units = std::max(units, queen_file_danger[file_distance]);
      e.danger[Us] += units;
    }
    AddPin<Us>(from, QUEEN_KIND);
  }
}

template <int Us>
void EvaluateBishops() {
  constexpr int Them = Us ^ 1;
  const Board& b = thread_board;
  EvalInfo& e = thread_eval_info;
  const uint64_t bishops = b.Pieces[BISHOP][Us];
  if (!bishops) return;
  const uint64_t our_pawns = b.Pieces[PAWN][Us], their_pawns = b.Pieces[PAWN][Them];
  // Shut in on a2 (h2) by a pawn on b3 (g3), as seen for black.
  if ((bishops & SquareBit(Square<Us>(A1 + 8))) && (their_pawns & SquareBit(Square<Us>(B1 + 16))))
    e.score -= Signed<Us>(bishop_trapped);
  else if ((bishops & SquareBit(Square<Us>(H1 + 8))) && (their_pawns & SquareBit(Square<Us>(G1 + 16))))
    e.score -= Signed<Us>(bishop_trapped);

  if (!(bishops & (bishops - 1))) {
    const uint64_t colour = (bishops & dark_squares) ? dark_squares : light_squares;
    const uint64_t on_colour = our_pawns & colour;
    const uint64_t their_pawn_attacks = e.pawn_attack_sets[Us ^ 1];
    const uint64_t occupied = b.Occupied[WHITE] | b.Occupied[BLACK];
    const uint64_t stops = Us == WHITE ? on_colour << 8 : on_colour >> 8;
    const uint64_t fixed_stops = stops & (occupied | their_pawn_attacks);
    const int a = PopCount(on_colour), fixed = PopCount(fixed_stops);
    e.opening -= Signed<Us>(a * bad_bishop_pawns_opening + fixed * bad_bishop_fixed_opening);
    e.endgame -= Signed<Us>(a * bad_bishop_pawns_endgame + fixed * bad_bishop_fixed_endgame);
  }

  const uint64_t all_pawns = our_pawns | their_pawns;
  const uint64_t queen_wing = FileMask(0) | FileMask(1) | FileMask(2),
                 king_wing = FileMask(5) | FileMask(6) | FileMask(7);
  if (b.PieceMaterial[Us] < 7 && !b.Pieces[BISHOP][Them] && (all_pawns & queen_wing) && (all_pawns & king_wing))
    e.score += Signed<Us>(bishop_both_wings);

  if (!e.ending[Us]) {
    const int king = int(b.KingSquare[Us]);
    const int g7 = Square<Us>(G8 - 8), g6 = Square<Us>(G8 - 16), f8 = Square<Us>(F8), h8 = Square<Us>(H8);
    if ((king & 7) >= 5 && !(our_pawns & SquareBit(g7)) && (our_pawns & SquareBit(g6)) &&
        (king_attacks[king] & SquareBit(g7)) && (bishops & (SquareBit(g7) | SquareBit(f8) | SquareBit(h8))))
      e.score += Signed<Us>(fianchetto_bishop);
  }

  const uint64_t occupied = b.Occupied[WHITE] | b.Occupied[BLACK];
  for (uint64_t set = bishops; set;) {
    const int from = PopLowestBit(&set);
    const uint64_t attacks = BishopAttacksFrom(from);
    e.attacked_squares[Us] |= attacks;
    e.bishop_attacks_of[Us] |= attacks;
    if (!e.ending[Them]) AddKingAttack<Us>(from, attacks, ATTACK_BISHOP);
    const int mobility = PopCount(attacks & ~occupied) - 6;
    e.opening += Signed<Us>(mobility * bishop_mobility_opening);
    e.endgame += Signed<Us>(mobility * bishop_mobility_endgame);
    AddPin<Us>(from, BISHOP_KIND);
    AddTrappedMinor<Us>(from, attacks, bishop_trap);
    AddOutpost<Us>(from, square_tables.bishop_outpost);
  }
}

}  // namespace

void EvaluatePieceTerms() {
  EvaluateKingPlacement<BLACK>();
  EvaluateKingPlacement<WHITE>();
  EvaluateRooks<BLACK>();
  EvaluateRooks<WHITE>();
  EvaluatePawnsNearKing<WHITE>();  // white pawns against the black king zone
  EvaluatePawnsNearKing<BLACK>();
  EvaluatePawnSetsAndClasses();
  EvaluateKnights<BLACK>();
  EvaluateKnights<WHITE>();
  EvaluateQueens<BLACK>();
  EvaluateQueens<WHITE>();
  EvaluateBishops<BLACK>();
  EvaluateBishops<WHITE>();
}
