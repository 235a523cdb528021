// The enumeration tables: which squares a man of each kind may stand on for
// the other king, and per king pair how many placements of a group lie in
// the lower pairs. The index functions number the side to move's men with
// them without gaps.
#include <algorithm>
#include <cstdlib>

#include "tablebases/index.h"

int16_t pawn_king_pair_index[64 * 64];
int16_t pawnless_king_pair_index[64 * 64];
uint8_t enum_square_rank[ENUM_KINDS][64 * 64];
uint8_t enum_square_count[ENUM_KINDS][64];
uint32_t enum_single_offset[ENUM_KINDS][PAWN_KING_PAIRS];
uint32_t enum_pair_offset[ENUM_KINDS][ENUM_KINDS][PAWN_KING_PAIRS];
uint32_t enum_triple_offset[ENUM_KINDS][ENUM_KINDS][ENUM_KINDS][PAWN_KING_PAIRS];
uint32_t enum_single_offset_pawnless[ENUM_KINDS][PAWNLESS_KING_PAIRS];
uint32_t enum_pair_offset_pawnless[ENUM_KINDS][ENUM_KINDS][PAWNLESS_KING_PAIRS];
uint32_t enum_triple_offset_pawnless[ENUM_KINDS][ENUM_KINDS][ENUM_KINDS][PAWNLESS_KING_PAIRS];
uint32_t enum_counts[ENUM_KINDS];
uint32_t enum_counts_pawnless[ENUM_KINDS];
uint32_t enum_pair_counts[ENUM_KINDS][ENUM_KINDS];
uint32_t enum_pair_counts_pawnless[ENUM_KINDS][ENUM_KINDS];
uint32_t enum_triple_counts[ENUM_KINDS][ENUM_KINDS][ENUM_KINDS];
uint32_t enum_triple_counts_pawnless[ENUM_KINDS][ENUM_KINDS][ENUM_KINDS];

namespace {

// The tables live in static storage (about 2.3 MB, most of it zero), so
// building them cannot fail and nothing needs freeing at exit.
bool enumeration_built = false;

int FileOf(int square) { return square & 7; }
int RankOf(int square) { return square >> 3; }
int Distance(int a, int b) { return std::max(std::abs(FileOf(a) - FileOf(b)), std::abs(RankOf(a) - RankOf(b))); }

// Whether a man of the kind on the square stands where the kind may not,
// for the other king on king (besides the king's own square).
bool Excluded(int kind, int king, int square) {
  const int file_step = std::abs(FileOf(square) - FileOf(king));
  const int rank_step = std::abs(RankOf(square) - RankOf(king));
  switch (kind) {
    case ENUM_p:
      return false;
    // A pawn running toward rank 8 attacks the two squares diagonally above.
    case ENUM_P:
      return file_step == 1 && RankOf(king) - RankOf(square) == 1;
    case ENUM_N:
      return (file_step == 1 && rank_step == 2) || (file_step == 2 && rank_step == 1);
    case ENUM_B:
      return file_step == 1 && rank_step == 1;
    case ENUM_R:
      return file_step + rank_step == 1;
    default:
      return Distance(king, square) == 1;
  }
}

void BuildKingPairs() {
  int pawn_pairs = 0, pawnless_pairs = 0;
  for (int own = 0; own < 64; own++)
    for (int other = 0; other < 64; other++) {
      const bool apart = Distance(own, other) > 1;
      const bool pawn_pair = apart && FileOf(own) < 4;
      const bool in_triangle = FileOf(own) >= RankOf(own) && FileOf(own) < 4;
      const bool pawnless_pair = apart && in_triangle && (FileOf(own) != RankOf(own) || FileOf(other) >= RankOf(other));
      pawn_king_pair_index[own * 64 + other] = pawn_pair ? int16_t(pawn_pairs++) : NO_KING_PAIR;
      pawnless_king_pair_index[own * 64 + other] = pawnless_pair ? int16_t(pawnless_pairs++) : NO_KING_PAIR;
    }
}

void BuildRanks() {
  for (int kind = 0; kind < ENUM_KINDS; kind++) {
    const bool pawn = kind <= ENUM_P;
    for (int king = 0; king < 64; king++) {
      int rank = 0;
      for (int square = 0; square < 64; square++) {
        const bool allowed = square != king && !Excluded(kind, king, square) && (!pawn || (square >= 8 && square < 56));
        enum_square_rank[kind][king * 64 + square] = allowed ? uint8_t(rank++) : NO_ENUM_RANK;
      }
      enum_square_count[kind][king] = uint8_t(rank);
    }
  }
}

uint64_t Choose(uint64_t n, int k) {
  uint64_t result = 1;
  for (int i = 0; i < k; i++) result = result * (n - i) / (i + 1);
  return n < uint64_t(k) ? 0 : result;
}

// Fills one offset array for the group of kinds (strongest first, like kinds
// side by side) and returns its total.
uint32_t Enumerate(uint32_t* offsets, const int16_t* pairs, const int* kinds, int men) {
  uint32_t total = 0;
  for (int own = 0; own < 64; own++)
    for (int other = 0; other < 64; other++) {
      const int pair = pairs[own * 64 + other];
      if (pair == NO_KING_PAIR) continue;
      offsets[pair] = total;
      uint64_t placements = 1;
      for (int first = 0; first < men;) {
        int last = first;
        while (last + 1 < men && kinds[last + 1] == kinds[first]) last++;
        const int kind = kinds[first];
        const bool own_allowed = enum_square_rank[kind][other * 64 + own] != NO_ENUM_RANK;
        placements *= Choose(enum_square_count[kind][other] - (own_allowed ? 1 : 0), last - first + 1);
        first = last + 1;
      }
      total += uint32_t(placements);
    }
  return total;
}

}  // namespace

void InitEnumerationTables() {
  if (enumeration_built) return;
  BuildKingPairs();
  BuildRanks();
  for (int x = 0; x < ENUM_KINDS; x++) {
    int group[3] = {x, 0, 0};
    enum_counts[x] = Enumerate(enum_single_offset[x], pawn_king_pair_index, group, 1);
    if (x >= ENUM_N)
      enum_counts_pawnless[x] = Enumerate(enum_single_offset_pawnless[x], pawnless_king_pair_index, group, 1);
    // Pawns pair only with their own kind; pieces with any weaker man of the
    // side to move.
    const int lowest = x <= ENUM_P ? x : ENUM_P;
    for (int y = lowest; y <= x; y++) {
      group[1] = y;
      enum_pair_counts[x][y] = Enumerate(enum_pair_offset[x][y], pawn_king_pair_index, group, 2);
      if (y >= ENUM_N)
        enum_pair_counts_pawnless[x][y] =
            Enumerate(enum_pair_offset_pawnless[x][y], pawnless_king_pair_index, group, 2);
      for (int z = lowest; z <= y; z++) {
        group[2] = z;
        enum_triple_counts[x][y][z] = Enumerate(enum_triple_offset[x][y][z], pawn_king_pair_index, group, 3);
        if (z >= ENUM_N)
          enum_triple_counts_pawnless[x][y][z] =
              Enumerate(enum_triple_offset_pawnless[x][y][z], pawnless_king_pair_index, group, 3);
      }
    }
  }
  enumeration_built = true;
}
