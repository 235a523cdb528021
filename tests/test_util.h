// Shared set-up for the board tests.
#pragma once

#include <string>
#include <vector>

#include "board/board.h"

// Builds the start-up tables once and sets the initial position.
void InitBoardForTests();
// Loads a FEN and fails the current test when it is refused.
void SetPosition(const char* fen);
// The moves of move_list[begin, end) as coordinate texts.
std::vector<std::string> MoveTexts(int begin, int end);
// The legal move of the current position with this coordinate text, or 0.
Move FindLegal(const char* text);
// Plays a legal move given as text into the game; fails the test when illegal.
void PlayMove(const char* text);
