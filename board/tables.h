// board/tables.h: constant tables built once at start-up (Zobrist keys, the
// rotated-bitboard attack tables, step tables, lines, evaluation masks) and
// the bit utilities. Written only by the Init* functions.
#pragma once

#include <bit>
#include <cstdint>

// ---- Zobrist keys (MT19937-64 with a fixed seed array) ----
extern uint64_t zobrist_keys[2][8][64];
extern uint64_t castle_keys[16];
extern uint64_t ep_keys[8];

void SeedKeyGenerator(uint64_t seed);
void SeedKeyGeneratorByArray(const uint64_t* keys, int count);
uint64_t DrawRandom64();  // genrand64_int64

// ---- rotated-bitboard slider tables ----
constexpr int LINE_STATES = 70;
extern uint8_t line_state[256][8];  // state number by occupancy byte and position
extern uint64_t rank_attacks[LINE_STATES][8];
extern uint64_t file_attacks[LINE_STATES][8];
extern uint64_t diag_sum_attacks[LINE_STATES][16];
extern uint64_t diag_diff_attacks[LINE_STATES][16];
extern uint64_t rook_lines[64];
extern uint64_t bishop_lines[64];

// ---- steps and lines ----
extern uint64_t king_attacks[64];
extern uint64_t knight_attacks[64];
extern uint64_t pawn_attacks[2][64];
extern int8_t direction_table[64][64];
extern uint64_t ray_masks_by_index[8][64];  // steps +9, +8, +7, +1, -1, -7, -8, -9
extern uint64_t between_table[64][64];
extern uint64_t passed_span[2][64];
extern uint32_t knight_distance[64][64];

// Index of a step in the ray order above; the step must be one of the eight.
constexpr int RayIndex(int step) {
  return step == 9    ? 0
         : step == 8  ? 1
         : step == 7  ? 2
         : step == 1  ? 3
         : step == -1 ? 4
         : step == -7 ? 5
         : step == -8 ? 6
                      : 7;
}
inline uint64_t RayMask(int step, int square) { return ray_masks_by_index[RayIndex(step)][square]; }

// ---- evaluation masks ----
extern uint8_t bit_count8[256];
extern uint8_t first_bit8[256];
extern uint8_t last_bit8[256];
extern uint8_t bit_count16[65536];
extern uint64_t not_file_mask[8];
extern uint64_t adjacent_files_mask[64];
extern uint64_t ranks_above[64];
extern uint64_t ranks_below[64];
extern uint64_t file_ahead_mask[2][64];
extern uint64_t king_front_mask[2][64];
extern uint64_t dark_squares;
extern uint64_t light_squares;
extern uint64_t pawn_square_white[2][64];
extern uint64_t pawn_square_black[2][64];
extern uint64_t edge_opposition_mask[64];
extern uint64_t corner_masks[4][3];
extern uint8_t case_fold_table[256];

void InitZobristKeys();
void InitBitboardMasks();
void InitAttackTables();
void InitKnightDistance();
// All four, in start-up order.
void InitBoardTables();

// ---- bit utilities ----
constexpr uint64_t SquareBit(int square) { return uint64_t(1) << square; }
inline int LowestBit(uint64_t set) { return __builtin_ctzll(set); }
inline int FindHighestBit(uint64_t set) { return 63 - __builtin_clzll(set); }
inline int PopLowestBit(uint64_t* set) {
  int square = __builtin_ctzll(*set);
  *set &= *set - 1;
  return square;
}
// The table-free bit count, one pass per set bit.
inline int CountBits(uint64_t set) {
  int count = 0;
  for (; set; set &= set - 1) count++;
  return count;
}
inline int PopCount(uint64_t set) { return std::popcount(set); }
constexpr uint64_t TopBitMask() { return uint64_t(1) << 63; }
