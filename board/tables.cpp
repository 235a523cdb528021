// Start-up tables and the 64-bit Mersenne Twister that draws the Zobrist keys.
#include "board/tables.h"

#include <cstdlib>

uint64_t zobrist_keys[2][8][64];
uint64_t castle_keys[16];
uint64_t ep_keys[8];

uint64_t rank_attacks[LINE_STATES][8];
uint64_t file_attacks[LINE_STATES][8];
uint64_t diag_sum_attacks[LINE_STATES][16];
uint64_t diag_diff_attacks[LINE_STATES][16];
uint64_t rook_lines[64];
uint64_t bishop_lines[64];

uint64_t king_attacks[64];
uint64_t knight_attacks[64];
uint64_t pawn_attacks[2][64];
int8_t direction_table[64][64];
uint64_t ray_masks_by_index[8][64];
uint64_t between_table[64][64];
uint64_t passed_span[2][64];
uint32_t knight_distance[64][64];

uint8_t bit_count8[256];
uint8_t first_bit8[256];
uint8_t last_bit8[256];
uint8_t bit_count16[65536];
uint64_t not_file_mask[8];
uint64_t adjacent_files_mask[64];
uint64_t ranks_above[64];
uint64_t ranks_below[64];
uint64_t file_ahead_mask[2][64];
uint64_t king_front_mask[2][64];
uint64_t dark_squares;
uint64_t light_squares;
uint64_t pawn_square_white[2][64];
uint64_t pawn_square_black[2][64];
uint64_t edge_opposition_mask[64];
uint64_t corner_masks[4][3];
uint8_t case_fold_table[256];

// ---------------------------------------------------------------------------
// MT19937-64, as its authors published it (init_genrand64, init_by_array64,
// genrand64_int64). The keys of every stored file depend on it bit for bit.

namespace {
constexpr int MT_N = 312;
constexpr int MT_M = 156;
constexpr uint64_t MT_MATRIX_A = 0xB5026F5AA96619E9ULL;
constexpr uint64_t MT_UPPER = 0xFFFFFFFF80000000ULL;
constexpr uint64_t MT_LOWER = 0x7FFFFFFFULL;

struct RandomState {
  uint64_t mt[MT_N];
  int index = MT_N + 1;  // never seeded
};
RandomState random_state;
}  // namespace

void SeedKeyGenerator(uint64_t seed) {
  uint64_t* mt = random_state.mt;
  mt[0] = seed;
  for (int i = 1; i < MT_N; i++) mt[i] = 6364136223846793005ULL * (mt[i - 1] ^ (mt[i - 1] >> 62)) + uint64_t(i);
  random_state.index = MT_N;
}

static void SeedKeyGeneratorForArray() { SeedKeyGenerator(19650218ULL); }

void SeedKeyGeneratorByArray(const uint64_t* keys, int count) {
  uint64_t* mt = random_state.mt;
  SeedKeyGeneratorForArray();
  int i = 1, j = 0;
  for (int k = MT_N > count ? MT_N : count; k; k--) {
    mt[i] = (mt[i] ^ ((mt[i - 1] ^ (mt[i - 1] >> 62)) * 3935559000370003845ULL)) + keys[j] + uint64_t(j);
    i++;
    j++;
    if (i >= MT_N) {
      mt[0] = mt[MT_N - 1];
      i = 1;
    }
    if (j >= count) j = 0;
  }
  for (int k = MT_N - 1; k; k--) {
    mt[i] = (mt[i] ^ ((mt[i - 1] ^ (mt[i - 1] >> 62)) * 2862933555777941757ULL)) - uint64_t(i);
    i++;
    if (i >= MT_N) {
      mt[0] = mt[MT_N - 1];
      i = 1;
    }
  }
  mt[0] = 1ULL << 63;
}

uint64_t DrawRandom64() {
  static const uint64_t mag01[2] = {0, MT_MATRIX_A};
  uint64_t* mt = random_state.mt;
  if (random_state.index >= MT_N) {
    if (random_state.index == MT_N + 1) SeedKeyGenerator(5489ULL);
    int i = 0;
    uint64_t x;
    for (; i < MT_N - MT_M; i++) {
      x = (mt[i] & MT_UPPER) | (mt[i + 1] & MT_LOWER);
      mt[i] = mt[i + MT_M] ^ (x >> 1) ^ mag01[x & 1];
    }
    for (; i < MT_N - 1; i++) {
      x = (mt[i] & MT_UPPER) | (mt[i + 1] & MT_LOWER);
      mt[i] = mt[i + (MT_M - MT_N)] ^ (x >> 1) ^ mag01[x & 1];
    }
    x = (mt[MT_N - 1] & MT_UPPER) | (mt[0] & MT_LOWER);
    mt[MT_N - 1] = mt[MT_M - 1] ^ (x >> 1) ^ mag01[x & 1];
    random_state.index = 0;
  }
  uint64_t x = mt[random_state.index++];
  x ^= (x >> 29) & 0x5555555555555555ULL;
  x ^= (x << 17) & 0x71D67FFFEDA60000ULL;
  x ^= (x << 37) & 0xFFF7EEE000000000ULL;
  x ^= x >> 43;
  return x;
}

void InitZobristKeys() {
  static const uint64_t seed_keys[4] = {0x12345, 0x23456, 0x34567, 0x45678};
  SeedKeyGeneratorByArray(seed_keys, 4);
  static const int draw_order[6] = {3 /*PAWN*/, 2 /*KNIGHT*/, 6 /*BISHOP*/, 5 /*ROOK*/, 7 /*QUEEN*/, 1 /*KING*/};
  for (int square = 0; square < 64; square++)
    for (int piece : draw_order)
      for (int colour = 0; colour < 2; colour++) zobrist_keys[colour][piece][square] = DrawRandom64();
  for (auto& key : castle_keys) key = DrawRandom64();
  for (auto& key : ep_keys) key = DrawRandom64();
}

// ---------------------------------------------------------------------------
// Line states. A state is a position on a line of eight squares together with
// the set a slider there attacks (both ways up to and including the first
// occupied square, whether or not the position itself is occupied); states are
// numbered in order of first appearance, the occupancy byte running in the
// outer and the position in the inner loop.

uint8_t line_state[256][8];

static uint8_t LineAttack(int occupancy, int position) {
  unsigned set = 0;
  for (int q = position + 1; q < 8; q++) {
    set |= 1u << q;
    if (occupancy & (1 << q)) break;
  }
  for (int q = position - 1; q >= 0; q--) {
    set |= 1u << q;
    if (occupancy & (1 << q)) break;
  }
  return uint8_t(set);
}

// Fills line_state and returns the attack set (a byte of line positions) of
// every state.
static void BuildLineStates(uint8_t state_attack[LINE_STATES]) {
  uint8_t state_position[LINE_STATES];
  int count = 0;
  for (int occupancy = 0; occupancy < 256; occupancy++) {
    for (int position = 0; position < 8; position++) {
      uint8_t set = LineAttack(occupancy, position);
      int found = -1;
      for (int s = 0; s < count && found < 0; s++)
        if (state_position[s] == position && state_attack[s] == set) found = s;
      if (found < 0) {
        if (count == LINE_STATES) abort();  // the numbering is fixed at 70 states
        found = count++;
        state_position[found] = uint8_t(position);
        state_attack[found] = set;
      }
      line_state[occupancy][position] = uint8_t(found);
    }
  }
  if (count != LINE_STATES) abort();
}

static bool OnBoard(int file, int rank) { return file >= 0 && file < 8 && rank >= 0 && rank < 8; }

// The eight ray steps in the order of ray_masks_by_index, as file and rank deltas.
static const int ray_step[8] = {9, 8, 7, 1, -1, -7, -8, -9};
static const int ray_file[8] = {1, 0, -1, 1, -1, 1, 0, -1};
static const int ray_rank[8] = {1, 1, 1, 0, 0, -1, -1, -1};

static uint64_t StepTargets(int square, const int (*deltas)[2], int count) {
  uint64_t set = 0;
  for (int i = 0; i < count; i++) {
    int file = (square & 7) + deltas[i][0], rank = (square >> 3) + deltas[i][1];
    if (OnBoard(file, rank)) set |= SquareBit(rank * 8 + file);
  }
  return set;
}

void InitAttackTables() {
  uint8_t state_attack[LINE_STATES];
  BuildLineStates(state_attack);

  for (int s = 0; s < LINE_STATES; s++) {
    unsigned set = state_attack[s];
    for (int line = 0; line < 8; line++) {
      rank_attacks[s][line] = uint64_t(set) << (8 * line);
      uint64_t file_set = 0;
      for (int q = 0; q < 8; q++)
        if (set & (1u << q)) file_set |= SquareBit(q * 8 + line);
      file_attacks[s][line] = file_set;
    }
    for (int d = 0; d < 16; d++) {
      uint64_t sum_set = 0, diff_set = 0;
      for (int q = 0; q < 8; q++) {
        if (!(set & (1u << q))) continue;
        int sum_file = d - q, diff_file = d + q - 7;
        if (sum_file >= 0 && sum_file < 8) sum_set |= SquareBit(q * 8 + sum_file);
        if (diff_file >= 0 && diff_file < 8) diff_set |= SquareBit(q * 8 + diff_file);
      }
      diag_sum_attacks[s][d] = sum_set;
      diag_diff_attacks[s][d] = diff_set;
    }
  }

  for (int square = 0; square < 64; square++) {
    int file = square & 7, rank = square >> 3;
    rook_lines[square] = rank_attacks[line_state[0][file]][rank] | file_attacks[line_state[0][rank]][file];
    bishop_lines[square] =
        diag_sum_attacks[line_state[0][rank]][file + rank] | diag_diff_attacks[line_state[0][rank]][file - rank + 7];

    static const int king_deltas[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};
    static const int knight_deltas[8][2] = {{-2, -1}, {-1, -2}, {1, -2}, {2, -1}, {-2, 1}, {-1, 2}, {1, 2}, {2, 1}};
    static const int white_pawn_deltas[2][2] = {{-1, 1}, {1, 1}};
    static const int black_pawn_deltas[2][2] = {{-1, -1}, {1, -1}};
    king_attacks[square] = StepTargets(square, king_deltas, 8);
    knight_attacks[square] = StepTargets(square, knight_deltas, 8);
    pawn_attacks[0][square] = StepTargets(square, white_pawn_deltas, 2);
    pawn_attacks[1][square] = StepTargets(square, black_pawn_deltas, 2);

    passed_span[0][square] = passed_span[1][square] = 0;
    for (int f = file - 1; f <= file + 1; f++) {
      if (f < 0 || f > 7) continue;
      for (int r = rank + 1; r < 8; r++) passed_span[0][square] |= SquareBit(r * 8 + f);
      for (int r = rank - 1; r >= 0; r--) passed_span[1][square] |= SquareBit(r * 8 + f);
    }
  }

  for (int a = 0; a < 64; a++) {
    for (int b = 0; b < 64; b++) {
      direction_table[a][b] = 0;
      between_table[a][b] = 0;
    }
    for (int dir = 0; dir < 8; dir++) {
      uint64_t passed = SquareBit(a), beyond = 0;
      int file = (a & 7) + ray_file[dir], rank = (a >> 3) + ray_rank[dir];
      for (; OnBoard(file, rank); file += ray_file[dir], rank += ray_rank[dir]) {
        int target = rank * 8 + file;
        direction_table[a][target] = int8_t(ray_step[dir]);
        between_table[a][target] = passed;
        passed |= SquareBit(target);
        beyond |= SquareBit(target);
      }
      ray_masks_by_index[dir][a] = beyond;
    }
  }
}

void InitKnightDistance() {
  for (int from = 0; from < 64; from++) {
    uint64_t reached = SquareBit(from), frontier = reached;
    for (int to = 0; to < 64; to++) knight_distance[from][to] = 0;
    for (uint32_t distance = 1; frontier; distance++) {
      uint64_t next = 0;
      for (uint64_t set = frontier; set;) next |= knight_attacks[PopLowestBit(&set)];
      next &= ~reached;
      for (uint64_t set = next; set;) knight_distance[from][PopLowestBit(&set)] = distance;
      reached |= next;
      frontier = next;
    }
  }
}

// King squares within a Chebyshev-like distance of a pawn's promotion path.
static uint64_t KingSquaresWithin(int pawn_file, int distance, bool white) {
  uint64_t set = 0;
  for (int k = 0; k < 64; k++) {
    int df = (k & 7) - pawn_file;
    if (df < 0) df = -df;
    int dr = white ? 7 - (k >> 3) : (k >> 3);
    if ((df > dr ? df : dr) <= distance) set |= SquareBit(k);
  }
  return set;
}

void InitBitboardMasks() {
  for (int byte = 0; byte < 256; byte++) {
    bit_count8[byte] = uint8_t(std::popcount(unsigned(byte)));
    first_bit8[byte] = byte ? uint8_t(__builtin_ctz(unsigned(byte))) : 8;
    last_bit8[byte] = byte ? uint8_t(31 - __builtin_clz(unsigned(byte))) : 8;
  }
  for (int value = 0; value < 65536; value++) bit_count16[value] = uint8_t(std::popcount(unsigned(value)));

  const uint64_t file_a = 0x0101010101010101ULL;
  for (int file = 0; file < 8; file++) not_file_mask[file] = ~(file_a << file);

  dark_squares = light_squares = 0;
  for (int square = 0; square < 64; square++) {
    int file = square & 7, rank = square >> 3;
    adjacent_files_mask[square] = (file > 0 ? file_a << (file - 1) : 0) | (file < 7 ? file_a << (file + 1) : 0);
    ranks_above[square] = rank < 7 ? ~0ULL << (8 * (rank + 1)) : 0;
    ranks_below[square] = rank > 0 ? ~0ULL >> (8 * (8 - rank)) : 0;
    file_ahead_mask[0][square] = (file_a << file) & ranks_above[square];
    file_ahead_mask[1][square] = (file_a << file) & ranks_below[square];
    uint64_t front =
        SquareBit(square) | (file > 0 ? SquareBit(square - 1) : 0) | (file < 7 ? SquareBit(square + 1) : 0);
    king_front_mask[0][square] = rank < 7 ? front << 8 : 0;
    king_front_mask[1][square] = rank > 0 ? front >> 8 : 0;
    if (((file + rank) & 1) == 0)
      dark_squares |= SquareBit(square);
    else
      light_squares |= SquareBit(square);

    pawn_square_white[0][square] = pawn_square_white[1][square] = 0;
    pawn_square_black[0][square] = pawn_square_black[1][square] = 0;
    if (rank >= 1 && rank <= 6) {
      int d = rank == 1 ? 5 : 7 - rank;
      pawn_square_white[0][square] = KingSquaresWithin(file, d, true);
      pawn_square_white[1][square] = KingSquaresWithin(file, d + 1, true);
      int e = rank == 6 ? 5 : rank;
      pawn_square_black[0][square] = KingSquaresWithin(file, e + 1, false);
      pawn_square_black[1][square] = KingSquaresWithin(file, e, false);
    }
  }

  // The other king's squares that take the opposition against a king on the
  // edge, stored mirrored (bit 63 - s).
  for (auto& mask : edge_opposition_mask) mask = 0;
  auto mirrored = [](int file, int rank) { return SquareBit(63 - (rank * 8 + file)); };
  for (int square = 0; square < 64; square++) {
    int file = square & 7, rank = square >> 3;
    bool file_edge = file == 0 || file == 7, rank_edge = rank == 0 || rank == 7;
    if (file_edge && rank_edge) {
      int df = file == 0 ? 1 : -1, dr = rank == 0 ? 1 : -1;
      edge_opposition_mask[square] = mirrored(file, rank + 2 * dr) | mirrored(file + df, rank + 2 * dr) |
                                     mirrored(file + 2 * df, rank + dr) | mirrored(file + 2 * df, rank);
    } else if (file_edge) {
      edge_opposition_mask[square] = mirrored(file == 0 ? 2 : 5, rank);
    } else if (rank_edge) {
      edge_opposition_mask[square] = mirrored(file, rank == 0 ? 2 : 5);
    }
  }

  // Corners a1, h1, a8, h8: the square beside the corner on the rook file, that
  // square with the corner, and those two with the corner's neighbour on the
  // back rank.
  static const int corner_square[4] = {0, 7, 56, 63};
  for (int c = 0; c < 4; c++) {
    int corner = corner_square[c];
    int up = corner < 8 ? 8 : -8, side = (corner & 7) == 0 ? 1 : -1;
    corner_masks[c][0] = SquareBit(corner + up);
    corner_masks[c][1] = SquareBit(corner + up) | SquareBit(corner);
    corner_masks[c][2] = corner_masks[c][1] | SquareBit(corner + side);
  }

  for (int byte = 0; byte < 256; byte++)
    case_fold_table[byte] = uint8_t(byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte);
}

void InitBoardTables() {
  InitZobristKeys();
  InitBitboardMasks();
  InitAttackTables();
  InitKnightDistance();
}
