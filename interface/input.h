// interface/input.h: the search's view of the command input: the pending
// buffer, the input-available test and the in-search poll. Until the command
// interface reads standard input, the poll finds nothing.
#pragma once

#include <cstdint>

constexpr int PENDING_INPUT_SIZE = 4608;
extern char pending_input[PENDING_INPUT_SIZE];
// Non-zero when input waits on standard input.
int InputAvailable();
// Handles the buffered complete lines during a search.
void PollInputDuringSearch();
// Non-zero once standard input has reached its end: nothing more can arrive.
int InputClosed();
