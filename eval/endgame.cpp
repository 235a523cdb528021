// Special endgame knowledge: the endings whose value the general terms get
// wrong, recognised before them, and the damping of balanced endings whose
// extra pawn is not passed.
//
// Each rule is written once. Geometric rules work in a canonical view reached
// by an XOR of the square: 56 reverses the ranks (colours exchanged, files
// kept), 63 turns the board by 180 degrees (the view of the bitbases), 7
// reverses the files. Rules that only need "ahead" and "behind" use the
// colour-indexed masks of the board tables instead.
#include "eval/endgame.h"

#include <cstdlib>
#include <utility>

#include "board/attacks.h"
#include "board/tables.h"
#include "eval/bitbases.h"
#include "eval/evaluate.h"
#include "eval/material.h"
#include "eval/params.h"
#include "eval/pawns.h"
#include "search/tables.h"  // ply: the mates found here count from the search's ply

int32_t white_cannot_win;
int32_t black_cannot_win;

namespace {
constexpr uint64_t QUEEN_WING = FILE_A * 0x07;  // files a-c
constexpr uint64_t KING_WING = FILE_A * 0xE0;   // files f-h

enum { A2 = 8, C2 = 10, D4 = 27, E5 = 36, F5 = 37 };

// How strongly a bare (or nearly bare) king is pushed toward the edge.
constexpr int32_t weak_king_edge[64] = {
    100, 96, 93, 90, 90, 93, 96, 100, 96, 80, 70, 60, 60,  70, 80, 96, 93, 70, 60, 50,  50, 60,
    70,  93, 90, 60, 50, 40, 40, 50,  60, 90, 90, 60, 50,  40, 40, 50, 60, 90, 93, 70,  60, 50,
    50,  60, 70, 93, 96, 80, 70, 60,  60, 70, 80, 96, 100, 96, 93, 90, 90, 93, 96, 100,
};

constexpr int File(int square) { return square & 7; }
constexpr int Rank(int square) { return square >> 3; }
constexpr int Forward(int colour) { return PawnForward(colour); }
constexpr int Distance(int a, int b) { return KingDistance(a, b); }
// The board as the bitbases see a colour's pawns: turned for black.
constexpr int BitbaseView(int colour) { return colour == WHITE ? 0 : 63; }
// The most and least advanced of a non-empty set of a colour's pawns.
inline int MostAdvanced(int colour, uint64_t pawns) {
  return colour == WHITE ? FindHighestBit(pawns) : LowestBit(pawns);
}
inline int LeastAdvanced(int colour, uint64_t pawns) {
  return colour == WHITE ? LowestBit(pawns) : FindHighestBit(pawns);
}
inline bool IsDark(int square) { return (dark_squares & SquareBit(square)) != 0; }

inline int King(int colour) { return int(thread_board.KingSquare[colour]); }
inline uint64_t PawnsOf(int colour) { return thread_board.Pieces[PAWN][colour]; }
inline int SideToMove() { return int(thread_board.SideToMove); }
// The bitbases' side argument: 0 when the colour whose pawn is probed moves.
inline int ProbeSide(int colour) { return SideToMove() == colour ? 0 : 1; }
inline int32_t* CannotWin(int colour) { return colour == WHITE ? &white_cannot_win : &black_cannot_win; }
inline int* Reliable() { return &thread_eval_info.reliable; }

// A score for the colour, from the side to move's view.
inline int32_t ForSideToMove(int colour, int32_t value) { return SideToMove() == colour ? value : -value; }

// The unaided-pawn probe for a colour's pawn against the other king.
inline int PawnRunsThrough(int colour, int pawn) {
  const int v = BitbaseView(colour);
  return ProbeKpkOrBlockedPawn(ProbeSide(colour), pawn ^ v, King(colour) ^ v, King(colour ^ 1) ^ v, Reliable());
}

inline const MaterialEntry* MaterialRow() {
  const int32_t index = thread_board.MaterialIndex;
  return index >= 0 && index < NO_MATERIAL_INDEX ? &material_table[index] : nullptr;
}

// Draw when neither side can win, or when the side to move cannot while its
// score is not negative (that verdict holds for this side to move only).
bool CannotWinDraw(int32_t* score) {
  if (white_cannot_win && black_cannot_win) {
    *score = 0;
    return true;
  }
  if (*CannotWin(SideToMove()) && *score >= 0) {
    *score = 0;
    thread_eval_info.cacheable = 0;
    return true;
  }
  return false;
}

int32_t WonPawnScore(int colour, int pawn) { return won_pawn_base + 50 * (RelativeRank(colour, pawn) - 1); }

// King and pawn against king, decided by the bitbase.
bool KingPawnAgainstKing(int32_t* score) {
  const Board& b = thread_board;
  for (int side : {WHITE, BLACK}) {
    if (b.Material[side] != 100 || b.Material[side ^ 1] != 0) continue;
    const int pawn = LowestBit(PawnsOf(side));
    const int v = BitbaseView(side);
    const int won = ProbeSecondPawnBitbase(ProbeSide(side), pawn ^ v, King(side) ^ v, King(side ^ 1) ^ v, Reliable());
    *score = won ? ForSideToMove(side, WonPawnScore(side, pawn)) : 0;
    return true;
  }
  return false;
}

// A lone pawn held by the enemy king on its file while the enemy, with
// pawns only, has a passed pawn that runs through.
bool PawnRace(int lone, int32_t* score) {
  const Board& b = thread_board;
  const int other = lone ^ 1;
  if (b.Material[lone] != 100 || b.PieceMaterial[other] != 0 || !PawnsOf(other)) return false;
  const int pawn = LowestBit(PawnsOf(lone));
  if (passed_span[lone][pawn] & PawnsOf(other)) return false;
  if (!(file_ahead_mask[lone][pawn] & SquareBit(King(other)))) return false;
  int unstoppable = 0;
  int32_t advance = 0;
  for (uint64_t pawns = PawnsOf(other); pawns;) {
    const int square = PopLowestBit(&pawns);
    if (passed_span[other][square] & PawnsOf(lone)) continue;
    if (file_ahead_mask[other][square] & b.Occupied[other]) continue;
    if (PawnRunsThrough(other, square)) {
      unstoppable++;
      advance += 50 * (RelativeRank(other, square) - 1);
    }
  }
  if (!unstoppable) return false;
  *score = ForSideToMove(other, won_pawn_base - 100 + 100 * PopCount(PawnsOf(other)) + advance);
  return true;
}

// The defender's bishop stands on the square or sees it.
inline bool BishopControls(int bishop, int square) {
  return bishop == square || (BishopAttacksFrom(bishop) & SquareBit(square));
}

// Bishops of opposite colours, two connected pawns against none, held by the
// king in front of one pawn and the bishop on the other's path. The pawns
// are seen moving up the board.
bool OppositeBishopsTwoPawns(int pawn_side) {
  const Board& b = thread_board;
  const int defender = pawn_side ^ 1;
  const int v = pawn_side == WHITE ? 0 : 56;
  const int own_bishop = LowestBit(b.Pieces[BISHOP][pawn_side]);
  const int bishop = LowestBit(b.Pieces[BISHOP][defender]);
  const uint64_t pawns = PawnsOf(pawn_side);
  const int first = LowestBit(pawns), second = FindHighestBit(pawns);
  if (IsDark(first) != IsDark(own_bishop) || IsDark(second) != IsDark(own_bishop)) return false;
  int low = first ^ v, high = second ^ v;
  if (Rank(low) > Rank(high)) std::swap(low, high);
  if (Rank(high) != Rank(low) + 1 || std::abs(File(high) - File(low)) != 1) return false;

  const int king = King(defender) ^ v;
  const int front_low = low + 8, front_high = high + 8;
  const bool defender_moves = SideToMove() == defender;
  const bool king_by_bishop = (king_attacks[King(pawn_side)] & SquareBit(bishop)) != 0;
  const bool patterns[3] = {
      (File(high) == 0 || File(high) == 7) && king == front_low,
      king == front_high && BishopControls(bishop, front_low ^ v),
      king == front_low && BishopControls(bishop, front_high ^ v),
  };
  for (bool matches : patterns) {
    if (!matches) continue;
    thread_eval_info.reliable = 0;
    if (defender_moves || !king_by_bishop) return true;
  }
  return false;
}

// Bishops of opposite colours and one pawn: drawn when the defending bishop
// sees the pawn's path, or its king blocks that path early enough.
bool OppositeBishopsOnePawn(int pawn_side) {
  const Board& b = thread_board;
  const int defender = pawn_side ^ 1;
  thread_eval_info.reliable = 0;
  const int pawn = LowestBit(PawnsOf(pawn_side));
  // The pawn's path as it stands for the side to move: one step longer when
  // the defender moves first.
  const int start = SideToMove() == pawn_side ? pawn : pawn - Forward(pawn_side);
  const uint64_t path = file_ahead_mask[pawn_side][start];
  const int bishop = LowestBit(b.Pieces[BISHOP][defender]);
  if (BishopAttacksFrom(bishop) & path) return true;
  return RelativeRank(pawn_side, start) <= 4 && (path & SquareBit(King(defender)));
}

// Bishop and pawn against knight: drawn when the knight catches the pawn or
// covers its promotion square in time.
bool BishopPawnAgainstKnight(int pawn_side) {
  const Board& b = thread_board;
  const int defender = pawn_side ^ 1;
  thread_eval_info.reliable = 0;
  const int pawn = LowestBit(PawnsOf(pawn_side));
  if (PawnRunsThrough(pawn_side, pawn)) return false;

  // Where the pawn stands after its move when it is to move.
  const int forward = Forward(pawn_side);
  int square = pawn;
  if (SideToMove() == pawn_side && !b.Square[pawn + forward]) {
    square = pawn + forward;
    if (RelativeRank(pawn_side, pawn) == 1 && !b.Square[pawn + 2 * forward]) square = pawn + 2 * forward;
  }
  const int knight = LowestBit(b.Pieces[KNIGHT][defender]);
  if (RelativeRank(pawn_side, square) != 7) {
    // The catch masks are stated for a black pawn.
    const int v = pawn_side == BLACK ? 0 : 63;
    return (knight_catch_masks[square ^ v][King(pawn_side) ^ v] & SquareBit(knight ^ v)) != 0;
  }
  if (knight_attacks[knight] & SquareBit(square)) return true;
  const int bishop = LowestBit(b.Pieces[BISHOP][pawn_side]);
  const bool covered =
      (king_attacks[King(pawn_side)] & SquareBit(square)) || (BishopAttacksFrom(bishop) & SquareBit(square));
  return !covered;
}

// One minor piece each.
bool OneMinorEach() {
  const Board& b = thread_board;
  if (b.PieceMaterial[WHITE] != 3 || b.PieceMaterial[BLACK] != 3) return false;
  const uint64_t white_bishop = b.Pieces[BISHOP][WHITE], black_bishop = b.Pieces[BISHOP][BLACK];
  const bool opposite_bishops =
      white_bishop && black_bishop && IsDark(LowestBit(white_bishop)) != IsDark(LowestBit(black_bishop));
  const int white_pawns = PopCount(PawnsOf(WHITE)), black_pawns = PopCount(PawnsOf(BLACK));

  if (opposite_bishops && white_pawns + black_pawns == 2 && (white_pawns == 0 || black_pawns == 0))
    return OppositeBishopsTwoPawns(white_pawns ? WHITE : BLACK);
  if (white_pawns + black_pawns != 1) return false;
  const int pawn_side = white_pawns ? WHITE : BLACK;
  if (opposite_bishops) return OppositeBishopsOnePawn(pawn_side);
  if (b.Pieces[BISHOP][pawn_side] && b.Pieces[KNIGHT][pawn_side ^ 1]) return BishopPawnAgainstKnight(pawn_side);
  return false;
}

// A pawn capture for the side, en passant included. Blocked pawns cannot
// push, but a capture is still a move.
bool PawnCanCapture(int side) {
  const Board& b = thread_board;
  const int them = side ^ 1;
  for (uint64_t pawns = PawnsOf(side); pawns;)
    if (pawn_attacks[side][PopLowestBit(&pawns)] & b.Occupied[them]) return true;
  if (game_ply > 0) {
    const Move last = game_history[game_ply - 1].Move;
    const int from = MoveFrom(last), to = MoveTo(last);
    if (MovePiece(last) == PAWN && (from - to == 16 || to - from == 16)) {
      const int crossed = (from + to) / 2;
      if (pawn_attacks[them][crossed] & PawnsOf(side)) return true;
    }
  }
  return false;
}

// A king on the edge in opposition, with nothing else that can move: no
// king move left is stalemate, or mate when in check.
bool EdgeOpposition(int32_t* score) {
  const Board& b = thread_board;
  const uint64_t occupied = b.Occupied[WHITE] | b.Occupied[BLACK];
  for (int side : {WHITE, BLACK}) {
    const int other = side ^ 1;
    if (b.PieceMaterial[side] != 0) continue;
    const uint64_t pawns = PawnsOf(side);
    const uint64_t fronts = side == WHITE ? pawns << 8 : pawns >> 8;
    if (fronts & ~occupied) continue;
    if (!(edge_opposition_mask[King(side)] & SquareBit(63 - King(other)))) continue;
    thread_eval_info.reliable = 0;
    if (SideToMove() != side) continue;

    bool can_move = false;
    for (uint64_t steps = king_attacks[King(side)] & ~b.Occupied[side] & ~king_attacks[King(other)]; steps;)
      if (!IsSquareAttacked(other, PopLowestBit(&steps))) can_move = true;
    if (can_move || PawnCanCapture(side)) continue;
    if (IsSquareAttacked(other, King(side))) {
      // The mate distance depends on the ply, so the score must not be cached.
      *score = -MATE_SCORE + ply;
      thread_eval_info.cacheable = 0;
    } else {
      *score = 0;
    }
    return true;
  }
  return false;
}

// A lone rook against pawns. Either decides (a final score) or adds its term,
// black minus white, to *term.
bool RookAgainstPawns(int32_t* score, int32_t* term) {
  const Board& b = thread_board;
  for (int rook_side : {WHITE, BLACK}) {
    const int pawn_side = rook_side ^ 1;
    if (b.PieceMaterial[rook_side] != 5 || PawnsOf(rook_side) || b.PieceMaterial[pawn_side] != 0 || !PawnsOf(pawn_side))
      continue;
    const int rook = LowestBit(b.Pieces[ROOK][rook_side]);
    const uint64_t king_reach = king_attacks[King(rook_side)];
    const int count = PopCount(PawnsOf(pawn_side));
    int free_pawns = 0, running = 0, holding = 0, held_pawn = -1;
    for (uint64_t pawns = PawnsOf(pawn_side); pawns;) {
      const int pawn = PopLowestBit(&pawns);
      if (!(file_ahead_mask[pawn_side][pawn] & king_reach)) {
        free_pawns++;
        if (PawnRunsThrough(pawn_side, pawn)) running++;
      }
      const int verdict = rook_side == BLACK ? ProbeBlackRookVsPawns(pawn, rook) : ProbeWhiteRookVsPawns(pawn, rook);
      if (verdict == 1) {
        held_pawn = pawn;
        if (++holding == 3) break;
      }
    }

    int32_t value = 0;  // the rook side's view
    if (holding == 0) {
      if (count == 1)
        value = rook_single_pawn;
      else if (running == 0)
        value = count * (free_pawns > 0 ? rook_vs_free_pawns : rook_vs_held_pawns);
    } else if (holding >= 2) {
      value = -(holding == 2 ? rook_two_holding : rook_three_holding);
    } else {
      if (count == 1) {
        *score = 0;
        return true;
      }
      const int advance = RelativeRank(pawn_side, LeastAdvanced(pawn_side, PawnsOf(pawn_side)));
      value = rook_pawns_base - count * rook_pawn_count_weight / 256 - advance * rook_pawn_rank_weight / 256;
      if (std::abs(File(King(pawn_side)) - File(held_pawn)) < 2) value -= rook_king_file_bonus;
      *score = ForSideToMove(rook_side, value);
      return true;
    }
    *term += rook_side == BLACK ? value : -value;
    return false;
  }
  return false;
}

// Queen against a pawn on its seventh rank beside the corner. Seen with the
// pawn black and on files a-d: a white pawn reverses the ranks, a pawn on
// files e-h reverses the files.
bool QueenAgainstPawn(int32_t* score) {
  const Board& b = thread_board;
  for (int queen_side : {WHITE, BLACK}) {
    const int pawn_side = queen_side ^ 1;
    if (b.Material[queen_side] != 900 || b.PieceCount[QUEEN][queen_side] != 1 || b.Material[pawn_side] != 100) continue;
    const int real_pawn = LowestBit(PawnsOf(pawn_side));
    int v = pawn_side == WHITE ? 56 : 0;
    if (File(real_pawn ^ v) > 3) v ^= 7;
    const int pawn = real_pawn ^ v, defender = King(pawn_side) ^ v, attacker = King(queen_side) ^ v;
    const int file = File(attacker), rank = Rank(attacker);
    const bool queen_moves = SideToMove() == queen_side;
    if (File(defender) > 2 || Rank(defender) > 1) return false;

    bool drawn = false;
    if (pawn == A2) {
      const int t = queen_moves ? 3 : 4, u = queen_moves ? 4 : 3;
      drawn = file > 7 - t || rank > u;
    } else if (pawn == C2) {
      if (defender != C1)
        drawn = file > 3 || rank > 3 || attacker == D4;
      else if (queen_moves)
        drawn = file > 5 || rank > 4 || attacker == E5 || attacker == F5;
      else if (file > 3 || rank > 3 || attacker == D4) {
        // Only a queen that already covers both squares beside the corner wins.
        const uint64_t guard = SquareBit(B1 ^ v) | SquareBit((B1 + 8) ^ v);
        drawn = (QueenAttacksFrom(LowestBit(b.Pieces[QUEEN][queen_side])) & guard) != guard;
      }
    }
    if (drawn) *score = 0;
    return drawn;
  }
  return false;
}

// Sides that cannot win beyond what the material table knows: bishops of one
// colour without pawns, and rook pawns with the wrong bishop when the
// defending king reaches the corner.
void RefineCannotWin() {
  const Board& b = thread_board;
  for (int side : {WHITE, BLACK}) {
    const int other = side ^ 1;
    const uint64_t pawns = PawnsOf(side);
    if (b.HeavyPieces[side] || b.Pieces[KNIGHT][side] || PopCount(pawns) > 2) continue;
    const uint64_t bishops = b.Pieces[BISHOP][side];
    if (!pawns) {
      if (!(bishops & dark_squares) || !(bishops & light_squares)) *CannotWin(side) = 1;
      continue;
    }
    int file;
    if (!(pawns & ~FILE_A))
      file = 0;
    else if (!(pawns & ~FILE_H))
      file = 7;
    else
      continue;
    const int corner = side == WHITE ? 56 + file : file;
    if (bishops & (IsDark(corner) ? dark_squares : light_squares)) continue;
    bool holds = Distance(King(other), corner) <= 1;
    if (!holds) {
      const int defender = Distance(King(other), corner) - (SideToMove() == other);
      const int attacker = Distance(King(side), corner) - (SideToMove() == side);
      holds = defender < attacker && !PawnRunsThrough(side, MostAdvanced(side, pawns));
    }
    if (holds) *CannotWin(side) = 1;
  }
}

// Material, phases and ending flags, from the material table when the
// position has a row.
int32_t SetMaterialAndPhases() {
  const Board& b = thread_board;
  EvalInfo& info = thread_eval_info;
  if (const MaterialEntry* row = MaterialRow()) {
    info.material = b.Material[BLACK] - b.Material[WHITE] + row->material;
    current_phase = row->current_phase;
    black_phase = row->black_phase;
    white_phase = row->white_phase;
    for (int side : {WHITE, BLACK}) info.ending[side] = row->flags[side] & MATERIAL_ENDING;
  } else {
    info.material = EvaluateMaterial();
    ComputeGamePhase();
    for (int side : {WHITE, BLACK}) {
      const int other = side ^ 1;
      info.ending[side] = !(b.PieceMaterial[other] > endgame_threshold &&
                            (b.PieceCount[QUEEN][other] || b.PieceMaterial[other] > endgame_threshold_no_queen));
    }
  }
  return info.material;
}

// Driving the weaker king to the edge, and for bishop and knight to a corner
// of the bishop's colour. The gain is the stronger side's.
int32_t MatingDrive(int strong) {
  const Board& b = thread_board;
  const int weak = strong ^ 1;
  const int lead = b.PieceMaterial[strong] - b.PieceMaterial[weak];
  const bool weak_has_pawns = PawnsOf(weak) != 0;
  const bool bishop_and_knight = b.Material[weak] == 0 && b.PieceCount[BISHOP][strong] == 1 &&
                                 b.PieceCount[KNIGHT][strong] == 1 && b.MinorPieces[strong] == 2 &&
                                 b.HeavyPieces[strong] == 0 && !PawnsOf(strong);
  int32_t gain = 0;
  if (b.PieceMaterial[strong] >= 5 && thread_eval_info.ending[strong]) {
    if (!weak_has_pawns && lead >= 3)
      gain += mate_drive_base + mate_drive_extra + (b.HeavyPieces[weak] ? 0 : mate_drive_no_heavy) -
              Distance(King(strong), King(weak)) * mate_drive_distance;
    if (b.Material[weak] == 0) {
      gain += bare_king_bonus;
      if (bishop_and_knight) {
        const bool dark = IsDark(LowestBit(b.Pieces[BISHOP][strong]));
        const int first = dark ? A1 : H1, second = dark ? H8 : A8;
        const int d1 = Distance(King(weak), first), d2 = Distance(King(weak), second);
        gain += kbn_bonus - kbn_corner * (d1 < d2 ? d1 : d2);
      }
    }
  }
  if (!bishop_and_knight && !weak_has_pawns && lead >= 3) gain += weak_king_edge[King(weak)];
  return gain;
}

// A knight is a poor piece against pawns on both wings.
int32_t KnightWithPawnsOnBothWings() {
  const Board& b = thread_board;
  if (!(AllPawns & QUEEN_WING) || !(AllPawns & KING_WING)) return 0;
  int32_t term = 0;
  for (int side : {WHITE, BLACK}) {
    const int other = side ^ 1;
    if (!b.Pieces[KNIGHT][side] || b.PieceMaterial[side] >= 9) continue;
    if (b.PieceMaterial[side] >= b.PieceMaterial[other]) continue;
    int32_t charge = b.PieceMaterial[side] == 3 ? 2 * knight_wings : knight_wings;
    if (b.HeavyPieces[side] < b.HeavyPieces[other]) charge += knight_wings >> 3;
    term += side == WHITE ? charge : -charge;
  }
  return term;
}
}  // namespace

int32_t EvaluateSpecialEndgame(int32_t* score, [[maybe_unused]] int32_t bound, int32_t* final) {
  const Board& b = thread_board;
  *final = 1;
  AllPawns = PawnsOf(WHITE) | PawnsOf(BLACK);

  const MaterialEntry* row = MaterialRow();
  white_cannot_win = row ? row->flags[WHITE] & MATERIAL_CANNOT_WIN : 0;
  black_cannot_win = row ? row->flags[BLACK] & MATERIAL_CANNOT_WIN : 0;
  if (CannotWinDraw(score)) return 0;

  if (!AllPawns && b.PieceMaterial[WHITE] == b.PieceMaterial[BLACK]) {
    *score = 0;
    return 0;
  }
  if (KingPawnAgainstKing(score)) return 0;
  if (PawnRace(WHITE, score) || PawnRace(BLACK, score)) return 0;
  if (OneMinorEach()) {
    *score = 0;
    return 0;
  }
  if (EdgeOpposition(score)) return 0;
  int32_t rook_term = 0;
  if (RookAgainstPawns(score, &rook_term)) return 0;
  if (QueenAgainstPawn(score)) return 0;
  RefineCannotWin();
  if (CannotWinDraw(score)) return 0;

  int32_t term = SetMaterialAndPhases() + rook_term;
  const int strong = b.PieceMaterial[WHITE] > b.PieceMaterial[BLACK]   ? WHITE
                     : b.PieceMaterial[BLACK] > b.PieceMaterial[WHITE] ? BLACK
                                                                       : -1;
  if (strong >= 0) {
    const int32_t gain = MatingDrive(strong);
    term += strong == BLACK ? gain : -gain;
  }
  term += KnightWithPawnsOnBothWings();
  *final = 0;
  return term;
}

int32_t ScaleExtraPawnEnding(int32_t score) {
  const Board& b = thread_board;
  if (PassedVector(WHITE) || PassedVector(BLACK) || b.PieceMaterial[WHITE] != b.PieceMaterial[BLACK]) return score;
  const int defender = PopCount(PawnsOf(WHITE)) <= PopCount(PawnsOf(BLACK)) ? WHITE : BLACK;
  const int attacker = defender ^ 1;
  const uint64_t pawns = PawnsOf(attacker);
  if (!pawns) return score;
  const int most = MostAdvanced(attacker, pawns), least = LeastAdvanced(attacker, pawns);
  const uint64_t king = SquareBit(King(defender));
  const bool before_most = (file_ahead_mask[attacker][most] & king) != 0;
  const bool before_least = (file_ahead_mask[attacker][least] & king) != 0;
  auto scaled = [score](int32_t factor) { return int32_t((int64_t(score) * factor) >> 8); };

  const bool mixed =
      (b.MinorPieces[WHITE] >= 2 && !b.HeavyPieces[WHITE]) || (b.HeavyPieces[WHITE] && b.MinorPieces[WHITE]);
  if (mixed) {
    if (b.HeavyPieces[WHITE] != b.HeavyPieces[BLACK]) return score;
    bool breaks_through;
    if (b.HeavyPieces[defender]) {
      breaks_through = !before_most && !before_least;
    } else {
      const int v = BitbaseView(attacker);
      breaks_through =
          ProbeKpkBitbase(ProbeSide(attacker), most ^ v, King(attacker) ^ v, King(defender) ^ v, Reliable());
    }
    const bool guarded = (king_attacks[King(defender)] & PawnsOf(defender)) != 0;
    if (b.Pieces[BISHOP][defender])
      return scaled(breaks_through ? scale_bishop_breakthrough : guarded ? scale_bishop_guarded : scale_bishop_blocked);
    return scaled(breaks_through ? scale_breakthrough : guarded ? scale_pawn_guarded : scale_blocked);
  }
  if (b.PieceMaterial[WHITE] >= 1 && b.PieceMaterial[WHITE] <= 9 && before_most && before_least)
    return scaled(scale_king_in_front);
  return score;
}
