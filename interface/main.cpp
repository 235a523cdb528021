// The engine's entry point. For now it builds the start-up tables, sets up
// the initial position and ends; the command loop comes with the interface.
#include <cstdlib>

#include "board/board.h"
#include "board/movekeys.h"
#include "board/tables.h"
#include "search/tables.h"

int main() {
  InitBoardTables();
  ClearCaptureStatistics();
  if (!AllocateMoveKeyTable()) return 1;
  BuildMoveKeyTable();
  NewGame();
  FreeMoveKeyTable();
  return 0;
}
