// The engine's entry point. For now it builds the start-up tables, loads the
// evaluation parameters, sets up the initial position and ends; the command
// loop comes with the interface.
#include "board/board.h"
#include "interface/startup.h"

int main() {
  InitStartupTables();
  if (!AllocateStartupTables()) return 1;
  NewGame();
  return 0;
}
