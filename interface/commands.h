// interface/commands.h: the one command interpreter. Console, xboard and UCI
// lines pass through the same keyword list, tested in one fixed order; the
// first keyword a line selects handles it.
#pragma once

#include "board/board.h"
#include "interface/input.h"

constexpr int COMMAND_LINE_SIZE = PENDING_INPUT_SIZE;
// The line being interpreted, cut from the pending input by the input loop.
extern char command_line[COMMAND_LINE_SIZE];

void ProcessCommand();
// "readyok", flushed: the answer to "isready" wherever the line is read
// (by the interpreter, during a search, between analysis searches).
void AnswerIsready();
// Bits 0 to 7 of value as '0'/'1' characters, bit 0 first, no line feed.
void PrintBits(int value);
// The move of a coordinate text ("e2e4", "E7E8q"; file letters in either
// case, a fifth character 'q', 'r', 'b' or 'n' promotes), pieces taken from
// the board; 0 when the text does not have that shape. No legality test.
Move ParseTypedMove(const char* text);
// Makes a move typed or sent by a front end, after the legality test and
// the room test of the game history: 1 when it was made.
int PlayTypedMove(Move move);
