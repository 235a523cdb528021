#include "interface/tuner.h"

#include <array>
#include <cstdio>
#include <cstdlib>

#include "eval/params.h"
#include "eval/pawns.h"
#include "eval/pst.h"
#include "interface/pgn.h"
#include "platform/files.h"
#include "platform/random.h"
#include "search/tables.h"

namespace {

struct TunedRun {
  const char* name;
  int base;  // EvaluationParameterIndex of entry 0
};
constexpr TunedRun KNIGHT_OPENING[4] = {{"knight_opening_ah", KNIGHT_OPENING_AH},
                                        {"knight_opening_bg", KNIGHT_OPENING_BG},
                                        {"knight_opening_cf", KNIGHT_OPENING_CF},
                                        {"knight_opening_de", KNIGHT_OPENING_DE}};
constexpr TunedRun KNIGHT_ENDGAME[4] = {{"knight_endgame_ah", KNIGHT_ENDGAME_AH},
                                        {"knight_endgame_bg", KNIGHT_ENDGAME_BG},
                                        {"knight_endgame_cf", KNIGHT_ENDGAME_CF},
                                        {"knight_endgame_de", KNIGHT_ENDGAME_DE}};
constexpr TunedRun KING_OPENING[4] = {{"king_opening_ah", KING_OPENING_AH},
                                      {"king_opening_bg", KING_OPENING_BG},
                                      {"king_opening_cf", KING_OPENING_CF},
                                      {"king_opening_de", KING_OPENING_DE}};
constexpr TunedRun KING_ENDGAME[4] = {{"king_endgame_ah", KING_ENDGAME_AH},
                                      {"king_endgame_bg", KING_ENDGAME_BG},
                                      {"king_endgame_cf", KING_ENDGAME_CF},
                                      {"king_endgame_de", KING_ENDGAME_DE}};
constexpr TunedRun CHAINED_PAWN[4] = {{"chained_pawn_ah", CHAINED_PAWN_AH},
                                      {"chained_pawn_bg", CHAINED_PAWN_BG},
                                      {"chained_pawn_cf", CHAINED_PAWN_CF},
                                      {"chained_pawn_de", CHAINED_PAWN_DE}};
constexpr TunedRun SUPPORTED_PASSED_RUN = {"supported_passed", SUPPORTED_PASSED};
constexpr TunedRun SUPPORTED_OPPONENT_RUN = {"supported_opponent_pieces_coeff", SUPPORTED_OPPONENT_PIECES_COEFF};
constexpr TunedRun SUPPORTED_KING_HOR_RUN = {"supported_king_hor_coeff", SUPPORTED_KING_HOR_COEFF};
constexpr TunedRun SUPPORTED_KING_DIST_RUN = {"supported_king_dist_diff_coeff", SUPPORTED_KING_DIST_DIFF_COEFF};

using TunedList = std::array<TunedParameter, TUNED_PARAMETER_COUNT>;

TunedList BuildTunedList() {
  TunedList list{};
  int n = 0;
  auto add = [&](const TunedRun& run, int index) {
    std::snprintf(list[n].name, sizeof list[n].name, "%s[%d]", run.name, index);
    list[n].value = &evaluation_parameters[run.base + index];
    n++;
  };
  add(KNIGHT_OPENING[0], 6);
  add(KNIGHT_OPENING[0], 7);
  for (int r = 1; r < 4; r++)
    for (int i = 0; i < 8; i++) add(KNIGHT_OPENING[r], i);
  for (const TunedRun* runs : {KNIGHT_ENDGAME, KING_OPENING, KING_ENDGAME})
    for (int r = 0; r < 4; r++)
      for (int i = 0; i < 8; i++) add(runs[r], i);
  for (int i : {1, 0, 4, 3, 2})
    for (const TunedRun& run : CHAINED_PAWN) add(run, i);
  for (int i : {6, 5, 4, 3}) add(SUPPORTED_PASSED_RUN, i);
  for (int i : {0, 3, 5, 6, 8, 9, 10, 11, 12}) add(SUPPORTED_OPPONENT_RUN, i);
  for (int i = 0; i <= 3; i++) add(SUPPORTED_KING_HOR_RUN, i);
  for (int i = 4; i <= 9; i++) add(SUPPORTED_KING_DIST_RUN, i);
  if (n != TUNED_PARAMETER_COUNT) std::abort();
  return list;
}

const TunedList tuned_list = BuildTunedList();

// The tables the evaluation reads instead of the parameters themselves.
void RebuildDerivedTables() {
  BuildPieceSquareTables();
  BuildChainedPawnTable();
}

bool log_failure_reported;

// A success the log cannot take is reported once: the tuned values are
// only in memory, and the log is what tells them.
void LogSuccess(const char* name, int32_t value, int32_t score) {
  FILE* log = OpenOutputFile(TUNE_LOG_FILE, true);
  bool ok = log != nullptr;
  if (log) {
    ok = std::fprintf(log, "%s = %d (%d)\n", name, value, score) > 0;
    ok = std::fclose(log) == 0 && ok;
  }
  if (!ok && !log_failure_reported) {
    std::printf("Error writing \"%s\"!\n", TUNE_LOG_FILE);
    log_failure_reported = true;
  }
}

}  // namespace

const TunedParameter* const tuned_parameters = tuned_list.data();
ParameterScorer parameter_scorer = ScoreParameterSet;

int32_t ScoreParameterSet(const char* file_name) {
  RebuildDerivedTables();
  tuning_hits = 0;
  ClearSearchTables();
  if (!ScanPgnFile(file_name)) return UNREADABLE_TRAINING_FILE;
  return tuning_hits;
}

int32_t TuneParameter(int32_t* parameter, const char* name, int32_t best) {
  const int64_t magnitude = std::llabs(int64_t(*parameter));
  int32_t step = int32_t(Random15() % (magnitude / 4 + 1)) + 1;
  int tries = Random15() % 3 + 3;
  std::printf("Tuning %s [%d], best score = %d\n", name, *parameter, best);
  std::fflush(stdout);
  int32_t keep = *parameter;
  int32_t previous = best;
  bool may_reverse = true;
  while (tries > 0 && step != 0) {
    *parameter += step;
    std::printf("Trying %s = %d\n", name, *parameter);
    std::fflush(stdout);
    const int32_t score = parameter_scorer(TRAINING_FILE);
    // Without the file no try means anything: the run ends.
    if (score == UNREADABLE_TRAINING_FILE) {
      best = UNREADABLE_TRAINING_FILE;
      break;
    }
    if (score >= best) {
      LogSuccess(name, *parameter, score);
      std::printf("Success, score = %d\n", score);
      best = score;
      keep = *parameter;
    } else {
      // No better than the try before: back, and the other way.
      if (previous >= score) {
        if (may_reverse) {
          *parameter -= step;
          step = -step;
          may_reverse = false;
        } else if (std::abs(step) < 2) {
          break;
        } else {
          *parameter -= step;
          step = -step / 2;
        }
      }
      std::printf("Fail, score = %d\n", score);
    }
    std::fflush(stdout);
    tries--;
    previous = score;
  }
  *parameter = keep;
  // The tables must follow the value kept, not the last one tried.
  RebuildDerivedTables();
  return best;
}

void RunTuning() {
  // A file that cannot be read scores nothing: reported once by the scan,
  // and no try is made.
  int32_t best = parameter_scorer(TRAINING_FILE);
  for (int pass = 0; pass < TUNING_PASSES && best != UNREADABLE_TRAINING_FILE; pass++)
    for (int i = 0; i < TUNED_PARAMETER_COUNT && best != UNREADABLE_TRAINING_FILE; i++)
      best = TuneParameter(tuned_parameters[i].value, tuned_parameters[i].name, best);
}
