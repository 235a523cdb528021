#include "test_util.h"

#include <gtest/gtest.h>

#include "board/makemove.h"
#include "board/movegen.h"
#include "board/movekeys.h"
#include "board/notation.h"
#include "board/tables.h"
#include "search/tables.h"

void InitBoardForTests() {
  static bool ready = false;
  if (!ready) {
    InitBoardTables();
    ClearCaptureStatistics();
    ASSERT_TRUE(AllocateMoveKeyTable());
    BuildMoveKeyTable();
    ready = true;
  }
  NewGame();
  move_list_end = 0;
}

void SetPosition(const char* fen) {
  const FenError error = LoadFen(fen);
  ASSERT_EQ(error, FEN_OK) << fen << ": " << FenErrorText(error);
}

std::vector<std::string> MoveTexts(int begin, int end) {
  std::vector<std::string> texts;
  char buffer[8];
  for (int i = begin; i < end; i++) texts.push_back(MoveToText(buffer, move_list[i].move));
  return texts;
}

Move FindLegal(const char* text) {
  const int saved_end = move_list_end;
  GenerateLegalMoves(LEGALITY_LIST_START);
  Move found = 0;
  char buffer[8];
  for (int i = LEGALITY_LIST_START; i < move_list_end; i++)
    if (std::string(MoveToText(buffer, move_list[i].move)) == text) found = move_list[i].move;
  move_list_end = saved_end;
  return found;
}

void PlayMove(const char* text) {
  const Move move = FindLegal(text);
  ASSERT_NE(move, 0u) << "not legal here: " << text;
  MakeMove(move, 1);
}

