// Any bytes as a PGN file through the scan: tags, comments, variations, move
// numbers, SAN moves and games cut off, each game replayed from the initial
// position with its silent 2-ply searches. A token too long ends the scan
// with exit status 2 by design, so such runs are split before the scan.
#include <string>

#include "board/board.h"
#include "fuzz/fuzz_target.h"
#include "interface/pgn.h"

namespace {

constexpr size_t LONGEST_RUN = 12;  // shorter than the longest token the scan takes
constexpr size_t LONGEST_INPUT = 4096;

bool IsBreak(char c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '{' || c == '}' || c == '(' || c == ')' || c == '[' ||
         c == ']' || c == '"';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InitEngineForFuzzing();
  if (size > LONGEST_INPUT) size = LONGEST_INPUT;  // every position costs a search
  std::string text;
  size_t run = 0;
  for (size_t i = 0; i < size; i++) {
    const char c = char(data[i]);
    run = IsBreak(c) ? 0 : run + 1;
    if (run > LONGEST_RUN) {
      text += ' ';
      run = 1;
    }
    text += c;
  }
  NewGame();
  ScanPgnText(text);
  NewGame();
  return 0;
}
