// interface/tuner.h: the parameter tuner. Scores a parameter set by the hit
// count of a PGN scan of the training file, and tries random steps on the
// evaluation parameters of a fixed list, logging each success to
// "tune.log" (a failed write is reported once). Writes the evaluation parameters (in memory only), their
// derived tables, the search tables and the board.
#pragma once

#include <cstdint>

// The training file of "selftest", "tunenew" and every try (a Windows name;
// see ResolveFileName for where it lies on other systems).
constexpr const char* TRAINING_FILE = "c:\\work\\chess\\dravelnor\\release\\source.pgn";
constexpr const char* TUNE_LOG_FILE = "tune.log";
constexpr int TUNED_PARAMETER_COUNT = 165;
constexpr int TUNING_PASSES = 1000;

struct TunedParameter {
  char name[40];   // as printed and logged: "knight_opening_ah[6]"
  int32_t* value;  // the evaluation's own parameter
};
// The parameters of the "tunenew" loop, in its order.
extern const TunedParameter* const tuned_parameters;

// What a scorer gives when the file could not be read (hit counts are never
// negative).
constexpr int32_t UNREADABLE_TRAINING_FILE = -1;

// The hit count of a scan of the file with the current parameters, after
// the derived tables are rebuilt and the search tables cleared;
// UNREADABLE_TRAINING_FILE when the scan found no file to read.
int32_t ScoreParameterSet(const char* file_name);
// What TuneParameter scores each try with: ScoreParameterSet, or a stand-in
// in the tests.
using ParameterScorer = int32_t (*)(const char* file_name);
extern ParameterScorer parameter_scorer;
// Tries random steps on one parameter; returns the best score and leaves
// the parameter at the value that gave it (its entry value when no try
// reached best). A try that finds the file unreadable ends the tries:
// UNREADABLE_TRAINING_FILE, the parameter at the value kept so far.
int32_t TuneParameter(int32_t* parameter, const char* name, int32_t best);
// The "tunenew" run: TUNING_PASSES passes over the list; none when the
// training file cannot be read, and the run ends when it can no longer be.
void RunTuning();
