// The engine's entry point. For now it builds the start-up tables, loads the
// evaluation parameters, sets up the initial position and ends; the command
// loop comes with the interface.
#include <cstdlib>

#include "board/board.h"
#include "board/movekeys.h"
#include "board/tables.h"
#include "eval/bitbases.h"
#include "eval/params.h"
#include "eval/pst.h"
#include "search/tables.h"

int main() {
  InitZobristKeys();
  InitBitboardMasks();
  InitAttackTables();
  BuildPieceSquareTables();
  InitKnightDistance();
  InitKnightCatchMasks();
  LoadEvaluationParameters();
  ClearCaptureStatistics();
  if (!AllocatePawnHash() || !AllocateEvalCache() || !AllocateMoveKeyTable()) return 1;
  BuildMoveKeyTable();
  NewGame();
  FreeMoveKeyTable();
  FreeEvalCache();
  FreePawnHash();
  return 0;
}
