// Any bytes as the text of loadfen and "position fen". A position the reader
// accepts must be a sound board that can occur (the side not to move is not
// in check): every legal move makes and unmakes cleanly, and it can be
// evaluated. A refused one leaves the previous position.
#include <cstring>
#include <string>

#include "board/attacks.h"
#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"
#include "board/notation.h"
#include "eval/evaluate.h"
#include "fuzz/fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InitEngineForFuzzing();
  NewGame();
  // The command line hands the reader a string: it ends at the first NUL.
  const std::string text(reinterpret_cast<const char*>(data), size);
  const uint64_t key_before = thread_board.Key;
  if (LoadFen(text.c_str()) != FEN_OK) {
    FuzzCheck(thread_board.Key == key_before && VerifyBoard(), "a refused FEN changed the position");
    return 0;
  }
  FuzzCheck(VerifyBoard(), "an accepted FEN gave a board that does not verify");
  // The search would capture the king of a side left in check.
  const int side = int(thread_board.SideToMove);
  FuzzCheck(!IsSquareAttacked(side, int(thread_board.KingSquare[side ^ 1])),
            "an accepted FEN leaves the side not to move in check");
  move_list_end = 0;
  GenerateLegalMoves(LEGALITY_LIST_START);
  const int end = move_list_end;
  for (int i = LEGALITY_LIST_START; i < end; i++) {
    const Move move = move_list[i].move;
    MakeMove(move, 1);
    FuzzCheck(VerifyBoard(), "a legal move of an accepted FEN broke the board");
    UnmakeMove();
    FuzzCheck(VerifyBoard(), "taking back a legal move of an accepted FEN broke the board");
  }
  move_list_end = 0;
  int32_t score = -32700;
  EvaluatePosition(&score, 32700);
  return 0;
}
