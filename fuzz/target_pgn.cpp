// Any bytes as a PGN file through the scan: tags, comments, variations, move
// numbers, SAN moves and games cut off, each game replayed from the initial
// position with its silent 2-ply searches. A token too long ends the scan
// with exit status 2 by design, so runs of the characters a token is made of
// are cut one short of that; runs of every other byte value reach the scan
// whole, at any length, since the reader must take them as separators.
#include <cstring>
#include <string>

#include "board/board.h"
#include "fuzz/fuzz_target.h"
#include "interface/pgn.h"

namespace {

// The characters of a move token, written out here rather than asked of the
// reader: a reader that took one byte more would hide it from its own fuzzer.
constexpr char TOKEN_CHARS[] = "abcdefgh012345678KQNBR=-O:x";
constexpr size_t LONGEST_TOKEN_RUN = SAN_TEXT_SIZE - 2;  // the longest token the scan takes
constexpr size_t LONGEST_INPUT = 4096;

bool IsTokenChar(char c) { return std::memchr(TOKEN_CHARS, c, sizeof TOKEN_CHARS - 1) != nullptr; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InitEngineForFuzzing();
  if (size > LONGEST_INPUT) size = LONGEST_INPUT;  // every position costs a search
  std::string text;
  size_t run = 0;
  for (size_t i = 0; i < size; i++) {
    const char c = char(data[i]);
    run = IsTokenChar(c) ? run + 1 : 0;
    if (run > LONGEST_TOKEN_RUN) {
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
