// Any bytes as a learning file in short form, so that mutations reach its
// chains: the first 64 bytes are the heads of buckets 0 to 15, the rest the
// records behind the header; every other head is 0. An input shorter than
// that is a file cut short inside its header. Then lookups of every set
// bucket with the key words of the record its head names, of the start
// position, an append and an update, as the search and the learning queue
// ask them. A walk that does not end is a fault the time limit reports.
#include <sys/stat.h>

#include <string>

#include "board/board.h"
#include "book/learning.h"
#include "fuzz/fuzz_target.h"

namespace {

constexpr size_t GIVEN_HEADS = 16;
constexpr size_t GIVEN_HEAD_BYTES = 4 * GIVEN_HEADS;
constexpr size_t KEY0_FIELD = 12;  // depth, eval, move, then key0
constexpr size_t KEY1_FIELD = 16;

int64_t FileSize(const char* path) {
  struct stat status;
  return stat(path, &status) == 0 ? int64_t(status.st_size) : -1;
}

// The file's numbers are little-endian; bytes past the end read as 0.
uint32_t LittleWord(const std::string& file, uint64_t at) {
  uint32_t w = 0;
  for (uint64_t i = 4; i-- > 0;) w = w << 8 | (at + i < file.size() ? uint8_t(file[at + i]) : 0);
  return w;
}

void Look(uint32_t key0, uint32_t key1, int64_t size) {
  int32_t depth = 0, eval = 0;
  uint32_t move = 0, offset = 0;
  FindLearnRecord(key0, key1, &depth, &eval, &move, &offset);
  if (offset == 0) return;
  FuzzCheck(offset >= LEARN_HEADER_SIZE && offset + LEARN_RECORD_SIZE <= size, "a found record outside the file");
  FuzzCheck((offset - LEARN_HEADER_SIZE) % LEARN_RECORD_SIZE == 0, "a found record between records");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InitEngineForFuzzing();
  NewGame();
  std::string file(LEARN_BANNER, LEARN_BANNER_SIZE);
  const std::string input(reinterpret_cast<const char*>(data), size);
  if (size < GIVEN_HEAD_BYTES) {
    file += input;
  } else {
    file += input.substr(0, GIVEN_HEAD_BYTES);
    file.append(size_t(LEARN_HEADER_SIZE) - file.size(), '\0');
    file += input.substr(GIVEN_HEAD_BYTES);
  }
  const char* path = WriteScratchFile("Learn.vo1", reinterpret_cast<const uint8_t*>(file.data()), file.size());
  OpenLearningFile(path);
  if (learning_file) {
    const int64_t before = FileSize(path);
    for (uint32_t bucket = 0; bucket < GIVEN_HEADS; bucket++) {
      const uint32_t first = LittleWord(file, LEARN_BANNER_SIZE + 4 * bucket);
      if (first == 0) continue;
      const uint32_t key0 = (LittleWord(file, uint64_t(first) + KEY0_FIELD) & 0xFFFF0000u) | bucket;
      Look(key0, LittleWord(file, uint64_t(first) + KEY1_FIELD), before);
    }
    Look(LearnKey0(thread_board.Key), LearnKey1(thread_board.Key), before);
    if (learning_file_writable) {
      const uint32_t key0 = LittleWord(file, LEARN_BANNER_SIZE) & 0xF, key1 = LittleWord(file, LEARN_HEADER_SIZE);
      AddLearnRecord(key0, key1, 40, -500, 0x1234);
      int32_t depth = 0, eval = 0;
      uint32_t move = 0, offset = 0;
      FindLearnRecord(key0, key1, &depth, &eval, &move, &offset);
      FuzzCheck(offset != 0, "an appended record not found");
      UpdateLearnRecord(key0, key1, 44, -600, 0x4321, offset);
      Look(key0, key1, FileSize(path));
    }
  }
  CloseLearningFile();
  return 0;
}
