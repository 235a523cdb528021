// platform/stdin.h: the operating-system side of command input. The engine
// reads its commands only through these two calls (never through stdio or
// iostreams, whose buffers poll() cannot see).
#pragma once

// The descriptor that stands for standard input: 0, or a pipe in the tests.
extern int input_descriptor;

// What a zero-timeout poll of the input descriptor found.
enum StdinState {
  STDIN_EMPTY = 0,     // a read would block
  STDIN_READABLE = 1,  // bytes are waiting (or the end of input is among them)
  STDIN_ENDED = 2,     // hung up with nothing left, or the descriptor failed
};

// Never blocks. Both non-zero answers mean that a read returns at once.
int StdinReadable();
// One read of at most size bytes: the byte count, 0 at the end of input,
// -1 on an error. Interrupted reads are repeated; size must be positive
// (a read of 0 bytes would look like the end of input).
int ReadStdin(char* buffer, int size);
