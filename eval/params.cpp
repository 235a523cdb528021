// eval/params.cpp: the evaluation parameters with their compiled-in values,
// the registry of the 3280 positions of "values.txt" and the loader.
//
// The registry is the only description of the file layout: the loader walks
// it, the default file is written from it and the compiled-in values are
// applied from it, so the three cannot drift apart.
#include "eval/params.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "eval/material.h"
#include "eval/pawns.h"
#include "platform/files.h"

// ---- the globals of eval/params.h ----
// Those named by the registry get their compiled-in values from it (see
// ApplyCompiledInValues); the others are set here or there as noted.
int32_t pawn_value_opening[4];
int32_t pawn_value_endgame[4];
int32_t imbalance_bonus[6];
int32_t imbalance_endgame_weight[6];
int32_t piece_value_opening[8];
int32_t piece_value_endgame[8];
int32_t bishop_pair_table[9];
int32_t lone_minor_table[9];
int32_t rook_value_by_pawns[17];
int32_t queen_knight_bonus;
int32_t rook_bishop_bonus;
int32_t endgame_threshold;
int32_t endgame_threshold_no_queen;

int32_t rook_vs_minors_passers[9];  // [0] stays 0
int32_t king_outside_pawns;
int32_t shelter_gap_bonus[8];
int32_t blocked_centre_pawn;
int32_t scale_factor[SCALE_LAST - SCALE_FIRST + 1];

int32_t king_danger_table[128];
int32_t attacker_count_table[17];
int32_t shelter_factor_table[64];
int32_t queen_reach_table[32];

int32_t king_no_luft;
int32_t king_traps_rook;
int32_t rook_on_target_file;
int32_t rook_boxed_in;
int32_t rook_half_open_file;
int32_t rook_no_open_file_access;
int32_t rook_open_file[8];
int32_t rook_eighth_rank;
int32_t rook_seventh_rank;
int32_t rook_seventh_doubled;
int32_t rook_seventh_passer;
int32_t rook_mobility_opening;
int32_t rook_mobility_endgame;
int32_t rook_file_danger[8];  // [3..7] stay 0
int32_t knight_blocked_pawns;
int32_t queen_eighth_rank;
int32_t queen_seventh_doubled;
int32_t queen_mobility_opening;
int32_t queen_mobility_endgame;
int32_t queen_king_distance[8];  // [5..7] stay 0
int32_t queen_file_danger[8];    // [3..7] stay 0
int32_t bishop_trapped;
int32_t bad_bishop_pawns_opening;
int32_t bad_bishop_pawns_endgame;
int32_t bad_bishop_fixed_opening;
int32_t bad_bishop_fixed_endgame;
int32_t bishop_both_wings;
int32_t fianchetto_bishop;
int32_t bishop_mobility_opening;
int32_t bishop_mobility_endgame;
// Not in the file: a pinned knight or bishop is worth 10 to the pinner, a
// rook 15, a queen 25, whatever pins it; pinned pawns and kings nothing.
int32_t pin_opening[3][8] = {{0, 0, 10, 0, 0, 15, 10, 25}, {0, 0, 10, 0, 0, 15, 10, 25}, {0, 0, 10, 0, 0, 15, 10, 25}};
int32_t pin_endgame[3][8] = {{0, 0, 10, 0, 0, 15, 10, 25}, {0, 0, 10, 0, 0, 15, 10, 25}, {0, 0, 10, 0, 0, 15, 10, 25}};
int32_t trap_scale[64];
int32_t knight_trap[37];
int32_t bishop_trap[57];

int32_t won_pawn_base;
int32_t bare_king_bonus;
int32_t mate_drive_base;
int32_t mate_drive_extra;
int32_t mate_drive_no_heavy;
int32_t mate_drive_distance;
int32_t kbn_bonus;
int32_t kbn_corner;
int32_t knight_wings;
int32_t rook_pawn_count_weight;
int32_t rook_pawn_rank_weight;
int32_t rook_pawns_base;
int32_t rook_king_file_bonus;
int32_t rook_two_holding;
int32_t rook_three_holding;
int32_t rook_single_pawn;
int32_t rook_vs_held_pawns;
int32_t rook_vs_free_pawns;
int32_t scale_bishop_breakthrough;
int32_t scale_bishop_guarded;
int32_t scale_bishop_blocked;
int32_t scale_breakthrough;
int32_t scale_pawn_guarded;
int32_t scale_blocked;
int32_t scale_king_in_front;

int32_t passed_rank_table[14][8];  // rows 6 and 7 stay 0
int32_t evaluation_parameters[EVALUATION_PARAMETER_COUNT];

namespace {

// Filled from the file but read by no term (count tables A-D by count, two
// tables of twelve squares): kept so that the file layout stays complete.
int32_t count_table_a[15], count_table_b[15], count_table_c[15], count_table_d[28];
int32_t square_table_a[64], square_table_b[64];

// ---- built-in contents of evaluation_parameters ----
constexpr std::array<int32_t, EVALUATION_PARAMETER_COUNT> BuiltInParameters() {
  std::array<int32_t, EVALUATION_PARAMETER_COUNT> p{};
  auto put = [&p](int first, std::initializer_list<int32_t> values) {
    for (int32_t v : values) p[first++] = v;
  };
  // Knight and king half-board tables, by relative rank.
  put(KNIGHT_OPENING_AH, {-38, -23, -20, -10, -5, -4, -11, -76});
  put(KNIGHT_OPENING_BG, {-42, -35, -10, -1, 3, 6, -8, -28});
  put(KNIGHT_OPENING_CF, {-30, -15, 1, 10, 15, 17, 0, -13});
  put(KNIGHT_OPENING_DE, {-25, -10, 6, 7, 20, 25, 7, -16});
  put(KNIGHT_ENDGAME_AH, {-39, -27, -20, -16, -21, -20, -30, -40});
  put(KNIGHT_ENDGAME_BG, {-30, -20, -10, -5, -5, -10, -20, -30});
  put(KNIGHT_ENDGAME_CF, {-20, -10, 0, 5, 5, 0, -10, -20});
  put(KNIGHT_ENDGAME_DE, {-15, -5, 5, 10, 10, 5, -5, -15});
  put(KING_OPENING_AH, {10, 9, -1, -6, -9, -20, -16, -15});
  put(KING_OPENING_BG, {19, 11, 0, -5, -10, -13, -24, -21});
  put(KING_OPENING_CF, {10, 9, -7, -7, -15, -14, -23, -42});
  put(KING_OPENING_DE, {-1, -2, -10, -15, -12, -21, -48, -34});
  put(KING_ENDGAME_AH, {-76, -48, -36, -24, -23, -38, -48, -72});
  put(KING_ENDGAME_BG, {-48, -24, -12, -1, 0, -12, -22, -48});
  put(KING_ENDGAME_CF, {-36, -14, 0, 12, 12, 0, -12, -42});
  put(KING_ENDGAME_DE, {-30, -2, 12, 24, 24, 11, 0, -24});
  // Chained pawns, 3rd..7th rank (indices 5..7 unused).
  put(CHAINED_PAWN_AH, {-2, 1, 7, 6, 13});
  put(CHAINED_PAWN_BG, {5, -1, 7, 32, 4});
  put(CHAINED_PAWN_CF, {2, 2, 6, 19, 49});
  put(CHAINED_PAWN_DE, {3, 6, 9, 16, 49});
  // King support of passed pawns.
  put(SUPPORTED_PASSED, {0, 6, 6, 23, 28, 48, 73, 0});
  put(SUPPORTED_OPPONENT_PIECES_COEFF, {16, 16, 16, 48, 48, 32, 16, 16, 12, 8, 4, 2, 2, 1});
  put(SUPPORTED_KING_HOR_COEFF, {1, 8, 12, 16, 8, 4, 2, 1, 0});
  put(SUPPORTED_KING_DIST_DIFF_COEFF, {1, 1, 1, 1, 1, 1, 2, 4, 12, 16, 24, 28, 32, 32, 32});
  // Pawn structure.
  put(CANDIDATE_OPENING_BASE, {5, 55, 10, 110});
  put(BLOCKED_PAWN_BONUS, {0, 0, 0, 0, 0, 16, 24, 0});
  put(DOUBLED_OPENING, {10, 10, 10, 12, 12, 10, 10, 10});
  put(DOUBLED_ENDGAME, {18, 18, 18, 20, 20, 18, 18, 18});
  put(ISOLATED_ENDGAME, {18, 19, 20, 22, 22, 20, 19, 18});
  put(ISOLATED_CLOSED_OPENING, {8, 9, 10, 12, 12, 10, 9, 8});
  put(ISOLATED_FREE_OPENING, {18, 19, 20, 22, 22, 20, 19, 18});
  put(BACKWARD_CLOSED_OPENING, {6, 7, 8, 10, 10, 8, 7, 6});
  put(BACKWARD_ENDGAME, {8, 9, 10, 12, 12, 10, 9, 8});
  put(BACKWARD_FREE_OPENING, {12, 14, 16, 18, 18, 16, 14, 12});
  put(PAWN_RANK_WEIGHT, {0, 0, 0, 26, 77, 154, 256, 0});
  put(PAWN_FRONT_WIDTH, {6});
  put(SHELTER_OPEN_FILES, {0, 8, 13, 16});
  put(SHELTER_MISSING_FILES, {0, 3, 7, 9});
  put(SHELTER_DEFECTS, {0, 1, 2, 3, 4, 5, 6, 7});
  // King shelter.
  put(SHELTER_QUEEN_MOVED, {12, 6, 8, 3, 128});
  // Passed pawns.
  put(PASSED_OPENING_FULL, {90, 80, 75, 75, 75, 75, 80, 90});
  put(PASSED_OPENING_ZERO, {13, 12, 11, 11, 11, 11, 12, 13});
  put(PASSED_ENDGAME_ZERO, {18, 19, 20, 21, 21, 20, 19, 18});
  put(PASSED_ENDGAME_FULL, {126, 133, 140, 147, 147, 140, 133, 126});
  put(PASSED_OWN_KING_DISTANCE, {5, 20, 60, 15, 80, 550, 500});
  return p;
}
constexpr std::array<int32_t, EVALUATION_PARAMETER_COUNT> kBuiltInParameters = BuiltInParameters();

// ---- compiled-in king-safety tables, and the fixed ones of every load ----
constexpr std::array<int32_t, 128> CompiledInKingDanger() {
  std::array<int32_t, 128> t{};
  constexpr int32_t tail[] = {17, 19, 21, 23, 26,  29,  32,  35,  39,  43,  47,  51,  56,  61,  66,  71,
                              77, 83, 89, 95, 102, 109, 117, 125, 134, 144, 155, 167, 179, 191, 203, 215};
  int i = 0;
  for (; i < 16; i++) t[i] = i;
  for (int32_t v : tail) t[i++] = v;
  for (int32_t v = 225; v <= 345; v += 10) t[i++] = v;
  for (int32_t v : {350, 354, 357, 359}) t[i++] = v;
  for (int32_t v = 360; v <= 379; v++) t[i++] = v;
  while (i < 128) t[i++] = 380;
  return t;
}
constexpr std::array<int32_t, 128> LoadedKingDanger() {
  std::array<int32_t, 128> t{};
  constexpr int32_t head[] = {0,   2,   4,   6,   8,   10,  12,  15,  18,  21,  25,  29,  33,  38,  44,  50,  56,
                              63,  71,  80,  89,  99,  110, 122, 135, 148, 163, 179, 196, 213, 232, 252, 274, 297,
                              320, 346, 372, 400, 430, 461, 494, 528, 563, 601, 640, 681, 723, 768, 814, 862, 912};
  int i = 0;
  for (int32_t v : head) t[i++] = v;
  while (i < 128) t[i++] = 964;
  return t;
}
constexpr std::array<int32_t, 17> StartUpAttackerCount() {
  std::array<int32_t, 17> t{0, 64, 192, 256, 288, 304, 312};
  for (int i = 7; i < 17; i++) t[i] = 320;
  return t;
}
constexpr std::array<int32_t, 17> LoadedAttackerCount() {
  std::array<int32_t, 17> t{0, 303, 603, 904, 1204};
  for (int i = 5; i < 17; i++) t[i] = 1504;
  return t;
}
constexpr std::array<int32_t, 64> CompiledInShelterFactor() {
  std::array<int32_t, 64> t{};
  for (int i = 0; i < 64; i++) t[i] = i < 24 ? 8 + i : 32;
  return t;
}
constexpr std::array<int32_t, 64> LoadedShelterFactor() {
  std::array<int32_t, 64> t{8, 9, 10, 11, 13, 14, 15, 16, 18, 19, 20, 21, 23, 24, 25, 26};
  for (int i = 16; i < 64; i++) t[i] = 28;
  return t;
}

template <size_t N>
void CopyTable(int32_t* destination, const std::array<int32_t, N>& source) {
  std::copy(source.begin(), source.end(), destination);
}

// No value of the file needs more; clamping keeps every product and sum the
// evaluation forms from it far inside 32 bits.
constexpr int32_t VALUE_LIMIT = 32767;
int32_t ClampValue(long long v) { return int32_t(std::clamp<long long>(v, -VALUE_LIMIT, VALUE_LIMIT)); }

// ---- the registry ----
struct ValueTarget {
  int32_t* first;
  int16_t count;  // entries from first that take the value
};

struct ValuePosition {
  int32_t default_value = 0;
  ValueTarget targets[4] = {};
  int8_t target_count = 0;
  bool ignored = false;
  int16_t imbalance_index = -1;  // into the scratch imbalance table
  void (*expand)() = nullptr;    // rebuilds a table made from several positions
};

// The values last stored at each position: the expansions that combine
// several positions read them here.
int32_t stored_values[VALUES_FILE_COUNT];

constexpr int QUEEN_REACH_FIRST = 3245, KNIGHT_TRAP_FIRST = 3250, BISHOP_TRAP_FIRST = 3252;

// Cumulative: [0] = 0, each further entry adds the increment of its step
// (the last increment repeats); saturating, like every table built here.
void ExpandQueenReach() {
  queen_reach_table[0] = 0;
  for (int k = 1; k < 32; k++) {
    const int32_t step = stored_values[QUEEN_REACH_FIRST + std::min(k, 5) - 1];
    queen_reach_table[k] = ClampValue((long long)queen_reach_table[k - 1] + step);
  }
}

// Geometric: [0] = the start, [k + 1] = ([k] * ratio) >> 8.
void ExpandGeometric(int32_t* table, int size, int first) {
  const long long ratio = stored_values[first + 1];
  table[0] = stored_values[first];
  for (int k = 0; k + 1 < size; k++) table[k + 1] = ClampValue((table[k] * ratio) >> 8);
}
void ExpandKnightTrap() { ExpandGeometric(knight_trap, 37, KNIGHT_TRAP_FIRST); }
void ExpandBishopTrap() { ExpandGeometric(bishop_trap, 57, BISHOP_TRAP_FIRST); }

// The registry under construction: the positions and the next one expected.
struct RegistryBuilder {
  ValuePosition* positions;
  int next = 0;
};

[[noreturn]] void FailRegistry(int position, const char* what) {
  std::printf("values.txt registry out of order at position %d (%s)\n", position, what);
  std::abort();
}
ValuePosition& NextPosition(RegistryBuilder& r, int position, const char* name, int32_t default_value) {
  if (position != r.next || position >= VALUES_FILE_COUNT) FailRegistry(position, name);
  r.next++;
  ValuePosition& p = r.positions[position];
  p.default_value = default_value;
  return p;
}
void AddTarget(ValuePosition& p, int32_t* first, int16_t count) {
  if (p.target_count == 4) std::abort();
  p.targets[p.target_count++] = {first, count};
}

// Ignored positions are read into a throw-away value.
void RegisterIgnore(RegistryBuilder& r, int first, int count) {
  for (int i = 0; i < count; i++) NextPosition(r, first + i, "ignored", 0).ignored = true;
}
// Consecutive entries of a table, one position each.
void RegisterCells(RegistryBuilder& r, int first, const char* name, int32_t* table,
                   std::initializer_list<int32_t> defaults) {
  int i = 0;
  for (int32_t v : defaults) {
    AddTarget(NextPosition(r, first + i, name, v), table + i, 1);
    i++;
  }
}
void RegisterCell(RegistryBuilder& r, int first, const char* name, int32_t* destination, int32_t default_value) {
  RegisterCells(r, first, name, destination, {default_value});
}
// One position fills count entries.
void RegisterFilled(RegistryBuilder& r, int first, const char* name, int32_t* from, int count, int32_t default_value) {
  AddTarget(NextPosition(r, first, name, default_value), from, int16_t(count));
}
// Four positions for files a/h, b/g, c/f, d/e of an 8-entry table.
void RegisterMirrored(RegistryBuilder& r, int first, const char* name, int32_t* table,
                      std::initializer_list<int32_t> defaults) {
  int f = 0;
  for (int32_t v : defaults) {
    ValuePosition& p = NextPosition(r, first + f, name, v);
    AddTarget(p, table + f, 1);
    AddTarget(p, table + 7 - f, 1);
    f++;
  }
}
// Entries of evaluation_parameters, with their built-in values.
void RegisterParameters(RegistryBuilder& r, int first, const char* name, int index, int count) {
  for (int i = 0; i < count; i++)
    AddTarget(NextPosition(r, first + i, name, kBuiltInParameters[index + i]), &evaluation_parameters[index + i], 1);
}
void RegisterMirroredParameters(RegistryBuilder& r, int first, const char* name, int index) {
  RegisterMirrored(r, first, name, &evaluation_parameters[index],
                   {kBuiltInParameters[index], kBuiltInParameters[index + 1], kBuiltInParameters[index + 2],
                    kBuiltInParameters[index + 3]});
}
// A 64-square table from a 4x4 quadrant (a1-d4 rank by rank) mirrored
// onto the other three.
void RegisterCentre(RegistryBuilder& r, int first, const char* name, int32_t* table, int32_t default_value) {
  for (int i = 0; i < 16; i++) {
    const int file = i & 3, rank = i >> 2;
    ValuePosition& p = NextPosition(r, first + i, name, default_value);
    for (int square : {rank * 8 + file, rank * 8 + 7 - file, (7 - rank) * 8 + file, (7 - rank) * 8 + 7 - file})
      AddTarget(p, table + square, 1);
  }
}
// Named squares of a 64-square table, one position each.
void RegisterSquares(RegistryBuilder& r, int first, const char* name, int32_t* table,
                     std::initializer_list<const char*> squares) {
  int i = 0;
  for (const char* s : squares)
    AddTarget(NextPosition(r, first + i++, name, 0), table + (s[0] - 'a') + 8 * (s[1] - '1'), 1);
}
// Positions that only feed an expansion over several of them.
void RegisterExpanded(RegistryBuilder& r, int first, const char* name, void (*expand)(),
                      std::initializer_list<int32_t> defaults) {
  int i = 0;
  for (int32_t v : defaults) NextPosition(r, first + i++, name, v).expand = expand;
}
// The imbalance table, nested from the outermost: Qw, Qb, Rw, Rb, Bw, Bb,
// Nw, Nb; stored at ImbalanceSlot of the counts.
void RegisterImbalance(RegistryBuilder& r, int first) {
  int position = first;
  for (int qw = 0; qw < 2; qw++)
    for (int qb = 0; qb < 2; qb++)
      for (int rw = 0; rw < 3; rw++)
        for (int rb = 0; rb < 3; rb++)
          for (int bw = 0; bw < 3; bw++)
            for (int bb = 0; bb < 3; bb++)
              for (int nw = 0; nw < 3; nw++)
                for (int nb = 0; nb < 3; nb++)
                  NextPosition(r, position++, "imbalance_table", 0).imbalance_index =
                      int16_t(ImbalanceSlot(qw, rw, bw, nw, qb, rb, bb, nb));
}
// A second destination for a position already placed.
void RegisterAlso(RegistryBuilder& r, int position, int32_t* destination) {
  AddTarget(r.positions[position], destination, 1);
}

void RegisterFinish(const RegistryBuilder& r) {
  if (r.next != VALUES_FILE_COUNT) FailRegistry(r.next, "the registry ends early");
}

void BuildRegistry(ValuePosition* positions) {
  RegistryBuilder r{positions};

  // Material: corrections on top of the fixed piece values, all 0.
  RegisterCells(r, 0, "pawn_value_opening", pawn_value_opening, {0, 0, 0, 0});
  RegisterCells(r, 4, "pawn_value_endgame", pawn_value_endgame, {0, 0, 0, 0});
  RegisterIgnore(r, 8, 6);
  RegisterCells(r, 14, "imbalance_bonus", imbalance_bonus, {0, 0, 0, 0, 0, 0});
  RegisterCells(r, 20, "imbalance_endgame_weight", imbalance_endgame_weight, {0, 0, 0, 0, 0, 0});
  int position = 26;
  for (int piece : {PAWN, ROOK, KNIGHT, BISHOP, QUEEN}) {
    RegisterCell(r, position++, "piece_value_opening", &piece_value_opening[piece], 0);
    RegisterCell(r, position++, "piece_value_endgame", &piece_value_endgame[piece], 0);
  }
  RegisterImbalance(r, 36);

  // Pawn structure and passed pawns.
  RegisterParameters(r, 2952, "candidate", CANDIDATE_OPENING_BASE, 4);
  RegisterMirroredParameters(r, 2956, "passed_opening_full", PASSED_OPENING_FULL);
  RegisterMirroredParameters(r, 2960, "passed_opening_zero", PASSED_OPENING_ZERO);
  RegisterMirroredParameters(r, 2964, "passed_endgame_zero", PASSED_ENDGAME_ZERO);
  RegisterMirroredParameters(r, 2968, "passed_endgame_full", PASSED_ENDGAME_FULL);

  // Direct parameters.
  RegisterParameters(r, 2972, "passed_vs_knight", PASSED_VS_KNIGHT, 1);
  RegisterParameters(r, 2973, "passed_extra_vs_pawns", PASSED_EXTRA_VS_PAWNS, 1);
  RegisterParameters(r, 2974, "shelter_knight_file", SHELTER_KNIGHT_FILE, 1);  // four shelter weights, last first
  RegisterParameters(r, 2975, "shelter_middle_file", SHELTER_MIDDLE_FILE, 1);
  RegisterParameters(r, 2976, "shelter_outer_file", SHELTER_OUTER_FILE, 1);
  RegisterParameters(r, 2977, "shelter_queen_moved", SHELTER_QUEEN_MOVED, 1);
  RegisterCell(r, 2978, "bishop_both_wings", &bishop_both_wings, 25);
  RegisterCell(r, 2979, "fianchetto_bishop", &fianchetto_bishop, 10);
  RegisterCell(r, 2980, "king_outside_pawns", &king_outside_pawns, 150);
  RegisterIgnore(r, 2981, 1);
  RegisterCell(r, 2982, "rook_eighth_rank", &rook_eighth_rank, 20);
  RegisterCell(r, 2983, "queen_eighth_rank", &queen_eighth_rank, 30);
  RegisterCell(r, 2984, "rook_half_open_file", &rook_half_open_file, 5);
  RegisterCell(r, 2985, "rook_seventh_rank", &rook_seventh_rank, 30);
  RegisterCell(r, 2986, "rook_seventh_passer", &rook_seventh_passer, 20);
  RegisterCell(r, 2987, "queen_seventh_doubled", &queen_seventh_doubled, 10);
  RegisterCell(r, 2988, "king_no_luft", &king_no_luft, 12);
  RegisterIgnore(r, 2989, 1);
  RegisterCell(r, 2990, "rook_seventh_doubled", &rook_seventh_doubled, 24);
  RegisterCell(r, 2991, "bare_king_bonus", &bare_king_bonus, 100);
  RegisterCell(r, 2992, "mate_drive_base", &mate_drive_base, 100);
  RegisterCell(r, 2993, "kbn_corner", &kbn_corner, 20);  // the only pull toward the right corner: keep it above 0
  RegisterCell(r, 2994, "kbn_bonus", &kbn_bonus, 100);
  RegisterCell(r, 2995, "mate_drive_distance", &mate_drive_distance, 10);
  RegisterCell(r, 2996, "bad_bishop_pawns_opening", &bad_bishop_pawns_opening, 2);
  RegisterCell(r, 2997, "bad_bishop_pawns_endgame", &bad_bishop_pawns_endgame, 4);
  RegisterCell(r, 2998, "bad_bishop_fixed_opening", &bad_bishop_fixed_opening, 4);
  RegisterCell(r, 2999, "bad_bishop_fixed_endgame", &bad_bishop_fixed_endgame, 6);
  RegisterCell(r, 3000, "knight_blocked_pawns", &knight_blocked_pawns, 3);
  RegisterCell(r, 3001, "bishop_trapped", &bishop_trapped, 180);
  RegisterIgnore(r, 3002, 3);
  RegisterCell(r, 3005, "king_traps_rook", &king_traps_rook, 30);
  RegisterCell(r, 3006, "rook_boxed_in", &rook_boxed_in, 20);
  RegisterIgnore(r, 3007, 4);
  RegisterCell(r, 3011, "knight_wings", &knight_wings, 10);
  RegisterCell(r, 3012, "rook_on_target_file", &rook_on_target_file, 7);
  RegisterCell(r, 3013, "rook_no_open_file_access", &rook_no_open_file_access, 12);
  RegisterCell(r, 3014, "mate_drive_extra", &mate_drive_extra, 0);
  RegisterCell(r, 3015, "mate_drive_no_heavy", &mate_drive_no_heavy, 50);
  RegisterCell(r, 3016, "queen_knight_bonus", &queen_knight_bonus, 10);
  RegisterCell(r, 3017, "rook_bishop_bonus", &rook_bishop_bonus, 10);
  RegisterCells(r, 3018, "shelter_gap_bonus", shelter_gap_bonus, {0, 0, 0, 5, 25, 30, 35, 40});
  RegisterParameters(r, 3026, "shelter_open_files", SHELTER_OPEN_FILES, 4);
  RegisterParameters(r, 3030, "shelter_missing_files", SHELTER_MISSING_FILES, 4);
  RegisterParameters(r, 3034, "shelter_defects", SHELTER_DEFECTS, 8);
  RegisterParameters(r, 3042, "passed_own_king_distance", PASSED_OWN_KING_DISTANCE, 1);
  RegisterParameters(r, 3043, "race_won_by_two", RACE_WON_BY_TWO, 1);
  RegisterAlso(r, 3043, &won_pawn_base);
  RegisterParameters(r, 3044, "passed_enemy_king_distance", PASSED_ENEMY_KING_DISTANCE, 1);
  RegisterParameters(r, 3045, "passed_safe_advance", PASSED_SAFE_ADVANCE, 1);
  RegisterParameters(r, 3046, "race_won_by_one", RACE_WON_BY_ONE, 1);

  // Count tables: [1], [2], then the rest filled; [0] stays 0.
  RegisterCells(r, 3047, "count_table_a", &count_table_a[1], {0, 0});
  RegisterFilled(r, 3049, "count_table_a", &count_table_a[3], 12, 0);
  RegisterCells(r, 3050, "count_table_b", &count_table_b[1], {0, 0});
  RegisterFilled(r, 3052, "count_table_b", &count_table_b[3], 12, 0);
  RegisterCells(r, 3053, "count_table_c", &count_table_c[1], {0, 0});
  RegisterFilled(r, 3055, "count_table_c", &count_table_c[3], 12, 0);
  RegisterCells(r, 3056, "count_table_d", &count_table_d[1], {0, 0});
  RegisterFilled(r, 3058, "count_table_d", &count_table_d[3], 25, 0);
  RegisterCells(r, 3059, "rook_file_danger", rook_file_danger, {2, 2, 1});
  RegisterMirrored(r, 3062, "rook_open_file", rook_open_file, {16, 18, 20, 22});
  RegisterCells(r, 3066, "queen_king_distance", queen_king_distance, {2, 2, 2, 1, 1});
  RegisterCells(r, 3071, "queen_file_danger", queen_file_danger, {2, 2, 1});
  RegisterMirroredParameters(r, 3074, "doubled_opening", DOUBLED_OPENING);
  RegisterMirroredParameters(r, 3078, "doubled_endgame", DOUBLED_ENDGAME);
  RegisterMirroredParameters(r, 3082, "isolated_endgame", ISOLATED_ENDGAME);
  RegisterMirroredParameters(r, 3086, "isolated_closed_opening", ISOLATED_CLOSED_OPENING);
  RegisterMirroredParameters(r, 3090, "isolated_free_opening", ISOLATED_FREE_OPENING);
  RegisterMirroredParameters(r, 3094, "backward_closed_opening", BACKWARD_CLOSED_OPENING);
  RegisterMirroredParameters(r, 3098, "backward_endgame", BACKWARD_ENDGAME);
  RegisterMirroredParameters(r, 3102, "backward_free_opening", BACKWARD_FREE_OPENING);
  RegisterCell(r, 3106, "bishop_mobility_opening", &bishop_mobility_opening, 3);
  RegisterCell(r, 3107, "bishop_mobility_endgame", &bishop_mobility_endgame, 3);
  RegisterCell(r, 3108, "rook_mobility_opening", &rook_mobility_opening, 2);
  RegisterCell(r, 3109, "rook_mobility_endgame", &rook_mobility_endgame, 4);
  RegisterCell(r, 3110, "queen_mobility_opening", &queen_mobility_opening, 1);
  RegisterCell(r, 3111, "queen_mobility_endgame", &queen_mobility_endgame, 2);
  RegisterParameters(r, 3112, "shelter_no_queen_scale", SHELTER_NO_QUEEN_SCALE, 1);
  // Bishop pair by the opponent's pawns: worth more on an open board.
  RegisterFilled(r, 3113, "bishop_pair_table", &bishop_pair_table[0], 5, 50);
  RegisterCells(r, 3114, "bishop_pair_table", &bishop_pair_table[5], {45, 40, 35, 30});
  RegisterParameters(r, 3118, "pawn_rank_weight", PAWN_RANK_WEIGHT + 3, 4);
  RegisterParameters(r, 3122, "blocked_pawn_bonus", BLOCKED_PAWN_BONUS + 5, 2);
  RegisterSquares(r, 3124, "square_table_a", square_table_a,
                  {"d7", "f7", "c7", "h7", "d6", "c6", "g6", "h6", "d8", "f8", "c8", "g8"});
  RegisterSquares(r, 3136, "square_table_b", square_table_b,
                  {"d7", "f7", "c7", "h7", "d6", "c6", "g6", "h6", "d8", "f8", "c8", "g8"});

  // Score scaling, out of 256; the blocked-centre penalty and the extra-pawn
  // factors sit inside the run and are kept in scale_factor too, so that it
  // mirrors the run one to one.
  for (int p = SCALE_FIRST; p <= SCALE_LAST; p++) {
    int32_t* slot = &scale_factor[p - SCALE_FIRST];
    if (p == BLOCKED_CENTRE_POSITION) {
      RegisterCell(r, p, "blocked_centre_pawn", &blocked_centre_pawn, 25);
    } else if (p >= EXTRA_PAWN_FIRST && p <= EXTRA_PAWN_LAST) {
      // Damping of a balanced ending with an extra pawn that is not passed:
      // mild when the pawn breaks through, strong when it is blocked.
      static int32_t* const extra_pawn[] = {&scale_bishop_breakthrough, &scale_bishop_guarded, &scale_bishop_blocked,
                                            &scale_breakthrough,        &scale_pawn_guarded,   &scale_blocked,
                                            &scale_king_in_front};
      static const int32_t extra_pawn_defaults[] = {192, 96, 64, 224, 128, 96, 128};
      const int k = p - EXTRA_PAWN_FIRST;
      RegisterCell(r, p, "extra_pawn_scale", extra_pawn[k], extra_pawn_defaults[k]);
    } else {
      RegisterCell(r, p, "scale_factor", slot, 128);
      continue;
    }
    RegisterAlso(r, p, slot);
  }

  // Rook against pawns (final scores and terms from the rook side's view).
  RegisterCell(r, 3190, "rook_pawn_count_weight", &rook_pawn_count_weight, 12800);  // 50 per pawn, of 256
  RegisterCell(r, 3191, "rook_pawn_rank_weight", &rook_pawn_rank_weight, 5120);     // 20 per rank, of 256
  RegisterCell(r, 3192, "rook_pawns_base", &rook_pawns_base, 150);
  RegisterCell(r, 3193, "rook_king_file_bonus", &rook_king_file_bonus, 50);
  RegisterCell(r, 3194, "rook_two_holding", &rook_two_holding, 100);
  RegisterCell(r, 3195, "rook_three_holding", &rook_three_holding, 200);
  RegisterCell(r, 3196, "rook_single_pawn", &rook_single_pawn, 100);
  RegisterCell(r, 3197, "rook_vs_held_pawns", &rook_vs_held_pawns, 50);
  RegisterCell(r, 3198, "rook_vs_free_pawns", &rook_vs_free_pawns, 20);
  RegisterCell(r, 3199, "endgame_threshold", &endgame_threshold, 9);
  RegisterCell(r, 3200, "endgame_threshold_no_queen", &endgame_threshold_no_queen, 14);
  RegisterCells(r, 3201, "lone_minor_table", lone_minor_table, {0, 0, 0, 0});
  RegisterFilled(r, 3205, "lone_minor_table", &lone_minor_table[4], 5, 0);
  RegisterCells(r, 3206, "rook_vs_minors_passers", &rook_vs_minors_passers[1], {5, 10, 15});
  RegisterFilled(r, 3209, "rook_vs_minors_passers", &rook_vs_minors_passers[4], 5, 20);
  // Rook behind a passed pawn, by the pawn's rank from the 7th down.
  const int32_t own_rook[] = {21, 20, 19, 17, 15, 13}, enemy_rook[] = {14, 14, 14, 13, 12, 11};
  for (int row = 0; row < 6; row++)
    RegisterFilled(r, 3210 + row, "own_rook_behind", passed_rank_table[row], 8, own_rook[row]);
  for (int row = 0; row < 6; row++)
    RegisterFilled(r, 3216 + row, "enemy_rook_behind", passed_rank_table[8 + row], 8, enemy_rook[row]);
  RegisterIgnore(r, 3222, 9);
  RegisterCells(r, 3231, "rook_value_by_pawns", rook_value_by_pawns, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  RegisterFilled(r, 3244, "rook_value_by_pawns", &rook_value_by_pawns[13], 4, 0);
  // Safe queen checks: the first squares count most.
  RegisterExpanded(r, 3245, "queen_reach_table", ExpandQueenReach, {10, 8, 6, 4, 2});
  // Trapped pieces: 100 for no safe square, shrinking with each one.
  RegisterExpanded(r, 3250, "knight_trap", ExpandKnightTrap, {100, 200});
  RegisterExpanded(r, 3252, "bishop_trap", ExpandBishopTrap, {100, 210});
  RegisterIgnore(r, 3254, 10);
  RegisterCentre(r, 3264, "trap_scale", trap_scale, 64);  // 64 = full weight (>> 6)
  RegisterFinish(r);
}

const ValuePosition* Registry() {
  static ValuePosition positions[VALUES_FILE_COUNT];
  static const bool built = (BuildRegistry(positions), true);
  (void)built;
  return positions;
}

// Puts a value at a position: its destinations, the imbalance scratch
// table when given, and the expansions that read it.
void StoreValue(int position, int32_t value, int32_t* imbalance_table) {
  const ValuePosition& p = Registry()[position];
  stored_values[position] = value;
  for (int t = 0; t < p.target_count; t++) std::fill_n(p.targets[t].first, p.targets[t].count, value);
  if (p.imbalance_index >= 0 && imbalance_table) imbalance_table[p.imbalance_index] = value;
  if (p.expand) p.expand();
}

// Compiled-in state of everything but the material table.
void ApplyCompiledInValues() {
  CopyTable(evaluation_parameters, kBuiltInParameters);
  for (int position = 0; position < VALUES_FILE_COUNT; position++)
    StoreValue(position, Registry()[position].default_value, nullptr);
  CopyTable(king_danger_table, CompiledInKingDanger());
  CopyTable(attacker_count_table, StartUpAttackerCount());
  CopyTable(shelter_factor_table, CompiledInShelterFactor());
}

// Before main: every global holds its compiled-in value from the start.
const bool compiled_in_values_applied = (ApplyCompiledInValues(), true);

// ---- the fixed corrections of every load ----
struct Correction {
  const char* signature;
  int32_t value;
};

constexpr Correction imbalance_corrections[] = {
    {"KQN v KQ", 4},           {"KQN v KQB", -1},       {"KQ v KQN", -4},
    {"KQ v KR", -13},          {"KR v KQ", 13},         {"KBN v KR", 3},
    {"KBN v KNN", -3},         {"KR v KBN", -3},        {"KQRN v KQR", 10},
    {"KQR v KQRN", -10},       {"KQR v KQRB", -14},     {"KQR v KQB", 1},
    {"KQRB v KQR", 14},        {"KQB v KQN", 1},        {"KQRBB v KQRRN", -42},
    {"KQRRN v KQRBB", 42},     {"KNN v KBN", 3},        {"KQB v KQR", -1},
    {"KQ v KRB", -46},         {"KRB v KQ", 46},        {"KQRR v KQRRB", -9},
    {"KQRRB v KQRR", 9},       {"KQRRB v KQRBN", 2},    {"KQRRB v KQRBB", 10},
    {"KQRRB v KQRRBN", -7},    {"KQRBN v KQRRB", -2},   {"KQRBB v KQRRB", -10},
    {"KQRRBN v KQRRB", 7},     {"KQRRBN v KQRBBN", 2},  {"KQRRBN v KQRRBBN", -6},
    {"KQRBBN v KQRRBN", -2},   {"KQRRBBN v KQRRBN", 6}, {"KQRRBBN v KQRRBBNN", -8},
    {"KQRRBBNN v KQRRBBN", 8},
};

// Value of each extra pawn by the piece configuration. Only the entries
// that matter most are kept; the rest stay 0.
constexpr Correction extra_white_pawn_values[] = {
    {"K v K", 108},    {"KN v KN", 34},  {"KN v KB", 30},  {"KB v KN", 30}, {"KB v KB", 36},
    {"KBN v KBN", 28}, {"KQ v KR", -13}, {"KR v KQ", -13}, {"KN v K", -1},
};
constexpr Correction extra_black_pawn_values[] = {
    {"K v K", 108},    {"KN v KN", 34},  {"KN v KB", 30},  {"KB v KN", 30}, {"KB v KB", 36},
    {"KBN v KBN", 28}, {"KQ v KR", -13}, {"KR v KQ", -13}, {"K v KN", -1},
};

constexpr Correction material_bonus_corrections[] = {
    {"KR v KR+1P", 25},
    {"KR+1P v KR", -25},
    {"KR+1P v KR+2P", 3},
    {"KR+2P v KR+1P", -3},
    {"K+3P v K+2P", 12},
    {"K+2P v K+3P", -12},
    {"KRR+3P v KRR+4P", 5},
    {"KRR+4P v KRR+3P", -5},
    {"KR+4P v KR+5P", 23},
    {"KR+5P v KR+4P", -23},
    {"KQRRBN+6P v KQRRBB+5P", 2},
    {"KQRRBB+5P v KQRRBN+6P", -2},
    {"KQRRBNN+6P v KQRRBBN+5P", 1},
    {"KQRRBBN+5P v KQRRBNN+6P", -1},
    {"KQRRBBNN+8P v KQRRBBNN+7P", 1},
    {"KQRRBBNN+7P v KQRRBBNN+8P", -1},
};

// Time factors (set, not added); every other configuration keeps 256.
constexpr Correction time_factor_values[] = {
    {"KQRRBBNN+8P v KQRRBBNN+8P", 340},
    {"KQRRBBNN+7P v KQRRBBNN+7P", 335},
    {"KQRRBBNN+7P v KQRRBBNN+8P", 391},
    {"KQRRBBNN+8P v KQRRBBNN+7P", 391},
    {"KQRRBBN+7P v KQRRBBN+7P", 325},
    {"K+3P v K+3P", 236},
    {"KQ+3P v KQ+3P", 94},
    {"KR v KR+1P", 117},
    {"KR+1P v KR", 117},
    {"KR+1P v KR+1P", 74},
    {"KR+2P v KR+2P", 126},
    {"KR+3P v KR+3P", 143},
    {"KR+4P v KR+4P", 172},
    {"KR+5P v KR+5P", 191},
    {"KRB+2P v KRB+2P", 107},
};

// A malformed entry is a programming error that every load would repeat.
template <size_t N>
void ApplyCorrections(const Correction (&corrections)[N], int32_t* table, bool full_index, bool add) {
  for (const Correction& c : corrections) {
    MaterialSignature s;
    const int index =
        ParseMaterialSignature(c.signature, &s) ? (full_index ? MaterialBonusIndex(s) : ImbalanceIndex(s)) : -1;
    if (index < 0) {
      std::printf("bad material signature \"%s\"\n", c.signature);
      std::abort();
    }
    table[index] = add ? table[index] + c.value : c.value;
  }
}

// Reads the next token as a number the way "%d" would: leading white space
// skipped, an optional sign and digits. Returns false at the end of the file
// or at a token that does not start with a number; *stop is set when the
// token carries junk after its digits, which ends the reading after it.
bool ReadNumber(FILE* file, int32_t* value, bool* stop) {
  int c;
  do c = std::getc(file);
  while (c != EOF && std::isspace(c));
  if (c == EOF) return false;
  std::string token;
  for (; c != EOF && !std::isspace(c); c = std::getc(file)) {
    if (token.size() >= 4096) return false;  // no number is that long
    token += char(c);
  }
  char* end = nullptr;
  const long long v = std::strtoll(token.c_str(), &end, 10);
  if (end == token.c_str()) return false;
  *value = ClampValue(v);  // strtoll saturates out-of-range texts itself
  *stop = *end != '\0';
  return true;
}

int32_t scratch_imbalance[IMBALANCE_TABLE_SIZE];
int32_t scratch_extra_white_pawn[IMBALANCE_TABLE_SIZE];
int32_t scratch_extra_black_pawn[IMBALANCE_TABLE_SIZE];
int32_t scratch_material_bonus[MATERIAL_BONUS_TABLE_SIZE];
int32_t scratch_time_factor[MATERIAL_BONUS_TABLE_SIZE];

void ClearScratchTables(int32_t* imbalance_table, int32_t* extra_white_pawn_table, int32_t* extra_black_pawn_table,
                        int32_t* material_bonus_table, int32_t* time_factor_table) {
  std::fill_n(imbalance_table, IMBALANCE_TABLE_SIZE, 0);
  std::fill_n(extra_white_pawn_table, IMBALANCE_TABLE_SIZE, 0);
  std::fill_n(extra_black_pawn_table, IMBALANCE_TABLE_SIZE, 0);
  std::fill_n(material_bonus_table, MATERIAL_BONUS_TABLE_SIZE, 0);
  std::fill_n(time_factor_table, MATERIAL_BONUS_TABLE_SIZE, 256);
}

void ApplyFixedCorrections(int32_t* imbalance_table, int32_t* extra_white_pawn_table, int32_t* extra_black_pawn_table,
                           int32_t* material_bonus_table, int32_t* time_factor_table) {
  ApplyCorrections(imbalance_corrections, imbalance_table, false, true);
  ApplyCorrections(extra_white_pawn_values, extra_white_pawn_table, false, true);
  ApplyCorrections(extra_black_pawn_values, extra_black_pawn_table, false, true);
  ApplyCorrections(material_bonus_corrections, material_bonus_table, true, true);
  ApplyCorrections(time_factor_values, time_factor_table, true, false);
}

}  // namespace

// ---- material signatures ----
int ParseMaterialSignature(const char* text, MaterialSignature* signature) {
  MaterialSignature s{};
  const char* c = text;
  for (int colour = WHITE; colour <= BLACK; colour++) {
    if (colour == BLACK) {
      if (c[0] != ' ' || c[1] != 'v' || c[2] != ' ') return 0;
      c += 3;
    }
    if (*c++ != 'K') return 0;
    static const char pieces[] = "QRBN";
    int order = 0;  // the kinds must come in the order Q, R, B, N
    for (; *c && std::strchr(pieces, *c); c++) {
      const int kind = int(std::strchr(pieces, *c) - pieces);
      if (kind < order) return 0;
      order = kind;
      s.counts[colour][kind]++;
    }
    if (*c == '+') {
      if (!std::isdigit((unsigned char)c[1]) || c[2] != 'P') return 0;
      s.counts[colour][4] = c[1] - '0';
      c += 3;
    }
  }
  if (*c != '\0') return 0;
  *signature = s;
  return 1;
}

namespace {
bool InTableRange(const MaterialSignature& s) {
  for (const auto& side : s.counts)
    if (side[0] > 1 || side[1] > 2 || side[2] > 2 || side[3] > 2 || side[4] > 8) return false;
  return true;
}
int SideDigits(const int32_t* side) { return MaterialBonusDigits(side[0], side[1], side[2], side[3], side[4]); }
}  // namespace

int ImbalanceIndex(const MaterialSignature& s) {
  if (!InTableRange(s)) return -1;
  const int32_t* w = s.counts[WHITE];
  const int32_t* b = s.counts[BLACK];
  return ImbalanceSlot(w[0], w[1], w[2], w[3], b[0], b[1], b[2], b[3]);
}

int MaterialBonusIndex(const MaterialSignature& s) {
  if (!InTableRange(s)) return -1;
  return MaterialBonusSlot(SideDigits(s.counts[WHITE]), SideDigits(s.counts[BLACK]));
}

// ---- loading ----
int ReadValuesFile(const char* path, int32_t* imbalance_table, int32_t* extra_white_pawn_table,
                   int32_t* extra_black_pawn_table, int32_t* material_bonus_table, int32_t* time_factor_table) {
  // Only a regular file, read like a missing one otherwise: a FIFO would
  // hold the start up, a device would never end.
  FILE* file = OpenRegularPath(path, "r");

  // The corrections start from 0 whether or not the file can be read (the
  // pawn values of positions 0-7 are not among them).
  const ValuePosition* registry = Registry();
  std::fill_n(piece_value_opening, 8, 0);
  std::fill_n(piece_value_endgame, 8, 0);
  for (int position = 8; position < 36; position++) StoreValue(position, 0, nullptr);
  CopyTable(attacker_count_table, StartUpAttackerCount());
  ClearScratchTables(imbalance_table, extra_white_pawn_table, extra_black_pawn_table, material_bonus_table,
                     time_factor_table);
  if (!file) {
    std::printf("Error loading values.txt\n");
    std::fflush(stdout);
    return -1;
  }

  // A short or malformed file ends the reading; every later destination
  // keeps what it had.
  int count = 0;
  bool stop = false;
  for (int position = 0; position < VALUES_FILE_COUNT && !stop; position++) {
    int32_t value;
    if (!ReadNumber(file, &value, &stop)) break;
    count++;
    if (!registry[position].ignored) StoreValue(position, value, imbalance_table);
  }
  std::fclose(file);

  ApplyFixedCorrections(imbalance_table, extra_white_pawn_table, extra_black_pawn_table, material_bonus_table,
                        time_factor_table);
  CopyTable(king_danger_table, LoadedKingDanger());
  CopyTable(attacker_count_table, LoadedAttackerCount());
  CopyTable(shelter_factor_table, LoadedShelterFactor());
  return count;
}

int LoadEvaluationParametersFrom(const char* path) {
  const int count = ReadValuesFile(path, scratch_imbalance, scratch_extra_white_pawn, scratch_extra_black_pawn,
                                   scratch_material_bonus, scratch_time_factor);
  DeriveEvaluationTables(scratch_imbalance, scratch_extra_white_pawn, scratch_extra_black_pawn, scratch_material_bonus,
                         scratch_time_factor);
  return count;
}

void LoadEvaluationParameters() { LoadEvaluationParametersFrom(VALUES_FILE_NAME); }

int32_t DefaultValueAt(int position) {
  if (position < 0 || position >= VALUES_FILE_COUNT) return 0;
  return Registry()[position].default_value;
}

int WriteDefaultValuesFile(const char* path) {
  FILE* file = std::fopen(path, "w");
  if (!file) return 0;
  for (int position = 0; position < VALUES_FILE_COUNT; position++)
    std::fprintf(file, "%d\n", int(DefaultValueAt(position)));
  const bool failed = std::ferror(file) != 0;
  return std::fclose(file) == 0 && !failed;
}

void ResetEvaluationParameters() {
  ApplyCompiledInValues();
  BuildChainedPawnTable();  // the chained-pawn parameters may have changed
  ClearScratchTables(scratch_imbalance, scratch_extra_white_pawn, scratch_extra_black_pawn, scratch_material_bonus,
                     scratch_time_factor);
  for (int position = 0; position < VALUES_FILE_COUNT; position++)
    if (Registry()[position].imbalance_index >= 0)
      scratch_imbalance[Registry()[position].imbalance_index] = DefaultValueAt(position);
  ApplyFixedCorrections(scratch_imbalance, scratch_extra_white_pawn, scratch_extra_black_pawn, scratch_material_bonus,
                        scratch_time_factor);
  DeriveEvaluationTables(scratch_imbalance, scratch_extra_white_pawn, scratch_extra_black_pawn, scratch_material_bonus,
                         scratch_time_factor);
}
