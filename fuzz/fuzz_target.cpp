#include "fuzz/fuzz_target.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "board/board.h"
#include "eval/params.h"
#include "interface/startup.h"

namespace {

std::string scratch_folder;
std::string scratch_path;

void RemoveScratchFolder() {
  if (!scratch_path.empty()) std::remove(scratch_path.c_str());
  if (!scratch_folder.empty()) rmdir(scratch_folder.c_str());
}

}  // namespace

void InitEngineForFuzzing() {
  static bool ready = false;
  if (ready) return;
  ready = true;
  if (!std::getenv("DRAVELNOR_FUZZ_VERBOSE")) {
    if (!std::freopen("/dev/null", "w", stdout)) std::perror("/dev/null");
  }
  InitStartupTables();
  LoadEvaluationParametersFrom(DRAVELNOR_DATA_DIR "/values.txt");
  FuzzCheck(AllocateStartupTables() != 0, "the start-up tables could not be allocated");
  NewGame();
  char pattern[] = "/tmp/dravelnor_fuzz_XXXXXX";
  FuzzCheck(mkdtemp(pattern) != nullptr, "no scratch folder");
  scratch_folder = pattern;
  std::atexit(RemoveScratchFolder);
}

const char* WriteScratchFile(const char* name, const uint8_t* data, size_t size) {
  InitEngineForFuzzing();
  scratch_path = scratch_folder + "/" + name;
  FILE* file = std::fopen(scratch_path.c_str(), "wb");
  FuzzCheck(file != nullptr, "cannot write the scratch file");
  if (size) FuzzCheck(std::fwrite(data, 1, size, file) == size, "short write of the scratch file");
  std::fclose(file);
  return scratch_path.c_str();
}

void FuzzCheck(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "FUZZ CHECK FAILED: %s\n", what);
  std::fflush(stderr);
  std::abort();
}
