// interface/perft.h: the move-path counter behind the console's "perft".
#pragma once

#include <cstdint>

// Leaf moves counted by Perft; the command zeroes it before a run.
extern uint64_t perft_nodes;
// Deepest perft the move list and game history have room for.
constexpr int MAX_PERFT_DEPTH = 64;

// Adds to perft_nodes the number of legal move sequences of depth moves from
// the current position; leaves the board and move_list_end as they were.
// A depth below 1 (or above MAX_PERFT_DEPTH) counts nothing.
void Perft(int depth);
