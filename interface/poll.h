// interface/poll.h: the commands read while a search runs. The search calls
// PollInputDuringSearch when input may be waiting; the poll only raises flags
// that the search, the game driver and the analyze loop act on afterwards,
// and tells the learning whether a search is a move of the game.
#pragma once

#include <cstdint>

#include "interface/input.h"

extern char search_input_line[PENDING_INPUT_SIZE];
// Set by "undo" and "exit" during an analysis search.
extern int32_t analyze_undo_requested;
extern int32_t analyze_exit_requested;
// 1 while the analyze loop runs its searches.
extern int32_t analyze_mode_active;
// Of the last UCI "go": 1 when it asked for an analysis ("go infinite", or
// a bare "go"); set by "go".
extern int32_t uci_analysis;
// Set when "stop" (or the end of the input) ended a UCI ponder search before
// its "ponderhit"; "go" clears it.
extern int32_t ponder_search_stopped;

// 1 while the search, or the one just finished, plays no move of a game:
// the analyze loop, a UCI analysis ("go infinite", or a bare "go") and a UCI
// ponder search until "ponderhit" makes it the engine's own (one that "stop"
// ended stays so). Neither the book nor the learning file learns from it.
int SearchIsAnalysis();
