#include "test_util.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "board/makemove.h"
#include "board/movegen.h"
#include "board/movekeys.h"
#include "board/notation.h"
#include "board/tables.h"
#include "book/book.h"
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

std::string MakeTestFolder(const char* name) {
  std::string pattern = std::string("/tmp/dravelnor_") + name + "_XXXXXX";
  if (!mkdtemp(pattern.data())) {
    ADD_FAILURE() << "mkdtemp: " << pattern;
    return "";
  }
  return pattern;
}

std::string OpenBookForTest(const std::string& path) {
  testing::internal::CaptureStdout();
  OpenOpeningBook(path.c_str());
  return testing::internal::GetCapturedStdout();
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

// The board as FEN, with the en passant square after any double step.
std::string BoardToFen() {
  const Board& b = thread_board;
  static const char letters[] = ".knp?rbq";
  std::string fen;
  for (int rank = 7; rank >= 0; rank--) {
    int empty = 0;
    for (int file = 0; file < 8; file++) {
      const int square = rank * 8 + file;
      if (!b.Square[square]) {
        empty++;
        continue;
      }
      if (empty) fen += char('0' + empty);
      empty = 0;
      const char letter = letters[b.Square[square]];
      fen += (b.Occupied[WHITE] >> square) & 1 ? char(letter - 'a' + 'A') : letter;
    }
    if (empty) fen += char('0' + empty);
    if (rank) fen += '/';
  }
  fen += b.SideToMove == WHITE ? " w " : " b ";
  std::string rights;
  if (b.Castling & WHITE_SHORT) rights += 'K';
  if (b.Castling & WHITE_LONG) rights += 'Q';
  if (b.Castling & BLACK_SHORT) rights += 'k';
  if (b.Castling & BLACK_LONG) rights += 'q';
  fen += rights.empty() ? "-" : rights;
  std::string ep = "-";
  if (game_ply > 0) {
    const Move last = game_history[game_ply - 1].Move;
    const int from = MoveFrom(last), to = MoveTo(last);
    if (MovePiece(last) == PAWN && (from - to == 16 || to - from == 16)) {
      const int passed = (from + to) / 2;
      ep = std::string(1, char('a' + (passed & 7))) + char('1' + (passed >> 3));
    }
  }
  return fen + " " + ep + " 0 1";
}
