// eval/params.h: the evaluation's tunable numbers. "values.txt" (3280
// integers, identified by position) is read by LoadEvaluationParameters into
// the globals below; the derived tables are expanded from it and the material
// table is rebuilt (eval/material.h). Every global has a compiled-in value
// that holds while no file has been loaded. Written only by the loader, the
// console commands and the tuner.
#pragma once

#include <cstdint>

// ---- the parameter file ----
constexpr int VALUES_FILE_COUNT = 3280;
constexpr const char* VALUES_FILE_NAME = "values.txt";

// Reads "values.txt" from the working directory and rebuilds every derived
// table and the material table. A missing file, or anything but a regular
// file, prints "Error loading values.txt"; the parameters then keep their
// previous values.
void LoadEvaluationParameters();
// Loads from a named file (the tests use it); returns the number of values
// read, -1 when the file cannot be opened.
int LoadEvaluationParametersFrom(const char* path);
// Writes the compiled-in default of every position, one per line, in file
// order; returns 0 on failure.
int WriteDefaultValuesFile(const char* path);
// The compiled-in default of a file position.
int32_t DefaultValueAt(int position);
// Restores every parameter and derived table to its compiled-in value.
void ResetEvaluationParameters();
// The reading step of a load: fills the parameters and the five scratch
// tables (three of IMBALANCE_TABLE_SIZE, two of MATERIAL_BONUS_TABLE_SIZE,
// eval/material.h) and applies the fixed corrections; returns the number of
// values read, -1 (after printing the error line) when the file is missing.
int ReadValuesFile(const char* path, int32_t* imbalance_table, int32_t* extra_white_pawn_table,
                   int32_t* extra_black_pawn_table, int32_t* material_bonus_table, int32_t* time_factor_table);

// A material signature such as "KQN v KQ" or "KR+1P v KR": white's men, then
// black's, each K, then Q, R, B, N in this order, then "+nP".
struct MaterialSignature {
  int32_t counts[2][5];  // by colour: queens, rooks, bishops, knights, pawns
};
// Returns 1 and fills *signature for a well-formed text, else 0.
int ParseMaterialSignature(const char* text, MaterialSignature* signature);
// The scratch-table indices of a signature, -1 when a count is out of the
// tables' range (queens 0..1, rooks, bishops, knights 0..2, pawns 0..8).
int ImbalanceIndex(const MaterialSignature& signature);
int MaterialBonusIndex(const MaterialSignature& signature);
// Slot of the imbalance table for the queen, rook, bishop and knight counts of
// each side (at most 1, 2, 2, 2 each).
constexpr int ImbalanceSlot(int qw, int rw, int bw, int nw, int qb, int rb, int bb, int nb) {
  return 1458 * qw + 486 * rw + 162 * bw + 54 * nw + 27 * qb + 9 * rb + 3 * bb + nb;
}
// One side's digits of the material-bonus and time-factor tables: queens,
// rooks, bishops, knights (at most 1, 2, 2, 2) and pawns (at most 8).
constexpr int MaterialBonusDigits(int q, int r, int b, int n, int p) { return 243 * q + 81 * r + 27 * b + 9 * n + p; }
// Slot of those tables: white's digits, then black's.
constexpr int MaterialBonusSlot(int white_digits, int black_digits) { return 486 * white_digits + black_digits; }

// ---- material (positions 0-35; corrections on top of 100/300/300/500/900) ----
extern int32_t pawn_value_opening[4];
extern int32_t pawn_value_endgame[4];
extern int32_t imbalance_bonus[6];
extern int32_t imbalance_endgame_weight[6];
extern int32_t piece_value_opening[8];  // by piece code
extern int32_t piece_value_endgame[8];
extern int32_t bishop_pair_table[9];     // by the opponent's pawns
extern int32_t lone_minor_table[9];      // by the minor's own pawns
extern int32_t rook_value_by_pawns[17];  // by all pawns
extern int32_t queen_knight_bonus;
extern int32_t rook_bishop_bonus;
extern int32_t endgame_threshold;           // 9 piece units
extern int32_t endgame_threshold_no_queen;  // 14 piece units

// ---- full evaluation ----
extern int32_t rook_vs_minors_passers[9];
extern int32_t king_outside_pawns;
extern int32_t shelter_gap_bonus[8];
extern int32_t blocked_centre_pawn;
// Scale factors out of 256, indexed by file position (3148..3189 used).
constexpr int SCALE_FIRST = 3148, SCALE_LAST = 3189;
extern int32_t scale_factor[SCALE_LAST - SCALE_FIRST + 1];
// The file position of each scale factor the last evaluation step applies.
// "Through" means the lone pawn's king-and-pawn race or file is not held by
// the defending king; better and weaker sides are by piece units.
enum ScaleFactorPosition {
  SCALE_OPPOSITE_BISHOPS_UNEVEN = 3148,      // bishops only, pawn counts differ by more than 2
  SCALE_OPPOSITE_BISHOPS_EVEN = 3149,        // bishops only, pawn counts within 2
  SCALE_OPPOSITE_BISHOPS_POSITIONAL = 3150,  // with more pieces: the score beyond the material
  SCALE_OPPOSITE_BISHOPS_ROOKS = 3151,       // the material itself, a rook and the bishop each
  SCALE_DEFENDER_IN_FRONT = 3152,            // the defending king in front of every stronger pawn
  BLOCKED_CENTRE_POSITION = 3153,            // not a factor: blocked_centre_pawn
  SCALE_PAWN_THROUGH_VS_BISHOP = 3154,       // one pawn, even pieces, the defender has a bishop
  SCALE_PAWN_HELD_VS_BISHOP = 3155,
  SCALE_PAWN_THROUGH = 3156,  // one pawn, even pieces, no defending bishop
  SCALE_PAWN_HELD = 3157,
  SCALE_LIGHT_PAWN_KING_IN_FRONT = 3158,  // one pawn, few even pieces otherwise
  SCALE_LIGHT_PAWN_KING_ASIDE = 3159,
  EXTRA_PAWN_FIRST = 3160,
  EXTRA_PAWN_LAST = 3166,              // the extra-pawn ending factors
  SCALE_EDGE_PAWNS_PURE = 3167,        // two edge pawns against one, pawns only
  SCALE_EDGE_PAWNS_PASSED = 3168,      // the same with pieces, a passed pawn
  SCALE_EDGE_PAWNS = 3169,             // the same with pieces, no passed pawn
  SCALE_ROOK_PAWN_HELD_EDGE = 3170,    // rook and pawn against rook, king ahead, a- or h-pawn
  SCALE_ROOK_PAWN_HELD_KNIGHT = 3171,  // b- or g-pawn
  SCALE_ROOK_PAWN_HELD_CENTRE = 3172,  // c- to f-pawn
  SCALE_ROOK_PAWN_KING_BEHIND = 3173,  // and the attacking king behind its pawn
  SCALE_PAWNLESS_EVEN = 3174,          // no pawns, even piece units
  SCALE_QUEEN_MINOR_VS_QUEEN = 3175,
  SCALE_ROOK_VS_ROOK = 3176,
  SCALE_TWO_MINORS_VS_ROOK = 3177,
  SCALE_ROOK_BISHOP_VS_ROOK_CUT = 3178,  // the weaker king on an edge, the rook on the next line
  SCALE_ROOK_BISHOP_VS_ROOK = 3179,
  SCALE_ROOK_KNIGHT_VS_ROOK_CUT = 3180,
  SCALE_ROOK_KNIGHT_VS_ROOK = 3181,
  SCALE_ROOK_VS_BISHOP = 3182,
  SCALE_ROOK_VS_KNIGHT = 3183,
  SCALE_TWO_MINORS_VS_BISHOP = 3184,
  SCALE_BISHOPS_VS_KNIGHT = 3185,
  SCALE_KNIGHT_MINOR_VS_KNIGHT = 3186,
  SCALE_MINOR_VS_MINOR = 3187,
  SCALE_TWO_MINORS_VS_TWO = 3188,
  SCALE_ROOK_MINOR_VS_TWO_MINORS = 3189,
};
static_assert(SCALE_OPPOSITE_BISHOPS_UNEVEN == SCALE_FIRST && SCALE_ROOK_MINOR_VS_TWO_MINORS == SCALE_LAST,
              "the named factors span the scale-factor run of the file");
inline int32_t ScaleFactorAt(int position) { return scale_factor[position - SCALE_FIRST]; }

// King safety tables (fixed contents after a load; compiled-in before).
extern int32_t king_danger_table[128];
extern int32_t attacker_count_table[17];
extern int32_t shelter_factor_table[64];
extern int32_t queen_reach_table[32];

// ---- piece terms ----
extern int32_t king_no_luft;
extern int32_t king_traps_rook;
extern int32_t rook_on_target_file;
extern int32_t rook_boxed_in;
extern int32_t rook_half_open_file;
extern int32_t rook_no_open_file_access;
extern int32_t rook_open_file[8];
extern int32_t rook_eighth_rank;
extern int32_t rook_seventh_rank;
extern int32_t rook_seventh_doubled;
extern int32_t rook_seventh_passer;
extern int32_t rook_mobility_opening;
extern int32_t rook_mobility_endgame;
extern int32_t rook_file_danger[8];
extern int32_t knight_blocked_pawns;
extern int32_t queen_eighth_rank;
extern int32_t queen_seventh_doubled;
extern int32_t queen_mobility_opening;
extern int32_t queen_mobility_endgame;
extern int32_t queen_king_distance[8];
extern int32_t queen_file_danger[8];
extern int32_t bishop_trapped;
extern int32_t bad_bishop_pawns_opening;
extern int32_t bad_bishop_pawns_endgame;
extern int32_t bad_bishop_fixed_opening;
extern int32_t bad_bishop_fixed_endgame;
extern int32_t bishop_both_wings;
extern int32_t fianchetto_bishop;
extern int32_t bishop_mobility_opening;
extern int32_t bishop_mobility_endgame;
// By pinning kind (0 rook, 1 bishop, 2 queen) and the pinned man's code.
extern int32_t pin_opening[3][8];
extern int32_t pin_endgame[3][8];
extern int32_t trap_scale[64];   // by square as seen for black
extern int32_t knight_trap[37];  // by weighted mobility
extern int32_t bishop_trap[57];

// ---- special endgames ----
extern int32_t won_pawn_base;
extern int32_t bare_king_bonus;
extern int32_t mate_drive_base;
extern int32_t mate_drive_extra;
extern int32_t mate_drive_no_heavy;
extern int32_t mate_drive_distance;
extern int32_t kbn_bonus;
extern int32_t kbn_corner;
extern int32_t knight_wings;
extern int32_t rook_pawn_count_weight;
extern int32_t rook_pawn_rank_weight;
extern int32_t rook_pawns_base;
extern int32_t rook_king_file_bonus;
extern int32_t rook_two_holding;
extern int32_t rook_three_holding;
extern int32_t rook_single_pawn;
extern int32_t rook_vs_held_pawns;
extern int32_t rook_vs_free_pawns;
extern int32_t scale_bishop_breakthrough;  // extra-pawn ending factors
extern int32_t scale_bishop_guarded;
extern int32_t scale_bishop_blocked;
extern int32_t scale_breakthrough;
extern int32_t scale_pawn_guarded;
extern int32_t scale_blocked;
extern int32_t scale_king_in_front;

// ---- rook-behind rows of the passed-pawn terms ----
// Rows 0-5: own rook behind a pawn on its 7th..2nd rank; rows 8-13: enemy
// rook behind; rows 6 and 7 are unused. Each row holds one value per file.
extern int32_t passed_rank_table[14][8];
inline int32_t OwnRookBehind(int relative_rank) { return passed_rank_table[6 - relative_rank][0]; }
inline int32_t EnemyRookBehind(int relative_rank) { return passed_rank_table[14 - relative_rank][0]; }

// ---- the named and indexed parameters of the console and the tuner ----
constexpr int EVALUATION_PARAMETER_COUNT = 536;
extern int32_t evaluation_parameters[EVALUATION_PARAMETER_COUNT];
// Entries by role (each names the first of its run).
enum EvaluationParameterIndex {
  KNIGHT_OPENING_AH = 0,
  KNIGHT_OPENING_BG = 8,
  KNIGHT_OPENING_CF = 16,
  KNIGHT_OPENING_DE = 24,
  KNIGHT_ENDGAME_AH = 32,
  KNIGHT_ENDGAME_BG = 40,
  KNIGHT_ENDGAME_CF = 48,
  KNIGHT_ENDGAME_DE = 56,
  KING_OPENING_AH = 64,
  KING_OPENING_BG = 72,
  KING_OPENING_CF = 80,
  KING_OPENING_DE = 88,
  KING_ENDGAME_AH = 96,
  KING_ENDGAME_BG = 104,
  KING_ENDGAME_CF = 112,
  KING_ENDGAME_DE = 120,
  CHAINED_PAWN_AH = 128,
  CHAINED_PAWN_BG = 136,
  CHAINED_PAWN_CF = 144,
  CHAINED_PAWN_DE = 152,
  SUPPORTED_PASSED = 193,                 // 8, by relative rank
  SUPPORTED_OPPONENT_PIECES_COEFF = 201,  // 14, by the opponent's piece units
  SUPPORTED_KING_HOR_COEFF = 215,         // 9
  SUPPORTED_KING_DIST_DIFF_COEFF = 224,   // 15
  CANDIDATE_OPENING_BASE = 391,
  CANDIDATE_OPENING_FULL = 392,
  CANDIDATE_ENDGAME_BASE = 393,
  CANDIDATE_ENDGAME_FULL = 394,
  BLOCKED_PAWN_BONUS = 395,  // 8, by relative rank
  DOUBLED_OPENING = 403,     // 8, by file
  DOUBLED_ENDGAME = 411,
  ISOLATED_ENDGAME = 419,
  ISOLATED_CLOSED_OPENING = 427,  // a pawn ahead on its file
  ISOLATED_FREE_OPENING = 435,    // a free file ahead
  BACKWARD_CLOSED_OPENING = 443,
  BACKWARD_ENDGAME = 451,
  BACKWARD_FREE_OPENING = 459,
  PAWN_RANK_WEIGHT = 467,  // 8, of 256, by relative rank (candidates and passed pawns)
  PAWN_FRONT_WIDTH = 475,
  SHELTER_OPEN_FILES = 476,     // 4, by count
  SHELTER_MISSING_FILES = 480,  // 4
  SHELTER_DEFECTS = 484,        // 8
  SHELTER_QUEEN_MOVED = 492,
  SHELTER_OUTER_FILE = 493,
  SHELTER_MIDDLE_FILE = 494,
  SHELTER_KNIGHT_FILE = 495,
  SHELTER_NO_QUEEN_SCALE = 496,
  PASSED_OPENING_FULL = 497,  // 8, by file
  PASSED_OPENING_ZERO = 505,
  PASSED_ENDGAME_ZERO = 513,
  PASSED_ENDGAME_FULL = 521,
  PASSED_OWN_KING_DISTANCE = 529,
  PASSED_ENEMY_KING_DISTANCE = 530,
  PASSED_SAFE_ADVANCE = 531,
  PASSED_VS_KNIGHT = 532,
  PASSED_EXTRA_VS_PAWNS = 533,
  RACE_WON_BY_TWO = 534,
  RACE_WON_BY_ONE = 535,
};
