// Shared set-up for the board tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/board.h"
#include "board/makemove.h"
#include "board/movegen.h"

// Builds the start-up tables once and sets the initial position.
void InitBoardForTests();
// InitBoardForTests, then the evaluation's tables, parameters from the
// committed default "values.txt", the pawn hash and the evaluation cache.
void InitEvalForTests();
// InitEvalForTests, then the transposition table (allocated once) and every
// search table cleared.
void InitSearchForTests();
// A new empty folder under /tmp for a test's files; fails the test when it
// cannot be made. The caller removes it.
std::string MakeTestFolder(const char* name);
// Opens the book with the engine's OpenOpeningBook; what it printed.
std::string OpenBookForTest(const std::string& path);
// The path of a file under the source tree's data/ folder.
std::string DataPath(const char* name);
// The colour-flipped twin of a FEN: ranks reversed, colours and side to move
// exchanged.
std::string FlipFen(const std::string& fen);
// The board as FEN, with the en passant square after any double step.
std::string BoardToFen();
// Loads a FEN and fails the current test when it is refused.
void SetPosition(const char* fen);
// The moves of move_list[begin, end) as coordinate texts.
std::vector<std::string> MoveTexts(int begin, int end);
// The legal move of the current position with this coordinate text, or 0.
Move FindLegal(const char* text);
// Plays a legal move given as text into the game; fails the test when illegal.
void PlayMove(const char* text);

// Calls visit() at every node of the legal move tree to depth, checking the
// board after every make and unmake.
template <typename Visit>
void WalkTree(int depth, Visit& visit) {
  visit();
  if (depth == 0) return;
  GenerateLegalMoves(LEGALITY_LIST_START);
  std::vector<Move> moves;
  for (int i = LEGALITY_LIST_START; i < move_list_end; i++) moves.push_back(move_list[i].move);
  for (Move move : moves) {
    MakeMove(move, 1);
    ASSERT_TRUE(VerifyBoard());
    WalkTree(depth - 1, visit);
    UnmakeMove();
    ASSERT_TRUE(VerifyBoard());
  }
}
