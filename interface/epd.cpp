#include "interface/epd.h"

#include <cstdio>

#include "board/board.h"
#include "board/notation.h"
#include "eval/evaluate.h"
#include "platform/files.h"
#include "search/root.h"

void EvaluateEpdFile(const char* name) {
  FILE* input = OpenFileAnyCase(name, "r");
  if (!input) {
    std::printf("Error opening \"%s\"!\n", name);
    std::fflush(stdout);
    return;
  }
  FILE* output = std::fopen("out.epd", "w");
  if (!output) {
    std::printf("Error opening \"out.epd\"!\n");
    std::fflush(stdout);
    std::fclose(input);
    return;
  }
  char line[255];
  int count = 0;
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
    if (count % 10 == 0) std::fputs(line, output);
  }
  std::fflush(stdout);
  std::fclose(output);
  std::fclose(input);
}
