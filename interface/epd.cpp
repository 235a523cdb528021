#include "interface/epd.h"

#include <cstdio>

#include "board/board.h"
#include "board/notation.h"
#include "eval/evaluate.h"
#include "platform/files.h"
#include "search/root.h"

namespace {

constexpr const char* EPD_OUTPUT_FILE = "out.epd";
constexpr int EPD_OUTPUT_EVERY = 10;

void ReportWriteFailure() {
  std::printf("Error writing \"%s\"!\n", EPD_OUTPUT_FILE);
  std::fflush(stdout);
}

}  // namespace

void EvaluateEpdFile(const char* name) {
  // Only a regular file: a FIFO would wait for a writer, a device would
  // never end, and the engine's own input is no list of positions.
  FILE* input = OpenRegularFile(name, "r");
  if (!input) {
    std::printf("Error opening \"%s\"!\n", name);
    std::fflush(stdout);
    return;
  }
  // The output replaces its file before the first line is read: given the
  // output itself, under whatever name, the positions would be lost.
  if (IsSameFile(input, EPD_OUTPUT_FILE)) {
    std::printf("Refused: \"%s\" is the output file %s; it is left whole\n", name, EPD_OUTPUT_FILE);
    std::fflush(stdout);
    std::fclose(input);
    return;
  }
  FILE* output = OpenOutputFile(EPD_OUTPUT_FILE, false);
  if (!output) {
    std::printf("Error opening \"%s\"!\n", EPD_OUTPUT_FILE);
    std::fflush(stdout);
    std::fclose(input);
    return;
  }
  char line[255];
  int count = 0;
  bool written = true;
  for (;;) {
    // A last line without its line end meets the end of the file: it is
    // not taken, like every read that does.
    if (!std::fgets(line, sizeof line, input) || std::feof(input)) break;
    const FenError error = LoadFen(line);
    if (error == FEN_OK) {
      root_side = int(thread_board.SideToMove);
      int32_t score = NO_SCORE;
      EvaluatePosition(&score, MATE_SCORE);
      std::printf("%d\n", score);
    } else {
      // The previous position's score would pass for this line's.
      std::printf("Illegal position: %s\n", FenErrorText(error));
    }
    count++;
    // A full disk is told once, when it is met; the scores go on.
    if (count % EPD_OUTPUT_EVERY == 0 && written && std::fputs(line, output) < 0) {
      written = false;
      ReportWriteFailure();
    }
  }
  std::fflush(stdout);
  if (std::fclose(output) != 0 && written) ReportWriteFailure();
  std::fclose(input);
}
