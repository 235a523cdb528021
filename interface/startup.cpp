#include "interface/startup.h"

#include "board/movekeys.h"
#include "board/tables.h"
#include "eval/bitbases.h"
#include "eval/params.h"
#include "eval/pst.h"
#include "search/search.h"
#include "search/tables.h"

void InitStartupTables() {
  InitZobristKeys();
  InitBitboardMasks();
  InitAttackTables();
  BuildPieceSquareTables();
  InitKnightDistance();
  InitKnightCatchMasks();
  LoadEvaluationParameters();
  ClearCaptureStatistics();
  ResetResignWindow();
}

int AllocateStartupTables() {
  if (!AllocateHashTables()) return 0;
  BuildMoveKeyTable();
  return 1;
}
