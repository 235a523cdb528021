// interface/poll.h: the commands read while a search runs. The search calls
// PollInputDuringSearch when input may be waiting; the poll only raises flags
// that the search, the game driver and the analyze loop act on afterwards.
#pragma once

#include <cstdint>

#include "interface/input.h"

extern char search_input_line[PENDING_INPUT_SIZE];
// Set by "undo" and "exit" during an analysis search.
extern int32_t analyze_undo_requested;
extern int32_t analyze_exit_requested;
// 1 while the analyze loop runs its searches.
extern int32_t analyze_mode_active;
