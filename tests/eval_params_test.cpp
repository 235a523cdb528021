// The parameter file: its layout, the committed default file, hostile
// files, and the piece-square tables built from the parameters.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "eval/material.h"
#include "eval/params.h"
#include "eval/pst.h"
#include "test_util.h"

namespace {

std::string TempPath(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/dravelnor_" + std::to_string(::getpid()) + "_" + name;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::string ValuesText(const std::vector<int32_t>& values) {
  std::string text;
  for (int32_t v : values) text += std::to_string(v) + "\n";
  return text;
}

std::vector<int32_t> DefaultValues() {
  std::vector<int32_t> values(VALUES_FILE_COUNT);
  for (int p = 0; p < VALUES_FILE_COUNT; p++) values[p] = DefaultValueAt(p);
  return values;
}

int LoadText(const std::string& text, const char* name = "values.txt") {
  const std::string path = TempPath(name);
  WriteFile(path, text);
  const int count = LoadEvaluationParametersFrom(path.c_str());
  std::remove(path.c_str());
  return count;
}

// Every global that a load can write, for whole-state comparisons.
struct Block {
  const char* name;
  int32_t* first;
  int count;
};

const std::vector<Block>& AllParameterBlocks() {
  static const std::vector<Block> blocks = {
      {"pawn_value_opening", pawn_value_opening, 4},
      {"pawn_value_endgame", pawn_value_endgame, 4},
      {"imbalance_bonus", imbalance_bonus, 6},
      {"imbalance_endgame_weight", imbalance_endgame_weight, 6},
      {"piece_value_opening", piece_value_opening, 8},
      {"piece_value_endgame", piece_value_endgame, 8},
      {"bishop_pair_table", bishop_pair_table, 9},
      {"lone_minor_table", lone_minor_table, 9},
      {"rook_value_by_pawns", rook_value_by_pawns, 17},
      {"queen_knight_bonus", &queen_knight_bonus, 1},
      {"rook_bishop_bonus", &rook_bishop_bonus, 1},
      {"endgame_threshold", &endgame_threshold, 1},
      {"endgame_threshold_no_queen", &endgame_threshold_no_queen, 1},
      {"rook_vs_minors_passers", rook_vs_minors_passers, 9},
      {"king_outside_pawns", &king_outside_pawns, 1},
      {"shelter_gap_bonus", shelter_gap_bonus, 8},
      {"blocked_centre_pawn", &blocked_centre_pawn, 1},
      {"scale_factor", scale_factor, SCALE_LAST - SCALE_FIRST + 1},
      {"queen_reach_table", queen_reach_table, 32},
      {"king_no_luft", &king_no_luft, 1},
      {"king_traps_rook", &king_traps_rook, 1},
      {"rook_on_target_file", &rook_on_target_file, 1},
      {"rook_boxed_in", &rook_boxed_in, 1},
      {"rook_half_open_file", &rook_half_open_file, 1},
      {"rook_no_open_file_access", &rook_no_open_file_access, 1},
      {"rook_open_file", rook_open_file, 8},
      {"rook_eighth_rank", &rook_eighth_rank, 1},
      {"rook_seventh_rank", &rook_seventh_rank, 1},
      {"rook_seventh_doubled", &rook_seventh_doubled, 1},
      {"rook_seventh_passer", &rook_seventh_passer, 1},
      {"rook_mobility_opening", &rook_mobility_opening, 1},
      {"rook_mobility_endgame", &rook_mobility_endgame, 1},
      {"rook_file_danger", rook_file_danger, 8},
      {"knight_blocked_pawns", &knight_blocked_pawns, 1},
      {"queen_eighth_rank", &queen_eighth_rank, 1},
      {"queen_seventh_doubled", &queen_seventh_doubled, 1},
      {"queen_mobility_opening", &queen_mobility_opening, 1},
      {"queen_mobility_endgame", &queen_mobility_endgame, 1},
      {"queen_king_distance", queen_king_distance, 8},
      {"queen_file_danger", queen_file_danger, 8},
      {"bishop_trapped", &bishop_trapped, 1},
      {"bad_bishop_pawns_opening", &bad_bishop_pawns_opening, 1},
      {"bad_bishop_pawns_endgame", &bad_bishop_pawns_endgame, 1},
      {"bad_bishop_fixed_opening", &bad_bishop_fixed_opening, 1},
      {"bad_bishop_fixed_endgame", &bad_bishop_fixed_endgame, 1},
      {"bishop_both_wings", &bishop_both_wings, 1},
      {"fianchetto_bishop", &fianchetto_bishop, 1},
      {"bishop_mobility_opening", &bishop_mobility_opening, 1},
      {"bishop_mobility_endgame", &bishop_mobility_endgame, 1},
      {"pin_opening", &pin_opening[0][0], 24},
      {"pin_endgame", &pin_endgame[0][0], 24},
      {"trap_scale", trap_scale, 64},
      {"knight_trap", knight_trap, 37},
      {"bishop_trap", bishop_trap, 57},
      {"won_pawn_base", &won_pawn_base, 1},
      {"bare_king_bonus", &bare_king_bonus, 1},
      {"mate_drive_base", &mate_drive_base, 1},
      {"mate_drive_extra", &mate_drive_extra, 1},
      {"mate_drive_no_heavy", &mate_drive_no_heavy, 1},
      {"mate_drive_distance", &mate_drive_distance, 1},
      {"kbn_bonus", &kbn_bonus, 1},
      {"kbn_corner", &kbn_corner, 1},
      {"knight_wings", &knight_wings, 1},
      {"rook_pawn_count_weight", &rook_pawn_count_weight, 1},
      {"rook_pawn_rank_weight", &rook_pawn_rank_weight, 1},
      {"rook_pawns_base", &rook_pawns_base, 1},
      {"rook_king_file_bonus", &rook_king_file_bonus, 1},
      {"rook_two_holding", &rook_two_holding, 1},
      {"rook_three_holding", &rook_three_holding, 1},
      {"rook_single_pawn", &rook_single_pawn, 1},
      {"rook_vs_held_pawns", &rook_vs_held_pawns, 1},
      {"rook_vs_free_pawns", &rook_vs_free_pawns, 1},
      {"scale_bishop_breakthrough", &scale_bishop_breakthrough, 1},
      {"scale_bishop_guarded", &scale_bishop_guarded, 1},
      {"scale_bishop_blocked", &scale_bishop_blocked, 1},
      {"scale_breakthrough", &scale_breakthrough, 1},
      {"scale_pawn_guarded", &scale_pawn_guarded, 1},
      {"scale_blocked", &scale_blocked, 1},
      {"scale_king_in_front", &scale_king_in_front, 1},
      {"passed_rank_table", &passed_rank_table[0][0], 14 * 8},
      {"evaluation_parameters", evaluation_parameters, EVALUATION_PARAMETER_COUNT},
  };
  return blocks;
}

struct Snapshot {
  std::vector<std::vector<int32_t>> blocks;
  std::vector<MaterialEntry> material;
};

Snapshot TakeSnapshot() {
  Snapshot s;
  for (const Block& b : AllParameterBlocks()) s.blocks.emplace_back(b.first, b.first + b.count);
  s.material.assign(material_table, material_table + MATERIAL_TABLE_ROWS);
  return s;
}

// Names the first difference, or returns "" when the states agree.
std::string FirstDifference(const Snapshot& a, const Snapshot& b) {
  const auto& blocks = AllParameterBlocks();
  for (size_t i = 0; i < blocks.size(); i++)
    for (int k = 0; k < blocks[i].count; k++)
      if (a.blocks[i][k] != b.blocks[i][k])
        return std::string(blocks[i].name) + "[" + std::to_string(k) + "]: " + std::to_string(a.blocks[i][k]) + " vs " +
               std::to_string(b.blocks[i][k]);
  for (int row = 0; row < MATERIAL_TABLE_ROWS; row++)
    if (std::memcmp(&a.material[row], &b.material[row], sizeof(MaterialEntry)) != 0)
      return "material_table row " + std::to_string(row);
  return "";
}

std::vector<int32_t> Contents(const Block& b) { return std::vector<int32_t>(b.first, b.first + b.count); }

class ParamsTest : public ::testing::Test {
 protected:
  void SetUp() override { InitBoardForTests(); }
  // Leave the state the other evaluation tests expect: the built-in
  // parameters, the committed file loaded and the piece-square tables.
  void TearDown() override {
    ResetEvaluationParameters();
    ASSERT_EQ(LoadEvaluationParametersFrom(DataPath("values.txt").c_str()), VALUES_FILE_COUNT);
    BuildPieceSquareTables();
  }
};

// A value unique to each position that no clamp or clear can produce.
int32_t Marker(int position) { return 1000 + position; }

std::vector<int32_t> MarkerValues() {
  std::vector<int32_t> values(VALUES_FILE_COUNT);
  for (int p = 0; p < VALUES_FILE_COUNT; p++) values[p] = Marker(p);
  return values;
}

int MirroredFile(int file) { return std::min(file, 7 - file); }

// ---- the committed default file ----

TEST_F(ParamsTest, CommittedFileIsTheGeneratedOne) {
  const std::string committed = DataPath("values.txt");
  // DRAVELNOR_UPDATE_VALUES=1 rewrites the committed file from the registry.
  if (const char* update = std::getenv("DRAVELNOR_UPDATE_VALUES"); update && std::string(update) == "1") {
    ASSERT_TRUE(WriteDefaultValuesFile(committed.c_str()));
  }
  const std::string generated_path = TempPath("generated.txt");
  ASSERT_TRUE(WriteDefaultValuesFile(generated_path.c_str()));
  const std::string generated = ReadFile(generated_path);
  std::remove(generated_path.c_str());
  EXPECT_EQ(std::count(generated.begin(), generated.end(), '\n'), VALUES_FILE_COUNT);
  EXPECT_TRUE(ReadFile(committed) == generated) << committed << " differs from the registry's output";
}

TEST_F(ParamsTest, DefaultFileReproducesTheCompiledInState) {
  ResetEvaluationParameters();
  const Snapshot compiled_in = TakeSnapshot();
  ASSERT_EQ(LoadEvaluationParametersFrom(DataPath("values.txt").c_str()), VALUES_FILE_COUNT);
  EXPECT_EQ(FirstDifference(compiled_in, TakeSnapshot()), "");
}

// The compiled-in values that the Parts state, read back after loading the
// default file: a position mapped to the wrong destination shows here.
TEST_F(ParamsTest, DefaultFileCarriesTheBuiltInValues) {
  ASSERT_EQ(LoadEvaluationParametersFrom(DataPath("values.txt").c_str()), VALUES_FILE_COUNT);
  using V = std::vector<int32_t>;
  const std::vector<std::pair<Block, V>> expected = {
      {{"candidate", &evaluation_parameters[CANDIDATE_OPENING_BASE], 4}, {5, 55, 10, 110}},
      {{"blocked_pawn_bonus", &evaluation_parameters[BLOCKED_PAWN_BONUS], 8}, {0, 0, 0, 0, 0, 16, 24, 0}},
      {{"doubled_opening", &evaluation_parameters[DOUBLED_OPENING], 8}, {10, 10, 10, 12, 12, 10, 10, 10}},
      {{"isolated_free_opening", &evaluation_parameters[ISOLATED_FREE_OPENING], 8}, {18, 19, 20, 22, 22, 20, 19, 18}},
      {{"backward_free_opening", &evaluation_parameters[BACKWARD_FREE_OPENING], 8}, {12, 14, 16, 18, 18, 16, 14, 12}},
      {{"pawn_rank_weight", &evaluation_parameters[PAWN_RANK_WEIGHT], 9}, {0, 0, 0, 26, 77, 154, 256, 0, 6}},
      {{"shelter", &evaluation_parameters[SHELTER_OPEN_FILES], 21},
       {0, 8, 13, 16, 0, 3, 7, 9, 0, 1, 2, 3, 4, 5, 6, 7, 12, 6, 8, 3, 128}},
      {{"passed_opening_full", &evaluation_parameters[PASSED_OPENING_FULL], 8}, {90, 80, 75, 75, 75, 75, 80, 90}},
      {{"passed_endgame_full", &evaluation_parameters[PASSED_ENDGAME_FULL], 8},
       {126, 133, 140, 147, 147, 140, 133, 126}},
      {{"passed_singles", &evaluation_parameters[PASSED_OWN_KING_DISTANCE], 7}, {5, 20, 60, 15, 80, 550, 500}},
      {{"knight_opening_ah", &evaluation_parameters[KNIGHT_OPENING_AH], 8}, {-38, -23, -20, -10, -5, -4, -11, -76}},
      {{"king_endgame_de", &evaluation_parameters[KING_ENDGAME_DE], 8}, {-30, -2, 12, 24, 24, 11, 0, -24}},
      {{"chained_pawn_bg", &evaluation_parameters[CHAINED_PAWN_BG], 8}, {5, -1, 7, 32, 4, 0, 0, 0}},
      {{"supported_king_hor", &evaluation_parameters[SUPPORTED_KING_HOR_COEFF], 9}, {1, 8, 12, 16, 8, 4, 2, 1, 0}},
      {{"rook_open_file", rook_open_file, 8}, {16, 18, 20, 22, 22, 20, 18, 16}},
      {{"rook_file_danger", rook_file_danger, 8}, {2, 2, 1, 0, 0, 0, 0, 0}},
      {{"queen_king_distance", queen_king_distance, 8}, {2, 2, 2, 1, 1, 0, 0, 0}},
      {{"queen_file_danger", queen_file_danger, 8}, {2, 2, 1, 0, 0, 0, 0, 0}},
      {{"rook_vs_minors_passers", rook_vs_minors_passers, 9}, {0, 5, 10, 15, 20, 20, 20, 20, 20}},
      {{"shelter_gap_bonus", shelter_gap_bonus, 8}, {0, 0, 0, 5, 25, 30, 35, 40}},
      {{"bishop_pair_table", bishop_pair_table, 9}, {50, 50, 50, 50, 50, 45, 40, 35, 30}},
      {{"own_rook_behind", &passed_rank_table[0][0], 1}, {21}},
      {{"thresholds", &endgame_threshold, 1}, {9}},
      {{"thresholds", &endgame_threshold_no_queen, 1}, {14}},
      {{"won_pawn_base", &won_pawn_base, 1}, {550}},
      {{"blocked_centre_pawn", &blocked_centre_pawn, 1}, {25}},
      {{"king_outside_pawns", &king_outside_pawns, 1}, {150}},
      {{"bishop_trapped", &bishop_trapped, 1}, {180}},
  };
  for (const auto& [block, values] : expected) EXPECT_EQ(Contents(block), values) << block.name;
  for (int rank = 0; rank < 6; rank++) {
    EXPECT_EQ(OwnRookBehind(6 - rank), (V{21, 20, 19, 17, 15, 13}[rank]));
    EXPECT_EQ(EnemyRookBehind(6 - rank), (V{14, 14, 14, 13, 12, 11}[rank]));
  }
  for (int p = SCALE_FIRST; p <= SCALE_LAST; p++)
    if (p != BLOCKED_CENTRE_POSITION && (p < EXTRA_PAWN_FIRST || p > EXTRA_PAWN_LAST)) {
      EXPECT_EQ(ScaleFactorAt(p), 128) << p;
    }
  // The corrections default to 0, so the fixed piece values stand.
  for (int p = 0; p <= 35; p++) EXPECT_EQ(DefaultValueAt(p), 0) << p;
  for (int p = 36; p <= 2951; p++) ASSERT_EQ(DefaultValueAt(p), 0) << p;
}

// ---- the layout ----

TEST_F(ParamsTest, EveryPositionReachesItsDestination) {
  ASSERT_EQ(LoadText(ValuesText(MarkerValues())), VALUES_FILE_COUNT);
  const auto V = Marker;
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(pawn_value_opening[i], V(i));
    EXPECT_EQ(pawn_value_endgame[i], V(4 + i));
  }
  for (int i = 0; i < 6; i++) {
    EXPECT_EQ(imbalance_bonus[i], V(14 + i));
    EXPECT_EQ(imbalance_endgame_weight[i], V(20 + i));
  }
  const int piece_order[] = {PAWN, ROOK, KNIGHT, BISHOP, QUEEN};
  for (int i = 0; i < 5; i++) {
    EXPECT_EQ(piece_value_opening[piece_order[i]], V(26 + 2 * i));
    EXPECT_EQ(piece_value_endgame[piece_order[i]], V(27 + 2 * i));
  }

  // Entries of evaluation_parameters by position, mirrored tables included.
  for (int i = 0; i < 4; i++) EXPECT_EQ(evaluation_parameters[CANDIDATE_OPENING_BASE + i], V(2952 + i));
  const int passed[] = {PASSED_OPENING_FULL, PASSED_OPENING_ZERO, PASSED_ENDGAME_ZERO, PASSED_ENDGAME_FULL};
  const int pawn_tables[] = {DOUBLED_OPENING,       DOUBLED_ENDGAME,         ISOLATED_ENDGAME, ISOLATED_CLOSED_OPENING,
                             ISOLATED_FREE_OPENING, BACKWARD_CLOSED_OPENING, BACKWARD_ENDGAME, BACKWARD_FREE_OPENING};
  for (int f = 0; f < 8; f++) {
    for (int k = 0; k < 4; k++) EXPECT_EQ(evaluation_parameters[passed[k] + f], V(2956 + 4 * k + MirroredFile(f)));
    for (int k = 0; k < 8; k++)
      EXPECT_EQ(evaluation_parameters[pawn_tables[k] + f], V(3074 + 4 * k + MirroredFile(f))) << k << " " << f;
    EXPECT_EQ(rook_open_file[f], V(3062 + MirroredFile(f)));
  }
  const std::vector<std::pair<int, int>> entry_of_position = {
      {PASSED_VS_KNIGHT, 2972},         {PASSED_EXTRA_VS_PAWNS, 2973}, {SHELTER_KNIGHT_FILE, 2974},
      {SHELTER_MIDDLE_FILE, 2975},      {SHELTER_OUTER_FILE, 2976},    {SHELTER_QUEEN_MOVED, 2977},
      {PASSED_OWN_KING_DISTANCE, 3042}, {RACE_WON_BY_TWO, 3043},       {PASSED_ENEMY_KING_DISTANCE, 3044},
      {PASSED_SAFE_ADVANCE, 3045},      {RACE_WON_BY_ONE, 3046},       {SHELTER_NO_QUEEN_SCALE, 3112},
      {PAWN_RANK_WEIGHT + 3, 3118},     {PAWN_RANK_WEIGHT + 6, 3121},  {BLOCKED_PAWN_BONUS + 5, 3122},
      {BLOCKED_PAWN_BONUS + 6, 3123}};
  for (auto [entry, position] : entry_of_position) EXPECT_EQ(evaluation_parameters[entry], V(position)) << entry;
  for (int i = 0; i < 16; i++) EXPECT_EQ(evaluation_parameters[SHELTER_OPEN_FILES + i], V(3026 + i));
  // Entries the file does not reach keep their built-in values.
  EXPECT_EQ(evaluation_parameters[PAWN_RANK_WEIGHT + 2], 0);
  EXPECT_EQ(evaluation_parameters[PAWN_FRONT_WIDTH], 6);
  EXPECT_EQ(evaluation_parameters[KING_OPENING_BG], 19);

  // Single named parameters.
  const std::vector<std::pair<int32_t*, int>> singles = {{&bishop_both_wings, 2978},
                                                         {&fianchetto_bishop, 2979},
                                                         {&king_outside_pawns, 2980},
                                                         {&rook_eighth_rank, 2982},
                                                         {&queen_eighth_rank, 2983},
                                                         {&rook_half_open_file, 2984},
                                                         {&rook_seventh_rank, 2985},
                                                         {&rook_seventh_passer, 2986},
                                                         {&queen_seventh_doubled, 2987},
                                                         {&king_no_luft, 2988},
                                                         {&rook_seventh_doubled, 2990},
                                                         {&bare_king_bonus, 2991},
                                                         {&mate_drive_base, 2992},
                                                         {&kbn_corner, 2993},
                                                         {&kbn_bonus, 2994},
                                                         {&mate_drive_distance, 2995},
                                                         {&bad_bishop_pawns_opening, 2996},
                                                         {&bad_bishop_pawns_endgame, 2997},
                                                         {&bad_bishop_fixed_opening, 2998},
                                                         {&bad_bishop_fixed_endgame, 2999},
                                                         {&knight_blocked_pawns, 3000},
                                                         {&bishop_trapped, 3001},
                                                         {&king_traps_rook, 3005},
                                                         {&rook_boxed_in, 3006},
                                                         {&knight_wings, 3011},
                                                         {&rook_on_target_file, 3012},
                                                         {&rook_no_open_file_access, 3013},
                                                         {&mate_drive_extra, 3014},
                                                         {&mate_drive_no_heavy, 3015},
                                                         {&queen_knight_bonus, 3016},
                                                         {&rook_bishop_bonus, 3017},
                                                         {&won_pawn_base, 3043},
                                                         {&bishop_mobility_opening, 3106},
                                                         {&bishop_mobility_endgame, 3107},
                                                         {&rook_mobility_opening, 3108},
                                                         {&rook_mobility_endgame, 3109},
                                                         {&queen_mobility_opening, 3110},
                                                         {&queen_mobility_endgame, 3111},
                                                         {&blocked_centre_pawn, 3153},
                                                         {&scale_bishop_breakthrough, 3160},
                                                         {&scale_bishop_guarded, 3161},
                                                         {&scale_bishop_blocked, 3162},
                                                         {&scale_breakthrough, 3163},
                                                         {&scale_pawn_guarded, 3164},
                                                         {&scale_blocked, 3165},
                                                         {&scale_king_in_front, 3166},
                                                         {&rook_pawn_count_weight, 3190},
                                                         {&rook_pawn_rank_weight, 3191},
                                                         {&rook_pawns_base, 3192},
                                                         {&rook_king_file_bonus, 3193},
                                                         {&rook_two_holding, 3194},
                                                         {&rook_three_holding, 3195},
                                                         {&rook_single_pawn, 3196},
                                                         {&rook_vs_held_pawns, 3197},
                                                         {&rook_vs_free_pawns, 3198},
                                                         {&endgame_threshold, 3199},
                                                         {&endgame_threshold_no_queen, 3200}};
  for (auto [global, position] : singles) EXPECT_EQ(*global, V(position)) << "position " << position;

  // Small tables.
  for (int i = 0; i < 8; i++) EXPECT_EQ(shelter_gap_bonus[i], V(3018 + i));
  for (int i = 0; i < 8; i++) {
    EXPECT_EQ(rook_file_danger[i], i < 3 ? V(3059 + i) : 0);
    EXPECT_EQ(queen_king_distance[i], i < 5 ? V(3066 + i) : 0);
    EXPECT_EQ(queen_file_danger[i], i < 3 ? V(3071 + i) : 0);
  }
  for (int p = SCALE_FIRST; p <= SCALE_LAST; p++) EXPECT_EQ(ScaleFactorAt(p), V(p));
  for (int i = 0; i < 9; i++) {
    EXPECT_EQ(bishop_pair_table[i], i < 5 ? V(3113) : V(3109 + i));
    EXPECT_EQ(lone_minor_table[i], i < 4 ? V(3201 + i) : V(3205));
    EXPECT_EQ(rook_vs_minors_passers[i], i == 0 ? 0 : i < 4 ? V(3205 + i) : V(3209));
  }
  for (int i = 0; i < 17; i++) EXPECT_EQ(rook_value_by_pawns[i], i < 13 ? V(3231 + i) : V(3244));
  for (int row = 0; row < 14; row++)
    for (int f = 0; f < 8; f++)
      EXPECT_EQ(passed_rank_table[row][f], row < 6 ? V(3210 + row) : row < 8 ? 0 : V(3216 + row - 8)) << row;

  // Expanded tables: cumulative, geometric (saturating here) and the centre.
  int64_t reach = 0;
  for (int k = 0; k < 32; k++) {
    if (k > 0) reach = std::min<int64_t>(32767, reach + V(3245 + std::min(k, 5) - 1));
    EXPECT_EQ(queen_reach_table[k], reach) << k;
  }
  EXPECT_EQ(knight_trap[0], V(3250));
  EXPECT_EQ(bishop_trap[0], V(3252));
  for (int k = 1; k < 37; k++) EXPECT_EQ(knight_trap[k], 32767) << k;
  for (int k = 1; k < 57; k++) EXPECT_EQ(bishop_trap[k], 32767) << k;
  for (int square = 0; square < 64; square++) {
    const int quadrant = 4 * MirroredFile(square >> 3) + MirroredFile(square & 7);
    EXPECT_EQ(trap_scale[square], V(3264 + quadrant)) << square;
  }
  for (int square : {27, 28, 35, 36}) EXPECT_EQ(trap_scale[square], V(3279));  // the last value: d4 e4 d5 e5
}

TEST_F(ParamsTest, ImbalancePositionsAreNestedQwQbRwRbBwBbNwNb) {
  static int32_t imbalance[IMBALANCE_TABLE_SIZE], white[IMBALANCE_TABLE_SIZE], black[IMBALANCE_TABLE_SIZE];
  static int32_t bonus[MATERIAL_BONUS_TABLE_SIZE], time[MATERIAL_BONUS_TABLE_SIZE];
  const std::string path = TempPath("imbalance.txt");
  WriteFile(path, ValuesText(MarkerValues()));
  ASSERT_EQ(ReadValuesFile(path.c_str(), imbalance, white, black, bonus, time), VALUES_FILE_COUNT);

  // The same read of a file of zeros leaves only the fixed corrections,
  // which are added to what the file gives.
  static int32_t corrections[IMBALANCE_TABLE_SIZE];
  WriteFile(path, ValuesText(std::vector<int32_t>(VALUES_FILE_COUNT, 0)));
  ASSERT_EQ(ReadValuesFile(path.c_str(), corrections, white, black, bonus, time), VALUES_FILE_COUNT);
  std::remove(path.c_str());
  EXPECT_EQ(std::count_if(corrections, corrections + IMBALANCE_TABLE_SIZE, [](int32_t v) { return v != 0; }), 34);

  int position = 36;
  for (int qw = 0; qw < 2; qw++)
    for (int qb = 0; qb < 2; qb++)
      for (int rw = 0; rw < 3; rw++)
        for (int rb = 0; rb < 3; rb++)
          for (int bw = 0; bw < 3; bw++)
            for (int bb = 0; bb < 3; bb++)
              for (int nw = 0; nw < 3; nw++)
                for (int nb = 0; nb < 3; nb++, position++) {
                  MaterialSignature s{{{qw, rw, bw, nw, 0}, {qb, rb, bb, nb, 0}}};
                  const int index = ImbalanceIndex(s);
                  ASSERT_EQ(imbalance[index] - corrections[index], Marker(position)) << "position " << position;
                }
  EXPECT_EQ(position, 2952);
}

// Values at the positions that have no effect change nothing anywhere.
TEST_F(ParamsTest, IgnoredPositionsChangeNothing) {
  std::vector<int32_t> values = MarkerValues();
  ASSERT_EQ(LoadText(ValuesText(values)), VALUES_FILE_COUNT);
  const Snapshot before = TakeSnapshot();
  const std::vector<std::pair<int, int>> ignored = {{8, 13},      {2981, 2981}, {2989, 2989}, {3002, 3004},
                                                    {3007, 3010}, {3222, 3230}, {3254, 3263}};
  for (auto [first, last] : ignored)
    for (int p = first; p <= last; p++) values[p] = -777;
  ASSERT_EQ(LoadText(ValuesText(values)), VALUES_FILE_COUNT);
  EXPECT_EQ(FirstDifference(before, TakeSnapshot()), "");
  for (auto [first, last] : ignored)
    for (int p = first; p <= last; p++) EXPECT_EQ(DefaultValueAt(p), 0) << p;
}

// ---- hostile and broken files ----

TEST_F(ParamsTest, MissingFileKeepsParametersAndClearsCorrections) {
  const std::vector<int32_t> markers = MarkerValues();
  ASSERT_EQ(LoadText(ValuesText(markers)), VALUES_FILE_COUNT);
  const std::vector<int32_t> danger_before(king_danger_table, king_danger_table + 128);
  const std::vector<int32_t> shelter_before(shelter_factor_table, shelter_factor_table + 64);

  testing::internal::CaptureStdout();
  const int count = LoadEvaluationParametersFrom(TempPath("no_such_file.txt").c_str());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error loading values.txt\n");
  EXPECT_EQ(count, -1);

  // Cleared: piece values, imbalance bonuses and weights, the scratch tables.
  for (int code = 0; code < 8; code++) EXPECT_EQ(piece_value_opening[code] | piece_value_endgame[code], 0);
  for (int i = 0; i < 6; i++) EXPECT_EQ(imbalance_bonus[i] | imbalance_endgame_weight[i], 0);
  // Kept: everything else the file had set.
  EXPECT_EQ(pawn_value_opening[0], Marker(0));
  EXPECT_EQ(endgame_threshold, Marker(3199));
  EXPECT_EQ(trap_scale[0], Marker(3264));
  // The start-up attacker counts, the other king tables as they were.
  EXPECT_EQ(Contents({"", attacker_count_table, 17}),
            (std::vector<int32_t>{0, 64, 192, 256, 288, 304, 312, 320, 320, 320, 320, 320, 320, 320, 320, 320, 320}));
  EXPECT_EQ(Contents({"", king_danger_table, 128}), danger_before);
  EXPECT_EQ(Contents({"", shelter_factor_table, 64}), shelter_before);
  // The material table is rebuilt on the cleared tables: bare kings get
  // the cleared imbalance entry, 0.
  EXPECT_EQ(material_table[0].material, 0);
  EXPECT_EQ(material_table[0].flags[WHITE], MATERIAL_CANNOT_WIN | MATERIAL_ENDING);
}

TEST_F(ParamsTest, MissingFileAtStartUpKeepsTheCompiledInKingTables) {
  ResetEvaluationParameters();
  testing::internal::CaptureStdout();
  EXPECT_EQ(LoadEvaluationParametersFrom(TempPath("no_such_file.txt").c_str()), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error loading values.txt\n");
  EXPECT_EQ(Contents({"", king_danger_table, 20}),
            (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 17, 19, 21, 23}));
  EXPECT_EQ(king_danger_table[47], 215);
  EXPECT_EQ(king_danger_table[48], 225);
  EXPECT_EQ(king_danger_table[60], 345);
  EXPECT_EQ(king_danger_table[64], 359);
  EXPECT_EQ(king_danger_table[84], 379);
  EXPECT_EQ(king_danger_table[127], 380);
  EXPECT_EQ(shelter_factor_table[23], 31);
  EXPECT_EQ(shelter_factor_table[24], 32);
  EXPECT_EQ(attacker_count_table[16], 320);
  EXPECT_EQ(endgame_threshold, 9);
  EXPECT_EQ(endgame_threshold_no_queen, 14);
  // With the file, every load sets the fixed king tables.
  ASSERT_EQ(LoadEvaluationParametersFrom(DataPath("values.txt").c_str()), VALUES_FILE_COUNT);
  EXPECT_EQ(king_danger_table[50], 912);
  EXPECT_EQ(king_danger_table[51], 964);
  EXPECT_EQ(king_danger_table[127], 964);
  EXPECT_EQ(Contents({"", attacker_count_table, 6}), (std::vector<int32_t>{0, 303, 603, 904, 1204, 1504}));
  EXPECT_EQ(attacker_count_table[16], 1504);
  EXPECT_EQ(shelter_factor_table[15], 26);
  EXPECT_EQ(shelter_factor_table[16], 28);
}

// Reading stops at the end or at the first token that is not a number;
// every later destination keeps its value. Values are clamped to +-32767.
TEST_F(ParamsTest, ShortAndMalformedFilesStopTheReading) {
  const auto text_with = [](int position, const std::string& token) {
    std::string text;
    for (int p = 0; p < VALUES_FILE_COUNT; p++) text += (p == position ? token : std::to_string(Marker(p))) + "\n";
    return text;
  };
  std::string crlf;
  for (int32_t v : MarkerValues()) crlf += std::to_string(v) + "\r\n\t";
  std::vector<int32_t> first_3100 = MarkerValues();
  first_3100.resize(3100);
  struct Case {
    const char* what;
    std::string text;
    int count;
    int32_t at_3100;  // backward_endgame on the c-file, built-in 10
  };
  const std::vector<Case> cases = {
      {"empty", "", 0, 10},
      {"white space only", " \n\t\r\n", 0, 10},
      {"short", ValuesText(first_3100), 3100, 10},
      {"a word", text_with(3100, "x"), 3100, 10},
      {"a lone sign", text_with(3100, "-"), 3100, 10},
      {"junk after the digits", text_with(3100, "77abc"), 3101, 77},
      {"CRLF and tabs", crlf, VALUES_FILE_COUNT, Marker(3100)},
      {"more than 3280 values", ValuesText(MarkerValues()) + "5\n6\n", VALUES_FILE_COUNT, Marker(3100)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(LoadEvaluationParametersFrom(DataPath("values.txt").c_str()), VALUES_FILE_COUNT);
    EXPECT_EQ(LoadText(c.text), c.count);
    EXPECT_EQ(evaluation_parameters[BACKWARD_ENDGAME + 2], c.at_3100);
    EXPECT_EQ(evaluation_parameters[BACKWARD_ENDGAME + 5], c.at_3100);
    // Before the cut the file's values, after it the previous ones.
    EXPECT_EQ(won_pawn_base, c.count > 3043 ? Marker(3043) : 550);
    EXPECT_EQ(endgame_threshold, c.count > 3199 ? Marker(3199) : 9);
    EXPECT_EQ(trap_scale[27], c.count == VALUES_FILE_COUNT ? Marker(3279) : 64);
    // The corrections are cleared before the reading starts.
    EXPECT_EQ(piece_value_opening[QUEEN], c.count > 34 ? Marker(34) : 0);
  }
}

TEST_F(ParamsTest, OutOfRangeValuesAreClamped) {
  const std::vector<std::pair<std::string, int32_t>> cases = {{"32767", 32767},
                                                              {"32768", 32767},
                                                              {"-32768", -32767},
                                                              {"99999999999999999999999999", 32767},
                                                              {"-99999999999999999999999999", -32767},
                                                              {"+12", 12},
                                                              {"-0", 0},
                                                              {"0000000000000000000000000000000000042", 42}};
  for (const auto& [token, expected] : cases) {
    std::string text;
    for (int p = 0; p < VALUES_FILE_COUNT; p++)
      text += (p == 3199 || p == 3000 ? token : std::to_string(DefaultValueAt(p))) + "\n";
    ASSERT_EQ(LoadText(text), VALUES_FILE_COUNT) << token;
    EXPECT_EQ(endgame_threshold, expected) << token;
    EXPECT_EQ(knight_blocked_pawns, expected) << token;
  }
}

// Extreme files load without overflow (the sanitizer build checks the
// arithmetic) and keep every expanded table inside the value range.
TEST_F(ParamsTest, ExtremeFilesSaturateTheExpandedTables) {
  for (int32_t extreme : {32767, -32767}) {
    SCOPED_TRACE(extreme);
    std::vector<int32_t> values(VALUES_FILE_COUNT, extreme);
    ASSERT_EQ(LoadText(ValuesText(values)), VALUES_FILE_COUNT);
    for (const int32_t* table : {queen_reach_table + 0, knight_trap + 0, bishop_trap + 0})
      for (int k = 0; k < 32; k++) EXPECT_LE(std::abs(table[k]), 32767);
    EXPECT_EQ(queen_reach_table[31], extreme);
    // A negative start with a negative ratio alternates in sign and saturates.
    EXPECT_EQ(knight_trap[1], 32767);
    EXPECT_EQ(knight_trap[2], extreme > 0 ? 32767 : -32767);
  }
  // A geometric ratio below 256 decays to 0 and stays there.
  std::vector<int32_t> values = DefaultValues();
  values[3250] = -100;
  values[3251] = 128;
  ASSERT_EQ(LoadText(ValuesText(values)), VALUES_FILE_COUNT);
  EXPECT_EQ(Contents({"", knight_trap, 4}), (std::vector<int32_t>{-100, -50, -25, -13}));  // arithmetic shift
  EXPECT_EQ(knight_trap[36], -1);
}

// ---- material signatures ----

TEST(MaterialSignature, ParsesSidesAndPawns) {
  struct Case {
    const char* text;
    int ok;
    MaterialSignature expected;
  };
  const std::vector<Case> cases = {
      {"K v K", 1, {{{0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}}},
      {"KQN v KQ", 1, {{{1, 0, 0, 1, 0}, {1, 0, 0, 0, 0}}}},
      {"KR+1P v KR", 1, {{{0, 1, 0, 0, 1}, {0, 1, 0, 0, 0}}}},
      {"KQRRBBNN+8P v KQRRBBN+7P", 1, {{{1, 2, 2, 2, 8}, {1, 2, 2, 1, 7}}}},
      {"K+3P v K+2P", 1, {{{0, 0, 0, 0, 3}, {0, 0, 0, 0, 2}}}},
      {"KNQ v K", 0, {}},  // kinds out of order
      {"KQ vs K", 0, {}},
      {"KQ v K ", 0, {}},    // trailing text
      {"Q v K", 0, {}},      // no king
      {"KR+P v KR", 0, {}},  // pawn count missing
      {"KR+1 v KR", 0, {}},
      {"KX v K", 0, {}},
      {"", 0, {}},
  };
  for (const Case& c : cases) {
    MaterialSignature s{{{9, 9, 9, 9, 9}, {9, 9, 9, 9, 9}}};
    EXPECT_EQ(ParseMaterialSignature(c.text, &s), c.ok) << c.text;
    if (!c.ok) continue;
    for (int colour = 0; colour < 2; colour++)
      for (int k = 0; k < 5; k++) EXPECT_EQ(s.counts[colour][k], c.expected.counts[colour][k]) << c.text;
  }
}

TEST(MaterialSignature, IndexesTheScratchTables) {
  MaterialSignature s;
  ASSERT_TRUE(ParseMaterialSignature("KQRRBBNN+8P v KQRRBBNN+8P", &s));
  EXPECT_EQ(ImbalanceIndex(s), IMBALANCE_TABLE_SIZE - 1);
  EXPECT_EQ(MaterialBonusIndex(s), MATERIAL_BONUS_TABLE_SIZE - 1);
  ASSERT_TRUE(ParseMaterialSignature("KR+1P v KR", &s));
  EXPECT_EQ(ImbalanceIndex(s), 486 + 9);
  EXPECT_EQ(MaterialBonusIndex(s), 486 * (81 + 1) + 81);
  ASSERT_TRUE(ParseMaterialSignature("K v KN", &s));
  EXPECT_EQ(ImbalanceIndex(s), 1);
  // Two queens, three rooks or nine pawns are outside the tables.
  for (const char* text : {"KQQ v K", "KRRR v K", "K v K+9P"}) {
    ASSERT_TRUE(ParseMaterialSignature(text, &s)) << text;
    EXPECT_EQ(ImbalanceIndex(s), -1) << text;
    EXPECT_EQ(MaterialBonusIndex(s), -1) << text;
  }
}

// ---- piece-square tables ----

class PieceSquareTest : public ParamsTest {
 protected:
  void SetUp() override {
    ParamsTest::SetUp();
    BuildPieceSquareTables();
  }
};

int Square(const char* name) { return (name[0] - 'a') + 8 * (name[1] - '1'); }
int16_t Opening(int piece, int colour, const char* square) {
  return pst_opening[PstIndex(piece, colour, Square(square))];
}
int16_t Endgame(int piece, int colour, const char* square) {
  return pst_endgame[PstIndex(piece, colour, Square(square))];
}

TEST_F(PieceSquareTest, SpotValuesForBothColours) {
  struct Case {
    int piece;
    const char* white_square;
    int opening, endgame;
  };
  // White squares; black's mirror square must carry the same values.
  const std::vector<Case> cases = {
      {KING, "g1", 19, -48},    {KING, "e1", -1, -30},    {KING, "a8", -15, -72},   {KING, "d5", -12, 24},
      {KNIGHT, "b1", -42, -30}, {KNIGHT, "h8", -76, -40}, {KNIGHT, "e6", 25, 5},    {KNIGHT, "c3", 1, 0},
      {PAWN, "d4", 25, 2},      {PAWN, "d5", 15, 5},      {PAWN, "e7", 5, 9},       {PAWN, "a2", -15, -3},
      {ROOK, "a1", -6, 0},      {ROOK, "d8", 3, 0},       {BISHOP, "b1", -18, -12}, {BISHOP, "b8", -8, -12},
      {BISHOP, "c3", 4, 0},     {QUEEN, "a1", -5, -24},   {QUEEN, "d4", 0, 8},      {QUEEN, "e8", 0, -8},
  };
  for (const Case& c : cases) {
    char black_square[3] = {c.white_square[0], char('1' + ('8' - c.white_square[1])), 0};
    EXPECT_EQ(Opening(c.piece, WHITE, c.white_square), c.opening) << c.piece << " " << c.white_square;
    EXPECT_EQ(Endgame(c.piece, WHITE, c.white_square), c.endgame) << c.piece << " " << c.white_square;
    EXPECT_EQ(Opening(c.piece, BLACK, black_square), c.opening) << c.piece << " " << black_square;
    EXPECT_EQ(Endgame(c.piece, BLACK, black_square), c.endgame) << c.piece << " " << black_square;
  }
  EXPECT_EQ(tuned_king_tables[0][Square("g8")], 19);
  EXPECT_EQ(tuned_knight_tables[1][Square("a8")], -39);
}

TEST_F(PieceSquareTest, BlackTablesMirrorWhiteAndUnusedCodesAreZero) {
  for (const int16_t* table : {pst_opening, pst_endgame})
    for (int piece = 0; piece < 8; piece++)
      for (int square = 0; square < 64; square++) {
        EXPECT_EQ(table[PstIndex(piece, BLACK, square)], table[PstIndex(piece, WHITE, square ^ 56)]) << piece;
        if (piece == EMPTY || piece == 4) {
          EXPECT_EQ(table[PstIndex(piece, WHITE, square)], 0);
        }
      }
}

TEST_F(PieceSquareTest, OneParameterMovesExactlyItsFourSquares) {
  const std::vector<int16_t> opening(pst_opening, pst_opening + 1024), endgame(pst_endgame, pst_endgame + 1024);
  evaluation_parameters[KING_OPENING_BG] += 5;
  BuildPieceSquareTables();
  std::vector<int> changed;
  for (int i = 0; i < 1024; i++)
    if (pst_opening[i] != opening[i]) changed.push_back(i);
  EXPECT_EQ(changed, (std::vector<int>{PstIndex(KING, WHITE, Square("b1")), PstIndex(KING, WHITE, Square("g1")),
                                       PstIndex(KING, BLACK, Square("b8")), PstIndex(KING, BLACK, Square("g8"))}));
  EXPECT_EQ(Opening(KING, WHITE, "g1"), 24);
  EXPECT_TRUE(std::equal(endgame.begin(), endgame.end(), pst_endgame));
}

TEST_F(PieceSquareTest, ParametersKeepTheirLow16Bits) {
  const std::vector<std::pair<int32_t, int16_t>> cases = {{65536 + 7, 7}, {40000, -25536}, {-65536 - 3, -3}};
  for (auto [parameter, stored] : cases) {
    evaluation_parameters[KNIGHT_ENDGAME_DE + 4] = parameter;
    BuildPieceSquareTables();
    EXPECT_EQ(Endgame(KNIGHT, WHITE, "d5"), stored) << parameter;
    EXPECT_EQ(Endgame(KNIGHT, BLACK, "e4"), stored) << parameter;
  }
}

}  // namespace
