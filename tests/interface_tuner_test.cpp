// The parameter tuner: the step, reversal and halving of TuneParameter
// against a scripted stand-in scorer with a fixed seed, the "tune.log"
// lines, and the list of tuned parameters against the evaluation's own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "eval/params.h"
#include "eval/pawns.h"
#include "eval/pst.h"
#include "interface/tuner.h"
#include "platform/random.h"
#include "test_util.h"

namespace fs = std::filesystem;

namespace {

// The stand-in scorer: hands out scripted scores and records the value of
// the parameter under test at each call.
std::vector<int32_t> script;
size_t script_at = 0;
int32_t* watched = nullptr;
std::vector<int32_t> tried;
std::vector<std::string> scored_files;

int32_t ScriptedScore(const char* file_name) {
  scored_files.push_back(file_name);
  tried.push_back(*watched);
  return script_at < script.size() ? script[script_at++] : -1000;
}

// The same, expanding the tables from the tried value as a real scan does.
int32_t ScriptedScoreFromTables(const char* file_name) {
  BuildPieceSquareTables();
  return ScriptedScore(file_name);
}

class Tuner : public ::testing::Test {
 protected:
  void SetUp() override {
    InitEvalForTests();
    dir_ = MakeTestFolder("tuner");
    ASSERT_FALSE(dir_.empty());
    old_dir_ = fs::current_path();
    fs::current_path(dir_);
    parameter_scorer = ScriptedScore;
    script.clear();
    script_at = 0;
    tried.clear();
    scored_files.clear();
    watched = &value_;
  }
  void TearDown() override {
    parameter_scorer = ScoreParameterSet;
    fs::current_path(old_dir_);
    fs::remove_all(dir_);
    ResetEvaluationParameters();
  }
  // TuneParameter on value_ with what it printed.
  int32_t Tune(int32_t start, int32_t best, std::string* printed) {
    value_ = start;
    testing::internal::CaptureStdout();
    const int32_t result = TuneParameter(&value_, "p[1]", best);
    *printed = testing::internal::GetCapturedStdout();
    return result;
  }
  std::string Log() {
    std::ifstream in(dir_ + "/tune.log", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::string dir_;
  fs::path old_dir_;
  int32_t value_ = 0;
};

// A seed whose first two draws give this step (for a parameter of the
// magnitude) and this number of tries.
uint32_t SeedFor(int32_t magnitude, int32_t step, int tries) {
  for (uint32_t seed = 1;; seed++) {
    SeedRandom(seed);
    const int32_t s = Random15() % (magnitude / 4 + 1) + 1;
    const int t = Random15() % 3 + 3;
    if (s == step && t == tries) return seed;
  }
}

TEST_F(Tuner, ReversesOnceThenHalvesAndKeepsTheLastSuccess) {
  SeedRandom(SeedFor(40, 8, 5));
  // Worse than the start: back and the other way. Better than that try:
  // stay. Worse again: back, half the step, the other way. Equal to best:
  // a success. Worse: back and halve again; the tries are used up.
  script = {40, 45, 44, 50, 30};
  std::string out;
  EXPECT_EQ(Tune(40, 50, &out), 50);
  EXPECT_EQ(tried, (std::vector<int32_t>{48, 32, 24, 36, 40}));
  EXPECT_EQ(value_, 36);
  EXPECT_EQ(out,
            "Tuning p[1] [40], best score = 50\n"
            "Trying p[1] = 48\nFail, score = 40\n"
            "Trying p[1] = 32\nFail, score = 45\n"
            "Trying p[1] = 24\nFail, score = 44\n"
            "Trying p[1] = 36\nSuccess, score = 50\n"
            "Trying p[1] = 40\nFail, score = 30\n");
  EXPECT_EQ(Log(), "p[1] = 36 (50)\n");
  EXPECT_EQ(scored_files, std::vector<std::string>(5, TRAINING_FILE));
}

TEST_F(Tuner, AStepOfOneThatFailsTwiceStopsSilently) {
  SeedRandom(SeedFor(2, 1, 5));
  script = {9, 8, 100};
  std::string out;
  EXPECT_EQ(Tune(-2, 10, &out), 10);
  EXPECT_EQ(tried, (std::vector<int32_t>{-1, -3}));
  EXPECT_EQ(value_, -2);  // nothing reached best: the entry value
  EXPECT_EQ(out, "Tuning p[1] [-2], best score = 10\nTrying p[1] = -1\nFail, score = 9\nTrying p[1] = -3\n");
  EXPECT_EQ(Log(), "");
}

TEST_F(Tuner, SuccessesRaiseTheBarAndAreLoggedEachTime) {
  SeedRandom(SeedFor(0, 1, 3));
  script = {7, 9, 9};
  std::string out;
  EXPECT_EQ(Tune(0, 7, &out), 9);
  EXPECT_EQ(tried, (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(value_, 3);
  EXPECT_EQ(Log(), "p[1] = 1 (7)\np[1] = 2 (9)\np[1] = 3 (9)\n");
  // The log grows; it is never truncated.
  SeedRandom(SeedFor(0, 1, 3));
  script_at = 0;
  script = {1, 0, 0};
  Tune(0, 1, &out);
  EXPECT_EQ(Log(), "p[1] = 1 (7)\np[1] = 2 (9)\np[1] = 3 (9)\np[1] = 1 (1)\n");
}

// A try that finds the file unreadable ends the tries: no success, no log
// line for it, the parameter at the value kept before it.
TEST_F(Tuner, AnUnreadableFileEndsTheTriesAtTheValueKept) {
  SeedRandom(SeedFor(0, 1, 5));
  script = {7, UNREADABLE_TRAINING_FILE, 9};
  std::string out;
  EXPECT_EQ(Tune(0, 7, &out), UNREADABLE_TRAINING_FILE);
  EXPECT_EQ(tried, (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(value_, 1);
  EXPECT_EQ(out, "Tuning p[1] [0], best score = 7\nTrying p[1] = 1\nSuccess, score = 7\nTrying p[1] = 2\n");
  EXPECT_EQ(Log(), "p[1] = 1 (7)\n");
}

// The step is one of |value| / 4 + 1 values from 1 up, each drawn.
TEST_F(Tuner, StepsRangeWithTheMagnitude) {
  for (const int32_t start : {0, 3, -3, 4, -7, 8, 31, -40}) {
    std::set<int32_t> steps;
    for (uint32_t seed = 1; seed <= 300; seed++) {
      SeedRandom(seed);
      script_at = 0;
      script = {-1000};
      tried.clear();
      std::string out;
      Tune(start, 0, &out);
      ASSERT_FALSE(tried.empty());
      steps.insert(tried[0] - start);
    }
    std::set<int32_t> expected;
    for (int32_t s = 1; s <= std::abs(start) / 4 + 1; s++) expected.insert(s);
    EXPECT_EQ(steps, expected) << start;
  }
}

// Each name is the evaluation parameter it points at: the name's run and
// index give the same entry, the index lies inside the run, and a change
// reaches what the evaluation reads (the tables built from it, or the entry
// itself, which the passed-pawn term reads directly).
TEST_F(Tuner, EveryTunedNameIsAParameterOfTheEvaluation) {
  struct Run {
    const char* name;
    int base, length;
    int derived;  // 0 read directly, 1 piece-square tables, 2 chained-pawn table
  };
  const Run runs[] = {
      {"knight_opening_ah", KNIGHT_OPENING_AH, 8, 1},
      {"knight_opening_bg", KNIGHT_OPENING_BG, 8, 1},
      {"knight_opening_cf", KNIGHT_OPENING_CF, 8, 1},
      {"knight_opening_de", KNIGHT_OPENING_DE, 8, 1},
      {"knight_endgame_ah", KNIGHT_ENDGAME_AH, 8, 1},
      {"knight_endgame_bg", KNIGHT_ENDGAME_BG, 8, 1},
      {"knight_endgame_cf", KNIGHT_ENDGAME_CF, 8, 1},
      {"knight_endgame_de", KNIGHT_ENDGAME_DE, 8, 1},
      {"king_opening_ah", KING_OPENING_AH, 8, 1},
      {"king_opening_bg", KING_OPENING_BG, 8, 1},
      {"king_opening_cf", KING_OPENING_CF, 8, 1},
      {"king_opening_de", KING_OPENING_DE, 8, 1},
      {"king_endgame_ah", KING_ENDGAME_AH, 8, 1},
      {"king_endgame_bg", KING_ENDGAME_BG, 8, 1},
      {"king_endgame_cf", KING_ENDGAME_CF, 8, 1},
      {"king_endgame_de", KING_ENDGAME_DE, 8, 1},
      {"chained_pawn_ah", CHAINED_PAWN_AH, 5, 2},
      {"chained_pawn_bg", CHAINED_PAWN_BG, 5, 2},
      {"chained_pawn_cf", CHAINED_PAWN_CF, 5, 2},
      {"chained_pawn_de", CHAINED_PAWN_DE, 5, 2},
      {"supported_passed", SUPPORTED_PASSED, 8, 0},
      {"supported_opponent_pieces_coeff", SUPPORTED_OPPONENT_PIECES_COEFF, 14, 0},
      {"supported_king_hor_coeff", SUPPORTED_KING_HOR_COEFF, 9, 0},
      {"supported_king_dist_diff_coeff", SUPPORTED_KING_DIST_DIFF_COEFF, 15, 0},
  };
  // The loop's order, written out run by run.
  std::vector<std::string> expected = {"knight_opening_ah[6]", "knight_opening_ah[7]"};
  auto range = [&](const char* name, int first, int last) {
    for (int i = first; i <= last; i++) expected.push_back(std::string(name) + "[" + std::to_string(i) + "]");
  };
  for (int r = 1; r < 16; r++) range(runs[r].name, 0, 7);
  for (int i : {1, 0, 4, 3, 2})
    for (int r = 16; r < 20; r++) range(runs[r].name, i, i);
  for (int i : {6, 5, 4, 3}) range("supported_passed", i, i);
  for (int i : {0, 3, 5, 6}) range("supported_opponent_pieces_coeff", i, i);
  range("supported_opponent_pieces_coeff", 8, 12);
  range("supported_king_hor_coeff", 0, 3);
  range("supported_king_dist_diff_coeff", 4, 9);
  ASSERT_EQ(expected.size(), size_t(TUNED_PARAMETER_COUNT));

  std::set<const int32_t*> seen;
  for (int n = 0; n < TUNED_PARAMETER_COUNT; n++) {
    const TunedParameter& p = tuned_parameters[n];
    SCOPED_TRACE(p.name);
    EXPECT_EQ(p.name, expected[n]);
    const std::string name = p.name;
    const size_t bracket = name.find('[');
    ASSERT_NE(bracket, std::string::npos);
    const std::string run_name = name.substr(0, bracket);
    const int index = std::stoi(name.substr(bracket + 1));
    const Run* run = nullptr;
    for (const Run& r : runs)
      if (run_name == r.name) run = &r;
    ASSERT_NE(run, nullptr);
    EXPECT_LT(index, run->length);
    EXPECT_EQ(p.value, &evaluation_parameters[run->base + index]);
    EXPECT_TRUE(seen.insert(p.value).second) << "listed twice";
    if (run->derived == 0) continue;
    // The derived table changes with the parameter.
    const std::vector<int16_t> pst(pst_opening, pst_opening + 1024), pst_end(pst_endgame, pst_endgame + 1024);
    const std::vector<int32_t> chained(chained_pawn_table, chained_pawn_table + 64);
    *p.value += 17;
    BuildPieceSquareTables();
    BuildChainedPawnTable();
    if (run->derived == 1)
      EXPECT_TRUE(pst != std::vector<int16_t>(pst_opening, pst_opening + 1024) ||
                  pst_end != std::vector<int16_t>(pst_endgame, pst_endgame + 1024));
    else
      EXPECT_NE(chained, std::vector<int32_t>(chained_pawn_table, chained_pawn_table + 64));
    *p.value -= 17;
    BuildPieceSquareTables();
    BuildChainedPawnTable();
  }
}

// After a run the tables agree with the values kept, not the last tried.
TEST_F(Tuner, TheDerivedTablesFollowTheKeptValue) {
  int32_t* knight = &evaluation_parameters[KNIGHT_OPENING_CF + 3];
  watched = knight;
  BuildPieceSquareTables();
  const std::vector<int16_t> before(pst_opening, pst_opening + 1024);
  SeedRandom(SeedFor(std::abs(*knight), 1, 3));
  script = {0, 0, 0};
  parameter_scorer = ScriptedScoreFromTables;
  testing::internal::CaptureStdout();
  TuneParameter(knight, "knight_opening_cf[3]", 5);
  testing::internal::GetCapturedStdout();
  EXPECT_GE(tried.size(), 2u);
  EXPECT_EQ(std::vector<int16_t>(pst_opening, pst_opening + 1024), before);
}

}  // namespace
