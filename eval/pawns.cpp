// Pawn structure with its hash, and the shelter defect counts of each wing.
// The per-pawn rules are written once and instantiated per colour; a term is
// computed from the pawn owner's view and enters the black-positive sums with
// the owner's sign.
#include "eval/pawns.h"

#include <cstring>

#include "board/tables.h"
#include "eval/evaluate.h"
#include "eval/params.h"
#include "interface/options.h"  // pawn_hash_entries, an option global

PawnHashEntry PawnEntry;
PawnHashEntry* pawn_hash;
uint64_t AllPawns;

// Built-in contents: the chained-pawn parameters spread over the squares of
// the 3rd to 7th rank as black sees them (rank 6 of the board is black's 3rd).
int32_t chained_pawn_table[64] = {
    0,  0,  0,  0,  0,  0,  0,  0,   //
    13, 4,  49, 49, 49, 49, 4,  13,  // 7th rank
    6,  32, 19, 16, 16, 19, 32, 6,   // 6th
    7,  7,  6,  9,  9,  6,  7,  7,   // 5th
    1,  -1, 2,  6,  6,  2,  -1, 1,   // 4th
    -2, 5,  2,  3,  3,  2,  5,  -2,  // 3rd
    0,  0,  0,  0,  0,  0,  0,  0,   // 2nd: a pawn there has no chain bonus
    0,  0,  0,  0,  0,  0,  0,  0,
};

void BuildChainedPawnTable() {
  static constexpr int pair_start[8] = {CHAINED_PAWN_AH, CHAINED_PAWN_BG, CHAINED_PAWN_CF, CHAINED_PAWN_DE,
                                        CHAINED_PAWN_DE, CHAINED_PAWN_CF, CHAINED_PAWN_BG, CHAINED_PAWN_AH};
  for (int square = 0; square < 64; square++) {
    const int relative_rank = 7 - (square >> 3);  // black's view
    chained_pawn_table[square] = relative_rank >= 2 && relative_rank <= 6
                                     ? evaluation_parameters[pair_start[square & 7] + relative_rank - 2]
                                     : 0;
  }
  InvalidatePawnEntry();
}

void InvalidatePawnEntry() { memset(&PawnEntry, 0, sizeof PawnEntry); }

namespace {

constexpr uint64_t FileMask(int file) { return FILE_A << file; }
constexpr uint64_t RankMaskOf(int square) { return uint64_t(0xFF) << (square & 56); }

// Ranks strictly ahead of, and strictly behind, the square's rank.
template <int Colour>
inline uint64_t RanksAhead(int square) {
  return Colour == WHITE ? ranks_above[square] : ranks_below[square];
}
template <int Colour>
inline uint64_t RanksBehind(int square) {
  return Colour == WHITE ? ranks_below[square] : ranks_above[square];
}

template <int Colour>
bool IsBackward(int square, uint64_t own, uint64_t enemy) {
  const uint64_t all = own | enemy;
  const int stop = square + PawnForward(Colour);
  const uint64_t captures = pawn_attacks[Colour][square];
  if (own & captures) {
    if ((all & SquareBit(stop)) || (enemy & pawn_attacks[Colour][stop])) return true;
    return (enemy & captures) != 0;
  }
  // From its 2nd rank a pawn can still step level with a neighbour on the 4th.
  if (RelativeRank(Colour, square) == 1 &&
      (own & adjacent_files_mask[square] & RankMaskOf(stop + PawnForward(Colour)))) {
    const int next = stop + PawnForward(Colour);
    if ((all & (SquareBit(stop) | SquareBit(next))) ||
        (enemy & (pawn_attacks[Colour][stop] | pawn_attacks[Colour][next])))
      return true;
    return (enemy & captures) != 0;
  }
  return true;
}

// One side of the blocked-pawn test: a friendly pawn guards ours from the
// neighbouring file, and no enemy pawn on that file or the next one outward
// can challenge it from our rank forward.
template <int Colour>
bool NeighbourHolds(int square, int neighbour_file, int outward, uint64_t own, uint64_t enemy) {
  const int defender = square - PawnForward(Colour) + (neighbour_file - (square & 7));
  if (!(own & SquareBit(defender))) return false;
  const uint64_t forward = ~RanksBehind<Colour>(square);
  if (enemy & FileMask(neighbour_file) & forward) return false;
  const int far_file = neighbour_file + outward;
  if (far_file >= 0 && far_file <= 7 && (enemy & FileMask(far_file) & forward)) return false;
  return true;
}

struct PawnFacts {
  int64_t opening = 0;
  int64_t endgame = 0;
  uint8_t files = 0;
  uint8_t passed = 0;
  uint8_t targets = 0;
};

template <int Colour>
PawnFacts ScorePawns() {
  constexpr int Enemy = Colour ^ 1;
  const int32_t* const p = evaluation_parameters;
  const uint64_t own = thread_board.Pieces[PAWN][Colour], enemy = thread_board.Pieces[PAWN][Enemy];
  const uint64_t all = own | enemy;
  PawnFacts facts;
  for (uint64_t set = own; set;) {
    const int square = PopLowestBit(&set);
    const int file = square & 7, rank = RelativeRank(Colour, square);
    const int stop = square + PawnForward(Colour);
    const uint8_t file_bit = uint8_t(1 << file);
    facts.files |= file_bit;

    const uint64_t adjacent = adjacent_files_mask[square];
    const uint64_t level_or_behind = adjacent & ~RanksAhead<Colour>(square);
    const uint64_t defenders = pawn_attacks[Enemy][square];
    const uint64_t captures = pawn_attacks[Colour][square];

    int64_t opening = 0, endgame = 0;
    if (own & ((adjacent & RankMaskOf(square)) | defenders)) {
      const int32_t bonus = chained_pawn_table[Colour == BLACK ? square : 63 - square];
      opening += bonus;
      endgame += bonus;
    }
    const bool doubled = (own & file_ahead_mask[Enemy][square]) != 0;
    const bool isolated = !(own & adjacent);
    const bool backward = !isolated && !(own & level_or_behind) && IsBackward<Colour>(square, own, enemy);
    const bool free_file = !(all & file_ahead_mask[Colour][square]);
    bool candidate = false;
    if (free_file) {
      if (!(enemy & passed_span[Colour][square])) {
        facts.passed |= file_bit;
      } else {
        const int supporters = PopCount(own & level_or_behind);
        const int sentries = PopCount(enemy & adjacent & RanksAhead<Colour>(square));
        const int guards = PopCount(own & defenders);
        const int attackers = PopCount(enemy & captures);
        candidate = supporters >= sentries && guards >= attackers;
      }
    }

    if ((rank == 5 || rank == 6) && (enemy & SquareBit(stop)) && !(enemy & passed_span[Colour][stop]) &&
        ((file < 7 && NeighbourHolds<Colour>(square, file + 1, 1, own, enemy)) ||
         (file > 0 && NeighbourHolds<Colour>(square, file - 1, -1, own, enemy))))
      endgame += p[BLOCKED_PAWN_BONUS + rank];

    if (doubled) {
      opening -= p[DOUBLED_OPENING + file];
      endgame -= p[DOUBLED_ENDGAME + file];
    }
    if (isolated) {
      endgame -= p[ISOLATED_ENDGAME + file];
      opening -= free_file ? p[ISOLATED_FREE_OPENING + file] : p[ISOLATED_CLOSED_OPENING + file];
      if (free_file) facts.targets |= file_bit;
    } else if (backward) {
      opening -= free_file ? p[BACKWARD_FREE_OPENING + file] : p[BACKWARD_CLOSED_OPENING + file];
      endgame -= p[BACKWARD_ENDGAME + file];
      if (free_file) facts.targets |= file_bit;
    }
    if (candidate) {
      const int64_t weight = p[PAWN_RANK_WEIGHT + rank];
      const int64_t opening_base = p[CANDIDATE_OPENING_BASE], endgame_base = p[CANDIDATE_ENDGAME_BASE];
      opening += opening_base + ((p[CANDIDATE_OPENING_FULL] - opening_base) * weight + 128) / 256;
      endgame += endgame_base + ((p[CANDIDATE_ENDGAME_FULL] - endgame_base) * weight + 128) / 256;
    }
    facts.opening += opening;
    facts.endgame += endgame;
  }
  return facts;
}

int FrontWidth(uint8_t files) { return files ? FindHighestBit(files) - LowestBit(files) : 0; }

// Shelter defects of one wing, its files listed from the edge inward.
struct WingDefects {
  uint8_t white;
  uint8_t black;
};

WingDefects CountWing(const int (&files)[3], uint64_t white, uint64_t black) {
  int open = 0, missing_white = 0, missing_black = 0, white_defects = 0, black_defects = 0;
  for (int step = 0; step < 3; step++) {
    const int file = files[step];
    const uint64_t mask = FileMask(file);
    if (!((white | black) & mask)) {
      open++;
      continue;
    }
    // The innermost file counts only for a wing that is already damaged.
    const bool inner = step == 2;
    const int damage = open + missing_white + missing_black;
    const bool look_white = !inner || damage + white_defects != 0;
    const bool look_black = !inner || damage + black_defects != 0;
    const int extra = (file == 1 || file == 6) ? 1 : 0;  // the knight's file
    if (look_white) {
      if (!(white & mask)) {
        missing_white++;
        if (!inner) white_defects++;
      } else if (!(white & SquareBit(8 + file))) {
        white_defects += ((white & SquareBit(16 + file)) ? 1 : 2) + extra;
      }
    }
    if (look_black) {
      if (!(black & mask)) {
        missing_black++;
        if (!inner) black_defects++;
      } else if (!(black & SquareBit(48 + file))) {
        black_defects += ((black & SquareBit(40 + file)) ? 1 : 2) + extra;
      }
    }
  }
  // Two neighbouring pawns on the third rank still form a shelter.
  const int a = files[0], b = files[1], c = files[2];
  auto pair_on = [](uint64_t pawns, int rank, int f1, int f2) {
    return (pawns & SquareBit(rank * 8 + f1)) && (pawns & SquareBit(rank * 8 + f2));
  };
  if (white_defects && (pair_on(white, 2, c, b) || pair_on(white, 2, b, a))) white_defects--;
  if (black_defects && (pair_on(black, 5, c, b) || pair_on(black, 5, b, a))) black_defects--;

  // Counts: open and missing at most 3, defects at most 2 + 3 + 2 = 7.
  const int32_t* const p = evaluation_parameters;
  const uint32_t open_term = uint32_t(p[SHELTER_OPEN_FILES + open]);
  const uint32_t white_missing = uint32_t(p[SHELTER_MISSING_FILES + missing_white]);
  const uint32_t black_missing = uint32_t(p[SHELTER_MISSING_FILES + missing_black]);
  WingDefects result;
  result.white =
      uint8_t(open_term + white_missing + (black_missing >> 1) + uint32_t(p[SHELTER_DEFECTS + white_defects]));
  result.black =
      uint8_t(open_term + black_missing + (white_missing >> 1) + uint32_t(p[SHELTER_DEFECTS + black_defects]));
  return result;
}

void SetPassedPawnSets() {
  thread_eval_info.passed_pawns[BLACK] = thread_board.Pieces[PAWN][BLACK] & (FILE_A * PawnEntry.passed_vector_black);
  thread_eval_info.passed_pawns[WHITE] = thread_board.Pieces[PAWN][WHITE] & (FILE_A * PawnEntry.passed_vector_white);
}

void ComputePawnEntry() {
  CountShelterDefects();
  const PawnFacts black = ScorePawns<BLACK>();
  const PawnFacts white = ScorePawns<WHITE>();
  const int64_t opening = black.opening - white.opening;
  const int64_t endgame =
      black.endgame - white.endgame +
      int64_t(FrontWidth(black.files) - FrontWidth(white.files)) * evaluation_parameters[PAWN_FRONT_WIDTH];
  PawnEntry.key = thread_board.PawnKey;
  // The record keeps 16 bits; the miss path uses the stored values as a hit would.
  PawnEntry.opening = int16_t(opening);
  PawnEntry.endgame = int16_t(endgame);
  PawnEntry.passed_vector_black = black.passed;
  PawnEntry.passed_vector_white = white.passed;
  PawnEntry.pawn_files_white = white.files;
  PawnEntry.pawn_files_black = black.files;
  PawnEntry.target_pawn_files_black = black.targets;
  PawnEntry.target_pawn_files_white = white.targets;
}

}  // namespace

void CountShelterDefects() {
  static constexpr int king_wing[3] = {7, 6, 5};
  static constexpr int queen_wing[3] = {0, 1, 2};
  const uint64_t white = thread_board.Pieces[PAWN][WHITE], black = thread_board.Pieces[PAWN][BLACK];
  const WingDefects king_side = CountWing(king_wing, white, black);
  const WingDefects queen_side = CountWing(queen_wing, white, black);
  PawnEntry.white_defects_k = king_side.white;
  PawnEntry.white_defects_q = queen_side.white;
  PawnEntry.black_defects_k = king_side.black;
  PawnEntry.black_defects_q = queen_side.black;
}

void EvaluatePawnStructure(int32_t* opening, int32_t* endgame) {
  const uint64_t key = thread_board.PawnKey;
  PawnHashEntry* slot = nullptr;
  // Without pawns the key is 0, which a cleared record or a forgotten working
  // copy would match with the wrong shelter facts; such positions cost nothing
  // to compute, so they bypass the table.
  if (key && pawn_hash_entries && pawn_hash) {
    if (key == PawnEntry.key) {
      *opening += PawnEntry.opening;
      *endgame += PawnEntry.endgame;
      SetPassedPawnSets();
      return;
    }
    slot = pawn_hash + PawnHashIndex(key, pawn_hash_entries);
    if (slot->key == key) {
      memcpy(&PawnEntry, slot, sizeof PawnEntry);
      *opening += PawnEntry.opening;
      *endgame += PawnEntry.endgame;
      SetPassedPawnSets();
      return;
    }
  }
  ComputePawnEntry();
  if (slot) memcpy(slot, &PawnEntry, sizeof PawnEntry);
  *opening += PawnEntry.opening;
  *endgame += PawnEntry.endgame;
  SetPassedPawnSets();
}
