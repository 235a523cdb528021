// Any bytes as the evaluation's parameter file: the reader and the tables
// derived from what it read. The committed parameters come back after each
// input, so that one input cannot prepare the next.
#include "eval/params.h"
#include "fuzz/fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InitEngineForFuzzing();
  const int count = LoadEvaluationParametersFrom(WriteScratchFile("values.txt", data, size));
  FuzzCheck(count >= 0 && count <= VALUES_FILE_COUNT, "the values reader counted outside the file's positions");
  ResetEvaluationParameters();
  return 0;
}
