// interface/input.h: the command input. Every line from standard input
// passes through the one pending buffer; the input loop, the in-search poll
// and the line reader all take lines from it the same way, so a line is
// handled once, by whichever takes it first.
#pragma once

#include <cstdint>

#include "board/board.h"

// The longest line that is handed out, without its '\n': a front end sends
// the whole game in one "position fen <FEN> moves ..." line, so it holds
// every ply the game history can take, five characters and a blank each,
// behind room for the command and the longest FEN. A longer line is refused
// whole, up to and including its '\n', with a message.
constexpr int MAX_INPUT_LINE = 6 * MAX_GAME_PLIES + 256;
// That line, its '\n' and the NUL.
constexpr int PENDING_INPUT_SIZE = MAX_INPUT_LINE + 2;
// At most one read's worth is appended at a time.
constexpr int INPUT_CHUNK_SIZE = 4096;

// Read but not yet taken: complete lines, then perhaps the start of one.
// NUL-terminated; the bytes behind the NUL are always zero.
extern char pending_input[PENDING_INPUT_SIZE];

// Appends one read of standard input to pending_input: 1 when input was
// read (even if it all belonged to a refused overlong line) or when the
// buffer is full of complete lines and nothing was read, 0 at the end of
// input. A read error counts as the end of input.
int ReadInputChunk();
// Non-zero when a complete line is buffered or standard input can be read
// without blocking (the end of input counts as readable). Never blocks.
int InputAvailable();
// Moves the first complete line into line (at most size - 1 characters are
// kept; the whole line is consumed): the '\n' is dropped and the first '\r'
// becomes a blank. 1 when a line was taken, 0 when none is buffered.
int TakePendingLine(char* line, int size);
// Waits for the next complete line and takes it: 1, or -1 when the input
// ends first (line is then empty). A partial last line is never handed out.
int ReadInputLine(char* line, int size);
// Takes the next single character of the input (the edit mode reads
// characters, not lines), waiting for input when none is buffered: the
// character, or -1 when the input ends first.
int ReadInputChar();
// Handles the buffered complete lines during a search.
void PollInputDuringSearch();
// Non-zero once standard input has reached its end: nothing more can arrive.
int InputClosed();
// Forgets the buffered text and the end of input, for a new input source.
void ResetInput();
