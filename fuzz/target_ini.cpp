// Any bytes as the ini file. Its keys may name a book or a tablebase path:
// the reader opens what they name, inside the scratch folder.
#include "book/book.h"
#include "fuzz/fuzz_target.h"
#include "interface/ini.h"
#include "interface/options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InitEngineForFuzzing();
  ReadIniFile(WriteScratchFile("Dravelnor.ini", data, size));
  // The readers promise these bounds to everything that uses the settings.
  FuzzCheck(aggressivity >= 0 && aggressivity <= 300 && cowardice >= 0 && cowardice <= 300,
            "a king-safety percentage outside 0 to 300");
  FuzzCheck(variety_of_play >= 0 && variety_of_play <= 100, "VarietyOfPlay outside 0 to 100");
  FuzzCheck(resign_value != INT32_MIN, "a resign value without a negation");
  FuzzCheck(tb_cache_size >= 1048576 && tb_cache_size <= 134217728, "a tablebase cache size outside its range");
  CloseOpeningBook();
  return 0;
}
